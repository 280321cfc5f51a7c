#include "cli/ExportRun.h"

#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "db/IB_Session.h"
#include "db/IB_Transaction.h"
#include "export/HTMLExport.h"
#include "export/ScriptExport.h"
#include "export/XMLExport.h"
#include "settings/SettingsValues.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <unistd.h>

#ifndef VARNEL_VERSION
#define VARNEL_VERSION "unknown"
#endif

namespace {

using namespace varnel::db;

// A message as one block of lines: the server's CR LF line ends become LF,
// trailing line ends go.
std::string MessageLines(const std::string& message)
{
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n')
            continue;
        out += message[i];
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

void PrintError(std::FILE* err, const std::string& message)
{
    std::fprintf(err, "varnel-export: %s\n", MessageLines(message).c_str());
    std::fflush(err);
}

const char* KindName(TDescribedObject kind)
{
    return kind == TDescribedObject::Table ? "table" : kind == TDescribedObject::View ? "view" : "procedure";
}

// The hooks of the session for as long as the run lasts.
class TSessionHooks {
public:
    TSessionHooks(TIB_Session& session, TProgressLine& progress, std::FILE* err) : FSession(session)
    {
        FSession.OnShowException = [&progress, err](const std::exception& e) {
            progress.Clear();
            PrintError(err, e.what());
        };
        FSession.OnLoginPrompt = nullptr;
    }
    ~TSessionHooks() { FSession.OnShowException = nullptr; }

private:
    TIB_Session& FSession;
};

void Run(const TExportRequest& r, TProgressLine& progress, std::FILE* err)
{
    SettingsValues settings;
    if (!r.SettingsFile.empty()) {
        // A name that points nowhere would silently give empty templates.
        std::ifstream probe(r.SettingsFile, std::ios::binary);
        if (!probe)
            throw std::runtime_error("Could not open settings file " + r.SettingsFile);
        settings.Load(r.SettingsFile);
    }
    if (r.SystemData)
        settings.SetBool(Setting::Settings_SystemData, true);

    std::shared_ptr<TIB_Session> session = TIB_Session::Default();
    TSessionHooks hooks(*session, progress, err);
    TIB_Connection connection(session);
    connection.SetName("IB_Connection");
    connection.SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3"});
    connection.SetUsername(r.User);
    connection.SetPassword(r.Password);
    connection.SetSQLRole(r.Role);
    connection.SetLoginPrompt(false);
    // Always a database string, never a connection alias.
    connection.SetDatabase(r.Database);
    TIB_Transaction transaction(session);
    transaction.SetName("IB_Transaction");
    transaction.SetIB_Connection(&connection);
    transaction.SetAutoCommit(true);
    transaction.SetIsolation(TIB_Isolation::tiCommitted);
    connection.SetDefaultTransaction(&transaction);
    TCatalogue catalogue(connection, transaction, settings);

    connection.Connect();
    auto report = [&progress](const char* document) {
        return [&progress, document](const std::string& section, int objects) {
            progress.Show(std::string(document) + ": " + section + " " + std::to_string(objects));
        };
    };
    if (!r.HTMLFile.empty())
        HTMLExport(settings, catalogue, r.HTMLFile, report("HTML"));
    if (!r.XMLFile.empty())
        XMLExport(catalogue, r.XMLFile, report("XML"));
    if (!r.SQLFile.empty())
        ScriptExport(catalogue, r.SQLFile, report("SQL"));
    for (const TObjectScriptRequest& o : r.ObjectScripts) {
        progress.Show(std::string("SQL script of ") + KindName(o.Kind) + " " + o.Name);
        if (!ObjectScriptExport(catalogue, o.Kind, o.Name, o.FileName))
            throw std::runtime_error(std::string("No ") + KindName(o.Kind) + " " + o.Name +
                                     " in the database (" + o.FileName + " is empty)");
    }
    connection.Disconnect();
}

} // namespace

void TProgressLine::Show(const std::string& Text)
{
    if (!FEnabled)
        return;
    std::string line = "\r" + Text;
    if (Text.size() < FShown)
        line.append(FShown - Text.size(), ' ');
    FShown = Text.size();
    std::fputs(line.c_str(), FOut);
    std::fflush(FOut);
}

void TProgressLine::Clear()
{
    if (!FEnabled || FShown == 0)
        return;
    std::fputs(("\r" + std::string(FShown, ' ') + "\r").c_str(), FOut);
    std::fflush(FOut);
    FShown = 0;
}

int RunExportRequest(const TExportRequest& Request, std::FILE* Err, bool Terminal)
{
    TProgressLine progress(Err, Terminal);
    try {
        Run(Request, progress, Err);
        progress.Clear();
        return 0;
    } catch (const EIB_Abort&) {
        progress.Clear();
        PrintError(Err, "Login aborted");
    } catch (const std::exception& e) {
        progress.Clear();
        PrintError(Err, e.what());
    }
    return 1;
}

int VarnelExportMain(const std::vector<std::string>& Args, std::FILE* Out, std::FILE* Err)
{
    TCommand cmd = ParseCommandLine(Args, [](const char* name) { return std::getenv(name); });
    switch (cmd.Kind) {
    case TCommandKind::Help:
        std::fputs(UsageText(), Out);
        std::fputs("\n", Out);
        std::fputs(HelpText(), Out);
        return 0;
    case TCommandKind::Version:
        std::fputs("varnel-export " VARNEL_VERSION "\n", Out);
        return 0;
    case TCommandKind::UsageError:
        std::fprintf(Err, "varnel-export: %s\n", cmd.Error.c_str());
        std::fputs(UsageText(), Err);
        return 2;
    case TCommandKind::Export:
        break;
    }
    return RunExportRequest(cmd.Request, Err, ::isatty(::fileno(Err)) == 1);
}

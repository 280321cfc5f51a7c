#include "cli/CommandLine.h"

#include <string>

namespace {

struct TOption {
    const char* Short; // "-d", or null
    const char* Long;  // "--html", or null
    bool TakesValue;
};

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// table|view|procedure:NAME=FILE. NAME ends at the first "=".
bool ParseObjectScript(const std::string& value, TObjectScriptRequest& out, std::string& error)
{
    const std::size_t colon = value.find(':');
    const std::size_t equals = colon == std::string::npos ? std::string::npos : value.find('=', colon + 1);
    if (colon == std::string::npos || equals == std::string::npos) {
        error = "--object-sql needs table|view|procedure:NAME=FILE";
        return false;
    }
    const std::string kind = value.substr(0, colon);
    if (kind == "table")
        out.Kind = TDescribedObject::Table;
    else if (kind == "view")
        out.Kind = TDescribedObject::View;
    else if (kind == "procedure")
        out.Kind = TDescribedObject::Procedure;
    else {
        error = "--object-sql: unknown object kind \"" + kind + "\" (table, view or procedure)";
        return false;
    }
    out.Name = value.substr(colon + 1, equals - colon - 1);
    out.FileName = value.substr(equals + 1);
    if (out.Name.empty() || out.FileName.empty()) {
        error = "--object-sql needs table|view|procedure:NAME=FILE";
        return false;
    }
    return true;
}

TCommand Usage(std::string error)
{
    TCommand c;
    c.Kind = TCommandKind::UsageError;
    c.Error = std::move(error);
    return c;
}

} // namespace

const char* UsageText()
{
    return "usage: varnel-export -d DATABASE [-u USER] [-p PASSWORD] [-r ROLE] [-s SETTINGS.ini]\n"
           "                     [--system-data] [--html FILE] [--xml FILE] [--sql FILE]\n"
           "                     [--object-sql table|view|procedure:NAME=FILE]...\n";
}

const char* HelpText()
{
    return "Writes the documents of one Firebird database without a window.\n"
           "\n"
           "  -d DATABASE     a file path (embedded engine) or host:path / host/port:path (server)\n"
           "  -u USER         user name (default: ISC_USER, else SYSDBA)\n"
           "  -p PASSWORD     password (default: ISC_PASSWORD)\n"
           "  -r ROLE         SQL role\n"
           "  -s SETTINGS.ini documentation settings (default: the built-in templates)\n"
           "  --system-data   list the system tables too, whatever the settings say\n"
           "  --html FILE     the HTML documentation\n"
           "  --xml FILE      the XML document of the whole catalogue\n"
           "  --sql FILE      the SQL script of every description\n"
           "  --object-sql table|view|procedure:NAME=FILE\n"
           "                  the SQL script of one object's descriptions (NAME as stored); may repeat\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done, 1 a database or file error (message on stderr), 2 a usage error.\n";
}

TCommand ParseCommandLine(const std::vector<std::string>& Args,
                          const std::function<const char*(const char*)>& Env)
{
    TCommand cmd;
    TExportRequest& r = cmd.Request;
    bool userGiven = false, passwordGiven = false;
    bool seen[6] = {};

    for (std::size_t i = 0; i < Args.size(); ++i) {
        const std::string& arg = Args[i];
        if (arg == "--help" || arg == "-h") {
            TCommand help;
            help.Kind = TCommandKind::Help;
            return help;
        }
        if (arg == "--version") {
            TCommand version;
            version.Kind = TCommandKind::Version;
            return version;
        }
        if (arg == "--system-data") {
            r.SystemData = true;
            continue;
        }

        // The option's name and its value (attached or the next argument).
        std::string name, value;
        bool attached = false;
        if (StartsWith(arg, "--")) {
            std::size_t eq = arg.find('=');
            name = arg.substr(0, eq);
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                attached = true;
            }
            if (name != "--html" && name != "--xml" && name != "--sql" && name != "--object-sql")
                return Usage("unknown option " + name);
        } else if (arg.size() >= 2 && arg[0] == '-') {
            name = arg.substr(0, 2);
            if (name != "-d" && name != "-u" && name != "-p" && name != "-r" && name != "-s")
                // Only the option letter: the rest may be a password.
                return Usage("unknown option " + name);
            if (arg.size() > 2) {
                value = arg.substr(2);
                attached = true;
            }
        } else {
            // Not echoed: it may be a password typed without its -p.
            return Usage("unexpected argument " + std::to_string(i + 1) + ": every value follows its option");
        }
        if (!attached) {
            if (i + 1 >= Args.size())
                return Usage("option " + name + " needs a value");
            value = Args[++i];
        }

        if (value.empty() && name != "-u" && name != "-p" && name != "-r")
            return Usage("option " + name + " needs a value");
        // Each option once; -u, -p and -r may be given an empty value.
        auto once = [&](std::string& field, bool& given) {
            if (given)
                return false;
            field = value;
            given = true;
            return true;
        };
        bool ok = true;
        if (name == "-d")
            ok = once(r.Database, seen[0]);
        else if (name == "-u")
            ok = once(r.User, userGiven);
        else if (name == "-p")
            ok = once(r.Password, passwordGiven);
        else if (name == "-r")
            ok = once(r.Role, seen[1]);
        else if (name == "-s")
            ok = once(r.SettingsFile, seen[2]);
        else if (name == "--html")
            ok = once(r.HTMLFile, seen[3]);
        else if (name == "--xml")
            ok = once(r.XMLFile, seen[4]);
        else if (name == "--sql")
            ok = once(r.SQLFile, seen[5]);
        else {
            TObjectScriptRequest o;
            std::string error;
            if (!ParseObjectScript(value, o, error))
                return Usage(error);
            r.ObjectScripts.push_back(std::move(o));
        }
        if (!ok)
            return Usage("option " + name + " given twice");
    }

    if (r.Database.empty())
        return Usage("no database given (-d DATABASE)");
    if (r.HTMLFile.empty() && r.XMLFile.empty() && r.SQLFile.empty() && r.ObjectScripts.empty())
        return Usage("nothing to export: give --html, --xml, --sql or --object-sql");
    if (!userGiven) {
        const char* u = Env("ISC_USER");
        r.User = u && *u ? u : "SYSDBA";
    }
    if (!passwordGiven) {
        const char* p = Env("ISC_PASSWORD");
        r.Password = p ? p : "";
    }
    cmd.Kind = TCommandKind::Export;
    return cmd;
}

// The local server stops in the middle of the work over 127.0.0.1: during
// each export (the error names the lost connection, the XML document stays
// well-formed, and after a reconnect the next export equals a normal one),
// during a description post (the edit stays pending with the user's text
// and nothing reaches the database), and during a long fetch (the rows
// fetched so far stay). Each test starts the server again on every way
// out, and stops it only for the moment it needs.
#include "catalogue/Catalogue.h"
#include "db/IB_Connection.h"
#include "db/IB_Error.h"
#include "db/IB_Statement.h"
#include "db/IB_Transaction.h"
#include "dataset/IB_Query.h"
#include "export/HTMLExport.h"
#include "export/ScriptExport.h"
#include "export/XMLExport.h"
#include "settings/SettingsValues.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

using namespace varnel::db;
using namespace varnel::test;

namespace {

struct RestartServer {
    RestartServer()
    {
        if (!serverRunning()) {
            EXPECT_TRUE(startServer());
        }
    }
    ~RestartServer() { startServer(); }
};

std::string Quoted(const std::string& s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

// A connection to the server set up as the main window's, its
// auto-committing read-committed transaction and the catalogue over them.
struct ServerCatalogue {
    explicit ServerCatalogue(const TestDatabase& db, const SettingsAccessor& settings)
    {
        session = std::make_shared<TIB_Session>();
        conn = std::make_unique<TIB_Connection>(session);
        conn->SetName("IB_Connection");
        conn->SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3"});
        conn->SetDatabaseName(db.serverName());
        conn->SetUsername(serverLogin().user);
        conn->SetPassword(serverLogin().password);
        conn->SetSQLRole(serverLogin().role);
        tr = std::make_unique<TIB_Transaction>(session);
        tr->SetName("IB_Transaction");
        tr->SetIB_Connection(conn.get());
        tr->SetAutoCommit(true);
        tr->SetIsolation(TIB_Isolation::tiCommitted);
        conn->SetDefaultTransaction(tr.get());
        cat = std::make_unique<TCatalogue>(*conn, *tr, settings);
        conn->Connect();
    }
    ~ServerCatalogue()
    {
        cat.reset();
        tr.reset();
        conn.reset();
    }
    // One value of a one-row query on this connection.
    std::string Value(const std::string& sql)
    {
        TIB_Statement s(session);
        s.SetIB_Connection(conn.get());
        s.SetIB_Transaction(tr.get());
        s.SetSQLText(sql);
        s.Execute();
        return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
    }
    void Exec(const std::string& sql)
    {
        TIB_Statement s(session);
        s.SetIB_Connection(conn.get());
        s.SetIB_Transaction(tr.get());
        s.SetSQLText(sql);
        s.Execute();
    }
    bool ExportQueriesClosed() const
    {
        for (TIB_Query* q : {&cat->TableExportQuery, &cat->FieldExportQuery, &cat->ViewExportQuery,
                             &cat->ViewFieldExportQuery, &cat->ProcedureExportQuery, &cat->ParamsExportQuery})
            if (q->Active())
                return false;
        return true;
    }
    // After the server came back: the lost connection is dropped and
    // attached again.
    void Reconnect()
    {
        EXPECT_TRUE(conn->ConnectionWasLost());
        EXPECT_NO_THROW(conn->Disconnect());
        EXPECT_FALSE(conn->Connected());
        conn->Connect();
        EXPECT_FALSE(conn->ConnectionWasLost());
    }

    std::shared_ptr<TIB_Session> session;
    std::unique_ptr<TIB_Connection> conn;
    std::unique_ptr<TIB_Transaction> tr;
    std::unique_ptr<TCatalogue> cat;
};

// Checks that the error reports the lost connection.
void ExpectLostConnection(const EIB_ISCError& e)
{
    const std::string text = e.what();
    EXPECT_EQ(text.rfind("ISC ERROR CODE:", 0), 0u) << text;
    EXPECT_TRUE(e.IsLostConnection()) << text;
    // The message says what went wrong, not only a code ("Error reading
    // data from the connection.", "Error writing data to the connection.").
    const bool named = text.find("Error reading data from the connection.") != std::string::npos ||
                       text.find("Error writing data to the connection.") != std::string::npos;
    EXPECT_TRUE(named) << text;
}

// --- exports ------------------------------------------------------------------

enum class Export { HTML, XML, SQL, ObjectSQL };

struct ExportCase {
    const char* name;
    Export kind;
};

void PrintTo(const ExportCase& c, std::ostream* os) { *os << c.name; }

class ServerStopDuringExport : public ::testing::TestWithParam<ExportCase> {
protected:
    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", "1078617600", 1);
        settings_.SetBool(Setting::TOC_CreateTOC, true);
        settings_.SetBool(Setting::Views_IncludeSource, true);
        settings_.SetBool(Setting::Procedures_IncludeSource, true);
    }
    void TearDown() override { ::unsetenv("SOURCE_DATE_EPOCH"); }

    // Runs the case's export into file; progress only where the exporter
    // takes one (the one-object script has a single block: its server
    // goes away between the object and its columns instead).
    void Run(ServerCatalogue& sc, const std::string& file, const TExportProgress& progress)
    {
        switch (GetParam().kind) {
        case Export::HTML: HTMLExport(settings_, *sc.cat, file, progress); break;
        case Export::XML: XMLExport(*sc.cat, file, progress); break;
        case Export::SQL: ScriptExport(*sc.cat, file, progress); break;
        case Export::ObjectSQL: {
            // The master list opens, then its detail fails.
            TIB_Query& fields = sc.cat->FieldExportQuery;
            auto before = fields.BeforeOpen;
            if (progress)
                fields.BeforeOpen = [&](TIB_Dataset&) { progress("Tables", 0); };
            try {
                EXPECT_TRUE(ObjectScriptExport(*sc.cat, TDescribedObject::Table, "CUSTOMERS", file));
            } catch (...) {
                fields.BeforeOpen = before;
                throw;
            }
            fields.BeforeOpen = before;
            break;
        }
        }
    }

    SettingsValues settings_;
    TempDir dir_;
};

TEST_P(ServerStopDuringExport, ErrorNamesTheLostConnectionAndTheNextExportIsComplete)
{
    RestartServer restart;
    TestDatabase db({.forServer = true});
    ServerCatalogue sc(db, settings_);
    const std::string reference = (dir_ / "reference.out").string();
    const std::string broken = (dir_ / "broken.out").string();
    const std::string again = (dir_ / "again.out").string();
    Run(sc, reference, {});
    const std::string expected = readFile(reference);
    ASSERT_GT(expected.size(), 500u);

    // After the first table is written the server goes away; the next
    // list the exporter reads fails.
    bool stopped = false;
    auto stopAfterFirstTable = [&](const std::string& section, int objects) {
        const bool first = GetParam().kind == Export::ObjectSQL ? section == "Tables" : objects == 1;
        if (!stopped && section == "Tables" && first) {
            stopped = true;
            ASSERT_TRUE(stopServer());
        }
    };
    try {
        Run(sc, broken, stopAfterFirstTable);
        ADD_FAILURE() << "the export went through without a server";
    } catch (const EIB_ISCError& e) {
        ExpectLostConnection(e);
    }
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(sc.ExportQueriesClosed());
    const std::string partial = readFile(broken);
    EXPECT_LT(partial.size(), expected.size());
    if (GetParam().kind == Export::XML) {
        // A real parser reads the cut document, encoding included.
        std::string out;
        EXPECT_EQ(runCommand("xmllint --noout " + Quoted(broken), &out), 0) << out;
        EXPECT_NE(partial.find("<table_name>CUSTOMERS</table_name>"), std::string::npos);
        EXPECT_EQ(partial.substr(partial.size() - 13), "</database>\r\n");
    }
    if (GetParam().kind == Export::HTML) {
        // The document holds the first table; no table of contents was
        // spliced into it.
        EXPECT_NE(partial.find("CUSTOMERS"), std::string::npos);
        EXPECT_EQ(partial.find("<a href=\"#"), std::string::npos);
    }
    if (GetParam().kind == Export::SQL) {
        EXPECT_NE(partial.find("COMMENT ON TABLE \"CUSTOMERS\""), std::string::npos);
        EXPECT_EQ(partial.find("COMMENT ON TABLE \"EMPTY_DOC\""), std::string::npos);
        EXPECT_EQ(partial.find("\nCOMMIT;\n\n/* Views */"), std::string::npos);
    }

    ASSERT_TRUE(startServer());
    sc.Reconnect();
    Run(sc, again, {});
    EXPECT_EQ(readFile(again), expected);
    if (GetParam().kind == Export::XML) {
        std::string out;
        EXPECT_EQ(runCommand("xmllint --noout " + Quoted(again), &out), 0) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, ServerStopDuringExport,
                         ::testing::Values(ExportCase{"HTML", Export::HTML}, ExportCase{"XML", Export::XML},
                                           ExportCase{"SQL", Export::SQL},
                                           ExportCase{"ObjectSQL", Export::ObjectSQL}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a description post ------------------------------------------------------------

enum class StopPoint { BeforeStatement, BeforeCommit };

struct PostCase {
    const char* name;
    StopPoint at;
};

void PrintTo(const PostCase& c, std::ostream* os) { *os << c.name; }

class ServerStopDuringPost : public ::testing::TestWithParam<PostCase> {};

const char* const kReadBack = "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'CUSTOMERS'";
const char* const kOriginal = "Customers of the shop: <b>bold</b> & \"quoted\", it's fine";

// The server goes away just before the COMMENT ON statement is sent, or
// after it ran and before its commit: either way the post fails with the
// lost connection, the edit stays pending with the user's text, and the
// database keeps the old description.
TEST_P(ServerStopDuringPost, EditStaysPendingAndNothingIsWritten)
{
    RestartServer restart;
    TestDatabase db({.forServer = true});
    SettingsValues settings;
    ServerCatalogue sc(db, settings);
    sc.cat->OpenBrowseQueries();
    TIB_Query& q = sc.cat->TableQuery;
    ASSERT_TRUE(q.Locate("RDB$RELATION_NAME", {std::string("CUSTOMERS")}));
    ASSERT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(), kOriginal);

    const std::string text = "The user's text\r\nwith a second line";
    q.Edit();
    q.FieldByName("RDB$DESCRIPTION").SetAsString(text);

    bool stopped = false;
    auto stop = [&] {
        if (!stopped) {
            stopped = true;
            stopServer();
        }
    };
    if (GetParam().at == StopPoint::BeforeStatement)
        q.BeforePost = [&](TIB_Dataset&) { stop(); };
    else
        sc.tr->BeforeSavePoint = [&](TIB_Transaction&) { stop(); };
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            q.CheckBrowseMode();
            ADD_FAILURE() << "posted without a server";
        } catch (const EIB_ISCError& e) {
            ExpectLostConnection(e);
        }
        ASSERT_TRUE(stopped);
        EXPECT_EQ(q.State(), TIB_DatasetState::dssEdit) << attempt;
        EXPECT_TRUE(q.NeedToPost());
        EXPECT_EQ(q.FieldByName("RDB$DESCRIPTION").AsString(), text);
    }
    q.BeforePost = nullptr;
    sc.tr->BeforeSavePoint = nullptr;

    ASSERT_TRUE(startServer());
    {
        ServerCatalogue other(db, settings);
        EXPECT_EQ(other.Value(kReadBack), kOriginal) << "nothing of the failed post was committed";
    }
    // The connection comes back and the same text posts.
    sc.Reconnect();
    sc.cat->OpenBrowseQueries();
    ASSERT_TRUE(q.Locate("RDB$RELATION_NAME", {std::string("CUSTOMERS")}));
    q.Edit();
    q.FieldByName("RDB$DESCRIPTION").SetAsString(text);
    q.CheckBrowseMode();
    EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse);
    ServerCatalogue other(db, settings);
    EXPECT_EQ(other.Value(kReadBack), text);
}

INSTANTIATE_TEST_SUITE_P(Posts, ServerStopDuringPost,
                         ::testing::Values(PostCase{"BeforeTheStatement", StopPoint::BeforeStatement},
                                           PostCase{"BeforeTheCommit", StopPoint::BeforeCommit}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a long fetch -------------------------------------------------------------------

// A list of 300000 rows fetched as a whole (what the grid does for Last):
// after 2000 rows the server goes away. The fetch raises the lost
// connection, every row fetched so far stays readable, and the list ends
// there.
TEST(ServerStopDuringFetch, RowsFetchedSoFarStay)
{
    RestartServer restart;
    TestDatabase db({.forServer = true});
    SettingsValues settings;
    ServerCatalogue sc(db, settings);
    sc.Exec("CREATE PROCEDURE NUMBERS (N INTEGER) RETURNS (I INTEGER) AS BEGIN I = 0; "
            "WHILE (I < N) DO BEGIN I = I + 1; SUSPEND; END END");
    constexpr int kRows = 300000;
    TIB_Query q(sc.session);
    q.SetIB_Connection(sc.conn.get());
    q.SetIB_Transaction(sc.tr.get());
    q.SetSQL({"SELECT I FROM NUMBERS(" + std::to_string(kRows) + ")"});
    q.Open();
    ASSERT_EQ(q.FieldByName("I").AsInteger(), 1);

    bool stopped = false;
    sc.session->OnProcessMessages = [&] {
        if (!stopped && q.FetchedRowCount() >= 2000) {
            stopped = true;
            stopServer();
        }
    };
    try {
        q.FetchAll();
        ADD_FAILURE() << "fetched every row without a server";
    } catch (const EIB_ISCError& e) {
        ExpectLostConnection(e);
    }
    sc.session->OnProcessMessages = nullptr;
    ASSERT_TRUE(stopped);
    const long kept = q.FetchedRowCount();
    EXPECT_GE(kept, 2000);
    EXPECT_LT(kept, kRows);
    EXPECT_TRUE(q.AllRowsFetched()) << "the failed cursor is closed";
    // Every row fetched so far, in order and with its value.
    long n = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        ++n;
        if (q.FieldByName("I").AsInteger() != n) {
            ADD_FAILURE() << "row " << n << " reads " << q.FieldByName("I").AsInteger();
            break;
        }
    }
    EXPECT_EQ(n, kept);
    q.Last();
    EXPECT_EQ(q.FieldByName("I").AsInteger(), kept);

    ASSERT_TRUE(startServer());
    sc.Reconnect();
    q.Open();
    q.FetchAll();
    EXPECT_EQ(q.FetchedRowCount(), kRows);
    q.Last();
    EXPECT_EQ(q.FieldByName("I").AsInteger(), kRows);
}

} // namespace

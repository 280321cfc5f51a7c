// Hostile names and descriptions (tests/fixtures/badnames.sql): names with
// apostrophes, double quotes, blanks, Latin-1 letters, reserved words and
// statement marks; descriptions that try to end their literal, comment or
// statement, Latin-1 text, markup, control characters, NUL bytes, the
// longest text a description can hold. Each is posted through the browse
// queries and read back elsewhere byte for byte, browsed again, and
// exported; the SQL scripts are run by isql on a second database of the
// same schema, which must then hold the same metadata and descriptions as
// the first and nothing else.
#include "ExportTestUtil.h"

#include "db/IB_Error.h"
#include "dataset/IB_Query.h"
#include "export/HTMLExport.h"
#include "export/HTMLText.h"
#include "export/ScriptExport.h"
#include "export/XMLExport.h"
#include "xml/XMLFile.h"

#include <functional>
#include <map>
#include <set>

namespace varnel::exporttest {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

const varnel::test::DatabaseOptions kSchema{.schema = "badnames.sql", .descriptions = ""};

enum class Obj { Table, Column, View, ViewColumn, Procedure, Parameter };

// One description and where it goes.
struct Described {
    Obj kind;
    std::string owner;  // table, view or procedure
    std::string member; // column or parameter; empty for the object
    std::string text;
};

std::string Lit(const std::string& s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? "''"s : std::string(1, c);
    return r + "'";
}

std::string ReadBackSQL(const Described& d)
{
    switch (d.kind) {
    case Obj::Table:
    case Obj::View: return "SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = " + Lit(d.owner);
    case Obj::Column:
    case Obj::ViewColumn:
        return "SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = " + Lit(d.owner) +
               " AND RDB$FIELD_NAME = " + Lit(d.member);
    case Obj::Procedure:
        return "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = " + Lit(d.owner);
    case Obj::Parameter:
        return "SELECT RDB$DESCRIPTION FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = " + Lit(d.owner) +
               " AND RDB$PARAMETER_NAME = " + Lit(d.member);
    }
    return {};
}

// The object or member as the export errors name it.
std::string Named(const Described& d)
{
    switch (d.kind) {
    case Obj::Table: return "table " + d.owner;
    case Obj::View: return "view " + d.owner;
    case Obj::Procedure: return "procedure " + d.owner;
    case Obj::Column:
    case Obj::ViewColumn: return "column " + d.owner + "." + d.member;
    case Obj::Parameter: return "parameter " + d.owner + "." + d.member;
    }
    return {};
}

// What TTextFile stores for a text: every LF as CR LF.
std::string AsStored(const std::string& text)
{
    std::string r;
    for (char c : text) {
        if (c == '\n')
            r += '\r';
        r += c;
    }
    return r;
}

// What isql stores for a literal of the text: it drops the CRs that end a
// line (right before an LF); a CR elsewhere stays.
std::string IsqlRead(const std::string& text)
{
    std::string r;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            std::size_t j = i;
            while (j < text.size() && text[j] == '\r')
                ++j;
            if (j < text.size() && text[j] == '\n') {
                i = j - 1;
                continue;
            }
        }
        r += text[i];
    }
    return r;
}

std::string Quoted(const std::string& s)
{
    std::string r = "'";
    for (char c : s)
        r += c == '\'' ? "'\\''"s : std::string(1, c);
    return r + "'";
}

const std::string kGroesse = "Gr\xf6\xdf" "e";
const std::string kInjectedName = "x\" IS '';DROP TABLE T;--";

// Texts that try to break out of their literal, their comment, their
// statement or the script; isql's own commands on lines of their own.
// @MARK@ is replaced by a file the SHELL line would create.
std::vector<Described> Texts()
{
    std::string longest;
    while (longest.size() + 40 <= MaxCommentLiteral)
        longest += "It's long; \"quoted\" */ -- 'x'\r\nCOMMIT;\n";
    longest += std::string(MaxCommentLiteral - longest.size() - 1, 'z') + "'";
    return {
        {Obj::Table, "O'Brien", "", "it's O'Brien's table; ''doubled'' and 'quoted'"},
        {Obj::Column, "O'Brien", "it's", "';DROP TABLE T;--"},
        {Obj::Column, "O'Brien", "say \"hi\"", "say \"hi\", \"\"twice\"\" \""},
        {Obj::Column, "O'Brien", "with blank", "*/ DROP TABLE T; /* -- not a comment"},
        {Obj::Column, "O'Brien", kGroesse, kGroesse + ", caf\xe9, na\xefve, \xff, \xabguillemets\xbb, \xa0nbsp"},
        {Obj::Column, "O'Brien", "SELECT",
         "first line\r\nCOMMIT;\nDROP TABLE T;\r\nSET TERM ^ ;\nSHELL echo owned > @MARK@;\n"
         "'; DROP TABLE T; --\nEXIT;\nlast line"},
        {Obj::Column, "O'Brien", kInjectedName, "named to end its own quotes"},
        {Obj::Table, "ORDER", "", "<b>&amp;</b> ]]> <!-- <![CDATA[ x __amp;__"},
        {Obj::Column, "ORDER", "*/ /*", "ends with an apostrophe'"},
        {Obj::Table, "Caf\xe9 \xff", "", "\xff at the start and the end \xff"},
        {Obj::Table, "T", "", longest},
        {Obj::View, "select", "", "the view's text; COMMIT;"},
        {Obj::ViewColumn, "select", kGroesse, "from \"O'Brien\".\"" + kGroesse + "\""},
        {Obj::Procedure, "Proc 'x'", "", "SET TERM ^ ;\nEXECUTE BLOCK AS BEGIN DELETE FROM T; END^\nSET TERM ; ^"},
        {Obj::Parameter, "Proc 'x'", "say \"hi\"", "param ' \" ; -- /*"},
        {Obj::Parameter, "Proc 'x'", "RETURN", "the output"},
    };
}

// C0 control characters other than NUL (TAB, LF and CR among them).
std::string ControlCharacters()
{
    std::string s = "controls:";
    for (int c = 1; c < 0x20; ++c)
        s += static_cast<char>(c);
    return s + "\x7f end";
}

class BadInput : public ExportTest {
protected:
    BadInput() : ExportTest(kSchema) {}

    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", "1078617600", 1);
        settings_.SetBool(Setting::TOC_CreateTOC, true);
        ExportTest::SetUp();
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        ::unsetenv("SOURCE_DATE_EPOCH");
    }

    // Puts the browse lists on the object; returns the query that edits
    // its description.
    TIB_Query& Reach(const Described& d)
    {
        Cat().OpenBrowseQueries();
        struct Where {
            TIB_Query* master;
            const char* masterColumn;
            TIB_Query* detail;
            const char* detailColumn;
        };
        Where w{};
        switch (d.kind) {
        case Obj::Table: w = {&Cat().TableQuery, "RDB$RELATION_NAME", nullptr, nullptr}; break;
        case Obj::Column: w = {&Cat().TableQuery, "RDB$RELATION_NAME", &Cat().FieldQuery, "RDB$FIELD_NAME"}; break;
        case Obj::View: w = {&Cat().ViewQuery, "RDB$RELATION_NAME", nullptr, nullptr}; break;
        case Obj::ViewColumn:
            w = {&Cat().ViewQuery, "RDB$RELATION_NAME", &Cat().ViewFieldQuery, "RDB$FIELD_NAME"};
            break;
        case Obj::Procedure: w = {&Cat().ProcedureQuery, "RDB$PROCEDURE_NAME", nullptr, nullptr}; break;
        case Obj::Parameter:
            w = {&Cat().ProcedureQuery, "RDB$PROCEDURE_NAME", &Cat().ParameterQuery, "RDB$PARAMETER_NAME"};
            break;
        }
        EXPECT_TRUE(w.master->Locate(w.masterColumn, {d.owner})) << d.owner;
        if (!w.detail)
            return *w.master;
        EXPECT_TRUE(w.detail->Locate(w.detailColumn, {d.member})) << d.member;
        return *w.detail;
    }

    // What the main window's memo does: the text into the column, then
    // CheckBrowseMode posts.
    void Describe(const Described& d)
    {
        TIB_Query& q = Reach(d);
        q.Edit();
        q.FieldByName("RDB$DESCRIPTION").SetAsString(d.text);
        q.CheckBrowseMode();
        EXPECT_EQ(q.State(), TIB_DatasetState::dssBrowse) << Named(d);
    }

    // The stored description, read through another connection.
    static std::string Stored(const std::string& database, const Described& d)
    {
        auto session = TIB_Session::Default();
        TIB_Connection c(session);
        c.SetParams({"CHARACTER SET=ISO8859_1", "SQL DIALECT=3", "USER NAME=SYSDBA"});
        c.SetDatabaseName(database);
        TIB_Transaction t(session);
        t.SetIB_Connection(&c);
        t.SetAutoCommit(true);
        t.SetIsolation(TIB_Isolation::tiCommitted);
        c.Connect();
        TIB_Statement s(session);
        s.SetIB_Connection(&c);
        s.SetIB_Transaction(&t);
        s.SetSQLText(ReadBackSQL(d));
        s.Execute();
        return s.Fields().Columns(0).IsNull() ? "<null>" : s.Fields().Columns(0).AsString();
    }

    // The browse queries of a fresh catalogue show the text.
    void ExpectBrowsed(const std::vector<Described>& texts)
    {
        on_.reset();
        on_ = std::make_unique<CatalogueOn>(db_.path(), settings_);
        for (const Described& d : texts) {
            TIB_Query& q = Reach(d);
            EXPECT_TRUE(q.FieldByName("RDB$DESCRIPTION").AsString() == d.text) << "browsed " << Named(d);
        }
    }

    // Firebird's own metadata extract, without the database's path.
    static std::string Extract(const varnel::test::TestDatabase& db)
    {
        std::string out;
        EXPECT_EQ(varnel::test::runCommand("env -u ISC_USER -u ISC_PASSWORD isql-fb -ch ISO8859_1 -x " +
                                               Quoted(db.path()),
                                           &out),
                  0)
            << out;
        return NormalizeOutput(out, db.path());
    }

    // Runs the script on a fresh database of the schema without
    // descriptions: it must end with the same metadata as the source (CR
    // aside: isql drops the CRs of CR LF), run no isql command, and drop
    // nothing.
    void ExpectScriptCarriesOnlyDescriptions(const std::string& script, const std::vector<Described>& texts)
    {
        // The embedded engine opens a file in one process at a time.
        on_.reset();
        varnel::test::TestDatabase target(kSchema);
        const std::string before = Extract(target);
        const std::string source = Extract(db_);
        EXPECT_NE(WithoutCR(before), WithoutCR(source));
        target.isql(script);
        EXPECT_EQ(WithoutCR(Extract(target)), WithoutCR(source));
        for (const Described& d : texts)
            EXPECT_TRUE(Stored(target.path(), d) == IsqlRead(d.text)) << Named(d);
        EXPECT_FALSE(fs::exists(Mark())) << "isql ran a SHELL line of a description";
        on_ = std::make_unique<CatalogueOn>(db_.path(), settings_);
    }

    std::string Mark() const { return (dir_ / "owned").string(); }

    std::vector<Described> WithMark(std::vector<Described> texts) const
    {
        for (Described& d : texts)
            for (std::size_t p; (p = d.text.find("@MARK@")) != std::string::npos;)
                d.text.replace(p, 6, Mark());
        return texts;
    }


    ::testing::AssertionResult Parses(const std::string& file)
    {
        std::string out;
        if (varnel::test::runCommand("xmllint --noout " + Quoted(file), &out) == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << out;
    }
};

TEST_F(BadInput, NamesAndTextsSurviveEditingBrowsingAndEveryExport)
{
    const std::vector<Described> texts = WithMark(Texts());
    for (const Described& d : texts)
        Describe(d);
    for (const Described& d : texts)
        EXPECT_TRUE(Stored(db_.path(), d) == d.text) << Named(d);
    ExpectBrowsed(texts);

    // The names as the lists show them.
    std::set<std::string> tables, fields;
    for (Cat().TableQuery.First(); !Cat().TableQuery.Eof(); Cat().TableQuery.Next())
        tables.insert(Cat().TableQuery.FieldByName("RDB$RELATION_NAME").AsString());
    EXPECT_EQ(tables, (std::set<std::string>{"Caf\xe9 \xff", "O'Brien", "ORDER", "T"}));
    ASSERT_TRUE(Cat().TableQuery.Locate("RDB$RELATION_NAME", {"O'Brien"s}));
    for (Cat().FieldQuery.First(); !Cat().FieldQuery.Eof(); Cat().FieldQuery.Next())
        fields.insert(Cat().FieldQuery.FieldByName("RDB$FIELD_NAME").AsString());
    EXPECT_EQ(fields, (std::set<std::string>{"it's", "say \"hi\"", "with blank", kGroesse, "SELECT", kInjectedName}));

    HTMLExport(settings_, Cat(), Out("doc.html"));
    const std::string html = Read("doc.html");
    for (const Described& d : texts) {
        EXPECT_NE(html.find(AsStored(RenderHTMLDescription(d.text))), std::string::npos) << Named(d);
        EXPECT_NE(html.find(d.kind == Obj::Table || d.kind == Obj::View || d.kind == Obj::Procedure ? d.owner
                                                                                                   : d.member),
                  std::string::npos)
            << Named(d);
    }

    XMLExport(Cat(), Out("catalogue.xml"));
    EXPECT_TRUE(Parses(Out("catalogue.xml")));
    const std::string xml = Read("catalogue.xml");
    for (const Described& d : texts)
        EXPECT_NE(xml.find(">" + AsStored(TXMLFile::Escape(d.text)) + "</"), std::string::npos) << Named(d);
    EXPECT_NE(xml.find("<table_field_name>" + TXMLFile::Escape(kInjectedName) + "</table_field_name>"),
              std::string::npos);

    ScriptExport(Cat(), Out("descriptions.sql"));
    ExpectScriptCarriesOnlyDescriptions(Read("descriptions.sql"), texts);

    // The one-object scripts of every object, one after the other.
    std::string objects;
    for (auto [kind, name] : std::vector<std::pair<TDescribedObject, std::string>>{
             {TDescribedObject::Table, "Caf\xe9 \xff"},
             {TDescribedObject::Table, "O'Brien"},
             {TDescribedObject::Table, "ORDER"},
             {TDescribedObject::Table, "T"},
             {TDescribedObject::View, "select"},
             {TDescribedObject::Procedure, "Proc 'x'"}}) {
        EXPECT_TRUE(ObjectScriptExport(Cat(), kind, name, Out("object.sql"))) << name;
        objects += Read("object.sql");
    }
    ExpectScriptCarriesOnlyDescriptions(objects, texts);
}

// Control characters: stored, browsed and carried by the HTML and the SQL
// script (isql keeps every one; only a CR right before an LF goes). XML 1.0 has no way to carry them,
// not even as character references: the XML export refuses the
// description, naming its column, and leaves a well-formed document.
TEST_F(BadInput, ControlCharacters)
{
    const Described d{Obj::Column, "O'Brien", "with blank", ControlCharacters()};
    Describe(d);
    EXPECT_TRUE(Stored(db_.path(), d) == d.text);
    ExpectBrowsed({d});

    HTMLExport(settings_, Cat(), Out("doc.html"));
    EXPECT_NE(Read("doc.html").find(AsStored(RenderHTMLDescription(d.text))), std::string::npos);

    const std::string message = Raises<EXMLError>([&] { XMLExport(Cat(), Out("catalogue.xml")); });
    EXPECT_NE(message.find("column O'Brien.with blank"), std::string::npos) << message;
    EXPECT_NE(message.find("0x01"), std::string::npos) << message;
    EXPECT_TRUE(ExportQueriesClosed());
    EXPECT_TRUE(Parses(Out("catalogue.xml")));

    ScriptExport(Cat(), Out("descriptions.sql"));
    ExpectScriptCarriesOnlyDescriptions(Read("descriptions.sql"), {d});
}

// NUL bytes: stored, browsed and written into the HTML byte for byte.
// isql ends its input at a NUL, and XML cannot hold one: the SQL scripts
// and the XML export refuse the description, naming the object, instead
// of writing a document that silently loses the rest.
TEST_F(BadInput, NulBytes)
{
    const Described table{Obj::Table, "O'Brien", "", "before\0after"s};
    const Described param{Obj::Parameter, "Proc 'x'", "IN", "\0"s};
    for (const Described& d : {table, param}) {
        Describe(d);
        EXPECT_TRUE(Stored(db_.path(), d) == d.text) << Named(d);
    }
    ExpectBrowsed({table, param});

    HTMLExport(settings_, Cat(), Out("doc.html"));
    EXPECT_NE(Read("doc.html").find(RenderHTMLDescription(table.text)), std::string::npos);

    std::string message = Raises<EXMLError>([&] { XMLExport(Cat(), Out("catalogue.xml")); });
    EXPECT_NE(message.find("table O'Brien"), std::string::npos) << message;
    EXPECT_TRUE(Parses(Out("catalogue.xml")));

    message = Raises<EScriptError>([&] { ScriptExport(Cat(), Out("descriptions.sql")); });
    EXPECT_NE(message.find("table O'Brien"), std::string::npos) << message;
    EXPECT_NE(message.find("NUL"), std::string::npos) << message;
    EXPECT_EQ(Read("descriptions.sql").find("before"), std::string::npos);
    message = Raises<EScriptError>(
        [&] { ObjectScriptExport(Cat(), TDescribedObject::Procedure, "Proc 'x'", Out("object.sql")); });
    EXPECT_NE(message.find("parameter Proc 'x'.IN"), std::string::npos) << message;
    EXPECT_EQ(Read("object.sql"), "");
    EXPECT_TRUE(ExportQueriesClosed());
}

// A description of 1 MB: Firebird 3 keeps descriptions only through
// COMMENT ON, whose literal holds at most 65535 bytes, so the post is
// refused by the server; the edit stays pending with the whole text and
// the stored description is unchanged.
TEST_F(BadInput, MegabyteDescriptionIsRefusedByTheServerAndStaysPending)
{
    std::string mb;
    while (mb.size() < (1u << 20))
        mb += "1 MB of text: it's \"long\"\r\n" + kGroesse + "\n";
    const Described d{Obj::Column, "O'Brien", "SELECT", mb};
    Describe({d.kind, d.owner, d.member, "short"});
    TIB_Query& q = Reach(d);
    q.Edit();
    q.FieldByName("RDB$DESCRIPTION").SetAsString(mb);
    const std::string message = Raises<EIB_ISCError>([&] { q.CheckBrowseMode(); });
    EXPECT_NE(message.find("exceeds the maximum length of 65535 bytes"), std::string::npos) << message;
    EXPECT_EQ(q.State(), TIB_DatasetState::dssEdit);
    EXPECT_TRUE(q.FieldByName("RDB$DESCRIPTION").AsString() == mb);
    EXPECT_EQ(Stored(db_.path(), d), "short");
    q.Cancel();
}

// A database restored from an older server may hold descriptions of any
// length. This one cannot be written on Firebird 3, so the table list of
// the export reads the description of O'Brien from a table of this test
// (a real 1 MB blob from the database) instead of RDB$RELATIONS. The HTML
// and the XML carry it byte for byte; the SQL scripts refuse it, naming
// the table, and no script that looks complete is left behind.
TEST_F(BadInput, MegabyteDescriptionInTheExports)
{
    std::string mb;
    while (mb.size() < (1u << 20))
        mb += "It's 1 MB: <b>\"long\"</b> & more\r\n" + kGroesse + " caf\xe9\n";
    auto exec = [&](const std::string& sql, const std::string* text) {
        TIB_Statement s(Conn().SessionPtr());
        s.SetIB_Connection(&Conn());
        s.SetIB_Transaction(on_->tr.get());
        s.SetSQLText(sql);
        if (text)
            s.ParamByName("TEXT").SetAsString(*text);
        s.Execute();
    };
    exec("CREATE TABLE LONG_TEXTS (NAME VARCHAR(63), TEXT BLOB SUB_TYPE TEXT)", nullptr);
    exec("INSERT INTO LONG_TEXTS (NAME, TEXT) VALUES ('O''Brien', :TEXT)", &mb);
    TIB_Query& tables = Cat().TableExportQuery;
    tables.SetSQL({"SELECT RDB$RELATION_NAME",
                   "     , COALESCE((SELECT TEXT FROM LONG_TEXTS WHERE NAME = RDB$RELATION_NAME), RDB$DESCRIPTION)"
                   " AS RDB$DESCRIPTION",
                   "FROM RDB$RELATIONS", "WHERE RDB$VIEW_BLR IS NULL", "ORDER BY RDB$RELATION_NAME"});

    HTMLExport(settings_, Cat(), Out("doc.html"));
    const std::string html = Read("doc.html");
    EXPECT_NE(html.find("<p>" + AsStored(RenderHTMLDescription(mb)) + "</p>"), std::string::npos);

    XMLExport(Cat(), Out("catalogue.xml"));
    EXPECT_TRUE(Parses(Out("catalogue.xml")));
    EXPECT_NE(Read("catalogue.xml").find("<table_description>" + AsStored(TXMLFile::Escape(mb)) +
                                         "</table_description>"),
              std::string::npos);

    const std::string limit = "The description of table O'Brien has " + std::to_string(mb.size()) +
                              " bytes: a COMMENT ON statement carries at most 65535";
    EXPECT_EQ(Raises<EScriptError>([&] { ScriptExport(Cat(), Out("descriptions.sql")); }), limit);
    const std::string partial = Read("descriptions.sql");
    EXPECT_EQ(partial.find("COMMENT ON TABLE \"O'Brien\""), std::string::npos);
    EXPECT_EQ(partial.find("/* Procedures */"), std::string::npos) << "the script stops at the table";
    EXPECT_EQ(Raises<EScriptError>(
                  [&] { ObjectScriptExport(Cat(), TDescribedObject::Table, "O'Brien", Out("object.sql")); }),
              limit);
    EXPECT_EQ(Read("object.sql"), "");
    EXPECT_TRUE(ExportQueriesClosed());
}

} // namespace
} // namespace varnel::exporttest

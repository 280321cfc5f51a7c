// The exporters when something fails: a document or TOC file that cannot
// be created, a full disk (/dev/full), a splice that cannot complete, and
// a database error in the middle of an export, after which the next
// export is complete.
#include "ExportTestUtil.h"

#include "db/IB_Error.h"
#include "export/HTMLExport.h"
#include "export/ScriptExport.h"
#include "export/TextFile.h"
#include "export/XMLExport.h"
#include "settings/ScratchMount.h"
#include "xml/XMLFile.h"

#include <functional>

namespace varnel::exporttest {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEpoch = "1078617600";

class ExportFailure : public ExportTest {
protected:
    void SetUp() override
    {
        ::setenv("SOURCE_DATE_EPOCH", kEpoch, 1);
        ExportTest::SetUp();
    }
    void TearDown() override
    {
        ExportTest::TearDown();
        ::unsetenv("SOURCE_DATE_EPOCH");
    }
    void TOC()
    {
        settings_.SetBool(Setting::TOC_CreateTOC, true);
        settings_.SetInt(Setting::TOC_Position, 0);
    }
    // The field list of the table ORDERS fails on the server (a
    // conversion error while its rows are fetched); every other table's
    // list is unchanged.
    void BreakOrdersFields()
    {
        Cat().FieldExportQuery.OnPrepareSQL = [](TIB_Dataset& d) {
            d.WhereConditions().push_back(
                "CASE WHEN rf.RDB$RELATION_NAME = 'ORDERS' THEN CAST(rf.RDB$FIELD_NAME AS INTEGER) ELSE 0 END = 0");
        };
        Cat().FieldExportQuery.InvalidateSQL();
    }
    void RepairOrdersFields()
    {
        Cat().FieldExportQuery.OnPrepareSQL = nullptr;
        Cat().FieldExportQuery.InvalidateSQL();
    }
};

TEST_F(ExportFailure, DocumentThatCannotBeCreatedNamesItsFullPath)
{
    const std::string missing = Out("no/such/folder/doc");
    EXPECT_EQ(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), missing + ".html"); }),
              "Could not create file " + missing + ".html");
    EXPECT_EQ(Raises<EFileError>([&] { ScriptExport(Cat(), missing + ".sql"); }),
              "Could not create file " + missing + ".sql");
    EXPECT_EQ(Raises<EFileError>([&] { ObjectScriptExport(Cat(), TDescribedObject::Table, "ORDERS", missing + ".sql"); }),
              "Could not create file " + missing + ".sql");
    EXPECT_EQ(Raises<EXMLError>([&] { XMLExport(Cat(), missing + ".xml"); }),
              "Could not open file " + missing + ".xml");
    EXPECT_TRUE(Files().empty());
    EXPECT_TRUE(ExportQueriesClosed());
}

// The message names the full path of a relative name too.
TEST_F(ExportFailure, RelativeNameIsReportedInFull)
{
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_.path());
    const std::string message = Raises<EFileError>([&] { HTMLExport(settings_, Cat(), "missing/doc.html"); });
    fs::current_path(cwd);
    EXPECT_EQ(message, "Could not create file " + (dir_.path() / "missing/doc.html").string());
}

TEST_F(ExportFailure, TOCFileThatCannotBeCreatedLeavesTheDocumentEmpty)
{
    TOC();
    fs::create_directory(dir_ / "doc.toc");
    EXPECT_EQ(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), Out("doc.html")); }),
              "Could not create file " + Out("doc.toc"));
    EXPECT_EQ(Read("doc.html"), "");
    EXPECT_EQ(Files(), (std::vector<std::string>{"doc.html", "doc.toc"}));
}

TEST_F(ExportFailure, FullDiskIsAnErrorNamingTheFile)
{
    EXPECT_EQ(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), "/dev/full"); }),
              "Could not write file /dev/full: No space left on device");
    EXPECT_EQ(Raises<EFileError>([&] { ScriptExport(Cat(), "/dev/full"); }),
              "Could not write file /dev/full: No space left on device");
    EXPECT_EQ(Raises<EFileError>([&] { ObjectScriptExport(Cat(), TDescribedObject::Table, "ORDERS", "/dev/full"); }),
              "Could not write file /dev/full: No space left on device");
    EXPECT_NE(Raises<EXMLError>([&] { XMLExport(Cat(), "/dev/full"); }).find("/dev/full"), std::string::npos);
    EXPECT_TRUE(ExportQueriesClosed());
}

// A read-only folder (a read-only mount, since root writes through file
// modes): each exporter names the file it cannot create; nothing appears.
TEST_F(ExportFailure, ReadOnlyFolderNamesTheFile)
{
    fs::create_directories(dir_ / "src");
    varnel::test::ScratchMount ro = varnel::test::ScratchMount::ReadOnlyBind(dir_ / "src", dir_ / "ro");
    if (!ro.Active())
        GTEST_SKIP() << "cannot mount here";
    const std::string doc = Out("ro/doc");
    EXPECT_EQ(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), doc + ".html"); }),
              "Could not create file " + doc + ".html");
    EXPECT_EQ(Raises<EFileError>([&] { ScriptExport(Cat(), doc + ".sql"); }), "Could not create file " + doc + ".sql");
    EXPECT_EQ(Raises<EFileError>([&] { ObjectScriptExport(Cat(), TDescribedObject::Table, "ORDERS", doc + ".sql"); }),
              "Could not create file " + doc + ".sql");
    EXPECT_EQ(Raises<EXMLError>([&] { XMLExport(Cat(), doc + ".xml"); }), "Could not open file " + doc + ".xml");
    EXPECT_TRUE(fs::is_empty(dir_ / "src"));
    EXPECT_TRUE(ExportQueriesClosed());
}

// A device that runs full in the middle of a document (a 32 KiB tmpfs;
// every document of the fixture is larger): the error names the file and
// the reason, the file keeps what fitted, and the queries are closed.
TEST_F(ExportFailure, DeviceRunningFullMidwayNamesTheFile)
{
    varnel::test::ScratchMount small = varnel::test::ScratchMount::Tmpfs(dir_ / "small", 8 * 4096);
    if (!small.Active())
        GTEST_SKIP() << "cannot mount here";
    const std::string doc = (small.Path() / "doc").string();
    struct Case {
        const char* name;
        std::function<void()> run;
        std::string file;
    };
    const Case cases[] = {
        {"html", [&] { HTMLExport(settings_, Cat(), doc + ".html"); }, doc + ".html"},
        {"sql", [&] { ScriptExport(Cat(), doc + ".sql"); }, doc + ".sql"},
        {"object sql", [&] { ObjectScriptExport(Cat(), TDescribedObject::Table, "ORDERS", doc + ".sql"); },
         doc + ".sql"},
        {"xml", [&] { XMLExport(Cat(), doc + ".xml"); }, doc + ".xml"},
    };
    for (const Case& c : cases) {
        std::string message;
        try {
            c.run();
            ADD_FAILURE() << c.name << ": no error on a full device";
        } catch (const std::exception& e) {
            message = e.what();
        }
        EXPECT_EQ(message, "Could not write file " + c.file + ": No space left on device") << c.name;
        EXPECT_GT(fs::file_size(c.file), 0u) << c.name;
        EXPECT_TRUE(ExportQueriesClosed()) << c.name;
        fs::remove(c.file);
    }
}

TEST_F(ExportFailure, FullDiskUnderTheTOCFileKeepsBothFilesAndSplicesNothing)
{
    TOC();
    fs::create_symlink("/dev/full", dir_ / "doc.toc");
    EXPECT_NE(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), Out("doc.html")); }).find(Out("doc.toc")),
              std::string::npos);
    EXPECT_EQ(Files(), (std::vector<std::string>{"doc.html", "doc.toc"}));
    EXPECT_TRUE(ExportQueriesClosed());
}

TEST_F(ExportFailure, SpliceThatCannotCompleteKeepsDocumentAndTOC)
{
    TOC();
    // The merge file cannot be created where a folder of its name is.
    fs::create_directory(dir_ / "doc.tmp");
    EXPECT_EQ(Raises<EFileError>([&] { HTMLExport(settings_, Cat(), Out("doc.html")); })
                  .rfind("Could not create file " + Out("doc.tmp"), 0),
              0u);
    EXPECT_EQ(Files(), (std::vector<std::string>{"doc.html", "doc.tmp", "doc.toc"}));
    const std::string doc = Read("doc.html");
    const std::string toc = Read("doc.toc");
    EXPECT_NE(doc.find("<a name=\"1\">Tables</a>"), std::string::npos);
    EXPECT_EQ(doc.find("<a href=\"#"), std::string::npos);
    EXPECT_EQ(toc.rfind("<h1 style=\"page-break-before:always\">Table of contents</h1>", 0), 0u);
    EXPECT_NE(toc.find("<a href=\"#13\">P_OUT</a>"), std::string::npos);
}

// The detail of the table ORDERS fails while the HTML is written: the
// document and the TOC keep what was written, nothing is spliced, the
// queries are closed, and the next export starts every list at its first
// row again.
TEST_F(ExportFailure, DatabaseErrorInTheHTMLThenACompleteExport)
{
    TOC();
    BreakOrdersFields();
    const std::string message = Raises<EIB_ISCError>([&] { HTMLExport(settings_, Cat(), Out("doc.html")); });
    EXPECT_NE(message.find("ISC ERROR CODE:"), std::string::npos);
    EXPECT_TRUE(ExportQueriesClosed());
    EXPECT_EQ(Files(), (std::vector<std::string>{"doc.html", "doc.toc"}));
    const std::string doc = Read("doc.html");
    EXPECT_NE(doc.find("<a name=\"4\">O'Reilly</a>"), std::string::npos);
    EXPECT_EQ(doc.find("ORDER_ID"), std::string::npos);
    EXPECT_NE(Read("doc.toc").find("<a href=\"#4\">O'Reilly</a>"), std::string::npos);

    RepairOrdersFields();
    settings_.SetInt(Setting::TOC_Position, 1);
    HTMLExport(settings_, Cat(), Out("toc_before_end.html"));
    ExpectGolden("toc_before_end.html", Read("toc_before_end.html"), db_.path());
}

TEST_F(ExportFailure, DatabaseErrorInTheXMLLeavesAWellFormedDocument)
{
    BreakOrdersFields();
    Raises<EIB_ISCError>([&] { XMLExport(Cat(), Out("catalogue.xml")); });
    EXPECT_TRUE(ExportQueriesClosed());
    const std::string xml = Read("catalogue.xml");
    EXPECT_TRUE(WellFormedXML(xml));
    EXPECT_NE(xml.find("<table_name>O&apos;Reilly</table_name>"), std::string::npos);
    EXPECT_EQ(xml.find("ORDER_ID"), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 13), "</database>\r\n");

    RepairOrdersFields();
    XMLExport(Cat(), Out("catalogue.xml"));
    ExpectGolden("catalogue.xml", Read("catalogue.xml"), db_.path());
}

TEST_F(ExportFailure, DatabaseErrorInTheScriptThenACompleteScript)
{
    BreakOrdersFields();
    Raises<EIB_ISCError>([&] { ScriptExport(Cat(), Out("descriptions.sql")); });
    EXPECT_TRUE(ExportQueriesClosed());
    const std::string sql = Read("descriptions.sql");
    EXPECT_NE(sql.find("COMMENT ON TABLE \"O'Reilly\""), std::string::npos);
    EXPECT_EQ(sql.find("\"ORDER_ID\""), std::string::npos);

    RepairOrdersFields();
    ScriptExport(Cat(), Out("descriptions.sql"));
    ExpectGolden("descriptions.sql", Read("descriptions.sql"), db_.path());
}

// An error raised by whoever watches the progress ends the export the
// same way.
TEST_F(ExportFailure, ErrorFromTheProgressCallbackClosesTheQueries)
{
    auto failAtViews = [](const std::string& section, int) {
        if (section == "Views")
            throw std::runtime_error("stop");
    };
    EXPECT_EQ(Raises<std::runtime_error>([&] { XMLExport(Cat(), Out("a.xml"), failAtViews); }), "stop");
    EXPECT_TRUE(ExportQueriesClosed());
    EXPECT_TRUE(WellFormedXML(Read("a.xml")));
    EXPECT_EQ(Raises<std::runtime_error>([&] { HTMLExport(settings_, Cat(), Out("a.html"), failAtViews); }), "stop");
    EXPECT_TRUE(ExportQueriesClosed());
    EXPECT_EQ(Raises<std::runtime_error>([&] { ScriptExport(Cat(), Out("a.sql"), failAtViews); }), "stop");
    EXPECT_TRUE(ExportQueriesClosed());
}

} // namespace
} // namespace varnel::exporttest

// varnel-export as a program: on the embedded engine and through the
// local server, every exit status, repeated object scripts, a settings
// file, --system-data, and the progress shown only on a terminal. The
// documents are compared with the exporters' golden files.
#include "export/ExportTestUtil.h"

#include <gtest/gtest.h>

#include <fstream>

namespace varnel::clitest {
namespace {

using namespace varnel::test;
using varnel::exporttest::ExpectGolden;

constexpr const char* kEpoch = "1078617600"; // 2004/03/07

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Program() { return std::string(VARNEL_BINARY_DIR) + "/bin/varnel-export"; }

struct Result {
    int status = -1;
    std::string out; // stdout
    std::string err; // stderr
};

class VarnelExport : public ::testing::Test {
protected:
    // Runs the program with the arguments (each quoted for the shell), a
    // clean ISC_USER / ISC_PASSWORD and the fixed date, plus env entries.
    Result Run(const std::vector<std::string>& args, const std::string& env = "")
    {
        std::string cmd = "env -u ISC_USER -u ISC_PASSWORD SOURCE_DATE_EPOCH=" + std::string(kEpoch) + " " + env +
                          " " + Quote(Program());
        for (const std::string& a : args)
            cmd += " " + Quote(a);
        const std::string outFile = (dir / "stdout.txt").string();
        const std::string errFile = (dir / "stderr.txt").string();
        Result r;
        // A subshell: runCommand adds its own 2>&1 at the end.
        r.status = runCommand("(" + cmd + " >" + Quote(outFile) + " 2>" + Quote(errFile) + ")");
        r.out = readFile(outFile);
        r.err = readFile(errFile);
        std::filesystem::remove(outFile);
        std::filesystem::remove(errFile);
        return r;
    }
    std::string Out(const std::string& name) const { return (dir / name).string(); }
    std::string Read(const std::string& name) const { return readFile(dir / name); }

    TempDir dir;
};

TEST_F(VarnelExport, EmbeddedWritesTheThreeDocuments)
{
    TestDatabase db;
    Result r = Run({"-d", db.path(), "--html", Out("defaults.html"), "--xml", Out("catalogue.xml"), "--sql",
                    Out("descriptions.sql")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    // Not a terminal: nothing but errors on stderr.
    EXPECT_EQ(r.err, "");
    ExpectGolden("defaults.html", Read("defaults.html"), db.path());
    ExpectGolden("catalogue.xml", Read("catalogue.xml"), db.path());
    ExpectGolden("descriptions.sql", Read("descriptions.sql"), db.path());
}

TEST_F(VarnelExport, ObjectScriptsRepeat)
{
    TestDatabase db;
    Result r = Run({"-d", db.path(), "--object-sql", "procedure:P_ORDERS=" + Out("DESC_P_ORDERS.sql"),
                    "--object-sql=table:EMPTY_DOC=" + Out("DESC_EMPTY_DOC.sql"), "--object-sql",
                    "table:odd names=" + Out("odd.sql")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("DESC_P_ORDERS.sql"),
              "COMMENT ON PROCEDURE \"P_ORDERS\" IS 'Orders of one customer above an amount';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"CUST\" IS 'Customer id';\r\n"
              "COMMENT ON PARAMETER \"P_ORDERS\".\"AMOUNT\" IS 'Order amount';\r\n"
              "COMMIT;\r\n\r\n");
    EXPECT_EQ(Read("DESC_EMPTY_DOC.sql"), "COMMIT;\r\n\r\n");
    EXPECT_EQ(Read("odd.sql").rfind("COMMENT ON TABLE \"odd names\" IS 'Quoted identifiers';\r\n", 0), 0u);
}

TEST_F(VarnelExport, UnknownObjectIsAnError)
{
    TestDatabase db;
    Result r = Run({"-d", db.path(), "--object-sql", "view:ORDERS=" + Out("v.sql")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "varnel-export: No view ORDERS in the database (" + Out("v.sql") + " is empty)\n");
}

TEST_F(VarnelExport, SettingsFileShapesTheHTML)
{
    TestDatabase db;
    // A settings file as the window writes it: TOC on, before the end.
    SettingsValues s;
    s.SetBool(Setting::TOC_CreateTOC, true);
    s.SetInt(Setting::TOC_Position, 1);
    s.Save(Out("settings.ini"));
    Result r = Run({"-d", db.path(), "-s", Out("settings.ini"), "--html", Out("toc_before_end.html")});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectGolden("toc_before_end.html", Read("toc_before_end.html"), db.path());
}

TEST_F(VarnelExport, SystemDataWhateverTheSettingsFileSays)
{
    TestDatabase db;
    SettingsValues s;
    s.SetBool(Setting::Settings_SystemData, false);
    s.Save(Out("settings.ini"));
    Result plain = Run({"-d", db.path(), "-s", Out("settings.ini"), "--xml", Out("plain.xml")});
    Result system = Run({"-d", db.path(), "-s", Out("settings.ini"), "--system-data", "--xml", Out("system.xml"),
                         "--html", Out("system.html")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(system.status, 0) << system.err;
    EXPECT_EQ(Read("plain.xml").find("RDB$RELATIONS"), std::string::npos);
    EXPECT_NE(Read("system.xml").find("<table_name>RDB$RELATIONS</table_name>"), std::string::npos);
    EXPECT_NE(Read("system.html").find("<h2>RDB$RELATIONS</h2>"), std::string::npos);
}

struct FailureCase {
    const char* name;
    std::function<std::vector<std::string>(const std::string& db, const TempDir& dir)> args;
    const char* message; // start of the message after "varnel-export: "
};

class VarnelExportFailure : public VarnelExport, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VarnelExportFailure, EndsWithStatusOneAndTheMessage)
{
    TestDatabase db;
    Result r = Run(GetParam().args(db.path(), dir));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(std::string("varnel-export: ") + GetParam().message, 0), 0u) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
}

const FailureCase kFailures[] = {
    {"MissingDatabase",
     [](const std::string&, const TempDir& d) {
         return std::vector<std::string>{"-d", (d / "missing.fdb").string(), "--xml", (d / "a.xml").string()};
     },
     "ISC ERROR CODE:"},
    {"DocumentNotCreatable",
     [](const std::string& db, const TempDir& d) {
         return std::vector<std::string>{"-d", db, "--html", (d / "no" / "a.html").string()};
     },
     "Could not create file "},
    {"FullDisk",
     [](const std::string& db, const TempDir&) {
         return std::vector<std::string>{"-d", db, "--sql", "/dev/full"};
     },
     "Could not write file /dev/full: No space left on device"},
    {"XMLNotOpenable",
     [](const std::string& db, const TempDir& d) {
         return std::vector<std::string>{"-d", db, "--xml", (d / "no" / "a.xml").string()};
     },
     "Could not open file "},
    {"MissingSettingsFile",
     [](const std::string& db, const TempDir& d) {
         return std::vector<std::string>{"-d", db, "-s", (d / "none.ini").string(), "--xml", (d / "a.xml").string()};
     },
     "Could not open settings file "},
};

INSTANTIATE_TEST_SUITE_P(Program, VarnelExportFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<FailureCase>& i) { return std::string(i.param.name); });

// Without the client library, or with one that lacks an entry point, the
// program ends with status 1 and names what is missing.
TEST_F(VarnelExport, MissingClientLibraryOrEntryPointIsAnError)
{
    TestDatabase db;
    const std::string absent = (dir / "absent" / "libfbclient.so.2").string();
    for (const auto& [library, message] :
         std::vector<std::pair<std::string, std::string>>{
             {absent, "InterBase Client GDS32.DLL is not installed"},
             {VARNEL_FAKECLIENT_MISSING, "Unable to locate DLL import isc_dsql_prepare"}}) {
        Result r = Run({"-d", db.path(), "--xml", Out("a.xml"), "--sql", Out("a.sql")},
                       "VARNEL_FBCLIENT=" + Quote(library));
        EXPECT_EQ(r.status, 1) << library;
        EXPECT_EQ(r.err, "varnel-export: " + message + "\n") << library;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(Out("a.sql"))) << library;
    }
}

TEST_F(VarnelExport, UsageErrorsEndWithStatusTwoAndTheUsage)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"--html", "a.html"},
          std::vector<std::string>{"-d", "db", "--frobnicate"}}) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("\nusage: varnel-export -d DATABASE [-u USER] [-p PASSWORD]"), std::string::npos)
            << r.err;
    }
}

TEST_F(VarnelExport, HelpAndVersionAnswerOnStandardOutput)
{
    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: varnel-export -d DATABASE", 0), 0u);
    EXPECT_NE(help.out.find("--object-sql table|view|procedure:NAME=FILE"), std::string::npos);
    EXPECT_EQ(help.err, "");
    Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "varnel-export 1.0.11\n");
}

// Progress goes to a terminal only: under a pseudo terminal (script) the
// section reports overwrite one line; the documents are the same.
TEST_F(VarnelExport, ProgressOnlyOnATerminal)
{
    TestDatabase db;
    std::string inner = "env -u ISC_USER -u ISC_PASSWORD " + Quote(Program()) + " -d " + Quote(db.path()) +
                        " --xml " + Quote(Out("tty.xml")) + " 2>&1";
    std::string shown;
    ASSERT_EQ(runCommand("script -qec " + Quote(inner) + " /dev/null", &shown), 0) << shown;
    EXPECT_NE(shown.find("\rXML: Tables 0"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\rXML: Tables 5"), std::string::npos);
    EXPECT_NE(shown.find("\rXML: Procedures 3"), std::string::npos);
    // The line is blanked at the end.
    const std::string last = "XML: Procedures 3";
    EXPECT_NE(shown.find("\r" + std::string(last.size(), ' ') + "\r"), std::string::npos);
    EXPECT_EQ(shown.find('\n'), std::string::npos);

    Result quiet = Run({"-d", db.path(), "--xml", Out("pipe.xml")});
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(Read("tty.xml"), Read("pipe.xml"));
}

// Through the local server on 127.0.0.1: options, the environment's
// ISC_USER / ISC_PASSWORD, and a wrong password that never shows.
class VarnelExportServer : public VarnelExport {
protected:
    void SetUp() override
    {
        if (!serverRunning()) {
            ASSERT_TRUE(startServer()) << "the local Firebird server does not start";
        }
    }
    std::vector<std::string> RoleArgs() const
    {
        return serverLogin().role.empty() ? std::vector<std::string>{} : std::vector<std::string>{"-r", serverLogin().role};
    }
};

TEST_F(VarnelExportServer, LoginByOptionsOrEnvironment)
{
    TestDatabase db({.forServer = true});
    const ServerLogin& login = serverLogin();
    std::vector<std::string> args = {"-d", db.serverName(), "-u", login.user, "-p", login.password, "--xml",
                                     Out("catalogue.xml")};
    for (const std::string& a : RoleArgs())
        args.push_back(a);
    Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    // database_name is the path without the server.
    ExpectGolden("catalogue.xml", Read("catalogue.xml"), db.path());

    std::vector<std::string> envArgs = {"-d", db.serverName(), "--sql", Out("descriptions.sql")};
    for (const std::string& a : RoleArgs())
        envArgs.push_back(a);
    Result e = Run(envArgs, "ISC_USER=" + Quote(login.user) + " ISC_PASSWORD=" + Quote(login.password));
    ASSERT_EQ(e.status, 0) << e.err;
    ExpectGolden("descriptions.sql", Read("descriptions.sql"), db.path());
}

TEST_F(VarnelExportServer, WrongPasswordIsAnErrorThatNeverShowsIt)
{
    TestDatabase db({.forServer = true});
    const std::string wrong = "Wr0ngPassw0rd";
    Result r = Run({"-d", db.serverName(), "-u", serverLogin().user, "-p", wrong, "--xml", Out("a.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("varnel-export: "), std::string::npos);
    EXPECT_EQ(r.err.find(wrong), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(wrong), std::string::npos);
    Result env = Run({"-d", db.serverName(), "-u", serverLogin().user, "--xml", Out("b.xml")},
                     "ISC_PASSWORD=" + wrong);
    EXPECT_EQ(env.status, 1);
    EXPECT_EQ(env.err.find(wrong), std::string::npos) << env.err;
}

} // namespace
} // namespace varnel::clitest

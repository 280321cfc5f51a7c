// The command line of varnel-export: what each form asks for, the
// defaults from the environment, and the usage errors (which never show
// a password).
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Args = std::vector<std::string>;

struct Env {
    std::map<std::string, std::string> vars;
    std::function<const char*(const char*)> fn()
    {
        return [this](const char* name) -> const char* {
            auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    }
};

TCommand Parse(const Args& args, Env env = {}) { return ParseCommandLine(args, env.fn()); }

TEST(CommandLine, EveryOptionSeparateOrAttached)
{
    for (const Args& args :
         {Args{"-d", "db.fdb", "-u", "ANNE", "-p", "pw", "-r", "READER", "-s", "s.ini", "--system-data", "--html",
               "a.html", "--xml", "a.xml", "--sql", "a.sql"},
          Args{"-ddb.fdb", "-uANNE", "-ppw", "-rREADER", "-ss.ini", "--system-data", "--html=a.html", "--xml=a.xml",
               "--sql=a.sql"}}) {
        TCommand c = Parse(args);
        ASSERT_EQ(c.Kind, TCommandKind::Export) << c.Error;
        const TExportRequest& r = c.Request;
        EXPECT_EQ(r.Database, "db.fdb");
        EXPECT_EQ(r.User, "ANNE");
        EXPECT_EQ(r.Password, "pw");
        EXPECT_EQ(r.Role, "READER");
        EXPECT_EQ(r.SettingsFile, "s.ini");
        EXPECT_TRUE(r.SystemData);
        EXPECT_EQ(r.HTMLFile, "a.html");
        EXPECT_EQ(r.XMLFile, "a.xml");
        EXPECT_EQ(r.SQLFile, "a.sql");
        EXPECT_TRUE(r.ObjectScripts.empty());
    }
}

TEST(CommandLine, ServerDatabaseStringsPassUnchanged)
{
    for (const char* db : {"127.0.0.1:/data/x.fdb", "host/3051:/data/x.fdb", "/data/x.fdb", "employee"}) {
        TCommand c = Parse({"-d", db, "--xml", "x.xml"});
        ASSERT_EQ(c.Kind, TCommandKind::Export) << db;
        EXPECT_EQ(c.Request.Database, db);
    }
}

TEST(CommandLine, ObjectScriptsRepeatInOrder)
{
    TCommand c = Parse({"-d", "db", "--object-sql", "table:odd names=t.sql", "--object-sql=view:V_X=v.sql",
                        "--object-sql", "procedure:P_ORDERS=/tmp/a=b.sql"});
    ASSERT_EQ(c.Kind, TCommandKind::Export) << c.Error;
    ASSERT_EQ(c.Request.ObjectScripts.size(), 3u);
    const auto& o = c.Request.ObjectScripts;
    EXPECT_EQ(o[0].Kind, TDescribedObject::Table);
    EXPECT_EQ(o[0].Name, "odd names");
    EXPECT_EQ(o[0].FileName, "t.sql");
    EXPECT_EQ(o[1].Kind, TDescribedObject::View);
    EXPECT_EQ(o[1].Name, "V_X");
    EXPECT_EQ(o[1].FileName, "v.sql");
    // The name ends at the first "=": the file name may hold more.
    EXPECT_EQ(o[2].Kind, TDescribedObject::Procedure);
    EXPECT_EQ(o[2].Name, "P_ORDERS");
    EXPECT_EQ(o[2].FileName, "/tmp/a=b.sql");
}

TEST(CommandLine, UserAndPasswordFromTheEnvironment)
{
    struct Case {
        const char* name;
        Args extra;
        std::map<std::string, std::string> env;
        const char* user;
        const char* password;
    };
    const std::vector<Case> cases = {
        {"defaults", {}, {}, "SYSDBA", ""},
        {"environment", {}, {{"ISC_USER", "ENV_USER"}, {"ISC_PASSWORD", "envpw"}}, "ENV_USER", "envpw"},
        {"emptyUserVariable", {}, {{"ISC_USER", ""}}, "SYSDBA", ""},
        {"optionsWin", {"-u", "OPT", "-p", "optpw"}, {{"ISC_USER", "ENV_USER"}, {"ISC_PASSWORD", "envpw"}}, "OPT",
         "optpw"},
        {"emptyPasswordOption", {"-p", ""}, {{"ISC_PASSWORD", "envpw"}}, "SYSDBA", ""},
    };
    for (const Case& c : cases) {
        Args args = {"-d", "db", "--sql", "s.sql"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        Env env{c.env};
        TCommand cmd = Parse(args, env);
        ASSERT_EQ(cmd.Kind, TCommandKind::Export) << c.name << ": " << cmd.Error;
        EXPECT_EQ(cmd.Request.User, c.user) << c.name;
        EXPECT_EQ(cmd.Request.Password, c.password) << c.name;
    }
}

TEST(CommandLine, HelpAndVersionAnswer)
{
    EXPECT_EQ(Parse({"--help"}).Kind, TCommandKind::Help);
    EXPECT_EQ(Parse({"-h"}).Kind, TCommandKind::Help);
    EXPECT_EQ(Parse({"--bogus", "--help"}).Kind, TCommandKind::UsageError);
    EXPECT_EQ(Parse({"-d", "db", "--help"}).Kind, TCommandKind::Help);
    EXPECT_EQ(Parse({"--version"}).Kind, TCommandKind::Version);
}

struct UsageCase {
    const char* name;
    Args args;
    const char* error;
};

class UsageError : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, IsReportedWithoutThePassword)
{
    Args args = GetParam().args;
    TCommand c = Parse(args);
    EXPECT_EQ(c.Kind, TCommandKind::UsageError);
    EXPECT_EQ(c.Error, GetParam().error);
    EXPECT_EQ(c.Error.find("s3cret"), std::string::npos);
}

const UsageCase kUsage[] = {
    {"NoArguments", {}, "no database given (-d DATABASE)"},
    {"NoDatabase", {"--html", "a.html"}, "no database given (-d DATABASE)"},
    {"NothingToExport", {"-d", "db", "-p", "s3cret"}, "nothing to export: give --html, --xml, --sql or --object-sql"},
    {"UnknownLongOption", {"-d", "db", "--password=s3cret"}, "unknown option --password"},
    {"UnknownShortOption", {"-d", "db", "-xs3cret"}, "unknown option -x"},
    {"LoosePassword", {"-d", "db", "-u", "SYSDBA", "s3cret"}, "unexpected argument 5: every value follows its option"},
    {"MissingValue", {"-d", "db", "--html"}, "option --html needs a value"},
    {"MissingPasswordValue", {"-d", "db", "--xml", "x", "-p"}, "option -p needs a value"},
    {"EmptyFileName", {"-d", "db", "--xml="}, "option --xml needs a value"},
    {"Twice", {"-d", "db", "--xml", "a", "--xml", "b"}, "option --xml given twice"},
    {"PasswordTwice", {"-d", "db", "-p", "s3cret", "-ps3cret", "--xml", "a"}, "option -p given twice"},
    {"ObjectWithoutKind", {"-d", "db", "--object-sql", "ORDERS=o.sql"},
     "--object-sql needs table|view|procedure:NAME=FILE"},
    {"ObjectWithoutFile", {"-d", "db", "--object-sql", "table:ORDERS"},
     "--object-sql needs table|view|procedure:NAME=FILE"},
    {"ObjectEmptyName", {"-d", "db", "--object-sql", "table:=o.sql"},
     "--object-sql needs table|view|procedure:NAME=FILE"},
    {"ObjectUnknownKind", {"-d", "db", "--object-sql", "index:PK=o.sql"},
     "--object-sql: unknown object kind \"index\" (table, view or procedure)"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, UsageError, ::testing::ValuesIn(kUsage),
                         [](const ::testing::TestParamInfo<UsageCase>& i) { return std::string(i.param.name); });

} // namespace

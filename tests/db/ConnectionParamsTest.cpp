// The connection's attachment settings without a server: the database
// string, the named parameters and the parameter buffer's bytes.
#include "db/IB_Connection.h"

#include <gtest/gtest.h>

using namespace varnel::db;

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::string server; // expected Server afterwards ("*" = unchanged "keep")
    std::string path;
    TIB_Protocol protocol;
    std::string composed; // Database() afterwards
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class DatabaseNameSplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(DatabaseNameSplitTest, SplitsAndComposes)
{
    const SplitCase& c = GetParam();
    TIB_Connection conn;
    conn.SetParams({"SERVER=keep", "PROTOCOL=TCP/IP", "PATH=old.fdb"});
    conn.SetDatabaseName(c.text);
    EXPECT_EQ(conn.Server(), c.server);
    EXPECT_EQ(conn.Path(), c.path);
    EXPECT_EQ(conn.Protocol(), c.protocol);
    EXPECT_EQ(conn.Database(), c.composed);
    EXPECT_EQ(conn.DatabaseName(), c.composed);
}

INSTANTIATE_TEST_SUITE_P(
    Split, DatabaseNameSplitTest,
    ::testing::Values(
        SplitCase{"tcp_host_path", "dbhost:/data/app.fdb", "dbhost", "/data/app.fdb", TIB_Protocol::cpTCP_IP,
                  "dbhost:/data/app.fdb"},
        SplitCase{"tcp_host_port", "127.0.0.1/3051:/data/app.fdb", "127.0.0.1/3051", "/data/app.fdb",
                  TIB_Protocol::cpTCP_IP, "127.0.0.1/3051:/data/app.fdb"},
        SplitCase{"drive_path_is_local", "C:\\data\\app.fdb", "keep", "C:\\data\\app.fdb", TIB_Protocol::cpLocal,
                  "C:\\data\\app.fdb"},
        SplitCase{"netbeui", "\\\\srv\\data\\app.fdb", "srv", "data\\app.fdb", TIB_Protocol::cpNetBEUI,
                  "\\\\srv\\data\\app.fdb"},
        SplitCase{"novell", "srv@vol/app.fdb", "srv", "vol/app.fdb", TIB_Protocol::cpNovell, "srv@vol/app.fdb"},
        SplitCase{"local_file", "/tmp/app.fdb", "keep", "/tmp/app.fdb", TIB_Protocol::cpLocal, "/tmp/app.fdb"},
        SplitCase{"drive_then_colon_is_tcp", "C:x:/y", "C", "x:/y", TIB_Protocol::cpTCP_IP, "C:x:/y"},
        // Two backslashes inside the text are part of a path.
        SplitCase{"tcp_path_with_double_backslash", "srv:/data\\\\app.fdb", "srv", "/data\\\\app.fdb",
                  TIB_Protocol::cpTCP_IP, "srv:/data\\\\app.fdb"},
        SplitCase{"local_path_with_double_backslash", "ab\\\\cd.fdb", "keep", "ab\\\\cd.fdb", TIB_Protocol::cpLocal,
                  "ab\\\\cd.fdb"}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(DatabaseName, PlainIdentifierIsAnAliasOnly)
{
    TIB_Connection a, b;
    a.SetParams({"SERVER=dbhost", "PROTOCOL=TCP/IP", "PATH=/data/app.fdb"});
    a.SetDatabaseName("employee");
    EXPECT_EQ(a.DatabaseName(), "employee");
    EXPECT_EQ(a.Database(), "dbhost:/data/app.fdb") << "the alias leaves server and path";
    b.SetDatabaseName("EMPLOYEE");
    EXPECT_EQ(b.DatabaseName(), "EMPLOYEE_1") << "aliases are unique in the session";
    EXPECT_THROW(a.SetDatabaseName("not valid!"), EIB_ConnectionError);
    a.SetDatabaseName("host:/x.fdb");
    EXPECT_EQ(a.DatabaseName(), "host:/x.fdb") << "a database string clears the alias";
}

TEST(Params, NamedParametersAndTheirLines)
{
    TIB_Connection c;
    c.SetUsername("SYSDBA");
    c.SetSQLDialect(3);
    c.SetCharSet("ISO8859_1");
    c.SetProtocol(TIB_Protocol::cpTCP_IP);
    EXPECT_EQ(c.Params(), TIB_StringList({"USER NAME=SYSDBA", "SQL DIALECT=3", "CHARACTER SET=ISO8859_1",
                                          "PROTOCOL=TCP/IP"}));
    c.SetSQLDialect(1);
    c.SetProtocol(TIB_Protocol::cpLocal);
    EXPECT_EQ(c.Params(), TIB_StringList({"USER NAME=SYSDBA", "CHARACTER SET=ISO8859_1"}));
    EXPECT_EQ(c.SQLDialect(), 1) << "an absent dialect reads as 1";
}

TEST(Params, PasswordIsKeptPrivately)
{
    TIB_Connection c;
    c.SetParams({"PASSWORD=fromparams", "USER NAME=U"});
    EXPECT_EQ(c.Password(), "fromparams");
    c.SetPassword("secret");
    EXPECT_EQ(c.Password(), "secret");
    EXPECT_EQ(c.Params(), TIB_StringList({"USER NAME=U"})) << "no PASSWORD line after setting it";
    TIB_Connection local;
    local.SetParams({"PASSWORD=remote", "LOCAL PASSWORD=here"});
    EXPECT_EQ(local.Password(), "here") << "the local protocol prefers LOCAL PASSWORD";
}

TEST(Params, RoleMigratesOldNames)
{
    TIB_Connection c;
    c.SetParams({"SQL ROLE NAME=R1", "USER NAME=U"});
    EXPECT_EQ(c.SQLRole(), "R1");
    EXPECT_EQ(c.Params(), TIB_StringList({"USER NAME=U", "ROLE NAME=R1"}));
    c.SetParams({"ROLE=R2", "SQL ROLE NAME=R3"});
    c.SetSQLRole("R4");
    EXPECT_EQ(c.Params(), TIB_StringList({"ROLE NAME=R4"}));
    c.SetSQLRole("");
    EXPECT_TRUE(c.Params().empty());
}

struct DpbCase {
    const char* name;
    TIB_DPBValues values;
    std::vector<std::uint8_t> bytes;
};
void PrintTo(const DpbCase& c, std::ostream* os) { *os << c.name; }

class DpbTest : public ::testing::TestWithParam<DpbCase> {};

TEST_P(DpbTest, BuildsTheBytes) { EXPECT_EQ(BuildDPB(GetParam().values), GetParam().bytes); }

std::vector<std::uint8_t> Bytes(std::initializer_list<int> head, const std::string& tail = "")
{
    std::vector<std::uint8_t> r;
    for (int b : head)
        r.push_back(static_cast<std::uint8_t>(b));
    r.insert(r.end(), tail.begin(), tail.end());
    return r;
}

std::vector<std::uint8_t> Cat(std::vector<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> r;
    for (auto& p : parts)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}

DpbCase MainWindowCase()
{
    TIB_DPBValues v;
    v.UserName = "SYSDBA";
    v.Password = "masterkey";
    v.CharSet = "ISO8859_1";
    return {"main_window", v,
            Cat({Bytes({1, 28, 6}, "SYSDBA"), Bytes({29, 9}, "masterkey"), Bytes({48, 9}, "ISO8859_1")})};
}

DpbCase WithRoleCase()
{
    DpbCase c = MainWindowCase();
    c.name = "with_role";
    c.values.SQLRole = "RDB$ADMIN";
    c.bytes = Cat({Bytes({1, 28, 6}, "SYSDBA"), Bytes({29, 9}, "masterkey"), Bytes({60, 9}, "RDB$ADMIN"),
                   Bytes({48, 9}, "ISO8859_1")});
    return c;
}

DpbCase NoPasswordCase()
{
    TIB_DPBValues v;
    v.UserName = "SYSDBA";
    return {"no_password_no_role", v, Bytes({1, 28, 6}, "SYSDBA")};
}

DpbCase AllItemsCase()
{
    TIB_DPBValues v;
    v.UserName = "U";
    v.Password = "P";
    v.SQLRole = "R";
    v.DBKeyScope = "CONNECTION";
    v.ForcedWrites = "FALSE";
    v.ReservePageSpace = "TRUE";
    v.CharSet = "C";
    v.SysDBA = "S";
    v.MessageFile = "M";
    return {"all_items_in_order", v,
            Bytes({1, 28, 1, 'U', 29, 1, 'P', 60, 1, 'R', 13, 1, 1, 24, 1, 0, 27, 1, 0, 48, 1, 'C', 19, 1, 'S', 47, 1,
                   'M'})};
}

INSTANTIATE_TEST_SUITE_P(Dpb, DpbTest,
                         ::testing::Values(MainWindowCase(), WithRoleCase(), NoPasswordCase(), AllItemsCase()),
                         [](const ::testing::TestParamInfo<DpbCase>& info) { return std::string(info.param.name); });

TEST(Dpb, RejectsLongValues)
{
    TIB_DPBValues v;
    v.UserName = std::string(255, 'u');
    EXPECT_EQ(BuildDPB(v).size(), 1u + 2u + 255u);
    v.UserName = std::string(256, 'u');
    try {
        BuildDPB(v);
        FAIL();
    } catch (const EIB_ConnectionError& e) {
        EXPECT_STREQ(e.what(), "Invalid DPB: Contents over 255 characters");
    }
    TIB_DPBValues big;
    big.UserName = big.Password = big.SQLRole = big.CharSet = big.SysDBA = std::string(250, 'x');
    EXPECT_THROW(BuildDPB(big), EIB_ConnectionError) << "more than 1024 bytes in all";
}

TEST(Attach, RejectsBlankTargetAndInvalidPath)
{
    TIB_Connection c;
    unsetenv("ISC_DATABASE");
    try {
        c.Connect();
        FAIL();
    } catch (const EIB_ConnectionError& e) {
        EXPECT_STREQ(e.what(), "DatabaseName cannot be blank");
    }
    c.SetDatabaseName("C:data.fdb");
    try {
        c.Connect();
        FAIL();
    } catch (const EIB_ConnectionError& e) {
        EXPECT_STREQ(e.what(), "Invalid connection path");
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(c.ConnectionStatus(), TIB_ConnectionStatus::csDisconnected);
}

TEST(Characteristics, NeedAConnection)
{
    TIB_Connection c;
    EXPECT_THROW(c.Characteristics(), EIB_ConnectionError);
}

} // namespace

// Attaching to real databases with the embedded engine: the connect and
// disconnect sequences, the characteristics and the parameter order.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

using namespace varnel::dbtest;
using varnel::test::DatabaseOptions;
using varnel::test::TestDatabase;

namespace {

std::string One(TIB_Connection& c, TIB_Transaction& t, const std::string& sql)
{
    auto q = MakeQuery(c, &t, sql);
    auto v = q->Column(0);
    return v.empty() ? std::string("<no row>") : v.front();
}

TEST(Connection, AttachesReadsCharacteristicsAndDetaches)
{
    TestDatabase db;
    auto c = MakeConnection(db.path());
    std::vector<std::string> events;
    c->BeforeConnect = [&](TIB_Connection&) { events.push_back("BeforeConnect"); };
    c->OnConnectedChanged = [&](TIB_Connection& x) { events.push_back(x.Connected() ? "Changed:on" : "Changed:off"); };
    c->AfterConnect = [&](TIB_Connection&) { events.push_back("AfterConnect"); };
    c->BeforeDisconnect = [&](TIB_Connection&) { events.push_back("BeforeDisconnect"); };
    c->AfterDisconnect = [&](TIB_Connection&) { events.push_back("AfterDisconnect"); };
    c->Connect();
    ASSERT_TRUE(c->Connected());
    EXPECT_EQ(c->ConnectionStatus(), TIB_ConnectionStatus::csConnected);
    const TIB_Characteristics& ch = c->Characteristics();
    EXPECT_EQ(ch.ODSMajorVersion, 12);
    EXPECT_EQ(ch.SQLDialect, 3);
    EXPECT_FALSE(ch.ReadOnly);
    EXPECT_EQ(ch.PageSize, 8192);
    EXPECT_NE(ch.ServerVersion.find("3."), std::string::npos) << ch.ServerVersion;
    EXPECT_EQ(c->SQLDialect(), 3);
    EXPECT_FALSE(c->OldParameterOrder()) << "Firebird describes the select-list parameter first";

    // The parameter buffer reached the server: user and character set.
    auto t = MakeTransaction(*c);
    EXPECT_EQ(One(*c, *t, "SELECT TRIM(MON$USER) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
              "SYSDBA");
    EXPECT_EQ(One(*c, *t,
                  "SELECT TRIM(C.RDB$CHARACTER_SET_NAME) FROM MON$ATTACHMENTS A JOIN RDB$CHARACTER_SETS C "
                  "ON C.RDB$CHARACTER_SET_ID = A.MON$CHARACTER_SET_ID WHERE A.MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
              "ISO8859_1");

    c->Disconnect();
    EXPECT_FALSE(c->Connected());
    EXPECT_EQ(c->ConnectionStatus(), TIB_ConnectionStatus::csDisconnected);
    EXPECT_FALSE(t->Started());
    EXPECT_EQ(events, std::vector<std::string>({"BeforeConnect", "Changed:on", "AfterConnect", "BeforeDisconnect",
                                                "Changed:off", "AfterDisconnect"}));
    c->SetConnected(false); // setting the value it has does nothing
    EXPECT_THROW(c->Characteristics(), EIB_ConnectionError);
}

TEST(Connection, DialectComesFromTheDatabaseWhileConnected)
{
    DatabaseOptions o;
    o.schema = "schema_dialect1.sql";
    o.descriptions = "descriptions_dialect1.sql";
    o.dialect = 1;
    TestDatabase db(o);
    auto c = MakeConnection(db.path());
    EXPECT_EQ(c->SQLDialect(), 3) << "the parameter while detached";
    c->Connect();
    EXPECT_EQ(c->SQLDialect(), 1);
    EXPECT_EQ(c->Characteristics().SQLDialect, 1);
}

TEST(Connection, ReadOnlyDatabaseMakesTheTransactionReadOnly)
{
    TestDatabase db;
    std::string out;
    ASSERT_EQ(varnel::test::runCommand("env -u ISC_USER -u ISC_PASSWORD gfix -mode read_only '" + db.path() + "'", &out), 0)
        << out;
    auto c = MakeConnection(db.path());
    c->Connect();
    EXPECT_TRUE(c->Characteristics().ReadOnly);
    auto t = MakeTransaction(*c);
    EXPECT_EQ(One(*c, *t, "SELECT MON$READ_ONLY FROM MON$TRANSACTIONS WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION"),
              "1");
    EXPECT_FALSE(t->ReadOnly()) << "the property itself is unchanged";
}

TEST(Connection, ParametersCannotChangeWhileConnected)
{
    TestDatabase db;
    auto c = MakeConnection(db.path());
    c->Connect();
    const TIB_StringList before = c->Params();
    for (auto change : std::vector<std::function<void()>>{
             [&] { c->SetUsername("OTHER"); }, [&] { c->SetSQLRole("R"); }, [&] { c->SetPath("/x.fdb"); },
             [&] { c->SetProtocol(TIB_Protocol::cpTCP_IP); }, [&] { c->SetSQLDialect(1); },
             [&] { c->SetPassword("x"); }, [&] { c->SetDatabaseName("host:/x.fdb"); },
             [&] { c->SetDBKeyScope("CONNECTION"); }, [&] { c->SetForcedWrites("TRUE"); }}) {
        try {
            change();
            ADD_FAILURE() << "changed while connected";
        } catch (const EIB_ConnectionError& e) {
            EXPECT_STREQ(e.what(), "Cannot change while connected");
        }
    }
    EXPECT_EQ(c->Params(), before);
}

TEST(Connection, DisconnectCommitsReleasesStatementsAndDropsCachedHandles)
{
    TestDatabase db;
    auto c = MakeConnection(db.path());
    c->Connect();
    auto t = MakeTransaction(*c);
    Exec(*c, *t, "CREATE TABLE T_DISC (A INTEGER)");
    TIB_Statement ins(c->SessionPtr());
    ins.SetIB_Connection(c.get());
    ins.SetIB_Transaction(t.get());
    ins.SetSQLText("INSERT INTO T_DISC VALUES (:A)");
    ins.ParamByName("A").SetAsInteger(7);
    ins.Execute();
    auto q = MakeQuery(*c, t.get(), "SELECT A FROM T_DISC");
    q->Prepare();
    EXPECT_TRUE(q->Prepared());
    EXPECT_TRUE(t->Started());
    c->Disconnect();
    EXPECT_FALSE(q->Prepared());
    EXPECT_FALSE(ins.Prepared());
    EXPECT_FALSE(t->Started());
    EXPECT_EQ(c->CachedHandleCount(), 0u);
    // Reconnecting prepares again on demand; the row was committed.
    EXPECT_EQ(q->Column(0), std::vector<std::string>({"7"}));
    EXPECT_TRUE(c->Connected());
}

TEST(Connection, DestructorDetachesWithoutThrowing)
{
    TestDatabase db;
    auto c = MakeConnection(db.path());
    auto t = MakeTransaction(*c);
    auto q = MakeQuery(*c, t.get(), "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    c.reset(); // with an open cursor and a started transaction
    EXPECT_FALSE(t->Started());
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->IB_Connection(), nullptr);
}

TEST(Connection, FailedAttachStaysDetachedAndReportsTheServer)
{
    TestDatabase db;
    auto c = MakeConnection(db.path() + ".missing");
    try {
        c->Connect();
        FAIL();
    } catch (const EIB_ISCError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("ISC ERROR CODE:", 0), 0u) << e.what();
        EXPECT_EQ(e.Sender(), c.get());
    }
    EXPECT_FALSE(c->Connected());
    EXPECT_EQ(c->ConnectionStatus(), TIB_ConnectionStatus::csDisconnected);
}

TEST(Connection, OnErrorClearingRaiseExceptionSuppressesTheError)
{
    TestDatabase db;
    auto c = MakeConnection(db.path() + ".missing");
    int seen = 0;
    c->OnError = [&](TIB_Component* sender, long errcode, TIB_StringList& msg, TIB_StringList&, long, TIB_StringList&,
                     TIB_StringList&, bool& raise) {
        ++seen;
        EXPECT_EQ(sender, c.get());
        EXPECT_NE(errcode, 0);
        EXPECT_EQ(msg.at(2), "ISC ERROR MESSAGE:");
        raise = false;
    };
    EXPECT_NO_THROW(c->Connect());
    EXPECT_EQ(seen, 1);
    EXPECT_FALSE(c->Connected()) << "the failed attach leaves the connection detached";
}

TEST(Connection, ComputedColumnsOfUserRelations)
{
    TestDatabase db;
    auto c = MakeConnection(db.path());
    c->Connect();
    auto t = MakeTransaction(*c);
    Exec(*c, *t, "CREATE TABLE T_COMP (A INTEGER, B COMPUTED BY (A * 2))");
    const TIB_StringList& list = c->ComputedList();
    EXPECT_EQ(list, TIB_StringList({"B,T_COMP"}));
    auto q = MakeQuery(*c, t.get(), "SELECT A, B FROM T_COMP");
    q->Prepare();
    EXPECT_FALSE(q->FieldByName("A").Computed());
    EXPECT_TRUE(q->FieldByName("B").Computed());
}

} // namespace

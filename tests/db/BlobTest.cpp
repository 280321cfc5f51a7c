// Text blobs: read lazily and cached per row by blob id, written in
// pieces of at most 65535 bytes, BLR delivered as text, empty and null.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace varnel::dbtest;
using varnel::test::TestDatabase;

namespace {

class BlobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_ = std::make_shared<TIB_Session>();
        conn_ = MakeConnection(db_.path(), session_);
        conn_->Connect();
        tr_ = MakeTransaction(*conn_);
        Stmt("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (1, 'n', 'e')")->Execute();
    }
    std::unique_ptr<TIB_Statement> Stmt(const std::string& sql)
    {
        auto s = std::make_unique<TIB_Statement>(session_);
        s->SetIB_Connection(conn_.get());
        s->SetIB_Transaction(tr_.get());
        s->SetSQLText(sql);
        return s;
    }
    std::string One(const std::string& sql)
    {
        auto v = MakeQuery(*conn_, tr_.get(), sql)->Column(0);
        return v.empty() ? "<none>" : v.front();
    }
    static bool ZeroId(const TIB_Column& c)
    {
        static const unsigned char zero[8] = {};
        return std::memcmp(c.Data(), zero, 8) == 0;
    }

    TestDatabase db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
};

// The pieces are seen in the stored blob when no transliteration
// re-segments it: an ISO8859_1 database under an ISO8859_1 connection.
TEST(BlobPieces, HundredThousandCharactersGoInTwoPiecesAndComeBackIdentical)
{
    varnel::test::DatabaseOptions o;
    o.charset = varnel::test::Charset::ISO8859_1;
    TestDatabase db(o);
    auto conn = MakeConnection(db.path());
    auto tr = MakeTransaction(*conn);
    Exec(*conn, *tr, "INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (1, 'n', 'e')");
    std::string text;
    for (int i = 0; text.size() < 100000; ++i)
        text += static_cast<char>('A' + i % 26);
    text[70000] = '\xE9';
    TIB_Statement upd(conn->SessionPtr());
    upd.SetIB_Connection(conn.get());
    upd.SetIB_Transaction(tr.get());
    upd.SetSQLText("UPDATE CUSTOMERS SET NOTES = :NOTES WHERE CUST_ID = 1");
    TIB_Column& p = upd.ParamByName("NOTES");
    EXPECT_EQ(p.ClassName(), "TIB_ColumnMemo");
    p.SetAsString(text);
    static const unsigned char zero[8] = {};
    EXPECT_EQ(std::memcmp(p.Data(), zero, 8), 0) << "nothing is sent before the execute";
    upd.Execute();
    EXPECT_NE(std::memcmp(p.Data(), zero, 8), 0) << "the new blob id went into the parameter";
    EXPECT_EQ(p.AsString(), text) << "the written node answers without a fetch";

    auto q = MakeQuery(*conn, tr.get(), "SELECT NOTES, CHAR_LENGTH(NOTES) FROM CUSTOMERS WHERE CUST_ID = 1");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    auto& notes = dynamic_cast<TIB_ColumnBlob&>(q->Fields().Columns(0));
    TIB_BlobInfo info = notes.ReadBlobInfo();
    EXPECT_EQ(info.Segments, 2);
    EXPECT_EQ(info.MaxSegment, 65535);
    EXPECT_EQ(info.TotalLength, 100000);
    EXPECT_EQ(notes.AsString(), text);
    EXPECT_EQ(q->Fields().Columns(1).AsInteger(), 100000);
    q->Close();
}

TEST_F(BlobTest, LongTextRoundTripsThroughTransliteration)
{
    std::string text(100000, 'x');
    text[5] = '\xE9';
    text[99999] = '\xFC';
    auto upd = Stmt("UPDATE CUSTOMERS SET NOTES = :NOTES WHERE CUST_ID = 1");
    upd->ParamByName("NOTES").SetAsString(text);
    upd->Execute();
    EXPECT_EQ(One("SELECT NOTES FROM CUSTOMERS WHERE CUST_ID = 1"), text);
}

TEST_F(BlobTest, EmptyStringWritesAnEmptyNonNullBlob)
{
    auto upd = Stmt("UPDATE CUSTOMERS SET NOTES = :NOTES WHERE CUST_ID = 1");
    upd->ParamByName("NOTES").SetAsString("");
    EXPECT_FALSE(upd->ParamByName("NOTES").IsNull());
    upd->Execute();
    EXPECT_EQ(One("SELECT IIF(NOTES IS NULL, 'null', 'len ' || CHAR_LENGTH(NOTES)) FROM CUSTOMERS"), "len 0");
    upd->ParamByName("NOTES").SetBlankIsNull(true);
    upd->ParamByName("NOTES").SetAsString("");
    EXPECT_TRUE(upd->ParamByName("NOTES").IsNull());
    upd->Execute();
    EXPECT_EQ(One("SELECT IIF(NOTES IS NULL, 'null', 'len ' || CHAR_LENGTH(NOTES)) FROM CUSTOMERS"), "null");
}

TEST_F(BlobTest, FailedExecuteResetsTheIdSoARetryWritesAgain)
{
    auto ins = Stmt("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL, NOTES) VALUES (:ID, 'n', 'e', :NOTES)");
    ins->ParamByName("ID").SetAsInteger(1); // a duplicate key
    ins->ParamByName("NOTES").SetAsString("retry me");
    EXPECT_THROW(ins->Execute(), EIB_ISCError);
    EXPECT_TRUE(ZeroId(ins->ParamByName("NOTES")));
    ins->ParamByName("ID").SetAsInteger(2);
    ins->Execute();
    EXPECT_EQ(One("SELECT NOTES FROM CUSTOMERS WHERE CUST_ID = 2"), "retry me");
}

TEST_F(BlobTest, ReadLazilyAndCachedPerRowById)
{
    auto q = MakeQuery(*conn_, tr_.get(),
                       "SELECT RDB$FIELD_NAME, RDB$DESCRIPTION FROM RDB$RELATION_FIELDS "
                       "WHERE RDB$RELATION_NAME = 'CUSTOMERS' AND RDB$DESCRIPTION IS NOT NULL ORDER BY RDB$FIELD_POSITION");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    TIB_Row& row = q->Fields();
    auto& d = dynamic_cast<TIB_ColumnBlob&>(row.Columns(1));
    EXPECT_EQ(row.CachedBlobCount(), 0u) << "nothing read before the value is asked for";
    EXPECT_EQ(d.AsString(), "Primary key");
    auto node = d.BlobNode();
    EXPECT_EQ(d.AsString(), "Primary key");
    EXPECT_EQ(d.BlobNode(), node) << "read twice, fetched once";
    EXPECT_EQ(row.CachedBlobCount(), 1u);
    std::vector<unsigned char> first(row.RecordSize());
    row.GetRecord(first.data());
    ASSERT_TRUE(q->Fetch());
    EXPECT_EQ(d.AsString(), "Name of the customer (Gr\xF6\xDF" "e, caf\xE9, Stra\xDF" "e)");
    EXPECT_EQ(row.CachedBlobCount(), 2u);
    row.SetRecord(first.data());
    EXPECT_EQ(d.AsString(), "Primary key");
    EXPECT_EQ(d.BlobNode(), node) << "found again by its id";
    EXPECT_EQ(row.CachedBlobCount(), 2u);
    ASSERT_TRUE(q->Fetch());
    EXPECT_EQ(d.AsString(), "Line one\nline two after a lone LF");
    ASSERT_TRUE(q->Fetch());
    ASSERT_TRUE(q->Fetch());
    EXPECT_EQ(d.AsString(), "First line\r\nsecond line\r\nthird line") << "CR LF kept byte for byte";
    q->Close();
}

TEST_F(BlobTest, LongDescriptionReadsWhole)
{
    std::string expected;
    for (int i = 0; i < 1000; ++i)
        expected += "Long description, sixty-five characters per piece of text, okay. ";
    EXPECT_EQ(One("SELECT RDB$DESCRIPTION FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'ORDERS' "
                  "AND RDB$FIELD_NAME = 'NOTES'"),
              expected);
}

TEST_F(BlobTest, BlrIsReadAsTextWithCrLfPerSegment)
{
    auto q = MakeQuery(*conn_, tr_.get(),
                       "SELECT RDB$VIEW_BLR FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'V_CUSTOMER_CREDIT'");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    TIB_Column& blr = q->Fields().Columns(0);
    EXPECT_EQ(blr.ClassName(), "TIB_ColumnBLR");
    std::string text = blr.AsString();
    q->Close();
    ASSERT_GE(text.size(), 2u);
    EXPECT_NE(text.find("blr_version5"), std::string::npos) << text.substr(0, 200);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    size_t lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lines;
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "every line break is CR LF, at " << i;
        }
    }
    EXPECT_GT(lines, 3u);
}

TEST_F(BlobTest, AssignCopiesTheWholeContents)
{
    auto q = MakeQuery(*conn_, tr_.get(),
                       "SELECT RDB$DESCRIPTION, CAST(NULL AS BLOB SUB_TYPE TEXT) FROM RDB$RELATIONS "
                       "WHERE RDB$RELATION_NAME = 'CUSTOMERS'");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    auto upd = Stmt("UPDATE CUSTOMERS SET NOTES = :NOTES WHERE CUST_ID = 1");
    upd->ParamByName("NOTES").Assign(q->Fields().Columns(0));
    upd->Execute();
    EXPECT_EQ(One("SELECT NOTES FROM CUSTOMERS"), "Customers of the shop: <b>bold</b> & \"quoted\", it's fine");
    upd->ParamByName("NOTES").Assign(q->Fields().Columns(1));
    EXPECT_TRUE(upd->ParamByName("NOTES").IsNull());
    upd->Execute();
    EXPECT_EQ(One("SELECT IIF(NOTES IS NULL, 'null', 'set') FROM CUSTOMERS"), "null");
    q->Close();
}

} // namespace

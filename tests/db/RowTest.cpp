// Rows and columns: the column classes, values per class, trimming, name
// lookup, the change protocol, whole-row copies and old values.
#include "DbTestUtil.h"

#include <gtest/gtest.h>

#include <limits>

using namespace varnel::dbtest;
using varnel::test::DatabaseOptions;
using varnel::test::TestDatabase;

namespace {

class RowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        session_ = std::make_shared<TIB_Session>();
        conn_ = MakeConnection(db_.path(), session_);
        conn_->Connect();
        tr_ = MakeTransaction(*conn_);
    }
    std::unique_ptr<TestCursor> Query(const std::string& sql) { return MakeQuery(*conn_, tr_.get(), sql); }
    std::unique_ptr<TIB_Statement> Stmt(const std::string& sql)
    {
        auto s = std::make_unique<TIB_Statement>(session_);
        s->SetIB_Connection(conn_.get());
        s->SetIB_Transaction(tr_.get());
        s->SetSQLText(sql);
        return s;
    }

    TestDatabase db_;
    std::shared_ptr<TIB_Session> session_;
    std::unique_ptr<TIB_Connection> conn_;
    std::unique_ptr<TIB_Transaction> tr_;
};

struct ClassCase {
    const char* column;
    const char* className;
};
void PrintTo(const ClassCase& c, std::ostream* os) { *os << c.column; }

class ColumnClassTest : public RowTest, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(ColumnClassTest, FollowsTheServerType)
{
    auto q = Query("SELECT C.*, C.RDB$DB_KEY FROM CUSTOMERS C");
    EXPECT_EQ(q->FieldByName(GetParam().column).ClassName(), GetParam().className);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ColumnClassTest,
    ::testing::Values(ClassCase{"CUST_ID", "TIB_ColumnInteger"}, ClassCase{"NAME", "TIB_ColumnVarText"},
                      ClassCase{"CITY", "TIB_ColumnText"}, ClassCase{"CREDIT", "TIB_ColumnNumeric"},
                      ClassCase{"DISCOUNT", "TIB_ColumnNumeric"}, ClassCase{"RATING", "TIB_ColumnSmallInt"},
                      ClassCase{"BALANCE", "TIB_ColumnInt64"}, ClassCase{"SCORE", "TIB_ColumnFloat"},
                      ClassCase{"RATIO", "TIB_ColumnDouble"}, ClassCase{"SINCE", "TIB_ColumnDate"},
                      ClassCase{"CALL_TIME", "TIB_ColumnTime"}, ClassCase{"UPDATED_AT", "TIB_ColumnTimeStamp"},
                      ClassCase{"NOTES", "TIB_ColumnMemo"}, ClassCase{"PHOTO", "TIB_ColumnBinary"},
                      ClassCase{"ACTIVE", "TIB_ColumnBoolean"}, ClassCase{"EMAIL", "TIB_ColumnVarText"},
                      ClassCase{"RDB$DB_KEY", "TIB_ColumnDB_KEY"}),
    [](const ::testing::TestParamInfo<ClassCase>& info) {
        std::string n = info.param.column;
        for (char& c : n)
            if (c == '$')
                c = '_';
        return n;
    });

TEST(RowBuild, UnsupportedServerTypesAreRejected)
{
    for (int type : {32752, 32754, 32756, 32760, 32762, 32748, 32750, 530}) {
        TIB_Row row(TIB_RowKind::rkOutput);
        TIB_ColumnDef d;
        d.SQLType = type | 1;
        d.SQLLen = 16;
        d.SQLName = d.AliasName = "X";
        try {
            row.Build({d}, {}, TIB_RowOptions{});
            ADD_FAILURE() << type;
        } catch (const EIB_StatementError& e) {
            EXPECT_EQ(std::string(e.what()), "Unsupported Column type: " + std::to_string(type));
        }
        EXPECT_EQ(row.ColumnCount(), 0);
    }
}

TEST(RowBuild, CalculatedColumnsFollowTheServerColumns)
{
    TIB_Row row(TIB_RowKind::rkOutput);
    TIB_ColumnDef a;
    a.SQLType = SQLTYPE_LONG | 1;
    a.SQLLen = 4;
    a.SQLName = a.AliasName = "A";
    a.RelName = "T";
    TIB_ColumnDef calc;
    calc.SQLType = SQLTYPE_VARYING | 1;
    calc.SQLLen = 30;
    calc.SQLName = calc.AliasName = "FIELD_TYPE";
    row.Build({a}, {calc}, TIB_RowOptions{});
    ASSERT_EQ(row.ColumnCount(), 2);
    EXPECT_EQ(row.ServerCount(), 1);
    TIB_Column& f = row.ByName("FIELD_TYPE");
    EXPECT_TRUE(f.IsCalculated());
    EXPECT_LT(f.Index(), 0);
    EXPECT_TRUE(f.IsNull());
    f.SetAsString("VARCHAR(30)");
    EXPECT_EQ(f.AsString(), "VARCHAR(30)");
    EXPECT_THROW(row.BySQLNo(1), EIB_Error) << "calculated columns have no server number";
}

TEST(RowLookup, ANameFoundBeforeARebuildFindsTheNewColumn)
{
    auto def = [](const char* name) {
        TIB_ColumnDef d;
        d.SQLType = SQLTYPE_LONG | 1;
        d.SQLLen = 4;
        d.SQLName = d.AliasName = name;
        return d;
    };
    TIB_Row row(TIB_RowKind::rkOutput);
    row.Build({def("A"), def("B")}, {}, TIB_RowOptions{});
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(&row.ByName("b"), &row.Columns(1));
        EXPECT_EQ(&row.ByName("B"), &row.Columns(1));
    }
    row.Build({def("B"), def("C")}, {}, TIB_RowOptions{});
    EXPECT_EQ(&row.ByName("b"), &row.Columns(0));
    EXPECT_EQ(&row.ByName("B"), &row.Columns(0));
    EXPECT_EQ(row.FindByName("A"), nullptr);
    row.Reset();
    EXPECT_EQ(row.FindByName("B"), nullptr);
}

TEST_F(RowTest, NullTypedParameterIsOnlyAnIndicator)
{
    auto q = Query("SELECT 1 FROM RDB$DATABASE WHERE ? IS NULL");
    q->Prepare();
    TIB_Column& p = q->Params().Columns(0);
    EXPECT_EQ(p.ClassName(), "TIB_ColumnNull");
    EXPECT_TRUE(p.IsNullable());
    EXPECT_EQ(p.DataSize(), 0);
    p.SetIsNull(true);
    EXPECT_EQ(q->Column(0).size(), 1u);
    p.SetAsString("x");
    EXPECT_FALSE(p.IsNull());
    EXPECT_EQ(q->Column(0).size(), 0u);
}

// Values written through parameters and read back through a select.
constexpr std::int64_t kNoNumber = std::numeric_limits<std::int64_t>::min();

struct ValueCase {
    const char* column;
    std::string in;
    std::string out;
    std::int64_t asInteger; // kNoNumber: the text is no number
};
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.column; }

class ValueTest : public RowTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueTest, RoundTripsAsText)
{
    const ValueCase& c = GetParam();
    const std::string name = c.column;
    std::string cols = "CUST_ID", values = "1";
    for (const char* required : {"NAME", "EMAIL"})
        if (name != required) {
            cols += std::string(", ") + required;
            values += ", 'x'";
        }
    auto ins = Stmt("INSERT INTO CUSTOMERS (" + cols + ", " + name + ") VALUES (" + values + ", :V)");
    ins->ParamByName("V").SetAsString(c.in);
    ins->Execute();
    auto q = Query(std::string("SELECT ") + c.column + " FROM CUSTOMERS WHERE CUST_ID = 1");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    TIB_Column& col = q->Fields().Columns(0);
    EXPECT_FALSE(col.IsNull());
    EXPECT_EQ(col.AsString(), c.out);
    if (c.asInteger != kNoNumber) {
        EXPECT_EQ(col.AsInt64(), c.asInteger);
    } else {
        EXPECT_THROW(col.AsInt64(), EIB_ColumnError);
    }
    q->Close();
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueTest,
    ::testing::Values(ValueCase{"CITY", "Wien", "Wien", kNoNumber}, ValueCase{"CITY", "12", "12", 12},
                      ValueCase{"NAME", "Gr\xF6\xDF" "e caf\xE9", "Gr\xF6\xDF" "e caf\xE9", kNoNumber},
                      ValueCase{"CREDIT", "1234.5", "1234.50", 1235}, ValueCase{"CREDIT", "-0.05", "-0.05", 0},
                      ValueCase{"DISCOUNT", "99.99", "99.99", 100}, ValueCase{"RATING", "-32768", "-32768", -32768},
                      ValueCase{"BALANCE", "9007199254740993", "9007199254740993", 9007199254740993LL},
                      ValueCase{"SCORE", "1.5", "1.5", 1}, ValueCase{"RATIO", "0.1", "0.1", 0},
                      ValueCase{"SINCE", "2024-02-29", "2024-02-29", kNoNumber},
                      ValueCase{"CALL_TIME", "13:45:30", "13:45:30", kNoNumber},
                      ValueCase{"UPDATED_AT", "2024-02-29 13:45:30.1234", "2024-02-29 13:45:30.1234", kNoNumber},
                      ValueCase{"ACTIVE", "true", "TRUE", 1},
                      ValueCase{"NOTES", "7 lines\r\nmore", "7 lines\r\nmore", kNoNumber},
                      ValueCase{"NOTES", "42", "42", 42}, ValueCase{"NAME_UTF", "caf\xE9", "caf\xE9", kNoNumber}),
    [](const ::testing::TestParamInfo<ValueCase>& info) {
        return std::string(info.param.column) + "_" + std::to_string(info.index);
    });

TEST_F(RowTest, NullsReadAsEmptyAndZero)
{
    Stmt("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (1, 'n', 'e')")->Execute();
    auto q = Query("SELECT CITY, RATING, NOTES, ACTIVE FROM CUSTOMERS");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    for (int i = 0; i < 4; ++i) {
        TIB_Column& c = q->Fields().Columns(i);
        EXPECT_TRUE(c.IsNull()) << c.FieldName();
        EXPECT_EQ(c.AsString(), "") << c.FieldName();
        EXPECT_EQ(c.AsInteger(), 0) << c.FieldName();
    }
    q->Close();
}

TEST_F(RowTest, OutputTextIsRightTrimmedUnlessTheConnectionSaysNo)
{
    auto q = Query("SELECT RDB$RELATION_NAME, CAST('12.7 ' AS CHAR(8)) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ORDERS'");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    EXPECT_EQ(q->Fields().Columns(0).AsString(), "ORDERS");
    EXPECT_EQ(q->Fields().Columns(0).Trimming(), TIB_ColumnTrimming::ctRight);
    EXPECT_EQ(q->Fields().Columns(1).AsInteger(), 12) << "a number in a CHAR, truncated toward zero";
    q->Close();
    TestDatabase other;
    auto c = MakeConnection(other.path(), session_);
    c->SetDefaultNoTrimming(true);
    auto q2 = MakeQuery(*c, nullptr, "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ORDERS'");
    EXPECT_EQ(q2->Column(0), std::vector<std::string>({"ORDERS" + std::string(25, ' ')}));
}

TEST_F(RowTest, IntegerTextRules)
{
    auto s = Stmt("SELECT CAST(:S AS SMALLINT), CAST(:I AS INTEGER) FROM RDB$DATABASE");
    s->Prepare();
    TIB_Column& small = s->Params().Columns(0);
    try {
        small.SetAsString("40000");
        FAIL();
    } catch (const EIB_ColumnError& e) {
        EXPECT_STREQ(e.what(), "Value out of range");
    }
    EXPECT_TRUE(small.IsNull()) << "a rejected value changes nothing";
    small.SetAsString(" 17 ");
    EXPECT_EQ(small.AsInteger(), 17);
    small.SetAsString("");
    EXPECT_TRUE(small.IsNull()) << "empty text makes a nullable column null";
    EXPECT_THROW(s->Params().Columns(1).SetAsString("12x"), EIB_ColumnError);
}

TEST_F(RowTest, EmptyTextOnANotNullOutputColumnIsZero)
{
    Stmt("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (5, 'n', 'e')")->Execute();
    auto q = Query("SELECT CUST_ID FROM CUSTOMERS");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    TIB_Column& id = q->Fields().Columns(0);
    EXPECT_FALSE(id.IsNullable());
    id.SetAsString("");
    EXPECT_FALSE(id.IsNull());
    EXPECT_EQ(id.AsInteger(), 0);
    id.SetBlankIsNull(true);
    id.SetAsString("");
    EXPECT_TRUE(id.IsNull()) << "BLANKISNULL makes it null, with the null bit added";
    EXPECT_TRUE(id.IsNullable());
    q->Close();
}

TEST_F(RowTest, NameLookupRulesInDialect3)
{
    auto q = Query("SELECT R.RDB$RELATION_NAME, F.RDB$RELATION_NAME, F.RDB$NULL_FLAG AS NULL_FLAG2, 1 AS \"DATE\", "
                   "2 AS \"lower\" FROM RDB$RELATIONS R JOIN RDB$RELATION_FIELDS F ON F.RDB$RELATION_NAME = "
                   "R.RDB$RELATION_NAME");
    q->Prepare();
    TIB_Row& row = q->Fields();
    EXPECT_EQ(row.RelationCount(), 2);
    EXPECT_EQ(row.RelationNames(), TIB_StringList({"RDB$RELATIONS", "RDB$RELATION_FIELDS"}));
    EXPECT_EQ(&row.ByName("rdb$relation_name"), &row.Columns(0)) << "unquoted names are upper-cased";
    EXPECT_EQ(row.FindByName("\"rdb$relation_name\""), nullptr) << "quoted keeps its case";
    EXPECT_EQ(&row.ByName("\"RDB$RELATION_NAME\""), &row.Columns(0));
    EXPECT_EQ(&row.ByName("RDB$RELATION_NAME"), &row.Columns(0)) << "the same name finds the same column";
    EXPECT_EQ(&row.ByName("RDB$RELATION_FIELDS.RDB$RELATION_NAME"), &row.Columns(1));
    EXPECT_EQ(&row.ByName("rdb$relations.rdb$relation_name"), &row.Columns(0));
    EXPECT_EQ(&row.ByName("\"RDB$RELATION_FIELDS\".\"RDB$RELATION_NAME\""), &row.Columns(1));
    EXPECT_EQ(&row.ByName("NULL_FLAG2"), &row.Columns(2)) << "by the alias";
    EXPECT_EQ(&row.ByName("RDB$NULL_FLAG"), &row.Columns(2)) << "and by the server's field name";
    EXPECT_EQ(row.Columns(2).FieldName(), "NULL_FLAG2");
    EXPECT_EQ(row.Columns(2).SQLName(), "RDB$NULL_FLAG");
    EXPECT_EQ(row.Columns(3).FieldName(), "\"DATE\"") << "a reserved word is quoted";
    EXPECT_EQ(&row.ByName("date"), &row.Columns(3));
    EXPECT_EQ(row.Columns(4).FieldName(), "\"lower\"");
    EXPECT_EQ(&row.ByName("\"lower\""), &row.Columns(4));
    EXPECT_EQ(&row.ByName("lower"), &row.Columns(4)) << "then the name as given in quotes";
    EXPECT_EQ(row.Columns(1).FullFieldName(), "RDB$RELATION_FIELDS.RDB$RELATION_NAME");
    EXPECT_EQ(row.Columns(1).BestFieldName(), "RDB$RELATION_FIELDS.RDB$RELATION_NAME");
    EXPECT_EQ(row.Columns(2).FullFieldName(), "NULL_FLAG2") << "an alias is not qualified";
    EXPECT_EQ(row.FindByName(""), nullptr);
    EXPECT_EQ(row.FindByName("   "), nullptr);
    try {
        row.ByName("rdb$missing");
        FAIL();
    } catch (const EIB_StatementError& e) {
        EXPECT_STREQ(e.what(), "FieldName: rdb$missing not found");
    }
}

TEST_F(RowTest, QuotedIdentifiersOfATable)
{
    auto q = Query("SELECT * FROM \"odd names\"");
    q->Prepare();
    TIB_Row& row = q->Fields();
    EXPECT_EQ(row.Columns(0).FieldName(), "\"lower\"");
    EXPECT_EQ(row.Columns(0).RelName(), "\"odd names\"");
    EXPECT_EQ(row.Columns(3).FieldName(), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(&row.ByName("\"with blank\""), &row.Columns(1));
    EXPECT_EQ(&row.ByName("\"it's\""), &row.Columns(2));
    EXPECT_EQ(&row.ByName("\"say \"\"hi\"\"\""), &row.Columns(3));
    EXPECT_EQ(&row.ByName("\"odd names\".\"lower\""), &row.Columns(0));
    EXPECT_EQ(row.BySQLNo(2).FieldName(), "\"it's\"");
}

TEST(RowLookup, Dialect1IsCaseInsensitive)
{
    DatabaseOptions o;
    o.schema = "schema_dialect1.sql";
    o.descriptions = "descriptions_dialect1.sql";
    o.dialect = 1;
    TestDatabase db(o);
    auto c = MakeConnection(db.path());
    auto q = MakeQuery(*c, nullptr, "select item_id, title as Label, 1 from items");
    q->Prepare();
    TIB_Row& row = q->Fields();
    EXPECT_EQ(row.Dialect(), 1);
    EXPECT_EQ(row.Columns(1).FieldName(), "LABEL");
    EXPECT_EQ(&row.ByName("label"), &row.Columns(1));
    EXPECT_EQ(&row.ByName("\"label\""), &row.Columns(1));
    EXPECT_EQ(&row.ByName("Items.Item_Id"), &row.Columns(0));
}

// A statement whose change hooks can veto.
class VetoStatement : public TIB_Statement {
public:
    using TIB_Statement::TIB_Statement;
    bool vetoBefore = false, vetoAfter = false;
    std::vector<std::string> calls;

protected:
    void SysBeforeColumnChange(TIB_Row& row, TIB_Column& c) override
    {
        calls.push_back(std::string(row.Kind() == TIB_RowKind::rkInput ? "param " : "field ") + "before " + c.FieldName());
        if (vetoBefore)
            throw EIB_DatasetError("Dataset is readonly");
    }
    void SysColumnChanged(TIB_Row& row, TIB_Column& c) override
    {
        calls.push_back(std::string(row.Kind() == TIB_RowKind::rkInput ? "param " : "field ") + "changed " + c.FieldName() +
                        "=" + c.AsString());
        if (vetoAfter)
            throw EIB_DatasetError("Record was not located to update");
    }
};

TEST_F(RowTest, ChangeProtocolLetsHooksVetoAndRestoresTheBytes)
{
    VetoStatement s(session_);
    s.SetIB_Connection(conn_.get());
    s.SetIB_Transaction(tr_.get());
    s.SetSQLText("SELECT CAST('abc' AS VARCHAR(10)) AS V, CAST(:P AS INTEGER) AS P FROM RDB$DATABASE");
    s.Prepare();
    TIB_Column& p = s.ParamByName("P");
    p.SetAsString("1");
    s.Execute();
    TIB_Column& v = s.FieldByName("V");
    EXPECT_EQ(v.AsString(), "abc");
    const std::vector<unsigned char> before(v.Data(), v.Data() + v.DataSize());

    s.vetoBefore = true;
    EXPECT_THROW(v.SetAsString("xyz"), EIB_DatasetError);
    EXPECT_EQ(v.AsString(), "abc");
    s.vetoBefore = false;
    s.vetoAfter = true;
    EXPECT_THROW(v.SetAsString("xyz"), EIB_DatasetError);
    EXPECT_EQ(std::vector<unsigned char>(v.Data(), v.Data() + v.DataSize()), before) << "bytes put back";
    s.vetoAfter = false;
    v.OnChange = [](TIB_Column&) { throw EIB_ColumnError("no"); };
    EXPECT_THROW(v.SetIsNull(true), EIB_ColumnError);
    EXPECT_FALSE(v.IsNull());
    v.OnChange = nullptr;
    v.SetAsString("new");
    EXPECT_EQ(v.AsString(), "new");
    EXPECT_EQ(s.calls, std::vector<std::string>({"param before P", "param changed P=1", "field before V",
                                                 "field before V", "field changed V=xyz", "field before V",
                                                 "field before V", "field changed V=new"}));
}

TEST_F(RowTest, WholeRowsCopyToRecordsAndOldValuesTellChanges)
{
    auto q = Query("SELECT RDB$RELATION_NAME, RDB$RELATION_ID, RDB$DESCRIPTION FROM RDB$RELATIONS "
                   "WHERE RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    TIB_Row& row = q->Fields();
    std::vector<unsigned char> first(row.RecordSize());
    row.GetRecord(first.data());
    const std::string firstName = row.Columns(0).AsString();
    const std::string firstDescription = row.Columns(2).AsString();
    ASSERT_TRUE(q->Fetch());
    EXPECT_NE(row.Columns(0).AsString(), firstName);
    row.SetRecord(first.data());
    EXPECT_EQ(row.Columns(0).AsString(), firstName);
    EXPECT_EQ(row.Columns(2).AsString(), firstDescription) << "the blob id travels with the record";
    q->Close();

    row.SaveOldValues();
    EXPECT_FALSE(row.IsModified());
    row.Columns(1).SetAsInteger(999);
    EXPECT_TRUE(row.IsModified());
    EXPECT_TRUE(row.Columns(1).IsModified());
    EXPECT_FALSE(row.Columns(0).IsModified());
    EXPECT_EQ(row.Columns(1).OldAsString(), std::to_string(0 + std::stoi(row.Columns(1).OldAsString())));
    row.Columns(2).SetAsString(firstDescription);
    EXPECT_FALSE(row.Columns(2).IsModified()) << "a blob rewritten with its own text is unchanged";
    row.Columns(2).SetAsString(firstDescription + "!");
    EXPECT_TRUE(row.Columns(2).IsModified());
    row.RestoreOldValues();
    EXPECT_FALSE(row.IsModified());
    EXPECT_EQ(row.Columns(2).AsString(), firstDescription);
}

TEST_F(RowTest, ParametersShareAnotherRowsBuffers)
{
    Stmt("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (3, 'before', 'e')")->Execute();
    auto q = Query("SELECT CUST_ID, NAME FROM CUSTOMERS");
    q->Open();
    ASSERT_TRUE(q->Fetch());
    q->Fields().SaveOldValues();
    auto upd = Stmt("UPDATE CUSTOMERS SET NAME = :NAME WHERE CUST_ID = :CUST_ID AND NAME = :OLD_NAME");
    upd->Prepare();
    upd->Params().ShareColumn(upd->ParamByName("NAME"), q->FieldByName("NAME"), false);
    upd->Params().ShareColumn(upd->ParamByName("CUST_ID"), q->FieldByName("CUST_ID"), false);
    upd->Params().ShareColumn(upd->ParamByName("OLD_NAME"), q->FieldByName("NAME"), true);
    q->FieldByName("NAME").SetAsString("after");
    EXPECT_EQ(upd->ParamByName("NAME").AsString(), "after") << "no copy: the param reads the field";
    EXPECT_EQ(upd->ParamByName("OLD_NAME").AsString(), "before");
    upd->Execute();
    EXPECT_EQ(upd->RowsAffected(), 1);
    q->Close();
    EXPECT_EQ(Query("SELECT NAME FROM CUSTOMERS")->Column(0), std::vector<std::string>({"after"}));
}

} // namespace

// Calculated columns: appended after the server columns, computed once
// per fetched row, stored in the row buffer, computed again after a post.
#include "DatasetTestUtil.h"

#include "dataset/IB_CalcFieldDecl.h"

namespace varnel::dstest {
namespace {

class CalcFields : public DatasetTest {};

TEST_F(CalcFields, ColumnsAndTypesBothDeclarationForms)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS"});
    MakeNumbers(1);
    q->SetCalculatedFields({"FIELD_TYPE=VARCHAR(30)", "MANDATORY VARCHAR(5)", "AMOUNT NUMERIC(15,2)", "V VARCHAR",
                            "X.FLAG INTEGER NOT NULL"});
    q->Prepare();
    TIB_Row& f = q->Fields();
    ASSERT_EQ(f.ColumnCount(), 7);
    EXPECT_EQ(f.ServerCount(), 2);
    EXPECT_EQ(f.Columns(2).FieldName(), "FIELD_TYPE");
    EXPECT_TRUE(f.Columns(2).IsCalculated());
    EXPECT_EQ(f.Columns(2).SQLType(), SQLTYPE_VARYING | 1);
    EXPECT_EQ(f.Columns(2).SQLLen(), 30);
    EXPECT_EQ(f.Columns(3).FieldName(), "MANDATORY");
    EXPECT_EQ(f.Columns(3).SQLLen(), 5);
    EXPECT_EQ(f.Columns(4).DataType(), SQLTYPE_INT64);
    EXPECT_EQ(f.Columns(4).SQLScale(), -2);
    EXPECT_EQ(f.Columns(5).SQLLen(), 256);
    EXPECT_EQ(q->FieldByName("FLAG").RelName(), "X");
    EXPECT_FALSE(q->FieldByName("FLAG").IsNullable());
    EXPECT_TRUE(q->GetColumnIsReadOnly(q->FieldByName("FIELD_TYPE")));
}

TEST_F(CalcFields, InvalidDeclarationFailsThePrepare)
{
    auto q = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"});
    q->SetCalculatedFields({"D DOUBLE"});
    try {
        q->Open();
        FAIL() << "opened";
    } catch (const EIB_CalcFieldDefError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid XSQLVAR Def string: D DOUBLE");
    }
    EXPECT_FALSE(q->Prepared());
    q->SetCalculatedFields({"D DOUBLE PRECISION"});
    q->Open();
    EXPECT_TRUE(q->FieldByName("D").IsNull()) << "no handler: the column stays null";
}

TEST_F(CalcFields, ComputedOncePerFetchedRowInDeclarationOrder)
{
    MakeNumbers(30);
    auto q = Query({"SELECT N, LABEL, NOTE FROM NUMS ORDER BY N"});
    q->SetCalculatedFields({"TWICE=INTEGER", "TEXT=VARCHAR(40)"});
    std::vector<std::string> calls;
    q->OnCalculateField = [&](TIB_Statement&, TIB_Row& row, TIB_Column* field) {
        ASSERT_NE(field, nullptr);
        calls.push_back(field->FieldName() + "@" + row.ByName("N").AsString());
        if (field->FieldName() == "TWICE")
            row.ByName("TWICE").SetAsInteger(row.ByName("N").AsInteger() * 2);
        else
            row.ByName("TEXT").SetAsString(row.ByName("LABEL").AsString() + "/" + row.ByName("NOTE").AsString());
    };
    q->Open();
    EXPECT_EQ(calls, (std::vector<std::string>{"TWICE@1", "TEXT@1"}));
    EXPECT_EQ(q->FieldByName("TWICE").AsInteger(), 2);
    EXPECT_EQ(q->FieldByName("TEXT").AsString(), "row 1/");
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse) << "writing calculated columns starts no edit";
    q->MoveBy(9);
    EXPECT_EQ(calls.size(), 20u);
    EXPECT_EQ(q->FieldByName("TEXT").AsString(), "row 10/note 10");
    // Scrolling back and reading the buffer compute nothing.
    q->First();
    for (int n = 1; n <= 10; ++n) {
        q->ReadBufferRow(n);
        EXPECT_EQ(q->BufferFieldByName("TWICE").AsInteger(), 2 * n);
    }
    EXPECT_EQ(calls.size(), 20u);
    q->Last();
    EXPECT_EQ(calls.size(), 60u);
    EXPECT_EQ(q->FieldByName("TWICE").AsInteger(), 60);
}

TEST_F(CalcFields, AllAtOnceAndHandlerErrors)
{
    MakeNumbers(3);
    auto q = Query({"SELECT N FROM NUMS ORDER BY N"});
    q->SetCalculatedFields({"A=INTEGER", "B=INTEGER"});
    q->SetCalculateAllFields(true);
    int calls = 0;
    q->OnCalculateField = [&](TIB_Statement&, TIB_Row& row, TIB_Column* field) {
        ++calls;
        EXPECT_EQ(field, nullptr);
        if (row.ByName("N").AsInteger() == 2)
            throw EIB_Error("cannot compute");
        row.ByName("A").SetAsInteger(1);
        row.ByName("B").SetAsInteger(2);
    };
    q->Open();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(q->FieldByName("B").AsInteger(), 2);
    EXPECT_THROW(q->Next(), EIB_Error);
    EXPECT_EQ(q->RowNum(), 1);
    EXPECT_EQ(q->BufferRowCount(), 2) << "the row stays, without its computed values";
    q->Next();
    EXPECT_EQ(q->FieldByName("N").AsInteger(), 2);
    EXPECT_TRUE(q->FieldByName("A").IsNull());
    q->Next();
    EXPECT_EQ(q->FieldByName("A").AsInteger(), 1);
    EXPECT_EQ(calls, 3);
}

TEST_F(CalcFields, NullsOfAnOuterJoinReachTheHandler)
{
    auto q = Query({"SELECT rf.RDB$FIELD_NAME, f.RDB$FIELD_TYPE", "FROM RDB$RELATION_FIELDS rf",
                    "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = 'NO SUCH DOMAIN'",
                    "WHERE rf.RDB$RELATION_NAME = 'ORDERS'"});
    q->SetCalculatedFields({"FIELD_TYPE=VARCHAR(30)"});
    bool sawNull = false;
    q->OnCalculateField = [&](TIB_Statement&, TIB_Row& row, TIB_Column*) {
        sawNull = row.ByName("RDB$FIELD_TYPE").IsNull();
        row.ByName("FIELD_TYPE").SetAsString(sawNull ? "?" : "typed");
    };
    q->Open();
    EXPECT_TRUE(sawNull);
    EXPECT_EQ(q->FieldByName("FIELD_TYPE").AsString(), "?");
}

} // namespace
} // namespace varnel::dstest

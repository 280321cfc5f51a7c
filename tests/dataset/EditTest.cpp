// Editing and posting through EditSQL: binding by name, the checks of
// the rows touched, blobs, CheckBrowseMode, failures that keep the edit.
#include "DatasetTestUtil.h"

#include "dataset/IB_UpdateSQL.h"
#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class Editing : public DatasetTest {
protected:
    void SetUp() override
    {
        DatasetTest::SetUp();
        MakeNumbers(5);
    }

    std::unique_ptr<TIB_Query> Numbers(const TIB_StringList& editSQL)
    {
        auto q = Query({"SELECT N, LABEL, NOTE", "FROM NUMS", "ORDER BY N"}, "NumsQuery");
        q->SetKeyLinks({"NUMS.N"});
        q->SetEditSQL(editSQL);
        return q;
    }

    const TIB_StringList kEdit = {"UPDATE NUMS", "SET LABEL = :LABEL, NOTE = :NOTE", "WHERE N = :N"};
};

TEST_F(Editing, PostSendsTheRowAndCommitsAtOnce)
{
    auto q = Numbers(kEdit);
    q->Open();
    q->MoveBy(1);
    q->Edit();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(tr_->PostPendingCount(), 1);
    q->FieldByName("LABEL").SetAsString("second");
    EXPECT_TRUE(q->GetModified());
    q->Post();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(tr_->PostPendingCount(), 0);
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 1);
    auto other = OtherConnection();
    EXPECT_EQ(other.Value("SELECT LABEL FROM NUMS WHERE N = 2"), "second") << "committed at once";
    EXPECT_TRUE(q->CursorIsOpen()) << "the open cursor survives the commit";
    // The buffer keeps the posted values without fetching again.
    const long fetched = q->FetchedRowCount();
    q->ReadBufferRow(2);
    EXPECT_EQ(q->BufferFieldByName("LABEL").AsString(), "second");
    q->MoveBy(-1);
    q->MoveBy(1);
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "second");
    EXPECT_EQ(q->FetchedRowCount(), fetched);
    // Posting the same value again still sends it.
    q->FieldByName("LABEL").SetAsString("second!");
    q->Post();
    q->FieldByName("LABEL").SetAsString("second");
    q->Post();
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 3);
}

TEST_F(Editing, CheckBrowseModePostsModifiedAndCancelsUnmodified)
{
    auto q = Numbers(kEdit);
    q->Open();
    q->Edit();
    q->CheckBrowseMode();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 0) << "nothing sent for an unmodified row";
    // Typed and typed back: unmodified.
    q->FieldByName("LABEL").SetAsString("changed");
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit) << "a column change starts the edit";
    q->FieldByName("LABEL").SetAsString("row 1");
    EXPECT_FALSE(q->GetModified());
    q->CheckBrowseMode();
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 0);
    q->FieldByName("LABEL").SetAsString("first");
    q->CheckBrowseMode();
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 1);
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "first");
    // Cancel puts the old values back.
    q->FieldByName("LABEL").SetAsString("never");
    q->Cancel();
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "first");
    EXPECT_EQ(tr_->PostPendingCount(), 0);
}

TEST_F(Editing, ScrollingPostsThePendingEdit)
{
    auto q = Numbers(kEdit);
    q->Open();
    q->FieldByName("LABEL").SetAsString("one");
    q->Next();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "one");
    q->ReadBufferRow(1);
    EXPECT_EQ(q->BufferFieldByName("LABEL").AsString(), "one");
}

TEST_F(Editing, BlobWrittenFirstAndReadBackFromTheBuffer)
{
    auto q = Numbers(kEdit);
    q->Open();
    q->FieldByName("NOTE").SetAsString("line one\r\nline two\r\n");
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT NOTE FROM NUMS WHERE N = 1"), "line one\r\nline two\r\n");
    q->ReadBufferRow(1);
    EXPECT_EQ(q->LoadedBlobText(q->BufferFieldByName("NOTE")), std::optional<std::string>("line one\r\nline two\r\n"));
    q->Last();
    q->First();
    EXPECT_EQ(q->FieldByName("NOTE").AsString(), "line one\r\nline two\r\n");
    // A null text goes out as null.
    q->FieldByName("NOTE").SetIsNull(true);
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT NOTE FROM NUMS WHERE N = 1"), "<null>");
}

TEST_F(Editing, OldValuesAndKeyValues)
{
    for (const TIB_StringList& edit :
         {TIB_StringList{"UPDATE NUMS SET LABEL = :LABEL", "WHERE N = :N AND LABEL = :OLD_LABEL"},
          TIB_StringList{"UPDATE NUMS SET LABEL = :LABEL", "WHERE N = :\"NUMS\".\"N\" AND LABEL = :OLD.LABEL"}}) {
        auto q = Numbers(edit);
        q->Open();
        q->Last();
        const std::string before = q->FieldByName("LABEL").AsString();
        q->FieldByName("LABEL").SetAsString(before + "+");
        q->Post();
        EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 5"), before + "+");
    }
}

TEST_F(Editing, InvalidReferenceFailsThePostAndKeepsTheEdit)
{
    auto q = Numbers({"UPDATE NUMS SET LABEL = :LABEL WHERE N = :NOPE"});
    q->Open();
    q->FieldByName("LABEL").SetAsString("x");
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid custom DML column reference: NOPE");
    }
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "x");
    ASSERT_NE(q->UpdateSQL().EditStatement(), nullptr);
    EXPECT_FALSE(q->UpdateSQL().EditStatement()->Prepared()) << "the statement is unprepared again";
    q->SetEditSQL(kEdit);
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "x");
}

TEST_F(Editing, RowGoneElsewhereAndSeveralRowsTouched)
{
    auto q = Numbers(kEdit);
    q->Open();
    q->MoveBy(2);
    auto other = OtherConnection();
    other.Exec("DELETE FROM NUMS WHERE N = 3");
    q->FieldByName("LABEL").SetAsString("lost");
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Record was not located to update");
    }
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "lost");
    q->Cancel();

    // An update that touches several rows is refused and undone.
    q->SetEditSQL({"UPDATE NUMS SET LABEL = :LABEL WHERE N >= :N"});
    q->First();
    q->FieldByName("LABEL").SetAsString("all");
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Multiple records updated");
    }
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    q->Cancel();
    // Another post commits; the refused update must not ride along.
    q->SetEditSQL(kEdit);
    q->FieldByName("LABEL").SetAsString("only");
    q->Post();
    EXPECT_EQ(other.Value("SELECT COUNT(*) FROM NUMS WHERE LABEL IN ('all', 'only')"), "1");
    EXPECT_EQ(other.Value("SELECT LABEL FROM NUMS WHERE N = 2"), "row 2");
}

TEST_F(Editing, ExecuteBlockPostsWithoutARowCount)
{
    auto q = Numbers({"EXECUTE BLOCK (K INTEGER = :N, L VARCHAR(20) = :LABEL)", "AS",
                      "BEGIN",
                      "  EXECUTE STATEMENT ('UPDATE NUMS SET LABEL = ? WHERE N = ?') (L, K);",
                      "END"});
    q->Open();
    q->Next();
    q->FieldByName("LABEL").SetAsString("by block");
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 2"), "by block");
    // The block touches nothing for a row deleted meanwhile: no error.
    OtherConnection().Exec("DELETE FROM NUMS WHERE N = 2");
    q->FieldByName("LABEL").SetAsString("nowhere");
    q->Post();
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
}

TEST_F(Editing, DescriptionThroughCommentOn)
{
    auto q = Query({"SELECT RDB$RELATION_NAME", "     , RDB$DESCRIPTION", "FROM RDB$RELATIONS",
                    "WHERE RDB$RELATION_NAME = 'ORDERS'"},
                   "TableQuery");
    q->SetKeyLinks({"RDB$RELATIONS.RDB$RELATION_NAME"});
    q->SetEditSQL({"EXECUTE BLOCK (RDB$DESCRIPTION BLOB SUB_TYPE TEXT = :RDB$DESCRIPTION,",
                   "               RDB$RELATION_NAME VARCHAR(63) = :RDB$RELATION_NAME)",
                   "AS",
                   "BEGIN",
                   "  EXECUTE STATEMENT 'COMMENT ON TABLE \"' || TRIM(RDB$RELATION_NAME) || '\" IS ' ||",
                   "    COALESCE('''' || REPLACE(RDB$DESCRIPTION, '''', '''''') || '''', 'NULL');",
                   "END"});
    q->Open();
    EXPECT_FALSE(q->GetColumnIsReadOnly(q->FieldByName("RDB$DESCRIPTION")));
    EXPECT_FALSE(q->GetColumnIsReadOnly(q->FieldByName("RDB$RELATION_NAME")));
    q->FieldByName("RDB$DESCRIPTION").SetAsString("It's new\r\n");
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ORDERS'"),
              "It's new\r\n");
    q->FieldByName("RDB$DESCRIPTION").SetIsNull(true);
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT RDB$DESCRIPTION FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ORDERS'"),
              "<null>");
}

TEST_F(Editing, StateErrors)
{
    auto q = Numbers(kEdit);
    try {
        q->Post();
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot Post current Row");
    }
    q->Prepare();
    try {
        q->FieldByName("LABEL").SetAsString("x");
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Dataset is inactive");
    }
    q->Open();
    try {
        q->FieldByName("NOTE").SetAsString("x");
        q->SetEditSQL({"UPDATE NUMS SET LABEL = :LABEL WHERE N = :N"});
        q->Cancel();
        q->FieldByName("NOTE").SetAsString("x");
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "NUMS.NOTE is readonly");
    }
    EXPECT_EQ(q->State(), TIB_DatasetState::dssBrowse);
    EXPECT_TRUE(q->GetColumnIsReadOnly(q->FieldByName("NOTE")));
    EXPECT_FALSE(q->GetColumnIsReadOnly(q->FieldByName("LABEL")));
    q->SetReadOnly(true);
    try {
        q->FieldByName("LABEL").SetAsString("x");
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Dataset is readonly");
    }
    try {
        q->Edit();
        FAIL();
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot Edit current Row");
    }
    q->SetReadOnly(false);
    q->Last();
    q->Next(); // EOF: no current row
    EXPECT_THROW(q->Edit(), EIB_DatasetError);
}

TEST_F(Editing, RequiredColumnsAreChecked)
{
    auto q = Numbers({"UPDATE NUMS SET N = :N, LABEL = :LABEL WHERE N = :OLD_N"});
    q->Open();
    q->FieldByName("N").SetIsNull(true);
    try {
        q->Post();
        FAIL() << "posted a null key";
    } catch (const EIB_DatasetError& e) {
        EXPECT_EQ(std::string(e.what()), "NUMS.N is a required field");
    }
    EXPECT_EQ(q->UpdateSQL().EditExecutions(), 0);
    q->FieldByName("N").SetAsInteger(100);
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 100"), "row 1");
    q->ReadBufferRow(1);
    EXPECT_EQ(q->BufferFieldByName("N").AsInteger(), 100);
}

TEST_F(Editing, ServerErrorKeepsTheEditAndRetries)
{
    Exec("ALTER TABLE NUMS ADD CONSTRAINT SHORT_LABEL CHECK (CHAR_LENGTH(LABEL) < 8)");
    auto q = Numbers(kEdit);
    q->Open();
    q->FieldByName("LABEL").SetAsString("far too long");
    EXPECT_THROW(q->CheckBrowseMode(), EIB_ISCError);
    EXPECT_EQ(q->State(), TIB_DatasetState::dssEdit);
    EXPECT_EQ(q->FieldByName("LABEL").AsString(), "far too long");
    EXPECT_THROW(q->Next(), EIB_ISCError) << "the scroll tries again";
    EXPECT_EQ(q->RowNum(), 1);
    int retries = 0;
    q->OnPostError = [&](TIB_Dataset& d, const std::exception&, TIB_DataAction& action) {
        ++retries;
        d.FieldByName("LABEL").SetAsString("short");
        action = TIB_DataAction::dacRetry;
    };
    q->Post();
    EXPECT_EQ(retries, 1);
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "short");
}

TEST_F(Editing, CalculatedColumnsComputedAgainAfterPost)
{
    auto q = Numbers(kEdit);
    q->SetCalculatedFields({"SHOUT=VARCHAR(30)"});
    int calls = 0;
    q->OnCalculateField = [&](TIB_Statement&, TIB_Row& row, TIB_Column*) {
        ++calls;
        row.ByName("SHOUT").SetAsString(UpperCase(row.ByName("LABEL").AsString()));
    };
    q->Open();
    EXPECT_EQ(q->FieldByName("SHOUT").AsString(), "ROW 1");
    q->FieldByName("LABEL").SetAsString("posted");
    EXPECT_EQ(q->FieldByName("SHOUT").AsString(), "ROW 1");
    q->Post();
    EXPECT_EQ(q->FieldByName("SHOUT").AsString(), "POSTED");
    EXPECT_EQ(calls, 2);
    q->ReadBufferRow(1);
    EXPECT_EQ(q->BufferFieldByName("SHOUT").AsString(), "POSTED");
}

TEST_F(Editing, DefaultUpdateFromTheKeyRelation)
{
    auto q = Query({"SELECT N, LABEL FROM NUMS ORDER BY N"});
    q->SetKeyLinksAutoDefine(true);
    q->Open();
    EXPECT_EQ(q->UpdateSQL().EditText(), "UPDATE NUMS\r\n  SET N = :N\r\n    , LABEL = :LABEL\r\nWHERE N = :OLD.N");
    EXPECT_FALSE(q->GetColumnIsReadOnly(q->FieldByName("LABEL")));
    q->FieldByName("LABEL").SetAsString("default");
    q->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 1"), "default");

    auto k = Query({"SELECT LABEL FROM NUMS ORDER BY N"});
    k->SetKeyLinksAutoDefine(true);
    k->Open();
    k->Next();
    k->FieldByName("LABEL").SetAsString("by db key");
    k->Post();
    EXPECT_EQ(OtherConnection().Value("SELECT LABEL FROM NUMS WHERE N = 2"), "by db key");
}

TEST_F(Editing, DetailPostsBeforeTheMasterScrolls)
{
    Exec("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (1, 'Ann', 'a@x')");
    Exec("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (2, 'Bob', 'b@x')");
    Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT) VALUES (10, 1, 5)");
    Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT) VALUES (12, 2, 7)");
    auto master = Query({"SELECT CUST_ID, NAME FROM CUSTOMERS ORDER BY CUST_ID"}, "Customers");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    auto detail = Query({"SELECT ORDER_ID, CUST_ID, NOTES FROM ORDERS"}, "Orders");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"CUST_ID=CUSTOMERS.CUST_ID"});
    detail->SetEditSQL({"UPDATE ORDERS SET NOTES = :NOTES WHERE ORDER_ID = :ORDER_ID AND CUST_ID = :CUST_ID"});
    std::vector<std::string> order;
    detail->BeforePost = [&](TIB_Dataset& d) { order.push_back("post " + d.FieldByName("CUST_ID").AsString()); };
    master->BeforeScroll = [&](TIB_Dataset&) { order.push_back("scroll"); };
    detail->BeforeExecute = [&](TIB_Statement&) { order.push_back("execute"); };
    master->Open();
    detail->Open();
    order.clear();
    detail->FieldByName("NOTES").SetAsString("first order");
    master->Next();
    EXPECT_EQ(order, (std::vector<std::string>{"scroll", "post 1", "execute"}));
    EXPECT_EQ(OtherConnection().Value("SELECT NOTES FROM ORDERS WHERE ORDER_ID = 10"), "first order");
    EXPECT_EQ(detail->FieldByName("ORDER_ID").AsInteger(), 12);
}

} // namespace
} // namespace varnel::dstest

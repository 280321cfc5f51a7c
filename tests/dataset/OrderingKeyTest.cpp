// Ordering items and links, OnOrderingChanged, and the key columns.
#include "DatasetTestUtil.h"

namespace varnel::dstest {
namespace {

class Ordering : public DatasetTest {};

std::unique_ptr<TIB_Query> TableList(DatasetTest& t, std::function<std::unique_ptr<TIB_Query>(const TIB_StringList&)> make)
{
    auto q = make(kTableSQL);
    q->SetKeyLinks({"RDB$RELATIONS.RDB$RELATION_NAME"});
    q->SetOrderingItems(kTableItems);
    q->SetOrderingLinks({"RDB$RELATION_NAME=1"});
    q->OnPrepareSQL = [](TIB_Dataset& d) { d.WhereConditions().push_back("RDB$SYSTEM_FLAG = 0"); };
    return q;
}

TEST_F(Ordering, ChangeWhileOpenRefreshesKeepingRowNumber)
{
    auto q = TableList(*this, [&](const TIB_StringList& s) { return Query(s, "TableQuery"); });
    int changed = 0, prepares = 0, orderingNotices = 0;
    q->SetOrderingItemNo(1);
    q->OnOrderingChanged = [&](TIB_Dataset&) { ++changed; };
    q->AfterPrepare = [&](TIB_Statement&) { ++prepares; };
    TIB_DataSource ds;
    ds.SetDataset(q.get());
    TIB_DataLink link;
    link.OnOrderingChanged = [&](TIB_DataLink&) { ++orderingNotices; };
    link.SetDataSource(&ds);
    q->Open();
    EXPECT_EQ(changed, 1) << "a successful prepare fires it";
    q->MoveBy(1);
    EXPECT_EQ(q->FieldByName("RDB$RELATION_NAME").AsString(), "EMPTY_DOC");
    changed = prepares = 0;

    q->SetOrderingItemNo(1);
    EXPECT_EQ(changed, 0) << "the same value does nothing";
    EXPECT_EQ(prepares, 0);

    q->SetOrderingItemNo(-1);
    EXPECT_EQ(changed, 1) << "once per change, not once more for its prepare";
    EXPECT_EQ(prepares, 1);
    EXPECT_EQ(orderingNotices, 1);
    EXPECT_TRUE(q->Active());
    EXPECT_EQ(q->RowNum(), 2) << "the row number is kept";
    EXPECT_EQ(q->FieldByName("RDB$RELATION_NAME").AsString(), "ORDERS");
    EXPECT_EQ(q->OrderingLink(), std::optional<std::string>("RDB$RELATION_NAME"));
    EXPECT_EQ(q->ColumnOrderingItemNo(q->FieldByName("RDB$RELATION_NAME")), 1);
    EXPECT_EQ(q->ColumnOrderingItemNo(q->FieldByName("RDB$DESCRIPTION")), -1);
    EXPECT_EQ(q->OrderingItemText(-1), "RDB$RELATION_NAME DESC");
    EXPECT_EQ(q->OrderingItemText(2), "");
}

TEST_F(Ordering, ChangeWhileClosedOnlyInvalidates)
{
    auto q = TableList(*this, [&](const TIB_StringList& s) { return Query(s, "TableQuery"); });
    q->SetOrderingItemNo(1);
    q->Prepare();
    int changed = 0, prepares = 0;
    q->OnOrderingChanged = [&](TIB_Dataset&) { ++changed; };
    q->AfterPrepare = [&](TIB_Statement&) { ++prepares; };
    q->SetOrderingItemNo(-1);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(prepares, 0);
    EXPECT_FALSE(q->Active());
    EXPECT_FALSE(q->SQLIsCurrent());
    q->Open();
    EXPECT_EQ(prepares, 1);
    EXPECT_EQ(q->ServerSQL().substr(q->ServerSQL().size() - 33), "ORDER BY RDB$RELATION_NAME DESC\r\n");
    EXPECT_EQ(q->FieldByName("RDB$RELATION_NAME").AsString(), "odd names");
}

TEST_F(Ordering, ItemZeroAndMissingItemsKeepTheDesignedOrder)
{
    auto q = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0",
                    "ORDER BY RDB$RELATION_NAME DESC"});
    q->SetOrderingItems({"BYID=RDB$RELATION_ID"});
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0",
                                         "ORDER BY RDB$RELATION_NAME DESC"}));
    q->SetOrderingItemNo(-1); // item 1 has no descending text
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0",
                                         "ORDER BY RDB$RELATION_NAME DESC"}));
    q->SetOrderingItemNo(1);
    q->Prepare();
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", "WHERE RDB$SYSTEM_FLAG = 0",
                                         "ORDER BY RDB$RELATION_ID ASC"}));
}

class Keys : public DatasetTest {};

TEST_F(Keys, PrimaryKeyDefinesTheKey)
{
    auto q = Query({"SELECT CUST_ID, NAME FROM CUSTOMERS"});
    q->SetKeyLinksAutoDefine(true);
    q->Prepare();
    EXPECT_EQ(q->EffectiveKeyLinks(), TIB_StringList{"CUSTOMERS.CUST_ID"});
    EXPECT_EQ(q->ServerSQL(), "SELECT CUST_ID, NAME FROM CUSTOMERS\r\n");
    ASSERT_EQ(q->KeyColumns().size(), 1u);
    EXPECT_EQ(q->KeyColumns()[0]->FieldName(), "CUST_ID");
}

TEST_F(Keys, DbKeyWhenThePrimaryKeyIsNotSelectedOrMissing)
{
    auto q = Query({"SELECT NAME", "FROM CUSTOMERS"});
    q->SetKeyLinksAutoDefine(true);
    q->Prepare();
    EXPECT_EQ(q->EffectiveKeyLinks(), TIB_StringList{"CUSTOMERS.RDB$DB_KEY"});
    EXPECT_EQ(q->ServerSQL(), JoinLines({"SELECT NAME", "     , CUSTOMERS.RDB$DB_KEY", "FROM CUSTOMERS"}));
    ASSERT_EQ(q->KeyColumns().size(), 1u);
    EXPECT_EQ(q->KeyColumns()[0]->SQLName(), "RDB$DB_KEY");

    // No primary key; "*" becomes the relation's columns; an alias is used.
    auto e = Query({"SELECT * FROM EMPTY_DOC d"});
    e->SetKeyLinksAutoDefine(true);
    e->Prepare();
    EXPECT_EQ(e->ServerSQL(), JoinLines({"SELECT d.*", "     , d.RDB$DB_KEY", "FROM EMPTY_DOC d"}));
    EXPECT_EQ(e->FieldCount(), 3);

    // Joins, aggregates and explicit links define nothing.
    auto j = Query({"SELECT o.ORDER_ID, c.NAME FROM ORDERS o JOIN CUSTOMERS c ON c.CUST_ID = o.CUST_ID"});
    j->SetKeyLinksAutoDefine(true);
    j->Prepare();
    EXPECT_TRUE(j->EffectiveKeyLinks().empty());
    auto a = Query({"SELECT COUNT(*) FROM ORDERS"});
    a->SetKeyLinksAutoDefine(true);
    a->Prepare();
    EXPECT_TRUE(a->EffectiveKeyLinks().empty());
    auto k = Query({"SELECT NAME FROM CUSTOMERS"});
    k->SetKeyLinks({"CUSTOMERS.NAME"});
    k->Prepare();
    EXPECT_EQ(k->EffectiveKeyLinks(), TIB_StringList{"CUSTOMERS.NAME"});
    EXPECT_EQ(k->ServerSQL(), "SELECT NAME FROM CUSTOMERS\r\n");
}

TEST_F(Keys, DbKeyKeyedRowsLocateByKeyAfterRefresh)
{
    MakeNumbers(5);
    Exec("CREATE TABLE LOOSE (A INTEGER, B VARCHAR(5))");
    Exec("INSERT INTO LOOSE VALUES (1, 'one')");
    Exec("INSERT INTO LOOSE VALUES (2, 'two')");
    auto q = Query({"SELECT A, B FROM LOOSE ORDER BY A"});
    q->SetKeyLinksAutoDefine(true);
    q->SetRefreshAction(TIB_RefreshAction::raKeepDataPos);
    q->Open();
    q->Next();
    q->Refresh();
    EXPECT_EQ(q->FieldByName("B").AsString(), "two");
}

} // namespace
} // namespace varnel::dstest

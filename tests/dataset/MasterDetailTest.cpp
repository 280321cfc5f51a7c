// Master-detail linking: link parameters and conditions, copying master
// values, re-executing only on a real change, the circular check.
#include "DatasetTestUtil.h"

#include "db/IB_Error.h"

namespace varnel::dstest {
namespace {

class MasterDetail : public DatasetTest {
protected:
    void SetUp() override
    {
        DatasetTest::SetUp();
        Exec("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (1, 'Ann', 'a@x')");
        Exec("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (2, 'Bob', 'b@x')");
        Exec("INSERT INTO CUSTOMERS (CUST_ID, NAME, EMAIL) VALUES (3, 'Cid', 'c@x')");
        Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT) VALUES (10, 1, 5)");
        Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT) VALUES (11, 1, 6)");
        Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, AMOUNT) VALUES (12, 2, 7)");
    }
};

TEST_F(MasterDetail, FieldListFollowsTheTableList)
{
    auto tables = Query(kTableSQL, "TableQuery");
    tables->SetKeyLinks({"RDB$RELATIONS.RDB$RELATION_NAME"});
    tables->SetOrderingItems(kTableItems);
    tables->SetOrderingItemNo(1);
    tables->OnPrepareSQL = [](TIB_Dataset& d) { d.WhereConditions().push_back("RDB$SYSTEM_FLAG = 0"); };
    TIB_DataSource tableSource;
    tableSource.SetDataset(tables.get());
    auto fields = Query(kFieldSQL, "FieldQuery");
    fields->SetKeyLinks({"RDB$RELATION_FIELDS.RDB$FIELD_NAME", "RDB$RELATION_FIELDS.RDB$RELATION_NAME"});
    fields->SetMasterSource(&tableSource);
    fields->SetMasterLinks({"RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME"});
    int executions = 0;
    fields->BeforeExecute = [&](TIB_Statement&) { ++executions; };

    tables->Open();
    fields->Open();
    EXPECT_EQ(executions, 1);
    EXPECT_EQ(fields->KeyColumns().size(), 2u) << "the key links name the server's relation, not the alias";
    EXPECT_EQ(Trim(fields->ParamByName("MLNK_RDB$RELATION_NAME_0").AsString()), "CUSTOMERS");
    EXPECT_EQ(Walk(*fields, "RDB$FIELD_NAME").front(), "CUST_ID");
    EXPECT_EQ(Walk(*fields, "RDB$FIELD_NAME").size(), 17u);

    tables->Next(); // EMPTY_DOC
    EXPECT_EQ(executions, 2);
    EXPECT_EQ(fields->RowNum(), 1) << "the re-executed detail is on its first row";
    EXPECT_EQ(fields->FieldByName("RDB$FIELD_NAME").AsString(), "ID");
    EXPECT_EQ(Walk(*fields, "RDB$FIELD_NAME"), (std::vector<std::string>{"ID", "LABEL"}));

    // Reading the master through its buffer position moves nothing.
    tables->SetBufferRowNum(4);
    EXPECT_EQ(executions, 2);

    // An export's way: locate the master, then read the detail.
    EXPECT_TRUE(tables->Locate("RDB$RELATION_NAME", {"ORDERS"}));
    EXPECT_EQ(executions, 3);
    EXPECT_EQ(Walk(*fields, "RDB$FIELD_NAME"), (std::vector<std::string>{"ORDER_ID", "CUST_ID", "AMOUNT", "NOTES"}));

    // Detail closed while the master moves: parameters follow, no execution.
    fields->Close();
    tables->First();
    EXPECT_EQ(executions, 3);
    EXPECT_EQ(Trim(fields->ParamByName("MLNK_RDB$RELATION_NAME_0").AsString()), "CUSTOMERS");
    fields->Open();
    EXPECT_EQ(executions, 4);
    EXPECT_EQ(fields->FieldByName("RDB$FIELD_NAME").AsString(), "CUST_ID");
}

TEST_F(MasterDetail, EqualLinkValuesDoNotReexecute)
{
    auto orders = Query({"SELECT ORDER_ID, CUST_ID FROM ORDERS ORDER BY ORDER_ID"}, "Orders");
    TIB_DataSource ds;
    ds.SetDataset(orders.get());
    auto customer = Query({"SELECT CUST_ID, NAME FROM CUSTOMERS"}, "Customer");
    customer->SetMasterSource(&ds);
    customer->SetMasterLinks({"CUST_ID=ORDERS.CUST_ID"});
    int executions = 0;
    customer->BeforeExecute = [&](TIB_Statement&) { ++executions; };
    orders->Open();
    customer->Open();
    EXPECT_EQ(customer->FieldByName("NAME").AsString(), "Ann");
    orders->Next(); // order 11, also customer 1
    EXPECT_EQ(executions, 1);
    orders->Next(); // order 12, customer 2
    EXPECT_EQ(executions, 2);
    EXPECT_EQ(customer->FieldByName("NAME").AsString(), "Bob");
    orders->Next(); // EOF: the link value becomes null, the detail is empty
    EXPECT_EQ(executions, 3);
    EXPECT_TRUE(customer->Eof());
    EXPECT_TRUE(customer->ParamByName("MLNK_CUST_ID_0").IsNull());
}

TEST_F(MasterDetail, ParametersWrittenIntoTheSQL)
{
    auto customers = Query({"SELECT CUST_ID, NAME FROM CUSTOMERS ORDER BY CUST_ID"}, "Customers");
    TIB_DataSource ds;
    ds.SetDataset(customers.get());
    auto orders = Query({"SELECT ORDER_ID FROM ORDERS WHERE CUST_ID = :CUST ORDER BY ORDER_ID"}, "Orders");
    orders->SetMasterSource(&ds);
    orders->SetMasterParamLinks({"CUST=CUSTOMERS.CUST_ID"});
    customers->Open();
    orders->Open();
    EXPECT_EQ(Walk(*orders, "ORDER_ID"), (std::vector<std::string>{"10", "11"}));
    customers->Next();
    EXPECT_EQ(Walk(*orders, "ORDER_ID"), std::vector<std::string>{"12"});
}

TEST_F(MasterDetail, EmptyMasterGivesEmptyDetail)
{
    auto master = Query({"SELECT ID FROM EMPTY_DOC"}, "Master");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    auto detail = Query({"SELECT ORDER_ID FROM ORDERS"}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"CUST_ID=EMPTY_DOC.ID"});
    master->Open();
    detail->Open();
    EXPECT_TRUE(detail->ParamByName("MLNK_CUST_ID_0").IsNull());
    EXPECT_TRUE(detail->Eof());
    EXPECT_TRUE(detail->Bof());
}

TEST_F(MasterDetail, QualifiedAndTwoLinksAndMissingMasterColumn)
{
    auto master = Query({"SELECT ORDER_ID, CUST_ID, AMOUNT FROM ORDERS ORDER BY ORDER_ID"}, "Master");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    // (No "OR" anywhere in these conditions: it would wrap the clause.)
    auto detail = Query({"SELECT o.ORDER_ID", "FROM ORDERS o", "WHERE o.NOTES IS NULL"}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"o.CUST_ID=ORDERS.CUST_ID", "o.AMOUNT=AMOUNT"});
    master->Open();
    detail->Open();
    EXPECT_EQ(detail->ServerSQL(),
              JoinLines({"SELECT o.ORDER_ID", "FROM ORDERS o", "WHERE o.CUST_ID=? /* MLNK_CUST_ID_0 */ ",
                         "  AND o.AMOUNT=? /* MLNK_AMOUNT_1 */ ", "  AND o.NOTES IS NULL"}));
    EXPECT_EQ(Walk(*detail, "ORDER_ID"), std::vector<std::string>{"10"});
    master->Last();
    EXPECT_EQ(Walk(*detail, "ORDER_ID"), std::vector<std::string>{"12"});

    // A link to a master column that does not exist: null, no rows, no error.
    detail->SetMasterLinks({"o.CUST_ID=ORDERS.NO_SUCH_COLUMN"});
    EXPECT_FALSE(detail->Prepared());
    detail->Open();
    EXPECT_TRUE(detail->ParamByName("MLNK_CUST_ID_0").IsNull());
    EXPECT_TRUE(detail->Eof());
}

TEST_F(MasterDetail, LinkParameterNamesFollowTheDialect)
{
    auto master = Query({"SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"}, "Master");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    auto detail = Query({"SELECT \"lower\" FROM \"odd names\""}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"\"odd names\".\"lower\"=RDB$RELATION_ID", "rf.RDB$A_VERY_LONG_COLUMN_NAME_FOR_LINKS=X"});
    master->Prepare();
    detail->SetMasterLinks({"\"odd names\".\"lower\"=RDB$RELATION_ID"});
    detail->Prepare();
    EXPECT_EQ(detail->MasterLinkParamName(0), "\"MLNK_lower_0\"");
    EXPECT_NE(detail->FindParam("\"MLNK_lower_0\""), nullptr);
    detail->SetMasterLinks({"rf.RDB$A_VERY_LONG_COLUMN_NAME_FOR_LINKS=X"});
    EXPECT_EQ(detail->MasterLinkParamName(0), "MLNK_RDB$A_VERY_LONG_COLUMN_NAME_FO_0");
}

TEST_F(MasterDetail, CircularReferenceIsRefused)
{
    auto a = Query({"SELECT CUST_ID FROM CUSTOMERS"}, "A");
    auto b = Query({"SELECT CUST_ID FROM ORDERS"}, "B");
    auto c = Query({"SELECT ORDER_ID FROM ORDERS"}, "C");
    TIB_DataSource dsA, dsB, dsC;
    dsA.SetDataset(a.get());
    dsB.SetDataset(b.get());
    dsC.SetDataset(c.get());
    b->SetMasterSource(&dsA);
    c->SetMasterSource(&dsB);
    for (auto [detail, source] : {std::pair{a.get(), &dsA}, std::pair{a.get(), &dsC}, std::pair{a.get(), &dsB}}) {
        try {
            detail->SetMasterSource(source);
            FAIL() << "accepted a circular master";
        } catch (const EIB_DatasetError& e) {
            EXPECT_EQ(std::string(e.what()), "Circular reference not allowed");
        }
        EXPECT_EQ(detail->MasterSource(), nullptr);
    }
    // Through the data source too: A's source may not serve C (B's detail).
    EXPECT_THROW(dsA.SetDataset(c.get()), EIB_DatasetError);
    EXPECT_EQ(dsA.Dataset(), a.get());
}

TEST_F(MasterDetail, DetailsHearChangesBeforeTheMastersControls)
{
    auto master = Query({"SELECT CUST_ID, NAME FROM CUSTOMERS ORDER BY CUST_ID"}, "Master");
    TIB_DataSource controls, links;
    controls.SetDataset(master.get());
    links.SetDataset(master.get());
    std::vector<std::string> order;
    TIB_DataLink control;
    control.OnDataChange = [&](TIB_DataLink&, TIB_Column*) { order.push_back("control"); };
    control.SetDataSource(&controls);
    auto detail = Query({"SELECT ORDER_ID FROM ORDERS"}, "Detail");
    detail->SetMasterLinks({"CUST_ID=CUST_ID"});
    detail->SetMasterSource(&links);
    detail->BeforeExecute = [&](TIB_Statement&) { order.push_back("detail"); };
    EXPECT_EQ(master->DataSources().front(), &links);
    EXPECT_FALSE(links.Links().front()->IsControlLink());
    master->Open();
    detail->Open();
    order.clear();
    master->Next();
    EXPECT_EQ(order, (std::vector<std::string>{"detail", "control"}));
}

} // namespace
} // namespace varnel::dstest

namespace varnel::dstest {
namespace {

varnel::test::DatabaseOptions Dialect1Options()
{
    varnel::test::DatabaseOptions o;
    o.schema = "schema_dialect1.sql";
    o.descriptions = "descriptions_dialect1.sql";
    o.dialect = 1;
    return o;
}

class Dialect1 : public DatasetTest {
protected:
    Dialect1() : DatasetTest(Dialect1Options()) {}
};

TEST_F(Dialect1, LinkNamesAndCalculatedDatesUpperCase)
{
    Exec("INSERT INTO ITEMS (ITEM_ID, TITLE) VALUES (1, 'one')");
    Exec("INSERT INTO ITEMS (ITEM_ID, TITLE) VALUES (2, 'two')");
    auto master = Query({"select item_id from items order by item_id"}, "Master");
    TIB_DataSource ds;
    ds.SetDataset(master.get());
    auto detail = Query({"select title from items"}, "Detail");
    detail->SetMasterSource(&ds);
    detail->SetMasterLinks({"items.item_id=ITEMS.ITEM_ID"});
    detail->SetCalculatedFields({"when DATE"});
    master->Open();
    detail->Open();
    EXPECT_EQ(detail->MasterLinkParamName(0), "MLNK_ITEM_ID_0");
    EXPECT_EQ(detail->ServerSQL(), JoinLines({"select title from items", "WHERE items.item_id=? /* MLNK_ITEM_ID_0 */ "}));
    EXPECT_EQ(detail->FieldByName("TITLE").AsString(), "one");
    EXPECT_EQ(detail->FieldByName("WHEN").DataType(), SQLTYPE_TIMESTAMP);
    master->Next();
    EXPECT_EQ(detail->FieldByName("title").AsString(), "two");
}

} // namespace
} // namespace varnel::dstest

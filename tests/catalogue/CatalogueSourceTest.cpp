// The rebuilt CREATE VIEW / CREATE PROCEDURE texts on the fixture's real
// views and procedures, byte for byte, and what the builders leave behind.
#include "CatalogueTestUtil.h"

#include <map>

namespace varnel::cattest {
namespace {

class CatalogueSource : public CatalogueTest {
protected:
    // The text of every row of the master, built on that row.
    template <class Build>
    std::map<std::string, std::string> Each(TIB_Query& master, const char* nameColumn, Build build)
    {
        std::map<std::string, std::string> r;
        for (master.First(); !master.Eof(); master.Next())
            r[master.FieldByName(nameColumn).AsString()] = build();
        return r;
    }
};

TEST_F(CatalogueSource, ViewsWithTheirColumnsAndStoredSource)
{
    cat_->ViewExportQuery.Open();
    cat_->ViewFieldExportQuery.Open();
    auto texts = Each(cat_->ViewExportQuery, "RDB$RELATION_NAME", [&] { return cat_->BuildViewSource(); });
    // Firebird 3 stores the source from SELECT on: one LF keeps "AS" apart.
    EXPECT_EQ(texts["V_CUSTOMER_CREDIT"], "CREATE VIEW V_CUSTOMER_CREDIT\n(\n  CUST_ID,\n  NAME,\n  DOUBLE_CREDIT\n)\n"
                                          "AS\nSELECT CUST_ID, NAME, CREDIT * 2 FROM CUSTOMERS");
    EXPECT_EQ(texts["V_ORDERS_CUST"], "CREATE VIEW V_ORDERS_CUST\n(\n  ORDER_ID,\n  AMOUNT,\n  NAME\n)\n"
                                      "AS\nSELECT o.ORDER_ID, o.AMOUNT, c.NAME\n"
                                      "FROM ORDERS o JOIN CUSTOMERS c ON c.CUST_ID = o.CUST_ID");
    EXPECT_EQ(texts.size(), 2u);
}

TEST_F(CatalogueSource, ProceduresWithInputsOutputsOrNoParameters)
{
    cat_->ProcedureExportQuery.Open();
    cat_->ParamsExportQuery.Open();
    auto texts = Each(cat_->ProcedureExportQuery, "RDB$PROCEDURE_NAME", [&] { return cat_->BuildProcedureSource(); });
    EXPECT_EQ(texts["P_NOTHING"], "CREATE PROCEDURE P_NOTHING\nAS\nBEGIN\n  EXIT;\nEND");
    EXPECT_EQ(texts["P_ORDERS"], "CREATE PROCEDURE P_ORDERS\n(\n  CUST  INTEGER,\n  MIN_AMOUNT  NUMERIC(9,2)\n)\n"
                                 "RETURNS\n(\n  ORDER_ID  INTEGER,\n  AMOUNT  NUMERIC(9,2)\n)\n"
                                 "AS\nBEGIN\n"
                                 "  FOR SELECT ORDER_ID, AMOUNT FROM ORDERS\n"
                                 "      WHERE CUST_ID = :CUST AND AMOUNT >= :MIN_AMOUNT\n"
                                 "      INTO :ORDER_ID, :AMOUNT\n"
                                 "  DO SUSPEND;\nEND");
    EXPECT_EQ(texts["P_OUT"], "CREATE PROCEDURE P_OUT\nRETURNS\n(\n  TOTAL  INT64,\n  LABEL  VARCHAR(80)\n)\n"
                              "AS\nBEGIN\n  SELECT COUNT(*), 'orders' FROM ORDERS INTO :TOTAL, :LABEL;\n"
                              "  SUSPEND;\nEND");
    EXPECT_EQ(texts.size(), 3u) << "the package routine is not among them";
}

TEST_F(CatalogueSource, DetailLeftAtItsEndMasterNotMoved)
{
    cat_->ProcedureExportQuery.Open();
    cat_->ParamsExportQuery.Open();
    ASSERT_TRUE(cat_->ProcedureExportQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_ORDERS")}));
    const int row = cat_->ProcedureExportQuery.RowNum();
    cat_->ParamsExportQuery.Next(); // the walk starts from the first row whatever the position
    const std::string once = cat_->BuildProcedureSource();
    EXPECT_TRUE(cat_->ParamsExportQuery.Eof());
    EXPECT_EQ(cat_->ProcedureExportQuery.RowNum(), row);
    EXPECT_EQ(cat_->ProcedureExportQuery.FieldByName("RDB$PROCEDURE_NAME").AsString(), "P_ORDERS");
    EXPECT_EQ(cat_->BuildProcedureSource(), once) << "a second build walks again from the first row";
    cat_->ParamsExportQuery.First();
    EXPECT_EQ(cat_->ParamsExportQuery.FieldByName("RDB$PARAMETER_NAME").AsString(), "CUST");

    cat_->ViewExportQuery.Open();
    cat_->ViewFieldExportQuery.Open();
    cat_->BuildViewSource();
    EXPECT_TRUE(cat_->ViewFieldExportQuery.Eof());
    EXPECT_EQ(cat_->ViewExportQuery.RowNum(), 1);
}

} // namespace
} // namespace varnel::cattest

// The calculated type columns end to end: every column type of the
// fixture as the field and parameter lists show it, the NOT NULL mark from
// the column and from its domain, and the mark's setting read at the
// moment of each computation.
#include "CatalogueTestUtil.h"

#include "settings/DocSettings.h"

namespace varnel::cattest {
namespace {

using Rows = std::vector<std::string>;

struct TypeCase {
    const char* name;
    varnel::test::Charset charset;
    int bytes; // per character of the database's default character set
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.name; }

class CatalogueTypes : public CatalogueTest, public ::testing::WithParamInterface<TypeCase> {
protected:
    CatalogueTypes() : CatalogueTest({.charset = GetParam().charset}) {}
    std::string Len(int chars) const { return std::to_string(chars * GetParam().bytes); }
};

TEST_P(CatalogueTypes, EveryFixtureColumnTypeInBothFieldLists)
{
    const Rows types = {
        "INTEGER",           // CUST_ID
        "VARCHAR(" + Len(40) + ")", // NAME: the byte length
        "CHAR(" + Len(20) + ")",    // CITY
        "NUMERIC(15,2)",     // CREDIT
        "DECIMAL(5,2)",      // DISCOUNT
        "SMALLINT",          // RATING
        "INT64",             // BALANCE
        "FLOAT",             // SCORE: the server's type name
        "DOUBLE",            // RATIO
        "DATE",              // SINCE
        "TIME",              // CALL_TIME
        "TIMESTAMP",         // UPDATED_AT
        "BLOB",              // NOTES
        "BLOB",              // PHOTO
        "BOOLEAN",           // ACTIVE
        "VARCHAR(" + Len(60) + ")", // EMAIL (domain D_EMAIL)
        "VARCHAR(40)",       // NAME_UTF: UTF8 in any database
    };
    const Rows mandatory = {"X", "X", "", "", "", "", "", "", "", "", "", "", "", "", "",
                            "X", // the NOT NULL domain of a nullable column
                            ""};
    cat_->OpenBrowseQueries();
    EXPECT_EQ(Walk(cat_->FieldQuery, "FIELD_TYPE"), types);
    EXPECT_EQ(Walk(cat_->FieldQuery, "MANDATORY"), mandatory);
    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    EXPECT_EQ(Walk(cat_->FieldExportQuery, "FIELD_TYPE"), types);
    EXPECT_EQ(Walk(cat_->FieldExportQuery, "MANDATORY"), mandatory);

    ASSERT_TRUE(cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("ORDERS")}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "FIELD_TYPE"),
              (Rows{"INTEGER", "INTEGER", "NUMERIC(9,2)", "VARCHAR(" + Len(200) + ")"}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "MANDATORY"), (Rows{"X", "X", "", ""}));
    ASSERT_TRUE(cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("odd names")}));
    EXPECT_EQ(Walk(cat_->FieldQuery, "FIELD_TYPE"),
              (Rows{"INTEGER", "VARCHAR(" + Len(5) + ")", "CHAR(" + Len(3) + ")", "SMALLINT"}));
}

TEST_P(CatalogueTypes, ParameterTypesAndDirections)
{
    cat_->OpenBrowseQueries();
    ASSERT_TRUE(cat_->ProcedureQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_ORDERS")}));
    EXPECT_EQ(Walk(cat_->ParameterQuery, "FIELD_TYPE"), (Rows{"INTEGER", "NUMERIC(9,2)", "INTEGER", "NUMERIC(9,2)"}));
    EXPECT_EQ(Walk(cat_->ParameterQuery, "INOUT"), (Rows{"INPUT", "INPUT", "OUTPUT", "OUTPUT"}));
    ASSERT_TRUE(cat_->ProcedureQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_OUT")}));
    EXPECT_EQ(Walk(cat_->ParameterQuery, "FIELD_TYPE"), (Rows{"INT64", "VARCHAR(" + Len(20) + ")"}));

    cat_->ProcedureExportQuery.Open();
    cat_->ParamsExportQuery.Open();
    ASSERT_TRUE(cat_->ProcedureExportQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_ORDERS")}));
    EXPECT_EQ(Walk(cat_->ParamsExportQuery, "FIELD_TYPE"),
              (Rows{"INTEGER", "NUMERIC(9,2)", "INTEGER", "NUMERIC(9,2)"}));
    EXPECT_EQ(Walk(cat_->ParamsExportQuery, "INOUT"), (Rows{"INPUT", "INPUT", "OUTPUT", "OUTPUT"}));
}

INSTANTIATE_TEST_SUITE_P(Charsets, CatalogueTypes,
                         ::testing::Values(TypeCase{"utf8", varnel::test::Charset::UTF8, 4},
                                           TypeCase{"iso8859_1", varnel::test::Charset::ISO8859_1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// The NOT NULL text as the setting holds it when the row is computed.
struct MarkCase {
    const char* name;
    const char* setting;
    const char* mark; // in the VARCHAR(5) column
};

void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

class CatalogueMark : public CatalogueTest, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(CatalogueMark, NotNullTextCutToFiveCharacters)
{
    settings_.SetText(Setting::Tables_NotNullColumnText, GetParam().setting);
    cat_->OpenBrowseQueries();
    ASSERT_TRUE(cat_->TableQuery.Locate("RDB$RELATION_NAME", {std::string("ORDERS")}));
    const std::string m = GetParam().mark;
    EXPECT_EQ(Walk(cat_->FieldQuery, "MANDATORY"), (Rows{m, m, "", ""}));
    cat_->TableExportQuery.Open();
    cat_->FieldExportQuery.Open();
    ASSERT_TRUE(cat_->TableExportQuery.Locate("RDB$RELATION_NAME", {std::string("ORDERS")}));
    EXPECT_EQ(Walk(cat_->FieldExportQuery, "MANDATORY"), (Rows{m, m, "", ""}));
}

INSTANTIATE_TEST_SUITE_P(Settings, CatalogueMark,
                         ::testing::Values(MarkCase{"default", "X", "X"}, MarkCase{"five", "Must!", "Must!"},
                                           MarkCase{"longer_is_cut", "Mandatory", "Manda"},
                                           MarkCase{"empty_marks_nothing", "", ""},
                                           MarkCase{"latin1", "Pfl\xfc" "cht", "Pfl\xfc" "c"}),
                         [](const auto& info) { return std::string(info.param.name); });

class CatalogueMarkTiming : public CatalogueTest {};

TEST_F(CatalogueMarkTiming, SettingReadWhenTheRowIsComputed)
{
    cat_->OpenBrowseQueries();
    EXPECT_EQ(cat_->FieldQuery.FieldByName("MANDATORY").AsString(), "X");
    // Rows already fetched keep their values; rows fetched later use the
    // text of that moment.
    settings_.SetText(Setting::Tables_NotNullColumnText, "yes");
    EXPECT_EQ(cat_->FieldQuery.FieldByName("MANDATORY").AsString(), "X");
    cat_->FieldQuery.Next();
    EXPECT_EQ(cat_->FieldQuery.FieldByName("MANDATORY").AsString(), "yes") << "NAME is NOT NULL";
    cat_->FieldQuery.Refresh();
    cat_->FieldQuery.First();
    EXPECT_EQ(cat_->FieldQuery.FieldByName("MANDATORY").AsString(), "yes");
}

// The handlers compute all of their columns whatever column they are
// asked for.
TEST_F(CatalogueMarkTiming, HandlersFillEveryColumnOnEachCall)
{
    cat_->OpenBrowseQueries();
    TIB_Row& row = cat_->FieldQuery.Fields();
    row.ByName("FIELD_TYPE").SetIsNull(true);
    row.ByName("MANDATORY").SetIsNull(true);
    cat_->FieldExportQueryCalculateField(cat_->FieldQuery, row, &row.ByName("MANDATORY"));
    EXPECT_EQ(row.ByName("FIELD_TYPE").AsString(), "INTEGER");
    EXPECT_EQ(row.ByName("MANDATORY").AsString(), "X");

    TIB_Row& prow = cat_->ParameterQuery.Fields();
    ASSERT_TRUE(cat_->ProcedureQuery.Locate("RDB$PROCEDURE_NAME", {std::string("P_ORDERS")}));
    prow.ByName("INOUT").SetIsNull(true);
    prow.ByName("FIELD_TYPE").SetIsNull(true);
    cat_->ParamsExportQueryCalculateField(cat_->ParameterQuery, prow, nullptr);
    EXPECT_EQ(prow.ByName("INOUT").AsString(), "INPUT");
    EXPECT_EQ(prow.ByName("FIELD_TYPE").AsString(), "INTEGER");
    EXPECT_EQ(cat_->FieldQuery.State(), TIB_DatasetState::dssBrowse) << "calculated columns never start an edit";
}

// RDB$TYPE_NAME of the field and parameter lists comes from the cache of
// RDB$TYPES, not from a join: every row holds what the join gives, system
// tables included, and the cache is read again after a reconnect.
using TypeNameRows = std::vector<std::pair<std::string, std::string>>;

TypeNameRows JoinedTypeNames(TIB_Connection& c, TIB_Transaction& t, const std::string& from, const std::string& key,
                             const std::string& where)
{
    TIB_Query q(c.SessionPtr());
    q.SetIB_Connection(&c);
    q.SetIB_Transaction(&t);
    q.SetKeyLinksAutoDefine(false);
    q.SetSQL({"SELECT " + key + ", t.RDB$TYPE_NAME FROM " + from,
              "LEFT JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = x.RDB$FIELD_SOURCE",
              "LEFT JOIN RDB$TYPES t ON t.RDB$TYPE = f.RDB$FIELD_TYPE AND t.RDB$FIELD_NAME = 'RDB$FIELD_TYPE'",
              "WHERE " + where, "ORDER BY 1"});
    q.Open();
    TypeNameRows rows;
    for (q.First(); !q.Eof(); q.Next()) {
        TIB_Column& n = q.Fields().Columns(1);
        rows.emplace_back(q.Fields().Columns(0).AsString(), n.IsNull() ? "<null>" : n.AsString());
    }
    return rows;
}

TypeNameRows CachedTypeNames(TIB_Dataset& master, TIB_Dataset& detail, const char* masterName,
                             const char* detailName)
{
    TypeNameRows rows;
    for (master.First(); !master.Eof(); master.Next())
        for (detail.First(); !detail.Eof(); detail.Next()) {
            TIB_Column& n = detail.FieldByName("RDB$TYPE_NAME");
            rows.emplace_back(master.FieldByName(masterName).AsString() + "." + detail.FieldByName(detailName).AsString(),
                              n.IsNull() ? "<null>" : n.AsString());
        }
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_F(CatalogueMarkTiming, TypeNamesFromTheCacheEqualTheJoin)
{
    settings_.SetBool(Setting::Settings_SystemData, true);
    for (int attach = 0; attach < 2; ++attach) {
        SCOPED_TRACE(attach);
        for (TIB_Query* q : cat_->Queries())
            EXPECT_EQ(q->SQLText().find("RDB$TYPES"), std::string::npos) << q->Name();
        const TypeNameRows fields =
            JoinedTypeNames(*conn_, *tr_, "RDB$RELATION_FIELDS x",
                            "TRIM(x.RDB$RELATION_NAME) || '.' || TRIM(x.RDB$FIELD_NAME)",
                            "(SELECT r.RDB$VIEW_BLR FROM RDB$RELATIONS r WHERE r.RDB$RELATION_NAME = "
                            "x.RDB$RELATION_NAME) IS NULL");
        ASSERT_GT(fields.size(), 100u) << "system tables included";
        cat_->TableExportQuery.Open();
        EXPECT_EQ(CachedTypeNames(cat_->TableExportQuery, cat_->FieldExportQuery, "RDB$RELATION_NAME",
                                  "RDB$FIELD_NAME"),
                  fields);
        cat_->CloseExportQueries();
        const TypeNameRows params = JoinedTypeNames(
            *conn_, *tr_, "RDB$PROCEDURE_PARAMETERS x",
            "TRIM(x.RDB$PROCEDURE_NAME) || '.' || TRIM(x.RDB$PARAMETER_NAME)", "x.RDB$PACKAGE_NAME IS NULL");
        cat_->OpenBrowseQueries();
        EXPECT_EQ(CachedTypeNames(cat_->ProcedureQuery, cat_->ParameterQuery, "RDB$PROCEDURE_NAME",
                                  "RDB$PARAMETER_NAME"),
                  params);
        conn_->Disconnect();
        conn_->Connect();
    }
}

} // namespace
} // namespace varnel::cattest

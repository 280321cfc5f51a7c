// The fixture databases the other tests build on: both character sets and
// dialect 1 come up with their schema and descriptions.
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace varnel::test;

namespace {

struct FixtureCase {
    const char* name;
    DatabaseOptions options;
    const char* probe;    // a query whose output must contain `expected`
    const char* expected;
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.name; }

class FixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTest, CreatesSchemaAndDescriptions)
{
    const FixtureCase& c = GetParam();
    TestDatabase db(c.options);
    std::string out = db.isql(std::string("SET LIST ON;\n") + c.probe + "\n");
    EXPECT_NE(out.find(c.expected), std::string::npos) << out;
}

DatabaseOptions utf8() { return {}; }
DatabaseOptions latin1()
{
    DatabaseOptions o;
    o.charset = Charset::ISO8859_1;
    return o;
}
DatabaseOptions dialect1()
{
    DatabaseOptions o;
    o.schema = "schema_dialect1.sql";
    o.descriptions = "descriptions_dialect1.sql";
    o.dialect = 1;
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureTest,
    ::testing::Values(
        FixtureCase{"utf8", utf8(),
                    "SELECT RDB$CHARACTER_SET_NAME AS CS FROM RDB$DATABASE;", "UTF8"},
        FixtureCase{"latin1", latin1(),
                    "SELECT RDB$CHARACTER_SET_NAME AS CS FROM RDB$DATABASE;", "ISO8859_1"},
        FixtureCase{"long_description", utf8(),
                    "SELECT CHAR_LENGTH(RDB$DESCRIPTION) AS L FROM RDB$RELATION_FIELDS "
                    "WHERE RDB$RELATION_NAME = 'ORDERS' AND RDB$FIELD_NAME = 'NOTES';",
                    "65000"},
        FixtureCase{"crlf_description", utf8(),
                    "SELECT POSITION(ASCII_CHAR(13) || ASCII_CHAR(10) IN RDB$DESCRIPTION) AS P "
                    "FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME = 'RATING';",
                    "11"},
        FixtureCase{"dialect1", dialect1(),
                    "SELECT MON$SQL_DIALECT AS D FROM MON$DATABASE;", "1"}),
    [](const ::testing::TestParamInfo<FixtureCase>& info) { return std::string(info.param.name); });

} // namespace

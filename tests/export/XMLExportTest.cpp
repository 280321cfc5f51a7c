// The XML export beyond the golden file: the file comes first, sections
// only with rows, the NOT NULL value whatever the HTML mark says, the
// system-data filter, the progress reports.
#include "ExportTestUtil.h"

#include "export/XMLExport.h"
#include "xml/XMLFile.h"

namespace varnel::exporttest {
namespace {

class XMLExportTest : public ExportTest {
protected:
    std::string Export(const std::string& name = "doc.xml")
    {
        XMLExport(Cat(), Out(name));
        return Read(name);
    }
};

TEST_F(XMLExportTest, NotNullValueIgnoresTheHTMLMark)
{
    const std::string plain = Export("plain.xml");
    settings_.SetText(Setting::Tables_NotNullColumnText, "");
    EXPECT_EQ(Export("empty_mark.xml"), plain);
    settings_.SetText(Setting::Tables_NotNullColumnText, "YES!!!");
    EXPECT_EQ(Export("long_mark.xml"), plain);
    // The domain's flag counts as the column's.
    EXPECT_NE(plain.find("<table_field_name>EMAIL</table_field_name>\r\n"
                         "          <table_field_type>VARCHAR(240)</table_field_type>\r\n"
                         "          <table_field_not_null>1</table_field_not_null>\r\n"),
              std::string::npos);
    EXPECT_NE(plain.find("<table_field_name>CITY</table_field_name>\r\n"
                         "          <table_field_type>CHAR(80)</table_field_type>\r\n"
                         "          <table_field_not_null>0</table_field_not_null>\r\n"),
              std::string::npos);
}

TEST_F(XMLExportTest, SectionsIgnoreTheHTMLIncludesButFollowShowSystemData)
{
    const std::string plain = Export("plain.xml");
    EXPECT_EQ(plain.find("RDB$RELATIONS"), std::string::npos);
    settings_.SetBool(Setting::Tables_IncludeInHTML, false);
    settings_.SetBool(Setting::Views_IncludeInHTML, false);
    settings_.SetBool(Setting::Procedures_IncludeInHTML, false);
    EXPECT_EQ(Export("excluded.xml"), plain);
    settings_.SetBool(Setting::Settings_SystemData, true);
    Cat().TableExportQuery.InvalidateSQL();
    const std::string system = Export("system.xml");
    EXPECT_NE(system.find("<table_name>RDB$RELATIONS</table_name>"), std::string::npos);
    EXPECT_TRUE(WellFormedXML(system));
}

TEST_F(XMLExportTest, ProcedureWithoutParametersHasAnEmptyList)
{
    const std::string xml = Export();
    EXPECT_NE(xml.find("      <procedure_name>P_NOTHING</procedure_name>\r\n"
                       "      <procedure_description>Does nothing.\r\r\nHas no parameters</procedure_description>\r\n"
                       "      <procedure_parameters>\r\n"
                       "      </procedure_parameters>\r\n"
                       "      <source>\r\n"
                       "        <src>CREATE PROCEDURE P_NOTHING</src>\r\n"
                       "        <src>AS</src>\r\n"
                       "        <src>BEGIN</src>\r\n"),
              std::string::npos);
}

// The file is opened before anything is read: on a catalogue without a
// connection the file's error comes, not the database's.
TEST(XMLExportFirst, OpensTheFileBeforeReadingTheDatabase)
{
    auto session = TIB_Session::Default();
    TIB_Connection c(session);
    TIB_Transaction t(session);
    t.SetIB_Connection(&c);
    SettingsValues settings;
    TCatalogue cat(c, t, settings);
    varnel::test::TempDir dir;
    const std::string name = (dir / "missing" / "doc.xml").string();
    try {
        XMLExport(cat, name);
        ADD_FAILURE() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not open file " + name);
    }
}

TEST_F(XMLExportTest, ProgressNamesEachSectionAndCountsItsObjects)
{
    std::vector<std::string> seen;
    XMLExport(Cat(), Out("doc.xml"),
              [&](const std::string& section, int n) { seen.push_back(section + " " + std::to_string(n)); });
    const std::vector<std::string> expected = {"Tables 0", "Tables 1", "Tables 2", "Tables 3", "Tables 4",
                                               "Tables 5", "Views 0",  "Views 1",  "Views 2",  "Procedures 0",
                                               "Procedures 1", "Procedures 2", "Procedures 3"};
    EXPECT_EQ(seen, expected);
}

class EmptyXML : public ExportTest {
protected:
    EmptyXML() : ExportTest({.schema = "", .descriptions = ""}) {}
};

TEST_F(EmptyXML, OnlyTheDatabaseName)
{
    XMLExport(Cat(), Out("empty.xml"));
    EXPECT_EQ(Read("empty.xml"), "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n\r\n"
                                 "<database>\r\n"
                                 "  <database_name>" + db_.path() + "</database_name>\r\n"
                                 "</database>\r\n");
}

} // namespace
} // namespace varnel::exporttest

// The HTML export beyond the golden files: anchor and link numbering, the
// TOC's two places (and a position a settings file may hold beyond them),
// empty sections, multi-line settings as held, the system-data filter and
// the NOT NULL mark, the browse lists left where they stand.
#include "ExportTestUtil.h"

#include "export/HTMLExport.h"

#include <regex>

namespace varnel::exporttest {
namespace {

// The bytes TTextFile stores for Text: each LF as CR LF.
std::string Stored(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::vector<int> Numbers(const std::string& text, const std::string& pattern)
{
    std::vector<int> n;
    std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        n.push_back(std::stoi((*it)[1].str()));
    return n;
}

class HTMLExportTest : public ExportTest {
protected:
    std::string Export(const std::string& name = "doc.html")
    {
        HTMLExport(settings_, Cat(), Out(name));
        return Read(name);
    }
    void TOC(int position)
    {
        settings_.SetBool(Setting::TOC_CreateTOC, true);
        settings_.SetInt(Setting::TOC_Position, position);
    }
    std::string Held(Setting s) const { return settings_.Text(s); }
};

TEST_F(HTMLExportTest, AnchorsAndLinksAreNumberedAcrossTheThreeSections)
{
    TOC(1);
    const std::string doc = Export();
    // 1 Tables caption, 2-6 the five tables, 7 Views caption, 8-9 the
    // views, 10 Procedures caption, 11-13 the procedures.
    std::vector<int> expected;
    for (int i = 1; i <= 13; ++i)
        expected.push_back(i);
    EXPECT_EQ(Numbers(doc, "<a name=\"(\\d+)\">"), expected);
    EXPECT_EQ(Numbers(doc, "<a href=\"#(\\d+)\">"), expected);
    EXPECT_NE(doc.find("<a name=\"7\">Views</a>"), std::string::npos);
    EXPECT_NE(doc.find("<a href=\"#7\">Views</a>"), std::string::npos);
    EXPECT_NE(doc.find("<a name=\"13\">P_OUT</a>"), std::string::npos);
    EXPECT_NE(doc.find("<li><a href=\"#13\">P_OUT</a></li>\r\n</ul>\r\n"), std::string::npos);
}

TEST_F(HTMLExportTest, WithoutTOCThereAreNoAnchorsAndNoSiblingFiles)
{
    const std::string doc = Export();
    EXPECT_EQ(doc.find("<a name="), std::string::npos);
    EXPECT_EQ(doc.find("<a href=\"#"), std::string::npos);
    EXPECT_NE(doc.find("<h1 style=\"page-break-before:always\">Tables</h1>\r\n"), std::string::npos);
    EXPECT_EQ(Files(), std::vector<std::string>{"doc.html"});
}

TEST_F(HTMLExportTest, TOCRightAfterTheHeaderOrRightBeforeTheFooter)
{
    const std::string header = Stored(Held(Setting::HTML_Header) + "\n");
    const std::string footer = Stored(Held(Setting::HTML_Footer) + "\n");
    const std::string begin = Stored(Held(Setting::TOC_Begin) + "\n");
    const std::string end = Stored(Held(Setting::TOC_End) + "\n");

    TOC(0);
    const std::string after = Export("after.html");
    ASSERT_EQ(after.compare(0, header.size(), header), 0);
    EXPECT_EQ(after.compare(header.size(), begin.size(), begin), 0);
    const std::size_t tocEnd = after.find(end, header.size());
    ASSERT_NE(tocEnd, std::string::npos);
    EXPECT_EQ(after.compare(tocEnd + end.size(), 37, "<h1 style=\"page-break-before:always\">"), 0);

    TOC(1);
    const std::string before = Export("before.html");
    ASSERT_GE(before.size(), end.size() + footer.size());
    EXPECT_EQ(before.substr(before.size() - footer.size()), footer);
    EXPECT_EQ(before.substr(before.size() - footer.size() - end.size(), end.size()), end);
    EXPECT_EQ(before.compare(header.size(), 37, "<h1 style=\"page-break-before:always\">"), 0);
    // The same document either way, the TOC moved.
    EXPECT_EQ(after.size(), before.size());
}

// A settings file may hold any number: anything but 0 puts the TOC
// before the end.
TEST_F(HTMLExportTest, OtherPositionsPutTheTOCBeforeTheEnd)
{
    TOC(1);
    const std::string beforeEnd = Export("one.html");
    for (int position : {2, -1, 7}) {
        TOC(position);
        EXPECT_EQ(Export("other.html"), beforeEnd) << position;
    }
}

TEST_F(HTMLExportTest, MultiLineSettingsAreWrittenAsHeld)
{
    // "</table>" CR LF as the memo holds it, then the line end.
    EXPECT_EQ(Held(Setting::Tables_FieldTableEnd), "</table>\r\n");
    const std::string doc = Export();
    EXPECT_NE(doc.find("</table>\r\r\n\r\n"), std::string::npos);
    EXPECT_EQ(doc.find("</table>\r\n"), std::string::npos);
    // Every CR LF of the header is stored as CR CR LF.
    EXPECT_EQ(doc.compare(0, 10, "<html>\r\r\n\r"), 0);
}

TEST_F(HTMLExportTest, DescriptionsKeepMarkupAndJoinCrLfLines)
{
    const std::string doc = Export();
    EXPECT_NE(doc.find("<p>Customers of the shop: <b>bold</b> & \"quoted\", it's fine</p>\r\n"), std::string::npos);
    EXPECT_NE(doc.find("First line<br>second line<br>third line</td></tr>"), std::string::npos);
    // A lone LF is stored as CR LF, a lone CR unchanged.
    EXPECT_NE(doc.find("Line one\r\nline two after a lone LF</td></tr>"), std::string::npos);
    EXPECT_NE(doc.find("CR\ralone</td></tr>"), std::string::npos);
    EXPECT_NE(doc.find("Gr\xf6\xdf" "e, caf\xe9, Stra\xdf" "e"), std::string::npos);
}

TEST_F(HTMLExportTest, NotNullMarkAndProcedureRowsAsTheTemplatesSay)
{
    settings_.SetText(Setting::Tables_NotNullColumnText, "NN");
    const std::string doc = Export();
    EXPECT_NE(doc.find("<tr><td valign=top>CUST_ID</td>\r\n<td valign=top>INTEGER</td>\r\n"
                       "<td align=center valign=top>NN</td>\r\n"),
              std::string::npos);
    // The domain's NOT NULL counts; a nullable column has an empty mark.
    EXPECT_NE(doc.find("<tr><td valign=top>EMAIL</td>\r\n<td valign=top>VARCHAR(240)</td>\r\n"
                       "<td align=center valign=top>NN</td>\r\n"),
              std::string::npos);
    EXPECT_NE(doc.find("<tr><td valign=top>CITY</td>\r\n<td valign=top>CHAR(80)</td>\r\n"
                       "<td align=center valign=top></td>\r\n"),
              std::string::npos);
    // Only the type cell of a parameter row ends a line.
    EXPECT_NE(doc.find("<tr><td valign=top>CUST</td><td valign=top>INTEGER</td>\r\n"
                       "<td valign=top>INPUT</td><td valign=top>Customer id</td><tr><td valign=top>MIN_AMOUNT</td>"),
              std::string::npos);
}

TEST_F(HTMLExportTest, SourceBlocksForViewsAlwaysForProceduresWithSource)
{
    settings_.SetBool(Setting::Views_IncludeSource, true);
    settings_.SetBool(Setting::Procedures_IncludeSource, true);
    const std::string doc = Export();
    EXPECT_NE(doc.find("<h3>Source:</h3>\r\r\n<pre>\r\r\n\r\nCREATE VIEW V_CUSTOMER_CREDIT\r\n(\r\n  CUST_ID,\r\n"),
              std::string::npos);
    EXPECT_NE(doc.find("CREATE PROCEDURE P_NOTHING\r\nAS\r\nBEGIN\r\n  EXIT;\r\nEND\r\n</pre>\r\r\n\r\n"),
              std::string::npos);
    // Sources off: no block at all.
    settings_.SetBool(Setting::Views_IncludeSource, false);
    settings_.SetBool(Setting::Procedures_IncludeSource, false);
    EXPECT_EQ(Export("plain.html").find("CREATE "), std::string::npos);
}

TEST_F(HTMLExportTest, ExcludedSectionsWriteNothing)
{
    TOC(0);
    settings_.SetBool(Setting::Tables_IncludeInHTML, false);
    settings_.SetBool(Setting::Procedures_IncludeInHTML, false);
    const std::string doc = Export();
    EXPECT_EQ(doc.find(">Tables<"), std::string::npos);
    EXPECT_EQ(doc.find("<h2><a name=\"2\">CUSTOMERS"), std::string::npos);
    EXPECT_EQ(doc.find("Stored Procedures"), std::string::npos);
    EXPECT_EQ(doc.find("P_ORDERS"), std::string::npos);
    // The views' caption is the first anchor.
    EXPECT_NE(doc.find("<a name=\"1\">Views</a>"), std::string::npos);
    EXPECT_NE(doc.find("<a href=\"#3\">V_ORDERS_CUST</a>"), std::string::npos);
    EXPECT_EQ(doc.find("<a name=\"4\">"), std::string::npos);
}

TEST_F(HTMLExportTest, SystemTablesOnlyWithShowSystemData)
{
    EXPECT_EQ(Export("user.html").find("RDB$RELATIONS"), std::string::npos);
    settings_.SetBool(Setting::Settings_SystemData, true);
    Cat().TableExportQuery.InvalidateSQL();
    const std::string doc = Export("system.html");
    EXPECT_NE(doc.find("<h2>RDB$RELATIONS</h2>"), std::string::npos);
    EXPECT_NE(doc.find("<h2>CUSTOMERS</h2>"), std::string::npos);
}

TEST_F(HTMLExportTest, BrowseListsStayWhereTheyAre)
{
    Cat().OpenBrowseQueries();
    Cat().TableQuery.MoveBy(2);
    const int row = Cat().TableQuery.RowNum();
    const std::string table = Cat().TableQuery.FieldByName("RDB$RELATION_NAME").AsString();
    Export();
    EXPECT_EQ(Cat().TableQuery.RowNum(), row);
    EXPECT_EQ(Cat().TableQuery.FieldByName("RDB$RELATION_NAME").AsString(), table);
    EXPECT_EQ(Cat().FieldQuery.FieldByName("RDB$RELATION_NAME").AsString(), table);
}

TEST_F(HTMLExportTest, ProgressNamesEachSectionAndCountsItsObjects)
{
    std::vector<std::string> seen;
    HTMLExport(settings_, Cat(), Out("doc.html"),
               [&](const std::string& section, int n) { seen.push_back(section + " " + std::to_string(n)); });
    const std::vector<std::string> expected = {"Tables 0", "Tables 1", "Tables 2", "Tables 3", "Tables 4",
                                               "Tables 5", "Views 0",  "Views 1",  "Views 2",  "Procedures 0",
                                               "Procedures 1", "Procedures 2", "Procedures 3"};
    EXPECT_EQ(seen, expected);
}

// A database without tables, views or procedures.
class EmptyDatabase : public ExportTest {
protected:
    EmptyDatabase() : ExportTest({.schema = "", .descriptions = ""}) {}
};

TEST_F(EmptyDatabase, HTMLWithTOCHoldsHeaderTOCAndFooterOnly)
{
    settings_.SetBool(Setting::TOC_CreateTOC, true);
    for (int position : {0, 1}) {
        settings_.SetInt(Setting::TOC_Position, position);
        HTMLExport(settings_, Cat(), Out("empty.html"));
        EXPECT_EQ(Read("empty.html"), Stored(settings_.Text(Setting::HTML_Header) + "\n" +
                                             settings_.Text(Setting::TOC_Begin) + "\n" +
                                             settings_.Text(Setting::TOC_End) + "\n" +
                                             settings_.Text(Setting::HTML_Footer) + "\n"))
            << position;
        EXPECT_EQ(Files(), std::vector<std::string>{"empty.html"});
    }
}

} // namespace
} // namespace varnel::exporttest

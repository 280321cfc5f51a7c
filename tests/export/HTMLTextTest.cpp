// HTML description and source rendering, anchors and links, and the names
// of the files beside the document.
#include "export/HTMLText.h"
#include "export/TOCSplice.h"

#include <gtest/gtest.h>

namespace {

struct RenderCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const RenderCase& c, std::ostream* os) { *os << c.name; }

class Description : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Description, JoinsCrLfLinesWithBr)
{
    EXPECT_EQ(RenderHTMLDescription(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Description,
    ::testing::Values(
        RenderCase{"empty", "", ""},
        RenderCase{"plain", "Orders of a customer", "Orders of a customer"},
        RenderCase{"twoLines", "first\r\nsecond", "first<br>second"},
        RenderCase{"emptyLineBetween", "a\r\n\r\nb", "a<br><br>b"},
        RenderCase{"trailingBreak", "a\r\n", "a<br>"},
        RenderCase{"loneLfKept", "a\nb", "a\nb"},
        RenderCase{"loneCrKept", "a\rb", "a\rb"},
        RenderCase{"crBeforePair", "a\r\r\nb", "a\r<br>b"},
        RenderCase{"lfAfterPair", "a\r\n\nb", "a<br>\nb"},
        RenderCase{"lfCrIsNoPair", "a\n\rb", "a\n\rb"},
        RenderCase{"markupUnchanged", "<b>x</b> & \"y\" 'z'", "<b>x</b> & \"y\" 'z'"},
        RenderCase{"latin1Unchanged", "Gr\xfc\xdf\x65", "Gr\xfc\xdf\x65"}),
    [](const auto& info) { return std::string(info.param.name); });

class Source : public ::testing::TestWithParam<RenderCase> {};

TEST_P(Source, DropsCarriageReturns)
{
    EXPECT_EQ(RenderHTMLSource(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Source,
    ::testing::Values(
        RenderCase{"empty", "", ""},
        RenderCase{"lfOnly", "CREATE VIEW V\n(\n  A\n)\nAS\nSELECT A FROM T", "CREATE VIEW V\n(\n  A\n)\nAS\nSELECT A FROM T"},
        RenderCase{"crLf", "AS\r\nBEGIN\r\nEND", "AS\nBEGIN\nEND"},
        RenderCase{"loneCr", "a\rb\r", "ab"},
        RenderCase{"markupUnchanged", "WHERE A < 1 AND B > 'x&y'", "WHERE A < 1 AND B > 'x&y'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HTMLText, AnchorsAndLinks)
{
    EXPECT_EQ(HTMLAnchorText(1), "<a name=\"1\">");
    EXPECT_EQ(HTMLAnchorText(42), "<a name=\"42\">");
    EXPECT_EQ(HTMLLinkText(1), "<a href=\"#1\">");
    EXPECT_EQ(HTMLLinkText(1234), "<a href=\"#1234\">");
    EXPECT_EQ(HTMLAnchorEnd, "</a>");
}

struct NameCase {
    const char* name;
    std::string file;
    std::string toc;
    std::string tmp;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class SiblingNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SiblingNames, ReplaceTheLastExtensionOfTheFileName)
{
    EXPECT_EQ(TOCFileName(GetParam().file), GetParam().toc);
    EXPECT_EQ(MergeFileName(GetParam().file), GetParam().tmp);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SiblingNames,
    ::testing::Values(
        NameCase{"html", "/home/u/doc.html", "/home/u/doc.toc", "/home/u/doc.tmp"},
        NameCase{"htm", "/home/u/doc.htm", "/home/u/doc.toc", "/home/u/doc.tmp"},
        NameCase{"relative", "doc.html", "doc.toc", "doc.tmp"},
        NameCase{"lastExtensionOnly", "/x/doc.v2.html", "/x/doc.v2.toc", "/x/doc.v2.tmp"},
        NameCase{"noExtensionAppends", "/x/doc", "/x/doc.toc", "/x/doc.tmp"},
        NameCase{"dotInFolderDoesNotCount", "/x/my.docs/manual", "/x/my.docs/manual.toc", "/x/my.docs/manual.tmp"},
        NameCase{"dotInRelativeFolder", "out.d/manual", "out.d/manual.toc", "out.d/manual.tmp"},
        NameCase{"trailingDot", "/x/doc.", "/x/doc.toc", "/x/doc.tmp"},
        NameCase{"dotFile", "/x/.html", "/x/.toc", "/x/.tmp"},
        NameCase{"caseKept", "/x/DOC.HTML", "/x/DOC.toc", "/x/DOC.tmp"},
        // A sibling must never be the document itself.
        NameCase{"documentNamedToc", "/x/doc.toc", "/x/doc.toc.toc", "/x/doc.tmp"},
        NameCase{"documentNamedTmp", "/x/doc.tmp", "/x/doc.toc", "/x/doc.tmp.tmp"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

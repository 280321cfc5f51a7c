// The XML writer: declaration, elements and indentation, escaping, the
// nesting checks, closing on the error path, and write failures.
#include "support/TestEnv.h"
#include "xml/XMLFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace varnel::test;

namespace {

const std::string kDecl = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n\r\n";

std::unique_ptr<TXMLFile> open(const TempDir& dir, const char* name = "out.xml")
{
    return std::make_unique<TXMLFile>((dir / name).string(), "1.0", "ISO-8859-1", "");
}

// Escaping -----------------------------------------------------------------

struct EscapeCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class XMLEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(XMLEscape, EscapesInOnePass)
{
    EXPECT_EQ(TXMLFile::Escape(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, XMLEscape,
    ::testing::Values(
        EscapeCase{"empty", "", ""},
        EscapeCase{"plain", "ORDERS", "ORDERS"},
        EscapeCase{"ampersand", "a&b", "a&amp;b"},
        EscapeCase{"less", "a<b", "a&lt;b"},
        EscapeCase{"greater", "a>b", "a&gt;b"},
        EscapeCase{"apostrophe", "it's", "it&apos;s"},
        EscapeCase{"quote", "say \"hi\"", "say &quot;hi&quot;"},
        EscapeCase{"mixed", "x<y & 'z'", "x&lt;y &amp; &apos;z&apos;"},
        EscapeCase{"alreadyEscaped", "&amp;&lt;", "&amp;amp;&amp;lt;"},
        // The placeholder of a two-step replacement must survive as text.
        EscapeCase{"placeholderKept", "a__amp;__b", "a__amp;__b"},
        EscapeCase{"placeholderAndAmpersand", "__amp;__&", "__amp;__&amp;"},
        EscapeCase{"lineBreaksKept", "a\r\nb\nc\r", "a\r\nb\nc\r"},
        EscapeCase{"latin1Kept", "caf\xe9 \xa7", "caf\xe9 \xa7"},
        EscapeCase{"onlySpecials", "&<>'\"", "&amp;&lt;&gt;&apos;&quot;"}),
    [](const auto& info) { return std::string(info.param.name); });

// Documents ----------------------------------------------------------------

struct DocCase {
    const char* name;
    std::function<void(TXMLFile&)> build;
    std::string body; // the bytes after the declaration
};

void PrintTo(const DocCase& c, std::ostream* os) { *os << c.name; }

class XMLDocument : public ::testing::TestWithParam<DocCase> {};

TEST_P(XMLDocument, WritesExactBytes)
{
    TempDir dir;
    {
        auto x = open(dir);
        GetParam().build(*x);
    }
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl + GetParam().body);
}

TEST_P(XMLDocument, CloseWritesTheSameBytes)
{
    TempDir dir;
    auto x = open(dir);
    GetParam().build(*x);
    x->Close();
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl + GetParam().body);
    x.reset();
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl + GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, XMLDocument,
    ::testing::Values(
        DocCase{"declarationOnly", [](TXMLFile&) {}, ""},
        DocCase{"emptyRoot", [](TXMLFile& x) { x.StartRoot("database"); },
                "<database>\r\n</database>\r\n"},
        DocCase{"valueAtIndentation",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.WriteElement("a", "x<y & 'z'");
                },
                "<r>\r\n  <a>x&lt;y &amp; &apos;z&apos;</a>\r\n</r>\r\n"},
        DocCase{"emptyValue",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.WriteElement("table_description", "");
                },
                "<r>\r\n  <table_description></table_description>\r\n</r>\r\n"},
        DocCase{"attributesVerbatimOnValues",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.StartElement("c", "id=\"ignored\"");
                    x.WriteElement("a", "v", "id=\"1\" k='<'");
                },
                "<r>\r\n  <c>\r\n    <a id=\"1\" k='<'>v</a>\r\n  </c>\r\n</r>\r\n"},
        DocCase{"lineBreaksInValue",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.WriteElement("d", "one\ntwo\r\nthree\rfour");
                },
                "<r>\r\n  <d>one\r\ntwo\r\r\nthree\rfour</d>\r\n</r>\r\n"},
        DocCase{"nestingAligned",
                [](TXMLFile& x) {
                    x.StartRoot("database");
                    x.WriteElement("database_name", "/db/x.fdb");
                    x.StartElement("procedures");
                    x.StartElement("procedure");
                    x.StartElement("source");
                    x.WriteElement("src", "BEGIN");
                    x.EndElement("source");
                    x.EndElement("procedure");
                    x.EndElement("procedures");
                    x.EndElement("database");
                },
                "<database>\r\n"
                "  <database_name>/db/x.fdb</database_name>\r\n"
                "  <procedures>\r\n"
                "    <procedure>\r\n"
                "      <source>\r\n"
                "        <src>BEGIN</src>\r\n"
                "      </source>\r\n"
                "    </procedure>\r\n"
                "  </procedures>\r\n"
                "</database>\r\n"},
        DocCase{"emptyContainerOnConsecutiveLines",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.StartElement("table_fields");
                    x.EndElement("table_fields");
                },
                "<r>\r\n  <table_fields>\r\n  </table_fields>\r\n</r>\r\n"},
        DocCase{"emptyNameEndsInnermost",
                [](TXMLFile& x) {
                    x.StartRoot("r");
                    x.StartElement("a");
                    x.EndElement("");
                    x.WriteElement("b", "1");
                },
                "<r>\r\n  <a>\r\n  </a>\r\n  <b>1</b>\r\n</r>\r\n"},
        DocCase{"threeLeftOpenClosedInnermostFirst",
                [](TXMLFile& x) {
                    x.StartRoot("database");
                    x.StartElement("tables");
                    x.StartElement("table");
                },
                "<database>\r\n  <tables>\r\n    <table>\r\n    </table>\r\n  </tables>\r\n</database>\r\n"},
        DocCase{"comment",
                [](TXMLFile& x) {
                    x.WriteComment("made by test");
                    x.StartRoot("r");
                    x.WriteComment("inside");
                },
                "<!-- made by test -->\r\n<r>\r\n  <!-- inside -->\r\n</r>\r\n"},
        DocCase{"indentationStep",
                [](TXMLFile& x) {
                    x.SetIndentationStep(4);
                    x.StartRoot("r");
                    x.StartElement("a");
                    x.WriteElement("b", "1");
                },
                "<r>\r\n    <a>\r\n        <b>1</b>\r\n    </a>\r\n</r>\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XMLFile, ExtraPartIsWrittenVerbatim)
{
    TempDir dir;
    { TXMLFile x((dir / "e.xml").string(), "1.1", "UTF-8", "standalone='yes' "); }
    EXPECT_EQ(readFile(dir / "e.xml"), "<?xml version='1.1' encoding='UTF-8' standalone='yes' ?>\r\n\r\n");
}

TEST(XMLFile, TruncatesAnExistingFile)
{
    TempDir dir;
    writeFile(dir / "out.xml", std::string(1000, 'x'));
    { auto x = open(dir); }
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl);
}

// Refusals -----------------------------------------------------------------

TEST(XMLFile, ElementsBeforeTheRootAreRefused)
{
    TempDir dir;
    {
        auto x = open(dir);
        try {
            x->StartElement("a");
            FAIL() << "no error";
        } catch (const EXMLError& e) {
            EXPECT_STREQ(e.what(), "XML ERROR: No root element defined");
        }
        try {
            x->WriteElement("a", "v");
            FAIL() << "no error";
        } catch (const EXMLError& e) {
            EXPECT_STREQ(e.what(), "XML ERROR: No root element defined");
        }
        EXPECT_TRUE(x->OpenElements().empty());
    }
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl);
}

TEST(XMLFile, MismatchedEndTagWritesNothingAndKeepsTheStack)
{
    TempDir dir;
    {
        auto x = open(dir);
        x->StartRoot("database");
        x->StartElement("table");
        x->StartElement("table_fields");
        try {
            x->EndElement("table");
            FAIL() << "no error";
        } catch (const EXMLError& e) {
            EXPECT_STREQ(e.what(), "XML ERROR: end tag mismatch! Expected: </table>, found </table_fields>");
        }
        EXPECT_EQ(x->OpenElements(), (std::vector<std::string>{"database", "table", "table_fields"}));
        EXPECT_EQ(x->Indentation(), 6);
        // The comparison is case-sensitive.
        EXPECT_THROW(x->EndElement("TABLE_FIELDS"), EXMLError);
    }
    EXPECT_EQ(readFile(dir / "out.xml"),
              kDecl +
                  "<database>\r\n  <table>\r\n    <table_fields>\r\n"
                  "    </table_fields>\r\n  </table>\r\n</database>\r\n");
}

TEST(XMLFile, EndTagWithNothingOpenIsRefused)
{
    TempDir dir;
    auto x = open(dir);
    x->StartRoot("r");
    x->EndElement("r");
    EXPECT_THROW(x->EndElement(""), EXMLError);
    EXPECT_THROW(x->EndElement("r"), EXMLError);
    x->Close();
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl + "<r>\r\n</r>\r\n");
}

TEST(XMLFile, IndentationStepIsFixedOnceTheRootExists)
{
    TempDir dir;
    auto x = open(dir);
    x->StartRoot("r");
    try {
        x->SetIndentationStep(4);
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_STREQ(e.what(), "ERROR: Indentation may only be changed before the root element is defined");
    }
    EXPECT_EQ(x->IndentationStep(), 2);
}

TEST(XMLFile, OperationsAfterCloseAreRefused)
{
    TempDir dir;
    auto x = open(dir);
    x->StartRoot("r");
    x->Close();
    x->Close(); // a second close does nothing
    EXPECT_THROW(x->WriteElement("a", "b"), EXMLError);
    x.reset();
    EXPECT_EQ(readFile(dir / "out.xml"), kDecl + "<r>\r\n</r>\r\n");
}

TEST(XMLFile, UnopenableFileNamesThePath)
{
    TempDir dir;
    std::string name = (dir / "missing" / "out.xml").string();
    try {
        TXMLFile x(name, "1.0", "ISO-8859-1", "");
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not open file " + name);
    }
}

// Write failures -----------------------------------------------------------

TEST(XMLFileFailure, CloseReportsAFullDisk)
{
    TXMLFile x("/dev/full", "1.0", "ISO-8859-1", "");
    x.StartRoot("database");
    x.WriteElement("database_name", "x");
    try {
        x.Close();
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_NE(std::string(e.what()).find("Could not write file /dev/full"), std::string::npos) << e.what();
    }
}

TEST(XMLFileFailure, LargeOutputFailsWhileWritingAndStaysFailed)
{
    TXMLFile x("/dev/full", "1.0", "ISO-8859-1", "");
    x.StartRoot("database");
    std::string big(200 * 1024, 'v');
    std::string first;
    try {
        for (int i = 0; i < 10; ++i)
            x.WriteElement("d", big);
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        first = e.what();
        EXPECT_NE(first.find("/dev/full"), std::string::npos) << first;
    }
    // Every later operation reports the same failure.
    try {
        x.WriteElement("d", "x");
        FAIL() << "no error";
    } catch (const EXMLError& e) {
        EXPECT_EQ(e.what(), first);
    }
    EXPECT_THROW(x.EndElement("database"), EXMLError);
    EXPECT_THROW(x.Close(), EXMLError);
}

TEST(XMLFileFailure, DestructorOnAFullDiskDoesNotThrow)
{
    // Open elements and a buffer that cannot be written: the destructor
    // must swallow the failure (a throwing destructor would terminate).
    EXPECT_NO_THROW({
        TXMLFile x("/dev/full", "1.0", "ISO-8859-1", "");
        x.StartRoot("database");
        x.StartElement("tables");
        x.WriteElement("d", "x");
    });
}

TEST(XMLFileFailure, DestructorDuringUnwindingClosesTheDocument)
{
    TempDir dir;
    std::string name = (dir / "partial.xml").string();
    try {
        TXMLFile x(name, "1.0", "ISO-8859-1", "");
        x.StartRoot("database");
        x.StartElement("views");
        x.StartElement("view");
        throw std::runtime_error("database error");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(readFile(name), kDecl + "<database>\r\n  <views>\r\n    <view>\r\n    </view>\r\n  </views>\r\n</database>\r\n");
}

} // namespace

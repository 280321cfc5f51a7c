// The exporters' output text file: line-end translation, size for the TOC
// insertion point, and failures that must not pass for success.
#include "export/TextFile.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

struct WriteCase {
    const char* name;
    std::function<void(TTextFile&)> write;
    std::string bytes;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class TextFileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(TextFileWrite, StoresExactBytes)
{
    TempDir dir;
    std::string name = (dir / "out.html").string();
    {
        TTextFile f(name);
        GetParam().write(f);
        f.Close();
    }
    EXPECT_EQ(readFile(name), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextFileWrite,
    ::testing::Values(
        WriteCase{"nothing", [](TTextFile&) {}, ""},
        WriteCase{"plain", [](TTextFile& f) { f.Write("<html>"); }, "<html>"},
        WriteCase{"lineEnd", [](TTextFile& f) { f.WriteLine("<html>"); }, "<html>\r\n"},
        WriteCase{"emptyLine", [](TTextFile& f) { f.WriteLine(); }, "\r\n"},
        WriteCase{"lfInsideValue", [](TTextFile& f) { f.Write("a\nb"); }, "a\r\nb"},
        WriteCase{"loneCrUnchanged", [](TTextFile& f) { f.Write("a\rb"); }, "a\rb"},
        WriteCase{"crLfPairBecomesCrCrLf", [](TTextFile& f) { f.Write("a\r\nb"); }, "a\r\r\nb"},
        // A multi-line setting holds its own final CR LF; the exporter's
        // line end follows it.
        WriteCase{"multiLineSettingPlusLineEnd", [](TTextFile& f) { f.WriteLine("</table>\r\n"); },
                  "</table>\r\r\n\r\n"},
        WriteCase{"twoLineSetting", [](TTextFile& f) { f.WriteLine("<table>\r\n<tr>\r\n"); },
                  "<table>\r\r\n<tr>\r\r\n\r\n"},
        WriteCase{"latin1AndNulBytes", [](TTextFile& f) { f.Write(std::string("\xe9\0\xff", 3)); },
                  std::string("\xe9\0\xff", 3)},
        WriteCase{"piecesInOrder",
                  [](TTextFile& f) {
                      f.Write("<h1>");
                      f.Write("Tables");
                      f.WriteLine("</h1>");
                      f.Write("x");
                  },
                  "<h1>Tables</h1>\r\nx"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextFile, TruncatesAnExistingFile)
{
    TempDir dir;
    writeFile(dir / "out.sql", std::string(5000, 'z'));
    {
        TTextFile f((dir / "out.sql").string());
        f.WriteLine("COMMIT;");
    }
    EXPECT_EQ(readFile(dir / "out.sql"), "COMMIT;\r\n");
}

TEST(TextFile, DestructorWritesWhatWasBuffered)
{
    TempDir dir;
    {
        TTextFile f((dir / "out.sql").string());
        f.Write("a\nb");
    }
    EXPECT_EQ(readFile(dir / "out.sql"), "a\r\nb");
}

TEST(TextFile, SizeIsTheLengthOnDiskIncludingAddedCarriageReturns)
{
    TempDir dir;
    std::string name = (dir / "doc.html").string();
    TTextFile f(name);
    EXPECT_EQ(f.Size(), 0u);
    f.WriteLine("<html>\r\n<body>\r\n"); // 6+3 + 6+3 + 2
    EXPECT_EQ(f.Size(), 20u);
    EXPECT_EQ(fs::file_size(name), 20u);
    f.Write("more");
    EXPECT_EQ(f.Size(), 24u);
    EXPECT_EQ(fs::file_size(name), 24u);
    f.Close();
    EXPECT_EQ(readFile(name), "<html>\r\r\n<body>\r\r\n\r\nmore");
}

TEST(TextFile, LargeOutputCrossesTheBufferIntact)
{
    TempDir dir;
    std::string name = (dir / "big.html").string();
    std::string line(999, 'x');
    std::string expected;
    {
        TTextFile f(name);
        for (int i = 0; i < 300; ++i) {
            f.WriteLine(line);
            expected += line + "\r\n";
        }
        EXPECT_EQ(f.Size(), expected.size());
        f.Close();
    }
    EXPECT_EQ(readFile(name), expected);
}

TEST(TextFile, CloseTwiceAndWriteAfterClose)
{
    TempDir dir;
    TTextFile f((dir / "x.sql").string());
    f.WriteLine("x");
    f.Close();
    EXPECT_NO_THROW(f.Close());
    EXPECT_THROW(f.Write("y"), EFileError);
    EXPECT_EQ(readFile(dir / "x.sql"), "x\r\n");
}

TEST(TextFile, CreateFailureNamesTheFullPath)
{
    TempDir dir;
    std::string name = (dir / "missing" / "doc.html").string();
    try {
        TTextFile f(name);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not create file " + name);
    }
}

TEST(TextFile, CreateFailureOfARelativeNameGivesTheFullPath)
{
    TempDir dir;
    fs::path old = fs::current_path();
    fs::current_path(dir.path());
    std::string message;
    try {
        TTextFile f("missing/doc.html");
    } catch (const EFileError& e) {
        message = e.what();
    }
    fs::current_path(old);
    EXPECT_EQ(message, "Could not create file " + (dir.path() / "missing/doc.html").string());
}

TEST(TextFile, FullPathOfANameGivenInFull)
{
    TempDir dir;
    TTextFile f((dir / "doc.html").string());
    EXPECT_EQ(f.FileName(), (dir / "doc.html").string());
}

// Write failures -----------------------------------------------------------

TEST(TextFileFailure, CloseReportsAFullDisk)
{
    TTextFile f("/dev/full");
    f.WriteLine("/* Tables */");
    try {
        f.Close();
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not write file /dev/full", 0), 0u) << e.what();
    }
    EXPECT_NO_THROW(f.Close());
}

TEST(TextFileFailure, FlushAndSizeReportAFullDisk)
{
    TTextFile f("/dev/full");
    f.Write("header");
    EXPECT_THROW(f.Flush(), EFileError);
    // The failure stays: later calls raise the same error.
    try {
        f.Size();
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos);
    }
    EXPECT_THROW(f.Write("x"), EFileError);
    EXPECT_THROW(f.Close(), EFileError);
}

TEST(TextFileFailure, LargeWriteFailsWhileWriting)
{
    TTextFile f("/dev/full");
    std::string chunk(100 * 1024, 'x');
    EXPECT_THROW(
        {
            for (int i = 0; i < 4; ++i)
                f.Write(chunk);
        },
        EFileError);
}

TEST(TextFileFailure, DestructorOnAFullDiskDoesNotThrow)
{
    EXPECT_NO_THROW({
        TTextFile f("/dev/full");
        f.WriteLine("never stored");
    });
}

} // namespace

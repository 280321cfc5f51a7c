// The TOC splice over real files: where the TOC lands, and every failure
// keeping the document and the TOC.
#include "export/TOCSplice.h"
#include "export/TextFile.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

const std::string kMain = "<html>\r\n<body>\r\n</body>\r\n</html>\r\n";
const std::string kTOC = "<ul>\r\n<li><a href=\"#1\">Tables</a></li>\r\n</ul>\r\n";

struct PositionCase {
    const char* name;
    std::uint64_t at;
    std::string expected;
};

void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class SplicePosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(SplicePosition, InsertsTheTOCAndLeavesOnlyTheDocument)
{
    TempDir dir;
    std::string f = (dir / "doc.html").string();
    writeFile(f, kMain);
    writeFile(TOCFileName(f), kTOC);

    SpliceTOC(f, TOCFileName(f), MergeFileName(f), GetParam().at);

    EXPECT_EQ(readFile(f), GetParam().expected);
    EXPECT_FALSE(fs::exists(TOCFileName(f)));
    EXPECT_FALSE(fs::exists(MergeFileName(f)));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SplicePosition,
    ::testing::Values(
        PositionCase{"atStart", 0, kTOC + kMain},
        PositionCase{"afterHeader", 8, "<html>\r\n" + kTOC + "<body>\r\n</body>\r\n</html>\r\n"},
        PositionCase{"beforeFooter", 25, "<html>\r\n<body>\r\n</body>\r\n" + kTOC + "</html>\r\n"},
        PositionCase{"atEnd", kMain.size(), kMain + kTOC},
        PositionCase{"pastTheEndAppends", std::numeric_limits<std::uint64_t>::max(), kMain + kTOC}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpliceTOC, CopiesRawBytesOfLargeFiles)
{
    TempDir dir;
    std::string f = (dir / "doc.html").string();
    std::string main, toc;
    for (int i = 0; i < 200000; ++i)
        main += static_cast<char>(i % 251);
    for (int i = 0; i < 70000; ++i)
        toc += static_cast<char>((i * 7) % 256);
    writeFile(f, main);
    writeFile(TOCFileName(f), toc);
    const std::uint64_t at = 65536 + 17;

    SpliceTOC(f, TOCFileName(f), MergeFileName(f), at);

    EXPECT_EQ(readFile(f), main.substr(0, at) + toc + main.substr(at));
}

TEST(SpliceTOC, EmptyTOCAndEmptyDocument)
{
    TempDir dir;
    std::string f = (dir / "doc.html").string();
    writeFile(f, "");
    writeFile(TOCFileName(f), "<ul>\r\n</ul>\r\n");
    SpliceTOC(f, TOCFileName(f), MergeFileName(f), 0);
    EXPECT_EQ(readFile(f), "<ul>\r\n</ul>\r\n");
}

TEST(SpliceTOC, OverwritesAnExistingMergeFile)
{
    TempDir dir;
    std::string f = (dir / "doc.html").string();
    writeFile(f, kMain);
    writeFile(TOCFileName(f), kTOC);
    writeFile(MergeFileName(f), std::string(100000, 'q'));
    SpliceTOC(f, TOCFileName(f), MergeFileName(f), 8);
    EXPECT_EQ(readFile(f), "<html>\r\n" + kTOC + "<body>\r\n</body>\r\n</html>\r\n");
    EXPECT_FALSE(fs::exists(MergeFileName(f)));
}

TEST(SpliceTOC, WorksWithTheTextFileSizeAsInsertionPoint)
{
    TempDir dir;
    std::string f = (dir / "doc.html").string();
    std::uint64_t at = 0;
    {
        TTextFile doc(f);
        TTextFile toc(TOCFileName(f));
        toc.WriteLine("<ul>\r\n");
        doc.WriteLine("<html>\r\n");
        at = doc.Size();
        doc.WriteLine("<p>x</p>\r\n");
        toc.WriteLine("</ul>\r\n");
        doc.Close();
        toc.Close();
    }
    SpliceTOC(f, TOCFileName(f), MergeFileName(f), at);
    EXPECT_EQ(readFile(f), "<html>\r\r\n\r\n<ul>\r\r\n\r\n</ul>\r\r\n\r\n<p>x</p>\r\r\n\r\n");
}

// Failures -----------------------------------------------------------------

class SpliceFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        f = (dir / "doc.html").string();
        t = TOCFileName(f);
        m = MergeFileName(f);
        writeFile(f, kMain);
        writeFile(t, kTOC);
    }

    // The splice must fail with a message that names `name`, and keep the
    // document and the TOC as they were.
    void ExpectFailureKeepingFiles(const std::string& main, const std::string& toc,
                                   const std::string& merge, const std::string& name)
    {
        try {
            SpliceTOC(main, toc, merge, 8);
            ADD_FAILURE() << "no error";
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
        EXPECT_EQ(readFile(f), kMain);
        EXPECT_EQ(readFile(t), kTOC);
    }

    TempDir dir;
    std::string f, t, m;
};

TEST_F(SpliceFailure, MissingTOC)
{
    fs::remove(t);
    try {
        SpliceTOC(f, t, m, 8);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not open file " + t, 0), 0u) << e.what();
    }
    EXPECT_EQ(readFile(f), kMain);
    EXPECT_FALSE(fs::exists(m));
}

TEST_F(SpliceFailure, MissingDocument)
{
    fs::remove(f);
    try {
        SpliceTOC(f, t, m, 8);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not open file " + f, 0), 0u) << e.what();
    }
    EXPECT_EQ(readFile(t), kTOC);
    EXPECT_FALSE(fs::exists(m));
}

TEST_F(SpliceFailure, MergeFileCannotBeCreated)
{
    std::string merge = (dir / "missing" / "doc.tmp").string();
    ExpectFailureKeepingFiles(f, t, merge, "Could not create file " + merge);
}

TEST_F(SpliceFailure, MergeFileThatIsADeviceIsRefused)
{
    ExpectFailureKeepingFiles(f, t, "/dev/full", "/dev/full");
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(SpliceFailure, DocumentUnreadable)
{
    // A folder opens for reading but cannot be read.
    fs::path folder = dir / "folder.html";
    fs::create_directory(folder);
    try {
        SpliceTOC(folder.string(), t, m, 8);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not read file " + folder.string(), 0), 0u) << e.what();
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readFile(t), kTOC);
    EXPECT_FALSE(fs::exists(m));
}

TEST_F(SpliceFailure, WritingTheMergeFileFails)
{
    // A file size limit makes the merge file's writes fail (EFBIG) like a
    // full disk would.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        SpliceTOC(f, t, m, 8);
    } catch (const EFileError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message.rfind("Could not write file " + m, 0), 0u) << message;
    EXPECT_EQ(readFile(f), kMain);
    EXPECT_EQ(readFile(t), kTOC);
    EXPECT_FALSE(fs::exists(m));
}

TEST_F(SpliceFailure, MovingTheMergeFileFails)
{
    // A merge file on another file system cannot be renamed over the
    // document.
    struct stat a {}, b {};
    ASSERT_EQ(::stat(dir.path().c_str(), &a), 0);
    if (::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    std::string merge = "/dev/shm/varnel_splice_" + std::to_string(::getpid()) + ".tmp";
    ExpectFailureKeepingFiles(f, t, merge, "Could not rename file " + merge + " to " + f);
    EXPECT_FALSE(fs::exists(merge));
}

TEST_F(SpliceFailure, DeletingTheTOCFailsAfterTheDocumentIsComplete)
{
    // A file of /proc reads like any file but cannot be deleted, not even
    // by root.
    std::string toc = "/proc/self/stat";
    try {
        SpliceTOC(f, toc, m, 8);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not delete file " + toc, 0), 0u) << e.what();
    }
    std::string done = readFile(f);
    EXPECT_EQ(done.substr(0, 8), "<html>\r\n");
    EXPECT_EQ(done.substr(done.size() - (kMain.size() - 8)), kMain.substr(8));
    EXPECT_GT(done.size(), kMain.size());
    EXPECT_FALSE(fs::exists(m));
}

TEST_F(SpliceFailure, TOCThatIsTheDocumentIsRefused)
{
    ExpectFailureKeepingFiles(f, f, m, "not three different files");
}

TEST_F(SpliceFailure, MergeFileThatIsTheDocumentIsRefused)
{
    fs::create_hard_link(f, dir / "alias.tmp");
    ExpectFailureKeepingFiles(f, t, (dir / "alias.tmp").string(), "not three different files");
    EXPECT_EQ(readFile(dir / "alias.tmp"), kMain);
}

TEST_F(SpliceFailure, MergeFileThatIsTheTOCIsRefused)
{
    ExpectFailureKeepingFiles(f, t, t, "not three different files");
}

} // namespace

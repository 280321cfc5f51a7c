// The profile-file layer: reading rules, in-place writing, write failures.
#include "settings/ProfileFile.h"
#include "settings/ScratchMount.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnel::test;
namespace fs = std::filesystem;

namespace {

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected; // "<default>" when the default comes back
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsValue)
{
    const ReadCase& c = GetParam();
    TProfileFile f = TProfileFile::Parse(c.text);
    EXPECT_EQ(f.ReadString(c.section, c.key, "<default>"), c.expected);
}

const std::string Long(3000, 'v');

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileRead,
    ::testing::Values(
        ReadCase{"plain", "[S]\r\nK=v\r\n", "S", "K", "v"},
        ReadCase{"sectionAndKeyIgnoreCase", "[seTTings]\r\ndbUSERname=x\r\n", "Settings", "DbUsername", "x"},
        ReadCase{"lfOnly", "[A]\nK=1\n[S]\nK=2\n", "S", "K", "2"},
        ReadCase{"lastLineWithoutBreak", "[S]\r\nK=end", "S", "K", "end"},
        ReadCase{"blanksAroundTrimmed", "[S]\r\n  K \t=  a b \t\r\n", "S", "K", "a b"},
        ReadCase{"doubleQuotesRemoved", "[S]\r\nK= \"a b \" \r\n", "S", "K", "a b "},
        ReadCase{"singleQuotesRemoved", "[S]\r\nK='x'\r\n", "S", "K", "x"},
        ReadCase{"onlyOnePairRemoved", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
        ReadCase{"mixedQuotesKept", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},
        ReadCase{"loneQuoteKept", "[S]\r\nK=\"\r\n", "S", "K", "\""},
        ReadCase{"equalsInValue", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        ReadCase{"emptyValueIsNotMissing", "[S]\r\nK=\r\n", "S", "K", ""},
        ReadCase{"missingKey", "[S]\r\nOther=1\r\n", "S", "K", "<default>"},
        ReadCase{"missingSection", "[T]\r\nK=1\r\n", "S", "K", "<default>"},
        ReadCase{"keyOfNextSectionNotSeen", "[S]\r\n[T]\r\nK=1\r\n", "S", "K", "<default>"},
        ReadCase{"keyBeforeAnySectionNotSeen", "K=1\r\n[S]\r\n", "S", "K", "<default>"},
        ReadCase{"firstDuplicateWins", "[S]\r\nK=1\r\nk=2\r\n[s]\r\nK=3\r\n", "S", "K", "1"},
        ReadCase{"commentIsNoKey", "[S]\r\n;K=1\r\n", "S", "K", "<default>"},
        ReadCase{"lineWithoutEqualsIsNoKey", "[S]\r\nK\r\n", "S", "K", "<default>"},
        ReadCase{"blanksAroundSectionName", "[ S ]\r\nK=1\r\n", "S", "K", "1"},
        ReadCase{"cutAfter2047", "[S]\r\nK=" + Long + "\r\n", "S", "K", Long.substr(0, 2047)},
        ReadCase{"cutAfterQuotesRemoved", "[S]\r\nK=\"" + Long + "\"\r\n", "S", "K", Long.substr(0, 2047)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFile, MissingFileReadsDefaultAndStaysMissing)
{
    TempDir dir;
    fs::path p = dir / "none.ini";
    EXPECT_EQ(ReadProfileString(p.string(), "S", "K", "d"), "d");
    EXPECT_FALSE(fs::exists(p));
}

TEST(ProfileFile, FreshFileHoldsSectionsInWritingOrder)
{
    TempDir dir;
    fs::path p = dir / "new.ini";
    WriteProfileStrings(p.string(), {{"Settings", "Database", "db"}, {"Settings", "SystemData", "0"},
                                     {"HTML", "Header", "<html><CRLF>"}, {"TOC", "End", ""}});
    EXPECT_EQ(readFile(p), "[Settings]\r\nDatabase=db\r\nSystemData=0\r\n"
                           "[HTML]\r\nHeader=<html><CRLF>\r\n"
                           "[TOC]\r\nEnd=\r\n");
}

TEST(ProfileFile, WritingInPlaceKeepsForeignContent)
{
    TempDir dir;
    fs::path p = dir / "edited.ini";
    writeFile(p, "; written by hand\n"
                 "[Mine]\n"
                 "Colour=blue\n"
                 "\n"
                 "[settings]\n"
                 "; the database\n"
                 "DATABASE=old\n"
                 "Foreign = kept\n"
                 "\n"
                 "[Other]\n"
                 "x=1");
    WriteProfileStrings(p.string(), {{"Settings", "Database", "new"},
                                     {"Settings", "HTMLDir", "/tmp/"},
                                     {"TOC", "End", "</ul>"},
                                     {"Mine", "colour", "red"}});
    EXPECT_EQ(readFile(p), "; written by hand\r\n"
                           "[Mine]\r\n"
                           "colour=red\r\n"
                           "\r\n"
                           "[settings]\r\n"
                           "; the database\r\n"
                           "Database=new\r\n"
                           "Foreign = kept\r\n"
                           "HTMLDir=/tmp/\r\n"
                           "\r\n"
                           "[Other]\r\n"
                           "x=1\r\n"
                           "[TOC]\r\n"
                           "End=</ul>\r\n");
}

TEST(ProfileFile, OneOffWriteThenRead)
{
    TempDir dir;
    std::string p = (dir / "one.ini").string();
    WriteProfileString(p, "S", "A", "1");
    WriteProfileString(p, "s", "B", "2");
    WriteProfileString(p, "S", "a", "3");
    EXPECT_EQ(readFile(p), "[S]\r\na=3\r\nB=2\r\n");
    EXPECT_EQ(ReadProfileString(p, "S", "A", ""), "3");
}

void ExpectWriteFails(const std::string& file)
{
    try {
        WriteProfileStrings(file, {{"Settings", "Database", "x"}});
        ADD_FAILURE() << "no error writing " << file;
    } catch (const EProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "In " + file + " kann nicht geschrieben werden");
        EXPECT_EQ(e.FileName(), file);
    }
}

TEST(ProfileFileFailure, MissingFolder)
{
    TempDir dir;
    ExpectWriteFails((dir / "no-such-folder" / "s.ini").string());
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST(ProfileFileFailure, FullDevice)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ExpectWriteFails("/dev/full");
}

TEST(ProfileFileFailure, ReadOnlyFileMode)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files; the read-only mount case covers it";
    TempDir dir;
    fs::path p = dir / "ro.ini";
    writeFile(p, "[Settings]\r\nDatabase=old\r\n");
    ::chmod(p.c_str(), 0444);
    ExpectWriteFails(p.string());
    EXPECT_EQ(readFile(p), "[Settings]\r\nDatabase=old\r\n");
}

TEST(ProfileFileFailure, ReadOnlyMount)
{
    TempDir dir;
    fs::create_directories(dir / "src");
    writeFile(dir / "src" / "s.ini", "[Settings]\r\nDatabase=old\r\n");
    ScratchMount ro = ScratchMount::ReadOnlyBind(dir / "src", dir / "ro");
    if (!ro.Active())
        GTEST_SKIP() << "cannot mount here";
    ExpectWriteFails((dir / "ro" / "s.ini").string());
    EXPECT_EQ(readFile(dir / "src" / "s.ini"), "[Settings]\r\nDatabase=old\r\n");
    // Reading needs no write access.
    EXPECT_EQ(ReadProfileString((dir / "ro" / "s.ini").string(), "settings", "database", ""), "old");
}

TEST(ProfileFileFailure, DeviceRunsFullKeepsKeysBeforeTheFailingOne)
{
    TempDir dir;
    ScratchMount small = ScratchMount::Tmpfs(dir / "small", 2 * 4096);
    if (!small.Active())
        GTEST_SKIP() << "cannot mount here";
    fs::path p = small.Path() / "s.ini";
    writeFile(p, "[Settings]\r\nDatabase=old\r\n");
    writeFile(small.Path() / "filler", std::string(4096, 'f')); // the last free page
    const std::string big(5000, 'b');
    std::string file = p.string();
    try {
        WriteProfileStrings(file, {{"Settings", "Database", "new"},
                                   {"Settings", "SQLRole", "R"},
                                   {"HTML", "Header", big},
                                   {"HTML", "Footer", "f"}});
        ADD_FAILURE() << "no error on a full device";
    } catch (const EProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "In " + file + " kann nicht geschrieben werden");
    }
    EXPECT_EQ(readFile(p), "[Settings]\r\nDatabase=new\r\nSQLRole=R\r\n");
}

TEST(ProfileFileFailure, DeviceWithoutRoomForTheFirstKeyLeavesFileUntouched)
{
    TempDir dir;
    ScratchMount small = ScratchMount::Tmpfs(dir / "small", 2 * 4096);
    if (!small.Active())
        GTEST_SKIP() << "cannot mount here";
    fs::path p = small.Path() / "s.ini";
    writeFile(p, "[Settings]\nDatabase=old\n");
    writeFile(small.Path() / "filler", std::string(4096, 'f'));
    EXPECT_THROW(WriteProfileStrings(p.string(), {{"HTML", "Header", std::string(5000, 'b')}}), EProfileWriteError);
    EXPECT_EQ(readFile(p), "[Settings]\nDatabase=old\n");
}

} // namespace

// Loading settings files that no program wrote: binary garbage, 100,000
// keys, lines of 1 MB, no line end at the end, a folder in the file's
// place. The loader reads the values that are there, gives the
// missing-key values for the rest, never fails, and never writes: the
// file keeps its bytes and its modification time, and nothing appears
// beside it.
#include "settings/DocSettings.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsValues.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>

using namespace varnel::test;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// Deterministic binary bytes: every value 0..255, NUL, CR, LF, "[", "]"
// and "=" included.
std::string Garbage(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

const std::string kMB(1 << 20, 'm');

struct InputCase {
    const char* name;
    std::string text;
    // The stored texts of the settings the file holds; every other setting
    // must read its missing-key value.
    std::map<Setting, std::string> stored;
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

std::string ManyKeys()
{
    std::string t = "[Settings]\r\n";
    for (int i = 0; i < 100000; ++i)
        t += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    // The real keys come after all the others, in a section of their own
    // and at the end of a section that holds 100,000 foreign ones.
    t += "DbUsername=ALICE\r\n[TOC]\r\nPosition=1\r\n";
    return t;
}

const InputCase kCases[] = {
    {"garbage", Garbage(256 * 1024, 1), {}},
    // A readable piece inside the garbage still counts (its section ends
    // where the garbage makes a new header).
    {"garbageAroundASection",
     Garbage(64 * 1024, 2) + "\r\n[Tables]\r\nCaption=Mine\r\n" + Garbage(64 * 1024, 3),
     {{Setting::Tables_Caption, "Mine"}}},
    {"nulInsideAValue", "[Tables]\r\nCaption=ab\0cd\r\nAfterCaption=</h1>\r\n"s,
     {{Setting::Tables_Caption, "ab\0cd"s}, {Setting::Tables_AfterCaption, "</h1>"}}},
    {"hundredThousandKeys", ManyKeys(), {{Setting::Settings_DbUsername, "ALICE"}, {Setting::TOC_Position, "1"}}},
    // Values of 1 MB are cut after 2047 characters; a 1 MB line without
    // "=", a 1 MB key and a 1 MB section name hide nothing after them.
    {"megabyteLines",
     "[HTML]\r\nHeader=" + kMB + "\r\n" + kMB + "\r\n" + kMB + "=x\r\n[" + kMB + "]\r\n[Tables]\r\nCaption=" + kMB +
         "\r\nNotNullColumnText=Y\r\n",
     {{Setting::HTML_Header, kMB.substr(0, 2047)},
      {Setting::Tables_Caption, kMB.substr(0, 2047)},
      {Setting::Tables_NotNullColumnText, "Y"}}},
    {"megabyteLineWithoutLineEnds", "[Tables]\nCaption=" + kMB, {{Setting::Tables_Caption, kMB.substr(0, 2047)}}},
    {"noLineEndAtTheEnd", "[Settings]\r\nDbUsername=BOB\r\n[Tables]\r\nCaption=Last", {{Setting::Settings_DbUsername, "BOB"},
                                                                                     {Setting::Tables_Caption, "Last"}}},
    {"endsInsideAHeader", "[Tables]\r\nCaption=Cut\r\n[TO", {{Setting::Tables_Caption, "Cut"}}},
    {"lfOnlyWithoutLineEndAtTheEnd", "[TOC]\nCreateTOC=1\nEnd=</ol><CRLF>",
     {{Setting::TOC_CreateTOC, "1"}, {Setting::TOC_End, "</ol><CRLF>"}}},
    {"empty", "", {}},
};

class SettingsFileInput : public ::testing::TestWithParam<InputCase> {};

struct FileState {
    std::string bytes;
    struct timespec mtime {};
    std::set<std::string> folder;
};

FileState StateOf(const fs::path& p)
{
    FileState s;
    s.bytes = readFile(p);
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    s.mtime = st.st_mtim;
    for (const auto& e : fs::directory_iterator(p.parent_path()))
        s.folder.insert(e.path().filename().string());
    return s;
}

TEST_P(SettingsFileInput, ReadsWhatIsThereAndWritesNothing)
{
    const InputCase& c = GetParam();
    TempDir dir;
    const fs::path p = dir / "odd.ini";
    writeFile(p, c.text);
    // An old modification time: a write now would show.
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
    const FileState before = StateOf(p);

    SettingsValues v = SettingsValues::FromFile(p.string());
    // The loader as the window uses it, with a holder that keeps each value.
    std::map<Setting, std::string> assigned;
    LoadSettingsFile(p.string(), [&](Setting s, const std::string& held) { assigned[s] = held; });
    EXPECT_EQ(assigned.size(), SettingCount);

    for (const SettingInfo& i : SettingsTable()) {
        auto it = c.stored.find(i.Id);
        const std::string expected = HeldFromStored(i, it == c.stored.end() ? i.MissingKey : it->second);
        EXPECT_EQ(v.Text(i.Id), expected) << SettingName(i.Id);
        EXPECT_EQ(assigned[i.Id], expected) << SettingName(i.Id);
    }

    const FileState after = StateOf(p);
    EXPECT_TRUE(after.bytes == before.bytes) << "the file changed";
    EXPECT_EQ(after.mtime.tv_sec, before.mtime.tv_sec);
    EXPECT_EQ(after.mtime.tv_nsec, before.mtime.tv_nsec);
    EXPECT_EQ(after.folder, before.folder);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFileInput, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder, or a device, where the settings file should be: the
// missing-key values, and nothing created or changed.
TEST(SettingsFileInputPlace, FolderOrDeviceGivesMissingKeyValues)
{
    TempDir dir;
    fs::create_directory(dir / "settings.ini");
    for (const std::string& p : {(dir / "settings.ini").string(), std::string("/dev/zero"), std::string("/dev/null")}) {
        SettingsValues v = SettingsValues::FromFile(p);
        for (const SettingInfo& i : SettingsTable())
            EXPECT_EQ(v.Text(i.Id), HeldFromStored(i, i.MissingKey)) << p << " " << SettingName(i.Id);
    }
    EXPECT_TRUE(fs::is_directory(dir / "settings.ini"));
    EXPECT_TRUE(fs::is_empty(dir / "settings.ini"));
}

} // namespace

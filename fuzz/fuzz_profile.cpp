// The profile (INI) file reader: settings files come from anywhere.
// Input: line 1 a section, line 2 a key, line 3 a value, the rest the file.
// Properties: text written and read again gives the same lines; a key
// written reads back as written (for the names and values the settings
// store uses); reads of any name never fail.
#include "FuzzSupport.h"
#include "settings/ProfileFile.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool PlainName(const std::string& s)
{
    if (s.empty())
        return false;
    for (unsigned char c : s)
        if (!(std::isalnum(c) || c == '_' || c == ' ') || c >= 0x80)
            return false;
    return s.front() != ' ' && s.back() != ' ';
}

bool PlainValue(const std::string& v)
{
    if (v.size() > ProfileValueLimit)
        return false;
    for (char c : v)
        if (c == '\r' || c == '\n')
            return false;
    if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
        return false;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return false;
    return true;
}

} // namespace

constexpr const char* kDefault = "\x01" "default";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view in = fuzz::Text(data, size);
    const std::string section = fuzz::TakeLine(in);
    const std::string key = fuzz::TakeLine(in);
    const std::string value = fuzz::TakeLine(in);

    TProfileFile f = TProfileFile::Parse(in);
    const std::string text = f.Text();
    FUZZ_CHECK(TProfileFile::Parse(text).Text() == text, text);

    std::string read = f.ReadString(section, key, kDefault);
    FUZZ_CHECK(read.size() <= ProfileValueLimit || read == kDefault, section);
    const std::string ra = f.ReadString(section, key, "\x01" "a");
    const std::string rb = f.ReadString(section, key, "\x01" "b");
    FUZZ_CHECK(f.HasKey(section, key) == (ra != "\x01" "a" || rb != "\x01" "b"), key);

    if (PlainName(section) && PlainName(key) && PlainValue(value)) {
        TProfileFile g = f;
        g.WriteString(section, key, value);
        FUZZ_CHECK(g.ReadString(section, key, kDefault) == value, g.Text());
        // ... and after the text is read again.
        TProfileFile h = TProfileFile::Parse(g.Text());
        FUZZ_CHECK(h.ReadString(section, key, "") == value, h.Text());
    }

    // The file path of the reader: the same lines as parsing the text.
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel_fuzz_profile_" +
                        std::to_string(::getpid()) + ".ini";
        return p;
    }();
    static const bool cleanup = [] { return std::atexit([] { std::remove(path.c_str()); }) == 0; }();
    (void)cleanup;
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(in.data(), 1, in.size(), out);
        std::fclose(out);
        FUZZ_CHECK(TProfileFile::Read(path).Text() == text, text);
    }
    return 0;
}

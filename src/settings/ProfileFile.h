#pragma once
// Profile (INI) files in the Windows profile format: "[Section]" header
// lines and "Key=Value" lines. Sections and keys match without regard to
// ASCII letter case; the first match counts. Both LF and CR LF end a line
// when reading; every line is written with CR LF.
//
// Reading never writes and never fails: a missing or unreadable file reads
// as empty. Writing changes the file in place: a present key is replaced on
// its line, a missing key is appended after the last line of its section, a
// missing section is appended at the end of the file; every other line
// (foreign sections, keys, comments) is kept.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Raised when a profile file cannot be written (completely): the message is
// "In <file> kann nicht geschrieben werden".
class EProfileWriteError : public std::runtime_error {
public:
    explicit EProfileWriteError(const std::string& fileName);
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

// At most this many characters of a value are read.
constexpr std::size_t ProfileValueLimit = 2047;

// The lines of one profile file, held in memory. Value object; it keeps no
// handle on the file.
class TProfileFile {
public:
    TProfileFile() = default;
    // Reads the file once; a missing or unreadable file gives no lines.
    static TProfileFile Read(const std::string& fileName);
    // Parses profile text (LF or CR LF line ends).
    static TProfileFile Parse(std::string_view text);

    // The value of the key: everything after the first "=", blanks and tabs
    // around it removed, then one enclosing pair of double or single quotes
    // removed, then cut after ProfileValueLimit characters. The default when
    // the section or key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    // Sets the key in memory (in place / appended, as described above).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The file text: every line followed by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> FLines;
};

// One key to write.
struct TProfileEntry {
    std::string Section;
    std::string Key;
    std::string Value;
};

// One-off read of a key (reads the file each call).
std::string ReadProfileString(const std::string& fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// One-off write of a key. Raises EProfileWriteError.
void WriteProfileString(const std::string& fileName, std::string_view section,
                        std::string_view key, std::string_view value);

// Writes the entries in order with the effect of writing them key by key,
// but reads the file once and normally writes it once, in place (never
// under a temporary name).
//  - The file cannot be opened for writing (read-only, missing folder, no
//    permission): nothing is written, as the first key would have failed.
//  - The device has no room for the result: the space is reserved before
//    anything is written; when the whole result does not fit, the keys are
//    applied one by one and the file is left holding exactly the keys
//    before the first one that no longer fits.
//  - A write that is cut short where no reservation is possible (a device
//    such as /dev/full): the error is raised.
// Every failure raises EProfileWriteError naming the file.
void WriteProfileStrings(const std::string& fileName, const std::vector<TProfileEntry>& entries);

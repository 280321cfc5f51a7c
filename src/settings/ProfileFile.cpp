#include "settings/ProfileFile.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The section name when the line is a "[Section]" header.
bool SectionOf(std::string_view line, std::string_view& name)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return false;
    line.remove_prefix(1);
    std::size_t close = line.find(']');
    name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// The key and the raw value when the line is a "Key=Value" line.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value)
{
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';')
        return false;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

// RAII owner of a file descriptor.
class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }
    // Closes now and reports whether the close succeeded.
    bool Close()
    {
        int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

enum class TReserve { Done, NoRoom, Unsupported };

// Reserves the blocks for size bytes without changing the file's size, so
// that the write that follows cannot run out of room.
TReserve Reserve(int fd, std::size_t size)
{
    if (size == 0)
        return TReserve::Done;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0)
        return TReserve::Done;
    if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)
        return TReserve::NoRoom;
    return TReserve::Unsupported;
}

// Writes text over the file from its start and cuts it to the text's size.
void WriteAll(int fd, bool regular, const std::string& text, const std::string& fileName)
{
    if (regular && ::lseek(fd, 0, SEEK_SET) != 0)
        throw EProfileWriteError(fileName);
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EProfileWriteError(fileName);
        p += n;
        left -= std::size_t(n);
    }
    if (regular && ::ftruncate(fd, off_t(text.size())) != 0)
        throw EProfileWriteError(fileName);
}

} // namespace

EProfileWriteError::EProfileWriteError(const std::string& fileName)
    : std::runtime_error("In " + fileName + " kann nicht geschrieben werden"), FFileName(fileName)
{
}

TProfileFile TProfileFile::Read(const std::string& fileName)
{
    // Only regular files hold profiles; a device such as /dev/full would
    // read without end.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return {};
    return Parse(text);
}

TProfileFile TProfileFile::Parse(std::string_view text)
{
    TProfileFile f;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::string_view line = text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        f.FLines.emplace_back(line);
        if (lf == std::string_view::npos)
            break;
        pos = lf + 1;
    }
    return f;
}

namespace {

struct TSectionRange {
    bool Found = false;
    std::size_t Header = 0; // index of the header line
    std::size_t End = 0;    // one past the section's last line
};

TSectionRange FindSection(const std::vector<std::string>& lines, std::string_view section)
{
    TSectionRange r;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (!SectionOf(lines[i], name))
            continue;
        if (r.Found) {
            r.End = i;
            return r;
        }
        if (SameName(name, section)) {
            r.Found = true;
            r.Header = i;
        }
    }
    r.End = lines.size();
    return r;
}

// Index of the key's line within the section, or npos.
std::size_t FindKey(const std::vector<std::string>& lines, const TSectionRange& r, std::string_view key,
                    std::string_view* value = nullptr)
{
    for (std::size_t i = r.Header + 1; i < r.End; ++i) {
        std::string_view k, v;
        if (KeyOf(lines[i], k, v) && SameName(k, key)) {
            if (value)
                *value = v;
            return i;
        }
    }
    return std::string::npos;
}

} // namespace

bool TProfileFile::HasKey(std::string_view section, std::string_view key) const
{
    TSectionRange r = FindSection(FLines, section);
    return r.Found && FindKey(FLines, r, key) != std::string::npos;
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const
{
    TSectionRange r = FindSection(FLines, section);
    std::string_view raw;
    if (!r.Found || FindKey(FLines, r, key, &raw) == std::string::npos)
        return std::string(defaultValue);
    std::string_view v = Trim(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    if (v.size() > ProfileValueLimit)
        v = v.substr(0, ProfileValueLimit);
    return std::string(v);
}

void TProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string line = std::string(key) + "=" + std::string(value);
    TSectionRange r = FindSection(FLines, section);
    if (!r.Found) {
        FLines.push_back("[" + std::string(section) + "]");
        FLines.push_back(std::move(line));
        return;
    }
    std::size_t at = FindKey(FLines, r, key);
    if (at != std::string::npos) {
        FLines[at] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so blank lines that separate
    // it from the next section stay where they are.
    std::size_t last = r.End;
    while (last > r.Header + 1 && Trim(FLines[last - 1]).empty())
        --last;
    FLines.insert(FLines.begin() + std::ptrdiff_t(last), std::move(line));
}

std::string TProfileFile::Text() const
{
    std::string out;
    for (const std::string& l : FLines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::string ReadProfileString(const std::string& fileName, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    return TProfileFile::Read(fileName).ReadString(section, key, defaultValue);
}

void WriteProfileString(const std::string& fileName, std::string_view section, std::string_view key,
                        std::string_view value)
{
    WriteProfileStrings(fileName, {TProfileEntry{std::string(section), std::string(key), std::string(value)}});
}

void WriteProfileStrings(const std::string& fileName, const std::vector<TProfileEntry>& entries)
{
    const TProfileFile original = TProfileFile::Read(fileName);
    TProfileFile result = original;
    for (const TProfileEntry& e : entries)
        result.WriteString(e.Section, e.Key, e.Value);
    std::string text = result.Text();

    TFd fd(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (fd.Get() < 0)
        throw EProfileWriteError(fileName);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw EProfileWriteError(fileName);
    const bool regular = S_ISREG(st.st_mode);

    if (regular && Reserve(fd.Get(), text.size()) == TReserve::NoRoom) {
        // Not all keys fit: keep those that do, one after the other, and
        // report the first one that does not.
        TProfileFile partial = original;
        std::string fitting;
        std::size_t applied = 0;
        for (const TProfileEntry& e : entries) {
            partial.WriteString(e.Section, e.Key, e.Value);
            std::string next = partial.Text();
            if (Reserve(fd.Get(), next.size()) == TReserve::NoRoom)
                break;
            fitting = std::move(next);
            ++applied;
        }
        if (applied > 0)
            WriteAll(fd.Get(), regular, fitting, fileName);
        if (applied < entries.size())
            throw EProfileWriteError(fileName);
        if (!fd.Close())
            throw EProfileWriteError(fileName);
        return;
    }
    WriteAll(fd.Get(), regular, text, fileName);
    if (!fd.Close())
        throw EProfileWriteError(fileName);
}

#pragma once
// Output text file of the exporters.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A file that cannot be created, written, read, renamed or deleted. The
// message names the file.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// TTextFile owns one output file, created or truncated when constructed.
// It is written as text: every LF written is stored as CR LF, a CR is
// stored unchanged (so a CR LF in a value becomes CR CR LF). Writes are
// buffered; a write, flush or close that the system refuses (disk full,
// device error) raises EFileError "Could not write file <path>: <reason>",
// and from then on every operation raises that same error. Close() reports
// failure; the destructor closes best effort and never throws, so the
// error path of an export keeps whatever reached the disk.
class TTextFile {
public:
    // Raises EFileError "Could not create file " + the full path.
    explicit TTextFile(const std::string& FileName);
    ~TTextFile() noexcept;
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    // Writes Text, each LF stored as CR LF.
    void Write(std::string_view Text);
    // Writes Text and a line end (stored as CR LF).
    void WriteLine(std::string_view Text = {});
    // Writes out the buffer.
    void Flush();
    // Flushes, then returns the number of bytes the file holds.
    std::uint64_t Size();
    // Flushes and closes; raises EFileError on failure. Does nothing when
    // already closed; writing after Close() raises.
    void Close();

    // The full path of the file, as used in the messages.
    const std::string& FileName() const { return FFileName; }

private:
    void CheckUsable() const;
    void Fail(int Errno);

    std::string FFileName;
    int FFd = -1;
    std::string FBuffer;
    std::string FError;
    std::uint64_t FWritten = 0;
};

// The full path of FileName (relative names are taken from the current
// directory, nothing is resolved), as the file messages give it.
std::string FullFileName(const std::string& FileName);

#include "export/TextFile.h"

#include "xml/XMLFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

std::string FullFileName(const std::string& FileName)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(FileName, ec);
    return ec || FileName.empty() ? FileName : p.string();
}

TTextFile::TTextFile(const std::string& FileName)
    : FFileName(FullFileName(FileName))
{
    FFd = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FFd < 0)
        throw EFileError("Could not create file " + FFileName);
    FBuffer.reserve(kBufferSize + 256);
}

TTextFile::~TTextFile() noexcept
{
    if (FFd < 0)
        return;
    if (FError.empty()) {
        try {
            Flush();
        } catch (...) {
            // Close() is where a failure is reported.
        }
    }
    ::close(FFd);
}

void TTextFile::Write(std::string_view Text)
{
    CheckUsable();
    AppendTextFileBytes(FBuffer, Text);
    if (FBuffer.size() >= kBufferSize)
        Flush();
}

void TTextFile::WriteLine(std::string_view Text)
{
    Write(Text);
    Write("\n");
}

void TTextFile::Flush()
{
    CheckUsable();
    std::size_t done = 0;
    while (done < FBuffer.size()) {
        ssize_t n = ::write(FFd, FBuffer.data() + done, FBuffer.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        done += static_cast<std::size_t>(n);
        FWritten += static_cast<std::uint64_t>(n);
    }
    FBuffer.clear();
}

std::uint64_t TTextFile::Size()
{
    Flush();
    return FWritten;
}

void TTextFile::Close()
{
    if (FFd < 0)
        return;
    try {
        Flush();
    } catch (...) {
        ::close(FFd);
        FFd = -1;
        throw;
    }
    int rc = ::close(FFd);
    FFd = -1;
    if (rc != 0)
        Fail(errno);
}

void TTextFile::CheckUsable() const
{
    if (!FError.empty())
        throw EFileError(FError);
    if (FFd < 0)
        throw EFileError("File " + FFileName + " is closed");
}

void TTextFile::Fail(int Errno)
{
    FBuffer.clear();
    FError = "Could not write file " + FFileName + ": " + std::strerror(Errno);
    throw EFileError(FError);
}

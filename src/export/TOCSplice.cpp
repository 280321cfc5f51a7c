#include "export/TOCSplice.h"

#include "export/TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A file descriptor closed when it goes; CloseChecked reports the close.
class TFd {
public:
    explicit TFd(int Fd) : FFd(Fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }
    bool CloseChecked()
    {
        int rc = ::close(FFd);
        FFd = -1;
        return rc == 0;
    }

private:
    int FFd;
};

[[noreturn]] void Raise(const std::string& What, const std::string& Name, int Errno)
{
    throw EFileError("Could not " + What + " file " + Name + ": " + std::strerror(Errno));
}

// Removes the merge file unless the splice got as far as moving it.
class TRemoveOnFailure {
public:
    explicit TRemoveOnFailure(const std::string& Name) : FName(Name) {}
    ~TRemoveOnFailure()
    {
        if (!FDone)
            ::unlink(FName.c_str());
    }
    void Done() { FDone = true; }

private:
    std::string FName;
    bool FDone = false;
};

void WriteAll(int To, const std::string& ToName, const char* Data, std::size_t Size)
{
    std::size_t done = 0;
    while (done < Size) {
        ssize_t n = ::write(To, Data + done, Size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Raise("write", ToName, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

// Copies up to Limit bytes from the current position of From.
void Copy(int From, const std::string& FromName, int To, const std::string& ToName,
          std::uint64_t Limit)
{
    std::vector<char> buffer(64 * 1024);
    while (Limit > 0) {
        std::size_t want = Limit < buffer.size() ? static_cast<std::size_t>(Limit) : buffer.size();
        ssize_t n = ::read(From, buffer.data(), want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Raise("read", FromName, errno);
        }
        if (n == 0)
            return;
        WriteAll(To, ToName, buffer.data(), static_cast<std::size_t>(n));
        Limit -= static_cast<std::uint64_t>(n);
    }
}

bool SameFile(const struct stat& A, const struct stat& B)
{
    return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

} // namespace

std::string SiblingFileName(const std::string& FileName, const std::string& Extension)
{
    std::size_t slash = FileName.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return FileName + Extension;
    if (FileName.compare(dot, std::string::npos, Extension) == 0)
        return FileName + Extension;
    return FileName.substr(0, dot) + Extension;
}

std::string TOCFileName(const std::string& MainFile)
{
    return SiblingFileName(MainFile, ".toc");
}

std::string MergeFileName(const std::string& MainFile)
{
    return SiblingFileName(MainFile, ".tmp");
}

void SpliceTOC(const std::string& MainFile, const std::string& TOCFile,
               const std::string& MergeFile, std::uint64_t InsertAt)
{
    const std::string f = FullFileName(MainFile);
    const std::string t = FullFileName(TOCFile);
    const std::string m = FullFileName(MergeFile);

    TFd main(::open(MainFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (main.Get() < 0)
        Raise("open", f, errno);
    TFd toc(::open(TOCFile.c_str(), O_RDONLY | O_CLOEXEC));
    if (toc.Get() < 0)
        Raise("open", t, errno);

    // Writing the merge file over the document or the TOC would destroy
    // what is being copied.
    struct stat sf {}, st {}, sm {};
    if (::fstat(main.Get(), &sf) != 0)
        Raise("read", f, errno);
    if (::fstat(toc.Get(), &st) != 0)
        Raise("read", t, errno);
    bool mergeExists = ::stat(MergeFile.c_str(), &sm) == 0;
    if (SameFile(sf, st) || (mergeExists && (SameFile(sm, sf) || SameFile(sm, st))))
        throw EFileError("Could not splice file " + t + " into " + f + " by way of " + m +
                         ": they are not three different files");

    // The merge file is moved over the document and removed on failure:
    // it must be an ordinary file, never a device or a pipe.
    if (mergeExists && !S_ISREG(sm.st_mode))
        throw EFileError("Could not create file " + m + ": not a regular file");
    TFd merge(::open(MergeFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (merge.Get() < 0)
        throw EFileError("Could not create file " + m);
    TRemoveOnFailure cleanup(MergeFile);

    Copy(main.Get(), f, merge.Get(), m, InsertAt);
    Copy(toc.Get(), t, merge.Get(), m, std::numeric_limits<std::uint64_t>::max());
    Copy(main.Get(), f, merge.Get(), m, std::numeric_limits<std::uint64_t>::max());
    if (!merge.CloseChecked())
        Raise("write", m, errno);
    main.CloseChecked();
    toc.CloseChecked();

    // rename() replaces the document in one step, so it is never missing
    // and stays whole when the move fails.
    if (::rename(MergeFile.c_str(), MainFile.c_str()) != 0) {
        int e = errno;
        throw EFileError("Could not rename file " + m + " to " + f + ": " + std::strerror(e));
    }
    cleanup.Done();
    if (::unlink(TOCFile.c_str()) != 0)
        Raise("delete", t, errno);
}

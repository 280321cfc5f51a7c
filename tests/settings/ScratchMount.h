#pragma once
// Mounts for tests of write failures that a root test cannot arrange with
// file modes: a small tmpfs (a device that runs full) and a read-only bind
// of a folder. Both need the right to mount; Active() tells whether it
// worked (tests skip otherwise). Unmounted when the object goes.
#include <filesystem>
#include <string>
#include <sys/mount.h>

namespace varnel::test {

class ScratchMount {
public:
    // A tmpfs of `bytes` at `where` (created).
    static ScratchMount Tmpfs(const std::filesystem::path& where, std::size_t bytes)
    {
        std::filesystem::create_directories(where);
        std::string opts = "size=" + std::to_string(bytes);
        ScratchMount m(where);
        m.active_ = ::mount("tmpfs", where.c_str(), "tmpfs", 0, opts.c_str()) == 0;
        return m;
    }
    // `source` seen read-only at `where` (created).
    static ScratchMount ReadOnlyBind(const std::filesystem::path& source, const std::filesystem::path& where)
    {
        std::filesystem::create_directories(where);
        ScratchMount m(where);
        if (::mount(source.c_str(), where.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return m;
        m.active_ = true;
        if (::mount(nullptr, where.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            ::umount2(where.c_str(), MNT_DETACH);
            m.active_ = false;
        }
        return m;
    }

    ScratchMount(ScratchMount&& o) noexcept : where_(std::move(o.where_)), active_(o.active_) { o.active_ = false; }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    ~ScratchMount()
    {
        if (active_)
            ::umount2(where_.c_str(), MNT_DETACH);
    }
    bool Active() const { return active_; }
    const std::filesystem::path& Path() const { return where_; }

private:
    explicit ScratchMount(std::filesystem::path where) : where_(std::move(where)) {}
    std::filesystem::path where_;
    bool active_ = false;
};

} // namespace varnel::test

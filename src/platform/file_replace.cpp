#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace ostrand {
namespace {

constexpr int kMaxLinks = 40;

// A file descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes and reports whether the close (the last chance for a write error) worked.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Rewrites the file itself: keeps its inode, owner, mode and hard links, at the
// cost of atomicity. Used only where a replacement could not keep them.
bool RewriteInPlace(const std::string& target, std::string_view content) {
    Fd fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid()) return false;
    return WriteAll(fd.Get(), content) && fd.Close();
}

// A new file beside the target, created exclusively (never following a link
// planted under its name). Its mode is 0666 less the umask, as any new file.
std::optional<std::string> CreateTemporary(const std::string& target, Fd& fd) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = target + ".tmp" + std::to_string(::getpid()) + "." +
                                 std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        const int opened = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (opened >= 0) {
            fd.Reset(opened);
            return name;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string FinalLinkTarget(const std::string& path) {
    std::filesystem::path current(path);
    for (int links = 0; links < kMaxLinks; ++links) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) break;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) break;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
    const std::string target = FinalLinkTarget(path);

    struct stat existing {};
    const bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists) {
        if (!S_ISREG(existing.st_mode)) return false;
        // The read-only mark: no write bit for anyone. Honoured also by root.
        if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
        // Whether this process may write the file, asked of the file itself.
        Fd probe(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
        if (!probe.Valid()) return false;
    }

    Fd fd;
    const auto temporary = CreateTemporary(target, fd);
    if (!temporary) return exists && RewriteInPlace(target, content);

    bool keepsIdentity = true;
    if (exists) {
        if (existing.st_nlink > 1) keepsIdentity = false;
        if (keepsIdentity && ::fchmod(fd.Get(), existing.st_mode & 07777) != 0) keepsIdentity = false;
        struct stat made {};
        if (keepsIdentity && ::fstat(fd.Get(), &made) != 0) keepsIdentity = false;
        if (keepsIdentity && (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid) &&
            ::fchown(fd.Get(), existing.st_uid, existing.st_gid) != 0) {
            keepsIdentity = false;
        }
        // chown may clear set-id bits; put the mode back once the owner is right.
        if (keepsIdentity && ::fchmod(fd.Get(), existing.st_mode & 07777) != 0) keepsIdentity = false;
    }
    if (!keepsIdentity) {
        fd.Reset();
        ::unlink(temporary->c_str());
        return RewriteInPlace(target, content);
    }

    if (!WriteAll(fd.Get(), content) || !fd.Close()) {
        fd.Reset();
        ::unlink(temporary->c_str());
        return false;
    }
    if (::rename(temporary->c_str(), target.c_str()) != 0) {
        ::unlink(temporary->c_str());
        return false;
    }
    return true;
}

}  // namespace ostrand

#include "transport/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

namespace ostrand {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinkHops = 40;  // the kernel's own limit for one path

// Follows the path's own symlinks (not those of its folders, which the kernel
// follows anyway) to the file they finally name, which may not exist yet.
// nullopt for a loop or an unreadable link.
std::optional<fs::path> ResolveLinks(fs::path path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::error_code error;
        const fs::path target = fs::read_symlink(path, error);
        if (error) return std::nullopt;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

// A name beside the target that no other writer uses.
fs::path TemporaryName(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string name = "." + target.filename().string() + ".part-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1)) + "-" + std::to_string(attempt);
    return folder / name;
}

int OpenDirect(const fs::path& path) {
    // Non-blocking so a FIFO without a reader fails at once instead of waiting
    // for ever; the writes afterwards block as usual.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

OutputFile::OutputFile(int fd, fs::path target, fs::path temporary) noexcept
    : fd_(fd), target_(std::move(target)), temporary_(std::move(temporary)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      written_(other.written_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        Abandon();
        fd_ = std::exchange(other.fd_, -1);
        target_ = std::move(other.target_);
        temporary_ = std::exchange(other.temporary_, {});
        written_ = other.written_;
    }
    return *this;
}

OutputFile::~OutputFile() { Abandon(); }

std::optional<OutputFile> OutputFile::Open(const fs::path& path) {
    if (path.empty()) return std::nullopt;
    const auto target = ResolveLinks(path);
    if (!target) return std::nullopt;

    struct stat info {};
    const bool exists = ::stat(target->c_str(), &info) == 0;
    if (!exists && errno != ENOENT) return std::nullopt;
    if (exists && S_ISDIR(info.st_mode)) return std::nullopt;
    if (exists && !S_ISREG(info.st_mode)) {
        const int fd = OpenDirect(*target);
        if (fd < 0) return std::nullopt;
        return OutputFile(fd, *target, {});
    }
    // A file this process could not overwrite in place is not replaced either.
    if (exists && ::access(target->c_str(), W_OK) != 0) return std::nullopt;

    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const fs::path temporary = TemporaryName(*target, attempt);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        // The replacement keeps the owner (where this process may set it) and
        // the permissions of the file it replaces.
        if (exists) {
            if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
                // Only a privileged process may give a file away; ours stays ours.
            }
            (void)::fchmod(fd, info.st_mode & 07777);
        }
        return OutputFile(fd, *target, temporary);
    }
    return std::nullopt;
}

bool OutputFile::Write(std::string_view data) {
    if (fd_ < 0) return false;
    while (!data.empty()) {
        const ssize_t wrote = ::write(fd_, data.data(), data.size());
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(wrote));
        written_ += static_cast<std::uint64_t>(wrote);
    }
    return true;
}

bool OutputFile::Commit() {
    if (fd_ < 0) return false;
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    if (temporary_.empty()) return closed;
    if (!closed || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::Abandon() noexcept {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) {
        (void)::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace ostrand

#include "platform/profile_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/file_replace.h"

namespace ostrand {
namespace {

// A handful of files are read at all (the settings file, the download cache).
constexpr std::size_t kCachedFiles = 4;

// File times tick coarsely (a kernel tick), so a file changed within the same
// tick as a read could look unchanged afterwards at the same size. A file
// changed this recently is used once and read again next time.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

// What tells one state of a file from another without reading it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& st) {
    auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}

std::optional<FileIdentity> StatIdentity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

bool ChangedJustNow(const FileIdentity& identity) {
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return nowNs - std::max(identity.modifiedNs, identity.changedNs) < kRacyWindowNs;
}

struct Entry {
    std::string path;
    FileIdentity identity;
    std::shared_ptr<const ProfileDocument> document;
    std::uint64_t lastUse = 0;
};

class ProfileCache {
public:
    std::shared_ptr<const ProfileDocument> Find(const std::string& path, const FileIdentity& identity) {
        std::lock_guard lock(mutex_);
        for (Entry& entry : entries_) {
            if (entry.path == path && entry.identity == identity) {
                entry.lastUse = ++clock_;
                return entry.document;
            }
        }
        return nullptr;
    }

    void Put(const std::string& path, const FileIdentity& identity,
             std::shared_ptr<const ProfileDocument> document) {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.path == path; });
        if (it == entries_.end()) {
            if (entries_.size() >= kCachedFiles) {
                it = std::min_element(entries_.begin(), entries_.end(),
                                      [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
            } else {
                it = entries_.insert(entries_.end(), Entry{});
            }
        }
        *it = Entry{path, identity, std::move(document), ++clock_};
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t clock_ = 0;
};

ProfileCache& Cache() {
    static ProfileCache cache;
    return cache;
}

const std::shared_ptr<const ProfileDocument>& EmptyDocument() {
    static const auto empty = std::make_shared<const ProfileDocument>();
    return empty;
}

// Reads a regular file whole. nullopt when it cannot be opened or read; only
// regular files are read, so a name that points at a device or a pipe never
// makes a read without end.
std::optional<std::string> ReadRegularFile(const std::string& path, FileIdentity& identity, bool& stable) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat before {};
    std::optional<std::string> content;
    if (::fstat(fd, &before) == 0 && S_ISREG(before.st_mode)) {
        std::string text;
        text.resize(static_cast<std::size_t>(before.st_size));
        std::size_t filled = 0;
        bool failed = false;
        while (true) {
            if (filled == text.size()) text.resize(text.size() + 4096);  // grew while read
            const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) failed = true;
            if (got <= 0) break;
            filled += static_cast<std::size_t>(got);
        }
        text.resize(filled);
        struct stat after {};
        if (!failed) {
            identity = IdentityOf(before);
            stable = ::fstat(fd, &after) == 0 && IdentityOf(after) == identity &&
                     filled == static_cast<std::size_t>(before.st_size);
            content = std::move(text);
        }
    }
    ::close(fd);
    return content;
}

}  // namespace

std::shared_ptr<const ProfileDocument> LoadProfileDocument(const std::string& path) {
    const auto identity = StatIdentity(path);
    if (!identity) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? nullptr : EmptyDocument();
    }
    if (auto cached = Cache().Find(path, *identity)) return cached;

    FileIdentity readIdentity;
    bool stable = false;
    auto content = ReadRegularFile(path, readIdentity, stable);
    if (!content) return nullptr;
    auto document = std::make_shared<const ProfileDocument>(std::move(*content));
    // A file that changed while it was read, or just before, is used once and
    // read again next time.
    if (stable && !ChangedJustNow(readIdentity)) Cache().Put(path, readIdentity, document);
    return document;
}

bool StoreProfileDocument(const std::string& path, ProfileDocument document) {
    if (!ReplaceFileContent(path, document.Content())) return false;
    if (const auto identity = StatIdentity(path)) {
        Cache().Put(path, *identity, std::make_shared<const ProfileDocument>(std::move(document)));
    }
    return true;
}

void ClearProfileCache() { Cache().Clear(); }

}  // namespace ostrand

#pragma once
// The local file a download or export writes into.
//
// A transfer can fail halfway, and the path the user chose may already name
// something: an older copy, a symlink into another folder, a device node. So a
// regular file (or a path that does not exist yet) is written to a temporary
// file in the same folder and renamed into place only by Commit(); a failure
// removes the temporary file and leaves the path as it was. A symlink is
// followed to its target, so the link stays a link and its target is replaced
// only on success. A path that names something other than a regular file (a
// character device such as /dev/null, a FIFO) is written directly and never
// removed. Nothing the call did not create is ever deleted.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace ostrand {

class OutputFile {
public:
    // nullopt when the file cannot be created (no such folder, no permission,
    // an existing file this process may not write, a directory, a symlink
    // loop, a FIFO without a reader).
    static std::optional<OutputFile> Open(const std::filesystem::path& path);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Abandons an uncommitted file: its temporary file is removed.
    ~OutputFile();

    // Appends every byte; false on a write error (the file is then abandoned
    // by the caller).
    bool Write(std::string_view data);
    // Puts the written bytes in place: closes the file and renames a temporary
    // file over the target. False when that fails (the temporary file is gone).
    bool Commit();

    std::uint64_t Written() const noexcept { return written_; }
    // True when the path is written directly (device node, FIFO).
    bool Direct() const noexcept { return temporary_.empty(); }

private:
    OutputFile(int fd, std::filesystem::path target, std::filesystem::path temporary) noexcept;
    void Abandon() noexcept;

    int fd_ = -1;
    std::filesystem::path target_;     // where the bytes end up (symlinks resolved)
    std::filesystem::path temporary_;  // empty when writing directly
    std::uint64_t written_ = 0;
};

}  // namespace ostrand

#pragma once
// Replacing a small text file (the settings files) as a whole, the way the
// Windows profile functions leave it: the new text is written beside the file
// and renamed over it, so a failed write never leaves half a file, yet the
// file stays what its owner made it.
//
// - A symlink is written through: its final target gets the new text and the
//   link stays a link.
// - A file that exists but that this process cannot write (no permission, or
//   no write bit at all, the read-only mark) is left untouched and the call
//   fails: renaming a copy over it would hand it to whoever ran the program.
// - The replacement keeps the file's mode, owner and group. Where the copy
//   cannot carry them (the owner is another user, the folder cannot take a
//   new file) or the file has further hard links, the file is rewritten in
//   place instead.

#include <string>
#include <string_view>

namespace ostrand {

// The path a write of `path` lands on: `path` with every symlink followed to
// its end (at most 40 links; a dangling link gives the file it would create).
std::string FinalLinkTarget(const std::string& path);

// False, with the file as it was, when it cannot be written.
bool ReplaceFileContent(const std::string& path, std::string_view content);

}  // namespace ostrand

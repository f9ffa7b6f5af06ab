#pragma once
// The settings files as last read, parsed once and reused while the file on
// disk is unchanged (same device, inode, size, modification and change time),
// so a start-up reading hundreds of keys reads and parses the file once. Our
// own writes refresh the entry. Safe to use from several threads.

#include <memory>
#include <string>
#include <string_view>

#include "platform/profile_document.h"

namespace ostrand {

// The parsed file at `path`: an empty document when there is no file, nullptr
// when there is one that cannot be read (or is not a regular file).
std::shared_ptr<const ProfileDocument> LoadProfileDocument(const std::string& path);

// Writes the document's text to `path` (see ReplaceFileContent) and, on
// success, keeps it as the file's parsed text. False when the file cannot be
// written.
bool StoreProfileDocument(const std::string& path, ProfileDocument document);

// Forgets every cached file (tests measuring a cold read).
void ClearProfileCache();

}  // namespace ostrand

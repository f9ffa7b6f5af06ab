#pragma once
// The log archive a device hands out: a gzip-compressed tar holding one file,
// readable by the ordinary tar and gzip tools.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand::sim {

// A POSIX (ustar) archive of one regular file.
std::string MakeTar(std::string_view fileName, std::string_view contents, std::int64_t mtime);
// gzip stream (RFC 1952) of the bytes.
std::string GzipBytes(std::string_view bytes);
// "LOG/<name>" inside a .tar.gz.
std::string MakeLogArchive(std::string_view logText, std::int64_t mtime);

}  // namespace ostrand::sim

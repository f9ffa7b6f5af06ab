#include "sim/log_archive.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace ostrand::sim {
namespace {

constexpr std::size_t kBlock = 512;

void PutOctal(char* field, std::size_t width, std::uint64_t value) {
    // width - 1 zero-padded digits and a terminating NUL, as tar readers expect.
    field[width - 1] = '\0';
    for (std::size_t i = width - 1; i-- > 0;) {
        field[i] = static_cast<char>('0' + (value & 7));
        value >>= 3;
    }
}

}  // namespace

std::string MakeTar(std::string_view fileName, std::string_view contents, std::int64_t mtime) {
    std::array<char, kBlock> header{};
    std::memcpy(header.data(), fileName.data(), std::min<std::size_t>(fileName.size(), 99));
    PutOctal(header.data() + 100, 8, 0644);
    PutOctal(header.data() + 108, 8, 0);
    PutOctal(header.data() + 116, 8, 0);
    PutOctal(header.data() + 124, 12, contents.size());
    PutOctal(header.data() + 136, 12, static_cast<std::uint64_t>(mtime < 0 ? 0 : mtime));
    header[156] = '0';
    std::memcpy(header.data() + 257, "ustar", 6);
    std::memcpy(header.data() + 263, "00", 2);
    std::memcpy(header.data() + 265, "root", 4);
    std::memcpy(header.data() + 297, "root", 4);
    // The checksum is taken with its own field read as eight spaces.
    std::memset(header.data() + 148, ' ', 8);
    unsigned sum = 0;
    for (char c : header) sum += static_cast<unsigned char>(c);
    PutOctal(header.data() + 148, 7, sum);
    header[155] = ' ';

    std::string tar(header.data(), header.size());
    tar.append(contents);
    tar.append((kBlock - contents.size() % kBlock) % kBlock, '\0');
    tar.append(2 * kBlock, '\0');
    return tar;
}

std::string GzipBytes(std::string_view bytes) {
    z_stream stream{};
    // 15 window bits plus 16 asks zlib for the gzip wrapper instead of zlib's own.
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    const std::size_t produced = stream.total_out;
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(produced);
    return out;
}

std::string MakeLogArchive(std::string_view logText, std::int64_t mtime) {
    return GzipBytes(MakeTar("LOG/vekIPC.log", logText, mtime));
}

}  // namespace ostrand::sim

// The motion-JPEG stream parser over untrusted bytes: what it calls a frame
// is a whole JPEG within the part cap, and the answer does not depend on how
// the bytes were cut into reads. The input: one byte that chooses the read
// size and whether the peer closes, the answer's Content-Type up to the first
// line feed, then the body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ops/video/mjpeg_reader.h"

namespace {

using ostrand::video::MjpegLimits;
using ostrand::video::MjpegParser;

MjpegLimits Limits() {
    MjpegLimits limits;
    limits.headBytes = 512;
    limits.preambleBytes = 2048;
    limits.partBytes = 16384;
    return limits;
}

// Feeds `bytes` in pieces of `piece` (0: whole), then the close when asked.
MjpegParser Run(std::string_view contentType, std::string_view bytes, std::size_t piece, bool close) {
    MjpegParser parser(contentType, Limits());
    MjpegParser::State state = MjpegParser::State::More;
    if (piece == 0) piece = bytes.size() + 1;
    for (std::size_t at = 0; at < bytes.size() && state == MjpegParser::State::More; at += piece) {
        state = parser.Feed(bytes.substr(at, piece));
    }
    if (close) parser.Finish();
    return parser;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the read size and whether the peer closes.
    const std::size_t piece = 1 + (data[0] & 0x3F);
    const bool close = (data[0] & 0x40) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t lineEnd = input.find('\n');
    const std::string contentType = input.substr(0, lineEnd);
    // Copies with exact bounds for the sanitizer.
    const std::string body = lineEnd == std::string::npos ? std::string() : input.substr(lineEnd + 1);

    const MjpegParser whole = Run(contentType, body, 0, close);
    const MjpegParser pieces = Run(contentType, body, piece, close);
    if (whole.Current() != pieces.Current() || whole.Failure() != pieces.Failure() || whole.Jpeg() != pieces.Jpeg()) {
        std::abort();
    }
    if (whole.Current() == MjpegParser::State::Frame) {
        const std::string& jpeg = whole.Jpeg();
        if (jpeg.size() < 4 || jpeg.size() > Limits().partBytes || !jpeg.starts_with("\xFF\xD8") ||
            !jpeg.ends_with("\xFF\xD9")) {
            std::abort();
        }
    }
    return 0;
}

#pragma once
// Encodes test-pattern frames as baseline JPEG (4:2:0) with TurboJPEG. One
// encoder per stream connection: it owns its compressor handle and an output
// buffer sized once for the largest image, so a frame costs no allocation.

#include <string_view>

#include "sim/behaviours/video/test_pattern.h"

namespace ostrand::sim::video {

class JpegEncoder {
public:
    JpegEncoder(int width, int height, int quality = 70);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // The JPEG of the pattern's current planes, valid until the next call.
    // Throws std::runtime_error when the library fails.
    std::string_view Encode(const TestPattern& pattern);

private:
    void* handle_;
    unsigned char* buffer_;
    unsigned long capacity_;
    int quality_;
};

}  // namespace ostrand::sim::video

#include "sim/behaviours/video/jpeg_encoder.h"

#include <turbojpeg.h>

#include <stdexcept>
#include <string>

namespace ostrand::sim::video {

JpegEncoder::JpegEncoder(int width, int height, int quality)
    : handle_(tjInitCompress()), buffer_(nullptr), capacity_(tjBufSize(width, height, TJSAMP_420)), quality_(quality) {
    if (handle_ == nullptr) throw std::runtime_error("cannot start the JPEG encoder");
    buffer_ = tjAlloc(static_cast<int>(capacity_));
    if (buffer_ == nullptr) {
        tjDestroy(handle_);
        throw std::runtime_error("no memory for the JPEG buffer");
    }
}

JpegEncoder::~JpegEncoder() {
    tjFree(buffer_);
    tjDestroy(handle_);
}

std::string_view JpegEncoder::Encode(const TestPattern& pattern) {
    const unsigned char* planes[3] = {pattern.Plane(0), pattern.Plane(1), pattern.Plane(2)};
    const int strides[3] = {pattern.Stride(0), pattern.Stride(1), pattern.Stride(2)};
    unsigned long size = capacity_;
    // The buffer is sized for the worst case, so it is never reallocated.
    if (tjCompressFromYUVPlanes(handle_, planes, pattern.Width(), strides, pattern.Height(), TJSAMP_420, &buffer_,
                                &size, quality_, TJFLAG_NOREALLOC | TJFLAG_FASTDCT) != 0) {
        throw std::runtime_error(std::string("JPEG encoding failed: ") + tjGetErrorStr2(handle_));
    }
    return {reinterpret_cast<const char*>(buffer_), size};
}

}  // namespace ostrand::sim::video

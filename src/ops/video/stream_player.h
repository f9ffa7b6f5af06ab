#pragma once
// Plays one live stream on a thread of its own: opens the URL (motion JPEG
// over HTTP through HttpStreamReader, with the credentials of the URL or the
// ones given; anything else such as RTSP through the decoder library's own
// protocols), demuxes, decodes and scales every picture
// to 32-bit RGB at the size the viewer asks for. Only the newest picture is
// kept; the viewer is told one is there and takes it when it can, so a slow
// viewer never holds the decoder back.
//
// Every wait is bounded: the opening (connect and reply) by `openWait`, the
// time between two good pictures by `pictureWait`, a frame's bytes by
// `maxFrameBytes`, and a run of undecodable frames by `maxBadFrames`. Each
// ends the stream with its StreamEnd. Stop() ends the thread within a few
// milliseconds and waits for it.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ops/video/stream_end.h"
#include "ops/video/stream_url.h"

namespace ostrand {
class StopSignal;
}  // namespace ostrand

namespace ostrand::video {

// One picture, 32 bits a pixel in the byte order B, G, R, 0xff (0xffRRGGBB
// read as a native 32-bit word on a little-endian machine).
struct VideoFrame {
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row
    std::uint64_t number = 0;  // 1 for the stream's first picture
    std::vector<std::uint8_t> pixels;

    std::uint32_t Pixel(int x, int y) const;
};

struct StreamBounds {
    std::chrono::milliseconds openWait{3000};
    std::chrono::milliseconds pictureWait{3000};
    std::size_t maxFrameBytes = 8u << 20;
    int maxBadFrames = 8;
};

class StreamPlayer {
public:
    struct Listener {
        // Both run on the decoding thread and must return at once.
        std::function<void()> frameReady;             // a newer picture is there
        std::function<void(StreamEnd)> ended;         // the stream ended (not after Stop)
    };

    explicit StreamPlayer(StreamBounds bounds = {});
    ~StreamPlayer();
    StreamPlayer(const StreamPlayer&) = delete;
    StreamPlayer& operator=(const StreamPlayer&) = delete;

    // Starts playing `url`, stopping what played before. A target size of 0
    // keeps the stream's own size. The credentials answer an HTTP stream's
    // 401 when the URL has none; by default the settings file's.
    void Start(std::string url, Listener listener, int targetWidth = 0, int targetHeight = 0,
               StreamCredentials credentials = ConfiguredStreamCredentials());
    // Ends the stream and waits for the decoding thread.
    void Stop();

    // The size pictures are scaled to from the next one on.
    void SetTargetSize(int width, int height);
    std::shared_ptr<const VideoFrame> LatestFrame() const;
    std::uint64_t FramesDecoded() const { return decoded_.load(); }
    StreamEnd End() const { return end_.load(); }
    // What the camera answered when the stream ended (an HTTP status, the
    // Content-Type of a page); set before `ended` is called.
    StreamEndDetail EndDetail() const;
    bool Running() const { return running_.load(); }

private:
    class Session;
    void Run(std::string url, StreamCredentials credentials, Listener listener);
    void Publish(std::shared_ptr<VideoFrame> frame);

    StreamBounds bounds_;
    std::atomic<int> targetWidth_{0};
    std::atomic<int> targetHeight_{0};
    std::atomic<std::uint64_t> decoded_{0};
    std::atomic<StreamEnd> end_{StreamEnd::None};
    std::atomic<bool> running_{false};
    mutable std::mutex frameMutex_;
    std::shared_ptr<const VideoFrame> latest_;
    StreamEndDetail endDetail_;  // guarded by frameMutex_
    std::shared_ptr<StopSignal> stop_;
    std::thread thread_;
};

}  // namespace ostrand::video

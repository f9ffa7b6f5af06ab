// The video readers against servers written elsewhere: FFmpeg's own HTTP
// server (it always answers chunked, under application/octet-stream) and
// GStreamer's RTSP server, both on 127.60.x.y. A machine without them skips
// these; scripts/deps installs them.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "../../platform/temp_dir.h"
#include "child_process.h"
#include "ops/video/mjpeg_reader.h"
#include "ops/video/stream_player.h"
#include "ops/video/stream_url.h"
#include "platform/net/tcp_socket.h"
#include "platform/profile.h"

namespace ostrand::video {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::ChildProcess;

// A port free on `ip` a moment ago.
std::uint16_t FreePort(const std::string& ip) {
    auto listener = net::TcpListener::Listen(ip, 0);
    return listener ? listener->Port() : 0;
}

// FFmpeg serving a 320x240 test pattern as motion JPEG to one client, then ending.
std::unique_ptr<ChildProcess> ServeWithFfmpeg(const std::string& ip, std::uint16_t port) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                                 "testsrc=size=320x240:rate=10", "-c:v", "mjpeg", "-f", "mpjpeg", "-listen", "1",
                                 "http://" + ip + ":" + std::to_string(port) + "/video/1"},
        60s);
}

// Plays `url` until `pictures` came, starting again while the server does not listen yet.
std::unique_ptr<StreamPlayer> PlayOnceListening(const std::string& url, std::uint64_t pictures,
                                                std::chrono::milliseconds bound, StreamBounds bounds = {}) {
    const auto until = Clock::now() + bound;
    auto player = std::make_unique<StreamPlayer>(bounds);
    for (;;) {
        player->Start(url, {}, 160, 120, {});
        while (player->Running() && player->FramesDecoded() < pictures && Clock::now() < until) {
            std::this_thread::sleep_for(20ms);
        }
        if (player->Running() || player->End() != StreamEnd::Refused || Clock::now() >= until) return player;
        std::this_thread::sleep_for(100ms);
    }
}

TEST(FfmpegHttpServer, TheSnapshotAndThePlayerGetPictures) {
    if (!test::OnPath("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/deps installs it)";
    const std::string ip = "127.60.0.1";
    {
        const std::uint16_t port = FreePort(ip);
        auto server = ServeWithFfmpeg(ip, port);
        ASSERT_TRUE(server->Started());
        MjpegLimits limits;
        limits.overallWait = 5s;
        MjpegFrame frame;
        // The server takes a moment to listen; until then the connection is refused.
        for (const auto until = Clock::now() + 10s; Clock::now() < until;) {
            frame = ReadMjpegFrame(ip, port, "/video/1", limits);
            if (frame.failure != MjpegFailure::ConnectFailed) break;
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_TRUE(frame.Ok()) << frame.text;
        EXPECT_GT(frame.jpeg.size(), 1000u);
        EXPECT_TRUE(frame.jpeg.starts_with("\xFF\xD8"));
        EXPECT_TRUE(frame.jpeg.ends_with("\xFF\xD9"));
    }
    {
        const std::uint16_t port = FreePort(ip);
        auto server = ServeWithFfmpeg(ip, port);
        auto player = PlayOnceListening("http://" + ip + ":" + std::to_string(port) + "/video/1", 5, 15s);
        EXPECT_GE(player->FramesDecoded(), 5u) << "ended: " << StreamEndReason(player->End());
        const auto picture = player->LatestFrame();
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->width, 160);
        EXPECT_EQ(picture->height, 120);
        // The server ends: the stream ends with it, within the picture wait.
        server->Kill();
        const auto killed = Clock::now();
        while (player->Running() && Clock::now() < killed + 6s) std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(player->Running());
        EXPECT_TRUE(player->End() == StreamEnd::Closed || player->End() == StreamEnd::Stalled)
            << StreamEndReason(player->End());
    }
}

bool RtspServerAvailable() {
    ChildProcess check({"/usr/bin/python3", "-c",
                        "import gi; gi.require_version('GstRtspServer', '1.0'); "
                        "from gi.repository import Gst, GstRtspServer; Gst.init(None); "
                        "assert Gst.ElementFactory.find('jpegenc') and Gst.ElementFactory.find('rtpjpegpay')"},
                       20s);
    return check.Wait(20s) == 0;
}

TEST(GstreamerRtspServer, EveryChannelOfTheTemplatePlaysAndEndsWhenTheServerGoes) {
    if (!RtspServerAvailable()) {
        GTEST_SKIP() << "GStreamer's RTSP server for Python is not installed (scripts/deps installs it)";
    }
    const std::string ip = "127.60.1.1";
    const std::uint16_t port = FreePort(ip);
    const std::string script = std::string(OSTRAND_SOURCE_DIR) + "/tests/ops/video/rtsp_test_server.py";
    ChildProcess server({"/usr/bin/python3", script, ip, std::to_string(port)}, 90s);
    ASSERT_TRUE(server.Started());

    ostrand::test::TempWorkingDir dir;
    ASSERT_TRUE(WriteIniString(kStreamUrlKey, "rtsp://{ip}:" + std::to_string(port) + "/ch{channel}", {},
                               kStreamUrlSection));
    // The panels' bounds: 3 s to open, 3 s between pictures.
    const StreamBounds bounds;
    std::unique_ptr<StreamPlayer> players[2];
    for (int channel = 0; channel < 2; ++channel) {
        SCOPED_TRACE(channel);
        const std::string url = ConfiguredStreamUrl(ip, kVideoStreamPort, channel);
        EXPECT_EQ(url, "rtsp://" + ip + ":" + std::to_string(port) + "/ch" + std::to_string(channel));
        players[channel] = PlayOnceListening(url, 5, 20s, bounds);
        EXPECT_GE(players[channel]->FramesDecoded(), 5u) << "ended: " << StreamEndReason(players[channel]->End());
        ASSERT_NE(players[channel]->LatestFrame(), nullptr);
    }
    // The two channels show different patterns.
    EXPECT_NE(players[0]->LatestFrame()->pixels, players[1]->LatestFrame()->pixels);

    server.Kill();
    const auto killed = Clock::now();
    for (auto& player : players) {
        while (player->Running() && Clock::now() < killed + bounds.pictureWait + 3s) std::this_thread::sleep_for(20ms);
        EXPECT_FALSE(player->Running());
        EXPECT_TRUE(player->End() == StreamEnd::Stalled || player->End() == StreamEnd::Closed)
            << StreamEndReason(player->End());
        EXPECT_STRNE(StreamEndReason(player->End()), "");
    }
}

}  // namespace
}  // namespace ostrand::video

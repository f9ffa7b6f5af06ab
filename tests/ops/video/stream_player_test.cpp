// The live-view stream player against scripted cameras: pictures arrive
// scaled and in colour, every hostile stream ends with its reason within its
// bound, and stopping ends the decoding thread promptly whatever the peer does.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "../../platform/temp_dir.h"
#include "mjpeg_peer.h"
#include "ops/video/stream_player.h"
#include "ops/video/stream_url.h"
#include "platform/profile.h"

namespace ostrand::video {
namespace {

using namespace std::chrono_literals;
using test::MjpegPeer;
using test::PeerScript;

TEST(StreamUrlTest, DefaultStreamOrTheSitesTemplate) {
    struct Case {
        const char* urlTemplate;
        const char* expected;
    } cases[] = {
        {"", "http://10.1.2.3:9886/video/2"},
        {"rtsp://{ip}:554/ch{channel}", "rtsp://10.1.2.3:554/ch2"},
        {"rtsp://admin@{ip}/{channel}/{channel}?p={port}", "rtsp://admin@10.1.2.3/2/2?p=9886"},
        {"rtsp://cam/main", "rtsp://cam/main"},
    };
    for (const Case& c : cases) EXPECT_EQ(StreamUrl("10.1.2.3", 9886, 2, c.urlTemplate), c.expected) << c.urlTemplate;
}

TEST(StreamUrlTest, TheTemplateComesFromTheSettingsFileAndIsNeverWrittenBack) {
    ostrand::test::TempWorkingDir dir;
    EXPECT_EQ(ConfiguredStreamUrl("10.1.2.3", 9886, 0), "http://10.1.2.3:9886/video/0");
    EXPECT_EQ(ReadIniString(kStreamUrlKey, std::nullopt, {}, kStreamUrlSection), "");  // nothing written back
    ASSERT_TRUE(WriteIniString(kStreamUrlKey, "rtsp://{ip}/live/{channel}", {}, kStreamUrlSection));
    EXPECT_EQ(ConfiguredStreamUrl("10.1.2.3", 9886, 5), "rtsp://10.1.2.3/live/5");
}

TEST(StreamUrlTest, OnlyPlainHttpUrlsAreParsed) {
    struct Case {
        const char* url;
        bool ok;
        const char* host;
        std::uint16_t port;
        const char* target;
    } cases[] = {
        {"http://127.0.0.1:9886/video/3", true, "127.0.0.1", 9886, "/video/3"},
        {"http://10.0.0.9", true, "10.0.0.9", 80, "/"},
        {"http://10.0.0.9:0/x", false, "", 80, "/x"},
        {"http://10.0.0.9:70000/x", false, "", 80, "/x"},
        {"http://10.0.0.9:8a/x", false, "", 80, "/x"},
        {"http://:80/x", false, "", 80, "/x"},
        {"rtsp://10.0.0.9/x", false, "", 80, "/"},
    };
    for (const Case& c : cases) {
        const HttpUrl url = ParseHttpUrl(c.url);
        EXPECT_EQ(url.ok, c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(url.host, c.host) << c.url;
            EXPECT_EQ(url.port, c.port) << c.url;
            EXPECT_EQ(url.target, c.target) << c.url;
        }
    }
}

StreamBounds ShortBounds() {
    StreamBounds bounds;
    bounds.openWait = 1000ms;
    bounds.pictureWait = 800ms;
    bounds.maxFrameBytes = 1u << 20;
    bounds.maxBadFrames = 3;
    return bounds;
}

// Plays `url` and waits (bounded) for the stream to end by itself.
struct Outcome {
    std::optional<StreamEnd> end;
    std::uint64_t pictures = 0;
    std::chrono::milliseconds took{0};
};
Outcome PlayUntilEnd(const std::string& url, std::chrono::milliseconds bound) {
    StreamPlayer player(ShortBounds());
    auto ended = std::make_shared<std::promise<StreamEnd>>();
    auto future = ended->get_future();
    const auto start = std::chrono::steady_clock::now();
    player.Start(url, {{}, [ended](StreamEnd end) { ended->set_value(end); }});
    Outcome outcome;
    if (future.wait_for(bound) == std::future_status::ready) outcome.end = future.get();
    outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    outcome.pictures = player.FramesDecoded();
    return outcome;
}

TEST(StreamPlayerTest, PicturesArriveScaledToTheViewersSize) {
    struct Case {
        int targetWidth, targetHeight, width, height;
    } cases[] = {{0, 0, 640, 480}, {160, 120, 160, 120}, {320, 240, 320, 240}, {700, 590, 700, 590}, {90, 100, 90, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight));
        MjpegPeer peer(PeerScript::Good);
        StreamPlayer player(ShortBounds());
        player.Start(peer.Url(), {}, c.targetWidth, c.targetHeight);
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (player.FramesDecoded() < 3 && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(10ms);
        const auto picture = player.LatestFrame();
        ASSERT_NE(picture, nullptr);
        EXPECT_GE(picture->number, 3u);
        EXPECT_EQ(picture->width, c.width);
        EXPECT_EQ(picture->height, c.height);
        EXPECT_EQ(picture->pixels.size(), static_cast<std::size_t>(c.width) * c.height * 4);
        // The peer's colour (200, 30, 40), within the codec's rounding.
        const std::uint32_t centre = picture->Pixel(c.width / 2, c.height / 2);
        EXPECT_EQ(centre >> 24, 0xffu);
        EXPECT_NEAR(static_cast<int>(centre >> 16 & 0xff), 200, 12);
        EXPECT_NEAR(static_cast<int>(centre >> 8 & 0xff), 30, 12);
        EXPECT_NEAR(static_cast<int>(centre & 0xff), 40, 12);
        EXPECT_EQ(player.End(), StreamEnd::None);
    }
}

TEST(StreamPlayerTest, EveryBrokenStreamEndsWithItsReasonWithinItsBound) {
    struct Case {
        const char* name;
        std::optional<PeerScript> script;  // none: nothing listens
        StreamEnd expected;
        std::uint64_t pictures;
        const char* scheme = "http";
    } cases[] = {
        {"nothing listens", std::nullopt, StreamEnd::Refused, 0},
        {"nothing listens (RTSP)", std::nullopt, StreamEnd::Refused, 0, "rtsp"},
        {"no reply", PeerScript::SilentReply, StreamEnd::Stalled, 0},
        {"404", PeerScript::NotFound, StreamEnd::NotAStream, 0},
        {"no boundary", PeerScript::NoBoundary, StreamEnd::NotAStream, 0},
        {"stall", PeerScript::StallAfterOne, StreamEnd::Stalled, 1},
        {"endless frame", PeerScript::EndlessFrame, StreamEnd::FrameTooLarge, 0},
        {"truncated JPEG", PeerScript::TruncatedJpeg, StreamEnd::Corrupt, 0},
        {"camera closes", PeerScript::FewThenClose, StreamEnd::Closed, 3},
    };
    const StreamBounds bounds = ShortBounds();
    // Opening plus one picture wait, and slack for a busy machine.
    const auto bound = bounds.openWait + bounds.pictureWait + 1500ms;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string url;
        std::unique_ptr<MjpegPeer> peer;
        if (c.script) {
            peer = std::make_unique<MjpegPeer>(*c.script);
            url = peer->Url();
        } else {
            auto closed = net::TcpListener::Listen("127.0.0.1", 0);
            ASSERT_TRUE(closed);
            url = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(closed->Port()) + "/video/0";
        }
        const Outcome outcome = PlayUntilEnd(url, bound);
        ASSERT_TRUE(outcome.end.has_value()) << "still playing after " << outcome.took.count() << " ms";
        EXPECT_EQ(*outcome.end, c.expected);
        EXPECT_EQ(outcome.pictures, c.pictures);
        EXPECT_STRNE(StreamEndReason(*outcome.end), "");
    }
}

TEST(StreamPlayerTest, StopEndsTheDecodingThreadPromptlyWhateverThePeerDoes) {
    const PeerScript scripts[] = {PeerScript::Good, PeerScript::SilentReply, PeerScript::StallAfterOne};
    for (const PeerScript script : scripts) {
        SCOPED_TRACE(static_cast<int>(script));
        MjpegPeer peer(script);
        StreamBounds patient;  // long waits: only Stop can end these streams in time
        patient.openWait = patient.pictureWait = 30s;
        StreamPlayer player(patient);
        bool endedReported = false;
        player.Start(peer.Url(), {{}, [&endedReported](StreamEnd) { endedReported = true; }});
        std::this_thread::sleep_for(300ms);  // the stream is under way (or waiting)
        auto stopped = std::async(std::launch::async, [&player] { player.Stop(); });
        ASSERT_EQ(stopped.wait_for(1s), std::future_status::ready);
        EXPECT_FALSE(player.Running());
        EXPECT_FALSE(endedReported);  // a stopped stream is not a failure
    }
}

}  // namespace
}  // namespace ostrand::video

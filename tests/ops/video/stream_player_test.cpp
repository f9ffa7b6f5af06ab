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
using test::kPeerPassword;
using test::kPeerUser;

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

TEST(StreamUrlTest, HttpUrlsAreReadAsHttpStreamsAndTheRestByTheDecoder) {
    for (const char* url : {"http://127.0.0.1:9886/video/3", "HTTP://cam/x", "https://cam/x", "http://u:p@cam/"}) {
        EXPECT_TRUE(IsHttpUrl(url)) << url;
    }
    for (const char* url : {"rtsp://127.0.0.1/x", "", "http:/cam", "httpx://cam", "file:///dev/zero"}) {
        EXPECT_FALSE(IsHttpUrl(url)) << url;
    }
}

TEST(StreamUrlTest, CredentialsComeFromTheSettingsFileAndAreNeverWrittenBack) {
    ostrand::test::TempWorkingDir dir;
    const StreamCredentials none = ConfiguredStreamCredentials();
    EXPECT_EQ(none.user, "");
    EXPECT_EQ(ReadIniString(kStreamUserKey, std::nullopt, {}, kStreamUrlSection), "");  // nothing written back
    ASSERT_TRUE(WriteIniString(kStreamPasswordKey, "alone", {}, kStreamUrlSection));
    EXPECT_EQ(ConfiguredStreamCredentials().password, "");  // a password without a user is none
    ASSERT_TRUE(WriteIniString(kStreamUserKey, "viewer", {}, kStreamUrlSection));
    ASSERT_TRUE(WriteIniString(kStreamPasswordKey, "p w:1", {}, kStreamUrlSection));
    const StreamCredentials set = ConfiguredStreamCredentials();
    EXPECT_EQ(set.user, "viewer");
    EXPECT_EQ(set.password, "p w:1");
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
    std::string text;  // what a panel shows under "无视频"
    std::uint64_t pictures = 0;
    std::chrono::milliseconds took{0};
};
Outcome PlayUntilEnd(const std::string& url, std::chrono::milliseconds bound, StreamCredentials credentials = {}) {
    StreamPlayer player(ShortBounds());
    auto ended = std::make_shared<std::promise<StreamEnd>>();
    auto future = ended->get_future();
    const auto start = std::chrono::steady_clock::now();
    player.Start(url, {{}, [ended](StreamEnd end) { ended->set_value(end); }}, 0, 0, std::move(credentials));
    Outcome outcome;
    if (future.wait_for(bound) == std::future_status::ready) {
        outcome.end = future.get();
        outcome.text = StreamEndText(*outcome.end, player.EndDetail());
    }
    outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    outcome.pictures = player.FramesDecoded();
    return outcome;
}

// Plays `url` until `pictures` have come (bounded); the player's count.
std::uint64_t PicturesWithin(StreamPlayer& player, std::uint64_t pictures, std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (player.FramesDecoded() < pictures && player.Running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(10ms);
    }
    return player.FramesDecoded();
}

TEST(StreamPlayerTest, PicturesArriveScaledToTheViewersSize) {
    struct Case {
        int targetWidth, targetHeight, width, height;
    } cases[] = {{0, 0, 640, 480}, {160, 120, 160, 120}, {320, 240, 320, 240}, {700, 590, 700, 590}, {90, 100, 90, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight));
        MjpegPeer peer(PeerScript::Good);
        StreamPlayer player(ShortBounds());
        player.Start(peer.Url(), {}, c.targetWidth, c.targetHeight, {});
        PicturesWithin(player, 3, 5s);
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
        const char* text = nullptr;  // the panel's reason, when it names more than StreamEndReason
        StreamCredentials credentials = {};
        const char* url = nullptr;  // instead of a peer's
    } cases[] = {
        {"nothing listens", std::nullopt, StreamEnd::Refused, 0},
        {"nothing listens (RTSP)", std::nullopt, StreamEnd::Refused, 0, "rtsp"},
        {"no reply", PeerScript::SilentReply, StreamEnd::Stalled, 0},
        {"404", PeerScript::NotFound, StreamEnd::HttpStatus, 0, "http", "HTTP 404"},
        {"a login page", PeerScript::LoginPage, StreamEnd::NotAStream, 0, "http", "不是视频流（text/html）"},
        {"401 without credentials", PeerScript::NeedsBasic, StreamEnd::LoginNeeded, 0, "http", "需要登录"},
        {"401 to wrong credentials (Basic)", PeerScript::NeedsBasic, StreamEnd::BadCredentials, 0, "http",
         "用户名或密码错误", {kPeerUser, "wrong"}},
        {"401 to wrong credentials (Digest)", PeerScript::NeedsDigest, StreamEnd::BadCredentials, 0, "http",
         "用户名或密码错误", {"someone", kPeerPassword}},
        {"port 0", std::nullopt, StreamEnd::BadAddress, 0, "http", "地址无效", {}, "http://127.60.0.1:0/video/0"},
        {"port past 65535", std::nullopt, StreamEnd::BadAddress, 0, "http", nullptr, {}, "http://127.60.0.1:70000/x"},
        {"port not a number", std::nullopt, StreamEnd::BadAddress, 0, "http", nullptr, {}, "http://127.60.0.1:8a/x"},
        {"no host", std::nullopt, StreamEnd::BadAddress, 0, "http", nullptr, {}, "http://:80/x"},
        {"TLS", std::nullopt, StreamEnd::BadAddress, 0, "http", nullptr, {}, "https://127.60.0.1:1/x"},
        {"no URL", std::nullopt, StreamEnd::BadAddress, 0, "http", nullptr, {}, ""},
        {"no boundary", PeerScript::NoBoundary, StreamEnd::NotAStream, 0, "http", "不是视频流（image/jpeg）"},
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
        if (c.url != nullptr) {
            url = c.url;
        } else if (c.script) {
            peer = std::make_unique<MjpegPeer>(*c.script);
            url = peer->Url();
        } else {
            auto closed = net::TcpListener::Listen("127.0.0.1", 0);
            ASSERT_TRUE(closed);
            url = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(closed->Port()) + "/video/0";
        }
        const Outcome outcome = PlayUntilEnd(url, bound, c.credentials);
        ASSERT_TRUE(outcome.end.has_value()) << "still playing after " << outcome.took.count() << " ms";
        EXPECT_EQ(*outcome.end, c.expected);
        EXPECT_EQ(outcome.pictures, c.pictures);
        EXPECT_STRNE(StreamEndReason(*outcome.end), "");
        EXPECT_EQ(outcome.text, c.text != nullptr ? std::string(c.text) : StreamEndReason(*outcome.end));
    }
}

TEST(StreamPlayerTest, PlaysWhatCamerasServeOverHttp) {
    const StreamCredentials good{kPeerUser, kPeerPassword};
    struct Case {
        const char* name;
        PeerScript script;
        StreamCredentials credentials = {};
        const char* host = "127.0.0.1";
        const char* userInUrl = nullptr;  // "user:password@" before the host
    } cases[] = {
        {"chunked multipart", PeerScript::Chunked},
        {"100 Continue before the 200", PeerScript::ContinueFirst},
        {"Basic, the settings' credentials", PeerScript::NeedsBasic, good},
        {"Digest, the settings' credentials", PeerScript::NeedsDigest, good},
        {"Basic, the URL's credentials over the settings'", PeerScript::NeedsBasic, {"other", "x"}, "127.0.0.1",
         "viewer:s3cret%3Apw@"},
        {"Digest, the URL's credentials", PeerScript::NeedsDigest, {}, "127.0.0.1", "viewer:s3cret%3Apw@"},
        {"a host name", PeerScript::Good, {}, "localhost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MjpegPeer peer(c.script);
        std::string url = peer.Url(0, c.host);
        if (c.userInUrl != nullptr) url.insert(std::string("http://").size(), c.userInUrl);
        StreamPlayer player(ShortBounds());
        player.Start(url, {}, 160, 120, c.credentials);
        EXPECT_GE(PicturesWithin(player, 3, 5s), 3u);
        EXPECT_EQ(player.End(), StreamEnd::None);
        const auto picture = player.LatestFrame();
        ASSERT_NE(picture, nullptr);
        EXPECT_NEAR(static_cast<int>(picture->Pixel(80, 60) >> 16 & 0xff), 200, 12);  // the peer's red
    }
}

TEST(StreamPlayerTest, TheRequestIsTheOneCamerasAlwaysGot) {
    MjpegPeer peer(PeerScript::Good);
    StreamPlayer player(ShortBounds());
    player.Start(peer.Url(2), {}, 0, 0, {});
    ASSERT_GE(PicturesWithin(player, 1, 5s), 1u);
    player.Stop();
    const auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "GET /video/2 HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(peer.Port()) +
                               "\r\nUser-Agent: ostrand\r\nConnection: close\r\n\r\n");
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
        player.Start(peer.Url(), {{}, [&endedReported](StreamEnd) { endedReported = true; }}, 0, 0, {});
        std::this_thread::sleep_for(300ms);  // the stream is under way (or waiting)
        auto stopped = std::async(std::launch::async, [&player] { player.Stop(); });
        ASSERT_EQ(stopped.wait_for(1s), std::future_status::ready);
        EXPECT_FALSE(player.Running());
        EXPECT_FALSE(endedReported);  // a stopped stream is not a failure
    }
}

}  // namespace
}  // namespace ostrand::video

// Reading one frame of a motion-JPEG stream: the parser over scripted byte
// streams (fed whole and in pieces), the reader against the simulated
// camera and its hostile streams, and against peers that trickle, flood or
// hang up. Every failure comes within its bound and with its text.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "../../sim/sim_test_support.h"
#include "mjpeg_peer.h"
#include "ops/video/mjpeg_reader.h"
#include "platform/net/tcp_socket.h"
#include "sim/simulator.h"

namespace ostrand::video {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using State = MjpegParser::State;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, 'j') + "\xFF\xD9";
const std::string kType = "multipart/x-mixed-replace; boundary=b1";
const std::string kHead = "HTTP/1.0 200 OK\r\nContent-Type: " + kType + "\r\n\r\n";

std::string Part(const std::string& body, bool withLength = true) {
    return "--b1\r\nContent-Type: image/jpeg\r\n" +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : std::string()) + "\r\n" + body +
           "\r\n";
}

MjpegLimits SmallLimits() {
    MjpegLimits limits;
    limits.headBytes = 256;
    limits.preambleBytes = 1024;
    limits.partBytes = 4096;
    return limits;
}

TEST(MjpegParser, FindsTheFirstFrameOrTheReasonThereIsNone) {
    const std::string kInnerLine = kJpeg.substr(0, 10) + "\r\n--b1x\r\n" + kJpeg.substr(10);
    const std::string kOctets = "application/octet-stream";
    const struct {
        const char* what;
        std::string contentType;
        std::string stream;  // the body
        bool closes;  // the peer closes after the bytes
        MjpegFailure failure;
        std::string jpeg = kJpeg;  // the frame found
    } cases[] = {
        {"part with a length", kType, Part(kJpeg) + Part("x"), false, MjpegFailure::None},
        {"part up to the next boundary", kType, Part(kJpeg, false) + "--b1\r\n", false, MjpegFailure::None},
        {"part ended by the close", kType, Part(kJpeg, false), true, MjpegFailure::None},
        {"preamble, quoted boundary, LF lines, close delimiter last", "Multipart/X-Mixed-Replace;boundary=\"b1\"",
         "preamble\n--b1 \n\n" + kJpeg + "\n--b1--\n", false, MjpegFailure::None},
        {"boundary announced with its dashes", "multipart/x-mixed-replace; boundary=--b1",
         "--b1\r\n\r\n" + kJpeg + "\r\n--b1\r\n", false, MjpegFailure::None},
        {"a boundary-like line inside the image is data", kType, "--b1\r\n\r\n" + kInnerLine + "\r\n--b1\r\n", false,
         MjpegFailure::None, kInnerLine},
        {"boundary named by the body's first line", kOctets, Part(kJpeg), false, MjpegFailure::None},
        {"no type: the first line names the boundary too", "", Part(kJpeg, false) + "--b1\r\n", false,
         MjpegFailure::None},
        {"a page", "text/html; charset=utf-8", "<html>login</html>", false, MjpegFailure::NotVideo},
        {"not multipart", "image/jpeg", kJpeg, false, MjpegFailure::NotMultipart},
        {"no delimiter first", kOctets, "\r\n--b1\r\n\r\n" + kJpeg, false, MjpegFailure::NotMultipart},
        {"no boundary announced", "multipart/x-mixed-replace", "", false, MjpegFailure::NoBoundary},
        {"first line without end", kOctets, "--" + std::string(300, 'h'), false, MjpegFailure::NoBoundary},
        {"first line closes the stream", kOctets, "--\r\n", false, MjpegFailure::NoBoundary},
        {"closed inside the first line", kOctets, "--b1", true, MjpegFailure::Closed},
        {"no boundary in the stream", kType, kJpeg + kJpeg + kJpeg + kJpeg + kJpeg, false, MjpegFailure::NoBoundary},
        {"part head without end", kType, "--b1\r\nX: " + std::string(300, 'h'), false, MjpegFailure::PartHeadTooLarge},
        {"declared part too large", kType, "--b1\r\nContent-Length: 4097\r\n\r\n", false, MjpegFailure::PartTooLarge},
        {"length not a number", kType, "--b1\r\nContent-Length: 12a\r\n\r\n", false, MjpegFailure::BadLength},
        {"endless part", kType, "--b1\r\n\r\n\xFF\xD8" + std::string(5000, '\0'), false, MjpegFailure::PartTooLarge},
        {"not a JPEG", kType, Part("<html>bad</html>"), false, MjpegFailure::NotJpeg},
        {"JPEG cut short", kType, Part(kJpeg.substr(0, 100)), false, MjpegFailure::IncompleteJpeg},
        {"endless part cut by the close", kType, "--b1\r\n\r\n" + kJpeg.substr(0, 100), true,
         MjpegFailure::IncompleteJpeg},
        {"stream closed by its delimiter", kType, "--b1--\r\n", false, MjpegFailure::Closed},
        {"closed inside a part", kType, "--b1\r\nContent-Length: 302\r\n\r\n\xFF\xD8", true, MjpegFailure::Closed},
        {"closed before the body", kType, "", true, MjpegFailure::Closed},
        // A delimiter line that begins past the preamble's cap cannot save the
        // stream, whether the reads end inside its line or after it.
        {"delimiter past the preamble cap", kType,
         std::string(1200, 'p') + "\n--b1" + std::string(100, ' '), false, MjpegFailure::NoBoundary},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, c.stream.size()}) {
            MjpegParser parser(c.contentType, SmallLimits());
            State state = parser.Current();
            for (std::size_t at = 0; at < c.stream.size() && state == State::More; at += piece) {
                state = parser.Feed(std::string_view(c.stream).substr(at, piece));
            }
            if (c.closes) state = parser.Finish();
            const std::string where = std::string(c.what) + ", pieces of " + std::to_string(piece);
            if (c.failure == MjpegFailure::None) {
                ASSERT_EQ(state, State::Frame) << where << " failure " << static_cast<int>(parser.Failure());
                EXPECT_EQ(parser.Jpeg(), c.jpeg) << where;
            } else {
                ASSERT_EQ(state, State::Failed) << where;
                EXPECT_EQ(parser.Failure(), c.failure) << where;
            }
        }
    }
}

// A peer that plays a script on every connection, in a thread of its own.
class ScriptedPeer {
public:
    using Script = std::function<void(net::TcpSocket&, const std::atomic<bool>& stop)>;
    explicit ScriptedPeer(Script script) {
        auto listener = net::TcpListener::Listen("127.0.0.1", 0);
        if (!listener) return;
        port_ = listener->Port();
        thread_ = std::thread([this, l = std::move(*listener), script = std::move(script)]() mutable {
            while (!stop_) {
                auto peer = l.Accept(50ms);
                if (peer) script(*peer, stop_);
            }
        });
    }
    ~ScriptedPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::uint16_t Port() const { return port_; }

private:
    std::atomic<bool> stop_{false};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// Sends `piece` every `gap` until told to stop or the reader leaves.
ScriptedPeer::Script Trickle(std::string first, std::string piece, std::chrono::milliseconds gap) {
    return [=](net::TcpSocket& socket, const std::atomic<bool>& stop) {
        if (!socket.SendAll(first, 1s)) return;
        while (!stop && socket.SendAll(piece, 1s)) std::this_thread::sleep_for(gap);
    };
}

TEST(MjpegReader, HostilePeersFailWithinTheirBounds) {
    MjpegLimits limits;
    limits.overallWait = 800ms;
    limits.partBytes = 1u << 20;
    const struct {
        const char* what;
        ScriptedPeer::Script script;
        MjpegFailure failure;
        const char* text;
    } cases[] = {
        {"a byte now and then keeps no reader past its wait",
         Trickle("HTTP/1.0 200 OK\r\n", "X", 20ms), MjpegFailure::TimedOut,
         "读取视频流超时：0.8 秒内没有收到完整的一帧"},
        {"a flood of header lines", Trickle("HTTP/1.0 200 OK\r\n", "X-Filler: " + std::string(1000, 'f') + "\r\n", 0ms),
         MjpegFailure::HeadTooLarge, "视频流的应答头过长（超过 16384 字节）"},
        {"an endless image", Trickle(kHead + "--b1\r\n\r\n\xFF\xD8", std::string(65536, 'z'), 0ms),
         MjpegFailure::PartTooLarge, "视频帧过大（超过 1048576 字节）"},
        {"hang-up inside a frame",
         [](net::TcpSocket& socket, const std::atomic<bool>&) {
             socket.SendAll(kHead + "--b1\r\nContent-Length: 5000\r\n\r\n\xFF\xD8", 1s);
         },
         MjpegFailure::Closed, "视频流在收到完整的一帧之前断开"},
        {"no answer at all",
         [](net::TcpSocket& socket, const std::atomic<bool>& stop) {
             char sink[256];
             while (!stop && socket.WaitReadable(50ms) != net::WaitResult::ErrorCondition) {
                 if (socket.WaitReadable(0ms) == net::WaitResult::Ready && socket.Receive(sink, sizeof sink) == 0) break;
             }
         },
         MjpegFailure::TimedOut, "读取视频流超时：0.8 秒内没有收到完整的一帧"},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer(c.script);
        ASSERT_NE(peer.Port(), 0);
        const auto start = Clock::now();
        const MjpegFrame frame = ReadMjpegFrame("127.0.0.1", peer.Port(), "/video/0", limits);
        EXPECT_LT(Clock::now() - start, limits.overallWait + 500ms) << c.what;
        EXPECT_EQ(frame.failure, c.failure) << c.what;
        EXPECT_EQ(frame.text, c.text) << c.what;
        EXPECT_TRUE(frame.jpeg.empty()) << c.what;
    }
}

TEST(MjpegReader, WhatCamerasAnswerOverHttp) {
    using test::PeerScript;
    MjpegLimits limits;
    limits.overallWait = 2s;
    const StreamCredentials good{test::kPeerUser, test::kPeerPassword};
    const struct {
        const char* what;
        PeerScript script;
        StreamCredentials credentials;
        MjpegFailure failure;
        const char* text;
        const char* host = "127.0.0.1";
    } cases[] = {
        {"chunked multipart", PeerScript::Chunked, {}, MjpegFailure::None, ""},
        {"100 Continue before the 200", PeerScript::ContinueFirst, {}, MjpegFailure::None, ""},
        {"401 then Basic", PeerScript::NeedsBasic, good, MjpegFailure::None, ""},
        {"401 then Digest", PeerScript::NeedsDigest, good, MjpegFailure::None, ""},
        {"a host name", PeerScript::Good, {}, MjpegFailure::None, "", "localhost"},
        {"401 without credentials", PeerScript::NeedsDigest, {}, MjpegFailure::LoginNeeded, "视频流需要登录（HTTP 401）"},
        {"401 to wrong credentials", PeerScript::NeedsBasic, {test::kPeerUser, "x"}, MjpegFailure::BadCredentials,
         "视频流的用户名或密码错误（HTTP 401）"},
        {"404", PeerScript::NotFound, {}, MjpegFailure::HttpStatus, "摄像机拒绝了视频流请求（HTTP 404）"},
        {"a login page", PeerScript::LoginPage, {}, MjpegFailure::NotVideo, "不是视频流（text/html）"},
    };
    for (const auto& c : cases) {
        test::MjpegPeer peer(c.script);
        const auto start = Clock::now();
        const MjpegFrame frame = ReadMjpegFrame(c.host, peer.Port(), "/video/0", limits, c.credentials);
        EXPECT_LT(Clock::now() - start, limits.overallWait + 500ms) << c.what;
        EXPECT_EQ(frame.failure, c.failure) << c.what << ": " << frame.text;
        EXPECT_EQ(frame.text, c.text) << c.what;
        if (c.failure == MjpegFailure::None) {
            EXPECT_EQ(frame.jpeg, test::SolidJpeg(640, 480, 200, 30, 40)) << c.what;
        }
        const auto requests = peer.Requests();
        ASSERT_FALSE(requests.empty()) << c.what;
        if (c.credentials.user.empty()) {
            // As the camera always got it; only the host of the URL shows.
            EXPECT_EQ(requests[0], "GET /video/0 HTTP/1.0\r\nHost: " + std::string(c.host) + ":" +
                                       std::to_string(peer.Port()) +
                                       "\r\nUser-Agent: ostrand\r\nAccept: multipart/x-mixed-replace\r\n\r\n")
                << c.what;
        } else {
            // Credentials go only where the camera asked for them.
            EXPECT_EQ(requests.front().find("Authorization:"), std::string::npos) << c.what;
            EXPECT_NE(requests.back().find("\r\nAuthorization: "), std::string::npos) << c.what;
            EXPECT_EQ(requests.size(), 2u) << c.what;
        }
    }
    const MjpegFrame unresolved = ReadMjpegFrame("camera.invalid", 9886, "/video/0", limits);
    EXPECT_EQ(unresolved.failure, MjpegFailure::NotResolved);
    EXPECT_EQ(unresolved.text, "无法解析摄像机的主机名（camera.invalid:9886）");
}

class MjpegReaderOnTheSimulator : public ::testing::Test {
protected:
    std::string AddCamera(int host, nlohmann::json video = nlohmann::json::object()) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = sim::DeviceKind::Camera;
        config.port = 18080;
        config.videoChannels = 2;
        video["streamPort"] = 19887;
        video["streamWidth"] = 320;
        video["streamHeight"] = 240;
        config.state["video"] = std::move(video);
        return simulator_.AddDevice(std::move(config)).AddressText();
    }
    void SetUp() override { simulator_.Start(); }

    sim::Simulator simulator_;
};

TEST_F(MjpegReaderOnTheSimulator, ReadsOneFrameOfTheChannelOrSaysWhyNot) {
    MjpegLimits limits;
    limits.overallWait = 2s;
    limits.partBytes = 1u << 20;
    const struct {
        const char* fault;
        int channel;
        MjpegFailure failure;
        const char* text;
    } cases[] = {
        {"", 1, MjpegFailure::None, ""},
        {"", 2, MjpegFailure::HttpStatus, "摄像机拒绝了视频流请求（HTTP 404）"},
        {"truncatedJpeg", 0, MjpegFailure::IncompleteJpeg, "视频帧的 JPEG 图像不完整"},
        {"endlessFrame", 0, MjpegFailure::PartTooLarge, "视频帧过大（超过 1048576 字节）"},
        {"noBoundary", 0, MjpegFailure::NoBoundary, "视频流中找不到帧分隔符"},
        {"stall", 0, MjpegFailure::TimedOut, "读取视频流超时：2.0 秒内没有收到完整的一帧"},
    };
    int host = 180;
    for (const auto& c : cases) {
        const std::string ip = AddCamera(++host, {{"streamFault", c.fault}});
        const auto start = Clock::now();
        const MjpegFrame frame = ReadMjpegFrame(ip, 19887, VideoStreamPath(c.channel), limits);
        EXPECT_LT(Clock::now() - start, limits.overallWait + 500ms) << c.fault;
        EXPECT_EQ(frame.failure, c.failure) << c.fault << " " << frame.text;
        EXPECT_EQ(frame.text, c.text) << c.fault;
        if (c.failure == MjpegFailure::None) {
            ASSERT_GT(frame.jpeg.size(), 1000u);
            EXPECT_TRUE(frame.jpeg.starts_with("\xFF\xD8"));
            EXPECT_TRUE(frame.jpeg.ends_with("\xFF\xD9"));
        }
    }
    const MjpegFrame refused = ReadMjpegFrame(sim::test::AddressBlock() + "199", 19887, "/video/0", limits);
    EXPECT_EQ(refused.failure, MjpegFailure::ConnectFailed);
    EXPECT_EQ(refused.text, "无法连接到摄像机的视频流（" + sim::test::AddressBlock() + "199:19887）");
}

}  // namespace
}  // namespace ostrand::video

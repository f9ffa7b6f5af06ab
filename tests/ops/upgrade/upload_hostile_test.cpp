// Devices that misbehave while an upgrade image is sent to them: they stop
// reading or acknowledging, reset the connection mid-file, answer garbage or
// pace their answer a byte at a time. Every upload must end within its
// documented bound, report a failure (never a success for a file the device
// did not take) and say why.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "../../transport/scripted_peer.h"
#include "../../transport/short_waits.h"
#include "ops/upgrade/upgrade_worker.h"
#include "ops/upgrade/upload_sender.h"
#include "platform/app_state.h"
#include "transport/frames.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::ScriptedPeer;
using SteadyClock = std::chrono::steady_clock;
using Kind = HttpUploadOutcome::Kind;

TransportTimeouts HostileUploadWaits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.fileReceiveWait = 300ms;
    timeouts.httpReceiveTimeout = 400ms;  // the stall limit of the HTTP uploads
    timeouts.httpUploadDeadline = 1500ms;
    timeouts.httpUploadConnectTimeout = 500ms;
    timeouts.httpImageConnectTimeout = 500ms;
    return timeouts;
}

std::string Image(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return bytes;
}

// Ends the connection with a reset instead of an orderly close.
void Reset(net::TcpSocket& socket) { socket.SetLinger(true, 0); }

// Sends `bytes` one at a time, `pause` apart, until the tool hangs up or
// `most` has passed.
void Trickle(net::TcpSocket& socket, const std::string& bytes, std::chrono::milliseconds pause,
             std::chrono::milliseconds most) {
    const auto until = SteadyClock::now() + most;
    for (std::size_t i = 0; SteadyClock::now() < until; i = (i + 1) % bytes.size()) {
        if (!socket.SendAll(bytes.substr(i, 1), 200ms)) return;
        std::this_thread::sleep_for(pause);
    }
}

class UpgradeUploadHostileTest : public ::testing::Test {
protected:
    ScopedTransportTimeouts waits_{HostileUploadWaits()};
};

struct HttpFault {
    const char* name;
    ScriptedPeer::Handler device;
    std::size_t imageSize;
    Kind kind;
    const char* detail;  // part of the outcome's text
    std::chrono::milliseconds bound;
};

TEST_F(UpgradeUploadHostileTest, HostileHttpDevicesEndTheApplicationUploadWithinItsBounds) {
    const HttpFault faults[] = {
        {"reads the image, then never answers",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             test::ReadUntilClosed(socket, 2s);
         },
         100'000, Kind::Failed, "waiting for the answer", 1500ms},
        {"stops reading a large image",
         [](net::TcpSocket& socket) {
             test::ReadBytes(socket, 1000);
             test::ReadUntilClosed(socket, 0ms);
             std::this_thread::sleep_for(2s);
         },
         32u << 20, Kind::Failed, "lost sending after", 2000ms},
        {"resets the connection mid-file",
         [](net::TcpSocket& socket) {
             test::ReadBytes(socket, 200'000);
             Reset(socket);
         },
         4u << 20, Kind::Failed, "lost sending after", 1500ms},
        {"answers garbage",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             socket.SendAll(std::string("\x16\x03\x01 garbage\r\n\r\n", 15));
         },
         10'000, Kind::Failed, "not HTTP", 1000ms},
        {"closes without an answer",
         [](net::TcpSocket& socket) { test::ReadHttpRequest(socket); },
         10'000, Kind::Failed, "waiting for the answer", 1000ms},
        {"trickles its answer's head a byte at a time",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             Trickle(socket, "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(200, 'p'), 20ms, 4s);
         },
         10'000, Kind::Failed, "within 1.5 s", 2500ms},
        {"refuses the file",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             socket.SendAll(test::HttpResponse(500, "no"));
         },
         10'000, Kind::Refused, "status 500", 1000ms},
    };
    for (const HttpFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        ScriptedPeer peer({fault.device});
        const std::string image = Image(fault.imageSize);
        std::uint64_t reported = 0;
        const auto started = SteadyClock::now();
        const HttpUploadOutcome outcome = UploadApplicationHttp(peer.Ip(), peer.Port(), "HW1_K9_1.2.3456_A", image,
                                                                [&](std::uint64_t sent) { reported = sent; });
        EXPECT_LT(SteadyClock::now() - started, fault.bound);
        EXPECT_EQ(outcome.kind, fault.kind);
        EXPECT_NE(outcome.detail.find(fault.detail), std::string::npos) << outcome.detail;
        EXPECT_LE(reported, image.size());
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

TEST_F(UpgradeUploadHostileTest, KernelImageChunksStopAtTheFirstHostileAnswer) {
    // Two full chunks and a remainder: the device takes the first chunk, then
    // resets while the second arrives, so the remainder is never sent.
    std::atomic<int> remainderRequests{0};
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
                           const auto first = test::ReadHttpRequest(socket);
                           if (!first.complete) return;
                           socket.SendAll(test::HttpResponse(200, "", true));
                           test::ReadBytes(socket, 100'000);
                           Reset(socket);
                       },
                       [&](net::TcpSocket& socket) {
                           ++remainderRequests;
                           test::ReadHttpRequest(socket);
                           socket.SendAll(test::HttpResponse(200, ""));
                       }});
    const std::string image = Image(2 * kImageChunkSize + 1000);
    std::uint64_t reported = 0;
    const auto started = SteadyClock::now();
    const HttpUploadOutcome outcome = UploadKernelImageHttp(peer.Ip(), peer.Port(), "HW1_K9_1.2.3456_F", image,
                                                            [&](std::uint64_t sent) { reported = sent; });
    EXPECT_LT(SteadyClock::now() - started, 2s);
    EXPECT_EQ(outcome.kind, Kind::Failed);
    EXPECT_NE(outcome.detail.find("lost"), std::string::npos) << outcome.detail;
    EXPECT_LT(reported, image.size());
    EXPECT_EQ(remainderRequests.load(), 0);
}

// ---- TCP: the 5012 announcement and the acknowledged packets ----

std::string AnnouncementReply(const char* result) {
    return BuildCommandFrame(EncodeCommandXml(ParamMap{{"result", result}}, kUploadHeaderCode));
}

// Acknowledges `acked` packets, then does `after`.
ScriptedPeer::Handler PacketDevice(int acked, std::function<void(net::TcpSocket&)> after,
                                   std::atomic<std::uint64_t>& received) {
    return [acked, after = std::move(after), &received](net::TcpSocket& socket) {
        for (int i = 0; i < acked; ++i) {
            const std::string frame = test::ReadFrame(socket, 2s);
            const auto packet = ParseUploadPacket(frame);
            if (!packet) return;
            received += packet->data.size();
            if (!socket.SendAll(BuildUploadAck(true))) return;
        }
        after(socket);
    };
}

TEST_F(UpgradeUploadHostileTest, HostileTcpDevicesEndThePacketsWithTheirResult) {
    struct Case {
        const char* name;
        int acked;
        std::function<void(net::TcpSocket&)> after;
        UploadResult result;
    };
    const Case cases[] = {
        {"stops acknowledging", 2, [](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 2s); }, kUploadRefused},
        {"resets mid-file", 1,
         [](net::TcpSocket& socket) {
             test::ReadBytes(socket, 1000);
             Reset(socket);
         },
         kUploadReceiveFailed},
        {"answers a packet with garbage", 1,
         [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             socket.SendAll("garbage that is no frame");
             test::ReadUntilClosed(socket, 1s);
         },
         kUploadRefused},
        {"refuses a packet", 3,
         [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             socket.SendAll(BuildUploadAck(false));
             test::ReadUntilClosed(socket, 1s);
         },
         kUploadRefused},
        {"announces an endless acknowledgement", 1,
         [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             std::string frame;
             AppendLe32(frame, 0x7fffffff);
             socket.SendAll(frame + std::string(4000, '\x03'));
             test::ReadUntilClosed(socket, 1s);
         },
         kUploadRefused},
    };
    const std::string image = Image(10 * kUploadPacketDataSize + 123);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<std::uint64_t> received{0};
        ScriptedPeer peer({PacketDevice(c.acked, c.after, received)});
        std::uint64_t reported = 0;
        const auto started = SteadyClock::now();
        const UploadResult result = SendUploadPacketsTcp(DeviceEndpoint{peer.Ip(), peer.Port()}, image,
                                                         [&](std::uint64_t sent) { reported = sent; });
        // One receive wait and the wait for the rest of a frame at most.
        EXPECT_LT(SteadyClock::now() - started, 1200ms);
        EXPECT_EQ(result, c.result);
        EXPECT_STRNE(UploadResultText(result), "");
        // Progress counts only what the device acknowledged.
        EXPECT_EQ(reported, static_cast<std::uint64_t>(c.acked) * kUploadPacketDataSize);
        EXPECT_LE(reported, received.load());
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

TEST_F(UpgradeUploadHostileTest, HostileAnswersToTheAnnouncementAreReceiveFailures) {
    struct Case {
        const char* name;
        ScriptedPeer::Handler device;
        UploadResult result;
    };
    const Case cases[] = {
        {"never answers", [](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 1s); }, kUploadReceiveFailed},
        {"answers garbage",
         [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             std::string frame;
             AppendLe32(frame, 9);
             socket.SendAll(frame + "<<<<>>>>!");
         },
         kUploadReceiveFailed},
        {"resets", [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             Reset(socket);
         },
         kUploadReceiveFailed},
        {"refuses", [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             socket.SendAll(AnnouncementReply("20001"));
         },
         kUploadHeaderRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer({c.device});
        const auto started = SteadyClock::now();
        EXPECT_EQ(AnnounceUploadTcp(DeviceEndpoint{peer.Ip(), peer.Port()}, 1000, "1"), c.result);
        EXPECT_LT(SteadyClock::now() - started, 1000ms);
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

// ---- the whole worker: the row ends failed, with the upload's failure text ----

struct RecordingRow : UpgradeRowSink {
    void Status(const std::string& text, RowPhase phase) override {
        texts.push_back(text);
        last = phase;
    }
    void Progress(std::uint64_t sentBytes, std::uint64_t) override { sent = sentBytes; }
    std::vector<std::string> texts;
    RowPhase last = RowPhase::Idle;
    std::uint64_t sent = 0;
};

// A device that lets the upgrade through its kernel-state query and its
// version check, then meets the image with `upload`.
ScriptedPeer::Handler FormAnswer(std::string body) {
    return [body = std::move(body)](net::TcpSocket& socket) {
        test::ReadHttpRequest(socket);
        socket.SendAll(test::HttpResponse(200, body));
    };
}

TEST_F(UpgradeUploadHostileTest, HostileUploadsEndTheUpgradeRowAsFailed) {
    SetUiLanguage(Language::Chinese);
    const struct {
        const char* name;
        ScriptedPeer::Handler upload;
    } faults[] = {
        {"never answers",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             test::ReadUntilClosed(socket, 2s);
         }},
        {"trickles its answer",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             Trickle(socket, "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(200, 'p'), 20ms, 4s);
         }},
        {"resets mid-file",
         [](net::TcpSocket& socket) {
             test::ReadBytes(socket, 100'000);
             Reset(socket);
         }},
    };
    UpgradePackage package;
    package.kind = UpgradeKind::Application;
    package.versions = {"HW1", "K9", "1.2.3456"};
    package.fileName = "HW1_K9_1.2.3456_A";
    package.image = std::make_shared<const std::string>(Image(1u << 20));
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        ScriptedPeer peer({FormAnswer("?updateStatus=0&result=10000"), FormAnswer("?checkresult=0&result=10000"),
                           fault.upload});
        RecordingRow row;
        const auto started = SteadyClock::now();
        RunUpgradeWorker(package, UpgradeDevice{peer.Ip(), peer.Port(), "N1", "dev", "V5.2.0001"}, row);
        EXPECT_LT(SteadyClock::now() - started, 2500ms);
        EXPECT_EQ(row.last, RowPhase::Failed);
        ASSERT_FALSE(row.texts.empty());
        EXPECT_EQ(row.texts.back(), "上传失败");
        EXPECT_EQ(peer.Connections(), 3);
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

}  // namespace
}  // namespace ostrand

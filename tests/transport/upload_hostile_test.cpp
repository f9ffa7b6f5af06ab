// Uploads to devices that misbehave: a reply paced a byte at a time never
// holds an upload past httpUploadDeadline (the "UploadTimeout" setting), and
// TCP devices that stop acknowledging, reset or answer garbage end the
// packets with their result within one receive wait.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/message_sink.h"
#include "platform/profile.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScriptedPeer;
using SteadyClock = std::chrono::steady_clock;

class UploadHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ostrand-upload-hostile-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path File(std::size_t size) {
        const auto path = dir_ / ("image-" + std::to_string(size) + ".bin");
        std::ofstream(path, std::ios::binary) << std::string(size, 'u');
        return path;
    }

    static TransportTimeouts Waits() {
        TransportTimeouts timeouts = test::ShortChannelWaits();
        timeouts.fileReceiveWait = 300ms;
        timeouts.httpReceiveTimeout = 2000ms;  // a trickle never stalls this long
        timeouts.httpUploadDeadline = 600ms;
        timeouts.httpUploadConnectTimeout = 500ms;
        timeouts.httpImageConnectTimeout = 500ms;
        return timeouts;
    }

    fs::path dir_;
    ScopedTransportTimeouts waits_{Waits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
};

// Reads the request, then sends its answer's head a byte every 30 ms until the
// tool hangs up or 5 s have passed.
void TrickleAnswer(net::TcpSocket& socket) {
    test::ReadHttpRequest(socket);
    const std::string head = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(500, 'p');
    const auto until = SteadyClock::now() + 5s;
    for (std::size_t i = 0; i < head.size() && SteadyClock::now() < until; ++i) {
        if (!socket.SendAll(head.substr(i, 1), 200ms)) return;
        std::this_thread::sleep_for(30ms);
    }
}

TEST_F(UploadHostileTest, TricklingAnswerEndsTheUploadAtItsDeadline) {
    using Upload = std::function<bool(const std::string&, std::int32_t, const fs::path&)>;
    const struct {
        const char* name;
        Upload upload;
    } uploads[] = {
        {"file", [](const std::string& ip, std::int32_t port,
                    const fs::path& path) { return UploadFileHttp(ip, port, path, "app.bin"); }},
        {"image", [](const std::string& ip, std::int32_t port,
                     const fs::path& path) { return UploadImageHttp(ip, port, path, "image.bin"); }},
    };
    const fs::path image = File(5000);
    for (const auto& u : uploads) {
        SCOPED_TRACE(u.name);
        sink_.Clear();
        ScriptedPeer peer({TrickleAnswer});
        const auto started = SteadyClock::now();
        EXPECT_FALSE(u.upload(peer.Ip(), peer.Port(), image));
        EXPECT_LT(SteadyClock::now() - started, 1500ms);
        ASSERT_EQ(sink_.Texts().size(), 1u);
        EXPECT_EQ(sink_.Texts()[0].rfind("InternetException occur!\r\nno complete reply", 0), 0u) << sink_.Texts()[0];
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

TEST_F(UploadHostileTest, UploadTimeoutSettingSetsTheDeadline) {
    const struct {
        const char* lines;
        std::chrono::milliseconds deadline;
    } cases[] = {
        {"", 600s},
        {"UploadTimeout=90\n", 90s},
        {"UploadTimeout=0\n", 600s},
        {"UploadTimeout=-5\n", 600s},
        {"UploadTimeout=later\n", 600s},
        {"UploadTimeout=99999999999\n", 600s},
    };
    const auto previousFolder = fs::current_path();
    fs::current_path(dir_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        std::ofstream(SettingsFileName(), std::ios::trunc) << "[common]\n" << c.lines;
        ScopedTransportTimeouts scoped(TransportTimeouts{});
        LoadTransportSettings();
        EXPECT_EQ(CurrentTransportTimeouts().httpUploadDeadline, c.deadline);
    }
    fs::current_path(previousFolder);
}

TEST_F(UploadHostileTest, HostilePacketAnswersEndTheTcpUploadWithTheirResult) {
    struct Case {
        const char* name;
        std::function<void(net::TcpSocket&)> afterFirstAck;
        UploadResult result;
    };
    const Case cases[] = {
        {"stops acknowledging", [](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 2s); }, kUploadRefused},
        {"resets mid-file",
         [](net::TcpSocket& socket) {
             test::ReadBytes(socket, 1000);
             socket.SetLinger(true, 0);
         },
         kUploadReceiveFailed},
        {"answers garbage",
         [](net::TcpSocket& socket) {
             test::ReadFrame(socket);
             socket.SendAll("\x05\x00\x00\x00garbage");
             test::ReadUntilClosed(socket, 1s);
         },
         kUploadRefused},
    };
    const fs::path image = File(4 * kUploadPacketDataSize);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer({[&c](net::TcpSocket& socket) {
            if (!ParseUploadPacket(test::ReadFrame(socket, 2s)) || !socket.SendAll(BuildUploadAck(true))) return;
            c.afterFirstAck(socket);
        }});
        DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
        const auto started = SteadyClock::now();
        EXPECT_EQ(SendUploadPackets(endpoint, image), c.result);
        EXPECT_LT(SteadyClock::now() - started, 1200ms);
        EXPECT_STRNE(UploadResultText(c.result), "");
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

}  // namespace
}  // namespace ostrand

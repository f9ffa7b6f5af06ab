// The preview's panels playing streams from servers nobody here wrote, through
// the site's "RtspUrl" template: RTSP from GStreamer's server, motion JPEG
// from FFmpeg's HTTP server (chunked); pictures in every panel, and "无视频"
// with its reason once the server is gone.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "../../ops/video/child_process.h"
#include "../../platform/temp_dir.h"
#include "../../sim/sim_test_support.h"
#include "ops/video/stream_url.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "sim/simulator.h"
#include "ui/video/cvideo_play_sdk.h"
#include "ui/video/my_video_panel.h"

namespace ostrand {
namespace {

using video::test::ChildProcess;
using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QTest::qWait(20);
    return done();
}

// A port on `ip` that nothing listens on right now.
std::uint16_t FreePort(const std::string& ip) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether something listens on ip:port, from the kernel's table: a probe
// connection would take the one client FFmpeg's server serves.
bool Listening(const std::string& ip, std::uint16_t port) {
    in_addr address{};
    ::inet_pton(AF_INET, ip.c_str(), &address);
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "%08X:%04X", address.s_addr, port);
    std::istringstream table(ReadText("/proc/net/tcp"));
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A") return true;
    }
    return false;
}

// The panels of a preview that play a stream.
std::vector<MyVideoPanel*> PlayingPanels(CVideoPlaySdk& dialog) {
    std::vector<MyVideoPanel*> playing;
    for (MyVideoPanel* panel : dialog.Panels()) {
        if (!panel->StreamUrl().empty()) playing.push_back(panel);
    }
    return playing;
}

// A simulated camera that answers the preview's parameter reads, in a working
// folder of its own (the stream template goes into its settings file).
class LiveVideoRtspTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }

    std::string StartCamera(const char* lastOctet, int channels) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + lastOctet;
        config.kind = sim::DeviceKind::Camera;
        config.port = 18080;
        config.videoChannels = channels;
        const std::string ip = simulator_.AddDevice(std::move(config)).AddressText();
        simulator_.Start();
        return ip;
    }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink sinkScope_{sink_};
    test::TempWorkingDir dir_;
    sim::Simulator simulator_;
};

TEST_F(LiveVideoRtspTest, APanelPlaysFfmpegsChunkedHttpStream) {
    if (!video::test::OnPath("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/deps installs it)";
    const std::string ip = StartCamera("62", 1);
    const std::uint16_t port = FreePort(ip);
    ChildProcess server({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-f", "lavfi", "-i",
                         "testsrc=size=320x240:rate=10", "-c:v", "mjpeg", "-f", "mpjpeg", "-listen", "1",
                         "http://" + ip + ":" + std::to_string(port) + "/video/1"},
                        60s);
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(WaitFor([&] { return Listening(ip, port); }, 20000));
    ASSERT_TRUE(WriteIniString(video::kStreamUrlKey, "http://{ip}:" + std::to_string(port) + "/video/1", {},
                               video::kStreamUrlSection));
    auto dialog = std::make_unique<CVideoPlaySdk>(ip, 18080, 1);
    dialog->show();
    const std::vector<MyVideoPanel*> playing = PlayingPanels(*dialog);
    ASSERT_EQ(playing.size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return playing[0]->PicturesDrawn() >= 3; }, 15000)) << playing[0]->Text().toStdString();
    server.Kill();
    EXPECT_TRUE(WaitFor([&] { return playing[0]->Text().startsWith(QString::fromUtf8("无视频\n")); }, 8000));
    dialog->done(QDialog::Rejected);
}

TEST_F(LiveVideoRtspTest, EveryPanelPlaysTheTemplateAndShowsNoVideoWhenTheServerGoes) {
    ChildProcess check({"/usr/bin/python3", "-c",
                        "import gi; gi.require_version('GstRtspServer', '1.0'); "
                        "from gi.repository import Gst, GstRtspServer; Gst.init(None); "
                        "assert Gst.ElementFactory.find('jpegenc') and Gst.ElementFactory.find('rtpjpegpay')"},
                       20s);
    if (check.Wait(20s) != 0) GTEST_SKIP() << "GStreamer's RTSP server for Python is not installed (scripts/deps)";
    // The camera answers the preview's parameter reads; the RTSP server
    // listens beside it on the same address.
    const std::string ip = StartCamera("61", 2);
    const std::uint16_t port = FreePort(ip);
    ASSERT_NE(port, 0);
    const std::filesystem::path log = dir_.Path() / "rtsp.log";
    ChildProcess server({"/usr/bin/python3", std::string(OSTRAND_SOURCE_DIR) + "/tests/ops/video/rtsp_test_server.py",
                         ip, std::to_string(port)},
                        90s, log.string());
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(WaitFor([&] { return ReadText(log).find("ready") != std::string::npos; }, 20000)) << ReadText(log);
    ASSERT_TRUE(WriteIniString(video::kStreamUrlKey, "rtsp://{ip}:" + std::to_string(port) + "/ch{channel}", {},
                               video::kStreamUrlSection));

    auto dialog = std::make_unique<CVideoPlaySdk>(ip, 18080, 2);
    dialog->show();
    // The layout may hold more panels than the camera has channels; those stay empty.
    const std::vector<MyVideoPanel*> playing = PlayingPanels(*dialog);
    ASSERT_EQ(playing.size(), 2u);
    for (std::size_t channel = 0; channel < playing.size(); ++channel) {
        EXPECT_EQ(playing[channel]->StreamUrl(),
                  "rtsp://" + ip + ":" + std::to_string(port) + "/ch" + std::to_string(channel));
    }
    EXPECT_TRUE(WaitFor(
        [&] {
            for (MyVideoPanel* panel : playing) {
                if (panel->PicturesDrawn() < 3) return false;
            }
            return true;
        },
        20000));
    QTest::qWait(100);
    dialog->grab().save(QString::fromUtf8(OSTRAND_SCREENSHOT_DIR) + "/live_video_rtsp.png");

    server.Kill();
    // A picture must come within 3 s of the last one.
    const QString noVideo = QString::fromUtf8("无视频\n");
    EXPECT_TRUE(WaitFor(
        [&] {
            for (MyVideoPanel* panel : playing) {
                if (!panel->Text().startsWith(noVideo) || panel->Text().size() <= noVideo.size()) return false;
            }
            return true;
        },
        8000))
        << playing[0]->Text().toStdString() << " / " << playing[1]->Text().toStdString();
    dialog->done(QDialog::Rejected);
}

}  // namespace
}  // namespace ostrand

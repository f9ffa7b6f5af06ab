// Frames per second and CPU share of the live-view panels: one 640 x 480
// panel, and sixteen 160 x 120 panels at once, each playing a channel of a
// simulated camera (25 pictures a second of 640 x 480). The CPU share is this
// process's CPU time over the wall time: the simulator encodes in a process
// of its own.
//
// video_bench [seconds per measurement, default 5]

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ops/video/live_view.h"
#include "process.h"
#include "ui/video/my_video_panel.h"

namespace {

using ostrand::MyVideoPanel;

// Runs the event loop for `ms` milliseconds.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Measurement {
    double picturesPerSecondPerPanel = 0;
    double cpuShare = 0;  // cores
    int panelsWithVideo = 0;
};

// Plays `channels` panels of `width` x `height` on the camera and measures
// after a warm-up second.
Measurement Measure(const std::string& ip, int channels, int width, int height, int seconds) {
    QWidget window;
    const int side = channels == 1 ? 1 : 4;
    window.resize(width * side, height * side);
    std::vector<MyVideoPanel*> panels;
    for (int i = 0; i < channels; ++i) {
        auto* panel = new MyVideoPanel(ostrand::video::kFirstPanelId + i, &window);
        panel->setGeometry((i % side) * width, (i / side) * height, width, height);
        panels.push_back(panel);
    }
    window.show();
    for (MyVideoPanel* panel : panels) {
        panel->SetDeviceIp(ip);
        panel->SetDevicePort(ostrand::video::kStreamPort);
        panel->SetConnectWait(ostrand::video::kConnectWaitMs);
        panel->SetStreamPort(ostrand::video::kStreamPortText);
        panel->Start();
    }
    Wait(1000);
    const auto drawn = [&] {
        std::uint64_t total = 0;
        for (MyVideoPanel* panel : panels) total += panel->PicturesDrawn();
        return total;
    };
    const std::uint64_t drawnBefore = drawn();
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Wait(seconds * 1000);
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    Measurement m;
    m.cpuShare = (CpuSeconds() - cpuBefore) / elapsed;
    m.picturesPerSecondPerPanel = static_cast<double>(drawn() - drawnBefore) / elapsed / channels;
    for (MyVideoPanel* panel : panels) {
        if (panel->Picture() != nullptr) ++m.panelsWithVideo;
        panel->Stop();
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QApplication app(argc, argv);

    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("ostrand-video-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string ip = ostrand::cli::test::ProcessAddressBlock() + "9";
    const nlohmann::json fleet = {
        {"devices", {{{"address", ip}, {"kind", "camera"}, {"port", 18080}, {"videoChannels", 16}}}}};
    std::ofstream(dir / "fleet.json") << fleet.dump();
    bool ready = false;
    auto simulator = ostrand::cli::test::StartFleet(dir, ready);
    if (!ready) {
        std::fprintf(stderr, "the simulator did not start (see %s)\n", (dir / "devsim.log").c_str());
        return 1;
    }

    const Measurement one = Measure(ip, 1, 640, 480, seconds);
    const Measurement sixteen = Measure(ip, 16, 160, 120, seconds);
    simulator->Stop();
    fs::remove_all(dir);

    std::printf("1 panel 640x480:   %.1f pictures/s, CPU %.0f%% of a core, %d/1 with video\n",
                one.picturesPerSecondPerPanel, one.cpuShare * 100, one.panelsWithVideo);
    std::printf("16 panels 160x120: %.1f pictures/s each, CPU %.0f%% of a core, %d/16 with video\n",
                sixteen.picturesPerSecondPerPanel, sixteen.cpuShare * 100, sixteen.panelsWithVideo);
    std::printf("FIGURE|live view, 1 stream 640x480 decoded and drawn|%.1f|1/s|>=25|-\n", one.picturesPerSecondPerPanel);
    std::printf("FIGURE|live view, 1 stream 640x480 CPU share|%.2f|cores|-|-\n", one.cpuShare);
    std::printf("FIGURE|live view, 16 streams decoded and drawn, per panel|%.1f|1/s|>=25|-\n",
                sixteen.picturesPerSecondPerPanel);
    std::printf("FIGURE|live view, 16 streams CPU share|%.2f|cores|<=1|-\n", sixteen.cpuShare);
    return sixteen.panelsWithVideo == 16 && one.panelsWithVideo == 1 ? 0 : 1;
}

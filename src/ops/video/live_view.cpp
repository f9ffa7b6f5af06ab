#include "ops/video/live_view.h"

#include <algorithm>

namespace ostrand::video {

namespace {

constexpr int kAreaLeft = 100;
constexpr int kAreaTop = 10;
constexpr int kAreaWidth = 640;

PanelRect Sized(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace

std::vector<PanelPlacement> PanelLayout(int channelCount) {
    std::vector<PanelPlacement> layout;
    if (channelCount <= 0) return layout;
    if (channelCount == 1) {
        layout.push_back({kFirstPanelId, {kAreaLeft, kAreaTop, 800, 600}, true});
        return layout;
    }
    const int side = channelCount <= 4 ? 2 : channelCount <= 9 ? 3 : 4;
    static constexpr int kWidth[] = {0, 0, 320, 213, 160};
    static constexpr int kHeight[] = {0, 0, 240, 160, 120};
    for (int i = 0; i < side * side; ++i) {
        const int left = kAreaLeft + (kAreaWidth * (i % side)) / side;
        const int top = kAreaTop + kHeight[side] * (i / side);
        layout.push_back({kFirstPanelId + i, Sized(left, top, kWidth[side], kHeight[side]), true});
    }
    return layout;
}

PanelPlacement EnginePlacement() { return {3123, {10, 10, 330, 250}, false}; }

LiveView::LiveView(int channelCount, const PanelFactory& make) : channelCount_(std::max(channelCount, 0)) {
    VideoComponent& engine = make(EnginePlacement());
    engineHandle_ = engine.CreateEngine(1);
    const std::vector<PanelPlacement> layout = PanelLayout(channelCount_);
    for (const PanelPlacement& placement : layout) {
        VideoComponent& panel = make(placement);
        if (layout.size() == 1) panel.SetVideoSize(640, 480);
        panel.AttachEngine(engineHandle_);
        panels_.push_back(&panel);
    }
}

void LiveView::StartAll(const std::string& ip) {
    const int started = std::min(channelCount_, PanelCount());
    for (int i = 0; i < started; ++i) {
        VideoComponent& panel = *panels_[static_cast<std::size_t>(i)];
        panel.SetDeviceIp(ip);
        panel.SetDevicePort(kStreamPort);
        panel.SetServerAddress(kNoRelayServer);
        panel.SetTransport(0);
        panel.SetConnectWait(kConnectWaitMs);
        panel.SetAccessKey(kAccessKey);
        panel.SetUserText("");
        panel.SetDeviceCode(kDeviceCode);
        panel.SetStreamPort(kStreamPortText);
        panel.Start();
    }
    playing_ = true;
}

void LiveView::Select(int channel) {
    if (selected_ >= 0) panels_[static_cast<std::size_t>(selected_)]->Deselect();
    selected_ = -1;
    if (channel < 0 || channel >= PanelCount()) return;
    panels_[static_cast<std::size_t>(channel)]->Select();
    selected_ = channel;
}

void LiveView::StopAll(const std::function<void(int panel)>& afterEach) {
    if (!playing_) return;
    const int started = std::min(channelCount_, PanelCount());
    for (int i = 0; i < started; ++i) {
        VideoComponent& panel = *panels_[static_cast<std::size_t>(i)];
        panel.Deselect();
        panel.Stop();
        if (afterEach) afterEach(i);
    }
    playing_ = false;
    selected_ = -1;
}

}  // namespace ostrand::video

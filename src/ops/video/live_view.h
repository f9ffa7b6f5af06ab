#pragma once
// The live-view panels of the preview: how many there are and where they sit
// for a camera's channel count, and the order in which every panel's video
// component is set up, started, selected and stopped.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ops/video/video_component.h"

namespace ostrand::video {

struct PanelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const PanelRect&, const PanelRect&) = default;
};

struct PanelPlacement {
    int controlId = 0;
    PanelRect rect;
    bool visible = true;
};

// The video area starts at (100, 10) in the dialog and is 640 x 480: one
// channel gets one large panel, 2-4 a 2 x 2 grid, 5-9 3 x 3, 10 or more 4 x 4.
// Channels beyond the 16th have no panel; no channel, no panel.
inline constexpr int kMaxPanels = 16;
inline constexpr int kFirstPanelId = 3000;
std::vector<PanelPlacement> PanelLayout(int channelCount);
// The hidden instance that provides the shared decoding engine.
PanelPlacement EnginePlacement();

// Fixed settings every panel is started with.
inline constexpr std::int32_t kStreamPort = 9886;
inline constexpr const char* kStreamPortText = "9886";
inline constexpr const char* kNoRelayServer = "0.0.0.0";  // no relay: straight to the camera
inline constexpr std::int32_t kConnectWaitMs = 500;
inline constexpr const char* kAccessKey = "57214390618204";
inline constexpr const char* kDeviceCode = "S6150472938";

// Makes the component of one placement; the caller keeps it alive as long as
// the LiveView.
using PanelFactory = std::function<VideoComponent&(const PanelPlacement&)>;

class LiveView {
public:
    // Creates the hidden engine instance, then the panels of the channel
    // count; each panel gets the engine (and the single panel its size).
    LiveView(int channelCount, const PanelFactory& make);

    int ChannelCount() const { return channelCount_; }
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    std::int32_t EngineHandle() const { return engineHandle_; }
    bool Playing() const { return playing_; }
    int Selected() const { return selected_; }  // -1: none

    // Starts every panel below the channel count on the camera `ip`.
    void StartAll(const std::string& ip);
    // Deselects the previous panel and selects the channel's one (a channel
    // without a panel leaves none selected).
    void Select(int channel);
    // Stops every started panel; `afterEach` runs after each one (the
    // dialog's short pause and log line).
    void StopAll(const std::function<void(int panel)>& afterEach = {});

private:
    int channelCount_;
    std::int32_t engineHandle_ = 0;
    std::vector<VideoComponent*> panels_;
    bool playing_ = false;
    int selected_ = -1;
};

}  // namespace ostrand::video

#pragma once
// The one way into a simulated camera's video state: loads it from the fleet
// file the first time, then runs `use` under the state's lock. Shared by the
// command behaviours and the stream sessions, so both see one PTZ head.

#include "sim/behaviours/video/camera_video_state.h"
#include "sim/device.h"

namespace ostrand::sim::video {

template <class Use>
decltype(auto) WithCamera(Device& device, Use&& use) {
    const int channels = device.Record().videoChannels;
    return device.WithState<CameraVideoState>([&](CameraVideoState& state) -> decltype(auto) {
        if (!state.loaded) state.Load(device.StartingState("video"), channels);
        return use(state);
    });
}

}  // namespace ostrand::sim::video

#pragma once
// What a simulated camera remembers of its video settings: the image and
// encoding values of every channel (as the wire carries them), its status
// inputs, and a pan/tilt/zoom head that moves while a movement command runs,
// with stored preset positions. Kept per device with Device::WithState.
//
// The fleet file's "state": {"video": {...}} may give, all optional:
//   "image":    {"lightness": 200, "vsize": "12", ...}  values of every channel
//   "channels": [{...}, {...}]                          values of one channel each
//   "status":   {"sdstatus": "yes", "AlarmKey1": "no"}  the "sdcheck" reply
//   "sdcheckAnswers": 2                                 then "sdcheck" is refused
//   "ptz":      {"pan": 10, "tilt": 0, "zoom": 1}       where the head starts
//   "presets":  {"17": {"pan": 90, "tilt": 10}}         stored positions
//   "streamPort", "streamWidth", "streamHeight", "streamFps", "streamFault"
//                                                       the motion-JPEG stream
// Refusals of single commands come from the fleet file's "replies".

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "transport/param_map.h"

namespace ostrand::sim::video {

using Clock = std::chrono::steady_clock;

struct PtzPosition {
    double pan = 0;    // degrees, 0 .. 360
    double tilt = 0;   // degrees, -90 .. 90
    double zoom = 1;   // 1 .. 30 times
    double focus = 500;  // 0 .. 1000
    double iris = 50;    // 0 .. 100
};

// A head that turns while a movement runs: the position is where it stood when
// the movement began plus the speed times the time since.
class PtzHead {
public:
    PtzPosition PositionAt(Clock::time_point now) const;
    // "ptztype" and "ptzsubtype" of a movement; false for a pair it does not know.
    bool StartMove(int type, int subtype, int speed, Clock::time_point now);
    void Stop(Clock::time_point now);
    void MoveTo(const PtzPosition& position);
    bool Moving() const { return moving_.has_value(); }

private:
    struct Movement {
        int type;
        int subtype;
        int speed;
        Clock::time_point since;
    };
    PtzPosition settled_;
    std::optional<Movement> moving_;
};

// How the camera serves its motion-JPEG stream (one per channel).
enum class StreamFault : std::uint8_t {
    None,
    EndlessFrame,   // one part that never ends and has no length
    TruncatedJpeg,  // parts framed correctly around half an image
    NoBoundary,     // images back to back without the announced boundary
    Stall,          // the response head, then silence
};

struct StreamSettings {
    std::uint16_t port = 9886;
    int width = 640;   // even, 16 .. 1920
    int height = 480;  // even, 16 .. 1088
    int fps = 25;      // 1 .. 60
    StreamFault fault = StreamFault::None;

    // From the fleet file's "video" state; values out of range are brought
    // into it, an unknown fault name is none.
    static StreamSettings From(const nlohmann::json& start);
};

std::optional<StreamFault> StreamFaultFromName(std::string_view name);

struct CameraVideoState {
    bool loaded = false;
    int channelCount = 1;
    std::vector<ParamMap> channels;  // wire values by channel
    ParamMap status;                 // "sdcheck" reply keys
    int sdcheckAnswers = -1;         // polls answered before refusing (-1: always)
    int sdcheckCount = 0;
    PtzHead head;
    std::map<int, PtzPosition> presets;
    int cruiseTrack = 0;  // 0: no cruise
    StreamSettings stream;

    // From the fleet file's "video" state; `channelCount` from the device record.
    void Load(const nlohmann::json& start, int recordChannels);
};

// The values a channel starts with.
ParamMap DefaultChannelValues();

}  // namespace ostrand::sim::video

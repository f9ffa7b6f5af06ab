#pragma once
// The picture a simulated camera streams: colour bars, a bar that sweeps
// across with time, the channel number, the time of day and the PTZ head's
// position as text, and two markers that follow the head: one along the
// bottom edge whose x position follows pan, one along the right edge whose y
// position follows tilt. A test tells that the camera moved by looking at
// the marker band of two frames.
//
// Drawn straight into 4:2:0 planes (full-size Y, half-size U and V), which
// the encoder takes without a colour conversion. The planes are reused from
// frame to frame; the still background is drawn once.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/behaviours/video/camera_video_state.h"

namespace ostrand::sim::video {

struct PatternFrame {
    int channel = 0;
    std::uint64_t frameNumber = 0;  // drives the sweeping bar
    std::string timeText;           // e.g. "14:03:27.48"
    PtzPosition ptz;
};

// Where the markers stand, so tests can look at the right pixels.
struct MarkerBand {
    int top = 0;  // rows [top, top + height) hold the pan marker
    int height = 0;
    int width = 0;  // of the pan marker
};

class TestPattern {
public:
    TestPattern(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    MarkerBand PanBand() const;
    // Left edge of the pan marker for a pan of 0 .. 360 degrees.
    int PanMarkerLeft(double pan) const;

    // Draws the frame; the planes stay valid until the next call.
    void Draw(const PatternFrame& frame);
    const std::uint8_t* Plane(int index) const { return planes_[index].data(); }
    int Stride(int index) const { return index == 0 ? width_ : width_ / 2; }

private:
    struct Colour {
        std::uint8_t y, u, v;
    };
    void DrawBackground();
    void Fill(int left, int top, int width, int height, Colour colour);
    void Text(int left, int top, int scale, const std::string& text, Colour ink);

    int width_;
    int height_;
    std::vector<std::uint8_t> background_[3];
    std::vector<std::uint8_t> planes_[3];
};

}  // namespace ostrand::sim::video

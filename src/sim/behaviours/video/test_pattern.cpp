#include "sim/behaviours/video/test_pattern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace ostrand::sim::video {

namespace {

// 5 x 7 glyphs, one row per byte, bit 4 the left column.
struct Glyph {
    char c;
    std::array<std::uint8_t, 7> rows;
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}}, {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
};

const Glyph* GlyphFor(char c) {
    for (const Glyph& glyph : kGlyphs) {
        if (glyph.c == c) return &glyph;
    }
    return nullptr;  // blank
}

// 75 % colour bars in BT.601 studio range: white, yellow, cyan, green,
// magenta, red, blue, black.
constexpr std::uint8_t kBars[8][3] = {
    {180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
    {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128},
};

std::string OneDecimal(double value) {
    char text[24];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

TestPattern::TestPattern(int width, int height) : width_(width), height_(height) {
    const std::size_t luma = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    background_[0].assign(luma, 16);
    background_[1].assign(luma / 4, 128);
    background_[2].assign(luma / 4, 128);
    for (int i = 0; i < 3; ++i) planes_[i].resize(background_[i].size());
    DrawBackground();
}

MarkerBand TestPattern::PanBand() const {
    MarkerBand band;
    band.height = std::max(4, height_ / 12) & ~1;
    band.top = (height_ - band.height - height_ / 48) & ~1;
    band.width = std::max(4, width_ / 16) & ~1;
    return band;
}

int TestPattern::PanMarkerLeft(double pan) const {
    const double share = std::clamp(pan, 0.0, 360.0) / 360.0;
    return static_cast<int>(std::lround(share * (width_ - PanBand().width)));
}

void TestPattern::DrawBackground() {
    for (int i = 0; i < 3; ++i) planes_[i].swap(background_[i]);
    const MarkerBand band = PanBand();
    const int barHeight = band.top * 2 / 3;
    for (int bar = 0; bar < 8; ++bar) {
        const int left = width_ * bar / 8;
        const int right = width_ * (bar + 1) / 8;
        Fill(left, 0, right - left, barHeight, {kBars[bar][0], kBars[bar][1], kBars[bar][2]});
    }
    // A grey ramp under the bars shows the encoder's handling of gradients.
    for (int x = 0; x < width_; x += 8) {
        const auto level = static_cast<std::uint8_t>(16 + 219 * x / std::max(1, width_ - 1));
        Fill(x, barHeight, std::min(8, width_ - x), band.top - barHeight, {level, 128, 128});
    }
    for (int i = 0; i < 3; ++i) planes_[i].swap(background_[i]);
}

void TestPattern::Fill(int left, int top, int width, int height, Colour colour) {
    const int x0 = std::clamp(left, 0, width_);
    const int x1 = std::clamp(left + width, 0, width_);
    const int y0 = std::clamp(top, 0, height_);
    const int y1 = std::clamp(top + height, 0, height_);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) {
        std::memset(planes_[0].data() + static_cast<std::size_t>(y) * width_ + x0, colour.y,
                    static_cast<std::size_t>(x1 - x0));
    }
    const int chromaWidth = width_ / 2;
    for (int y = y0 / 2; y < (y1 + 1) / 2; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * chromaWidth;
        std::memset(planes_[1].data() + row + x0 / 2, colour.u, static_cast<std::size_t>((x1 + 1) / 2 - x0 / 2));
        std::memset(planes_[2].data() + row + x0 / 2, colour.v, static_cast<std::size_t>((x1 + 1) / 2 - x0 / 2));
    }
}

void TestPattern::Text(int left, int top, int scale, const std::string& text, Colour ink) {
    int x = left;
    for (const char c : text) {
        if (const Glyph* glyph = GlyphFor(c)) {
            for (int row = 0; row < 7; ++row) {
                for (int column = 0; column < 5; ++column) {
                    if (glyph->rows[row] & (0x10 >> column)) {
                        Fill(x + column * scale, top + row * scale, scale, scale, ink);
                    }
                }
            }
        }
        x += 6 * scale;
    }
}

void TestPattern::Draw(const PatternFrame& frame) {
    for (int i = 0; i < 3; ++i) std::memcpy(planes_[i].data(), background_[i].data(), planes_[i].size());
    const MarkerBand band = PanBand();

    // The sweeping bar crosses the picture in two seconds at 25 frames.
    const int sweepWidth = std::max(2, width_ / 32);
    const auto sweepLeft = static_cast<int>((frame.frameNumber * static_cast<std::uint64_t>(width_) / 50) %
                                            static_cast<std::uint64_t>(width_));
    Fill(sweepLeft, 0, sweepWidth, band.top * 2 / 3, {235, 128, 128});

    // Text lines on a black plate: channel, time, head position.
    const int scale = std::max(1, width_ / 160);
    const std::string lines[] = {
        "CH " + std::to_string(frame.channel),
        frame.timeText,
        "P " + OneDecimal(frame.ptz.pan) + " T " + OneDecimal(frame.ptz.tilt) + " Z " + OneDecimal(frame.ptz.zoom),
    };
    const int lineHeight = 9 * scale;
    std::size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    Fill(0, 0, static_cast<int>(longest) * 6 * scale + 2 * scale, 3 * lineHeight + scale, {16, 128, 128});
    for (int i = 0; i < 3; ++i) Text(scale, scale + i * lineHeight, scale, lines[i], {235, 128, 128});

    // Pan marker: a white block on a black band along the bottom.
    Fill(0, band.top, width_, band.height, {16, 128, 128});
    Fill(PanMarkerLeft(frame.ptz.pan), band.top, band.width, band.height, {235, 128, 128});
    // Tilt marker: a yellow block along the right edge, +90 at the top.
    const int tiltHeight = std::max(2, band.height / 2);
    const int tiltRange = std::max(1, band.top - tiltHeight);
    const int tiltTop = static_cast<int>(std::lround((90.0 - std::clamp(frame.ptz.tilt, -90.0, 90.0)) / 180.0 * tiltRange));
    Fill(width_ - band.width / 2, 0, band.width / 2, band.top, {16, 128, 128});
    Fill(width_ - band.width / 2, tiltTop, band.width / 2, tiltHeight, {210, 16, 146});
}

}  // namespace ostrand::sim::video

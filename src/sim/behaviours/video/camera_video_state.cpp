#include "sim/behaviours/video/camera_video_state.h"

#include <algorithm>
#include <cmath>

namespace ostrand::sim::video {

namespace {

// The fleet file may write a value as text or as a number.
std::string Text(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    return value.dump();
}

void Overlay(ParamMap& values, const nlohmann::json& entries) {
    if (!entries.is_object()) return;
    for (const auto& [key, value] : entries.items()) values[key] = Text(value);
}

PtzPosition PositionFrom(const nlohmann::json& entry, PtzPosition position) {
    if (!entry.is_object()) return position;
    position.pan = entry.value("pan", position.pan);
    position.tilt = entry.value("tilt", position.tilt);
    position.zoom = entry.value("zoom", position.zoom);
    position.focus = entry.value("focus", position.focus);
    position.iris = entry.value("iris", position.iris);
    return position;
}

PtzPosition Bounded(PtzPosition p) {
    p.pan = std::fmod(p.pan, 360.0);
    if (p.pan < 0) p.pan += 360.0;
    p.tilt = std::clamp(p.tilt, -90.0, 90.0);
    p.zoom = std::clamp(p.zoom, 1.0, 30.0);
    p.focus = std::clamp(p.focus, 0.0, 1000.0);
    p.iris = std::clamp(p.iris, 0.0, 100.0);
    return p;
}

}  // namespace

ParamMap DefaultChannelValues() {
    return ParamMap{
        {"vsize", "4"},         {"videoMode", "0"},   {"PWFreque", "50"},    {"lightness", "128"},
        {"contrast", "128"},    {"staturation", "128"}, {"hue", "128"},      {"shapness", "128"},
        {"expourse", "2500"},   {"AESwitch", "0"},    {"awbR", "2000"},      {"awbG", "2000"},
        {"awbB", "2000"},       {"mode", "2"},        {"autoawbtype", "1"},  {"dsen", "150"},
        {"nsen", "30"},         {"bitRate", "768"},   {"frate", "25"},       {"autoRate", "1"},
        {"audiomark", "0"},     {"pskeyvalue", "250"}, {"keyframe", "50"},
    };
}

PtzPosition PtzHead::PositionAt(Clock::time_point now) const {
    if (!moving_) return settled_;
    const double seconds = std::chrono::duration<double>(now - moving_->since).count();
    const double step = moving_->speed * std::max(seconds, 0.0);
    PtzPosition p = settled_;
    const bool forward = moving_->subtype == 1;
    switch (moving_->type) {
        case 7:  // pan/tilt: degrees per second equal to the speed
            if (moving_->subtype == 1) p.tilt += step;
            if (moving_->subtype == 2) p.tilt -= step;
            if (moving_->subtype == 3) p.pan -= step;
            if (moving_->subtype == 4) p.pan += step;
            break;
        case 4: p.zoom += (forward ? 1 : -1) * step / 10; break;
        case 6: p.focus += (forward ? 1 : -1) * step * 5; break;
        case 5: p.iris += (forward ? 1 : -1) * step; break;
        default: break;
    }
    return Bounded(p);
}

bool PtzHead::StartMove(int type, int subtype, int speed, Clock::time_point now) {
    const bool known = (type == 7 && subtype >= 1 && subtype <= 4) ||
                       ((type == 4 || type == 5 || type == 6) && (subtype == 1 || subtype == 2));
    if (!known) return false;
    Stop(now);
    moving_ = Movement{type, subtype, std::max(speed, 0), now};
    return true;
}

void PtzHead::Stop(Clock::time_point now) {
    settled_ = PositionAt(now);
    moving_.reset();
}

void PtzHead::MoveTo(const PtzPosition& position) {
    settled_ = Bounded(position);
    moving_.reset();
}

std::optional<StreamFault> StreamFaultFromName(std::string_view name) {
    if (name.empty() || name == "none") return StreamFault::None;
    if (name == "endlessFrame") return StreamFault::EndlessFrame;
    if (name == "truncatedJpeg") return StreamFault::TruncatedJpeg;
    if (name == "noBoundary") return StreamFault::NoBoundary;
    if (name == "stall") return StreamFault::Stall;
    return std::nullopt;
}

StreamSettings StreamSettings::From(const nlohmann::json& start) {
    StreamSettings settings;
    const auto number = [&](const char* key, int fallback, int low, int high) {
        const auto it = start.find(key);
        if (it == start.end() || !it->is_number()) return fallback;
        return static_cast<int>(std::clamp<double>(it->get<double>(), low, high));
    };
    settings.port = static_cast<std::uint16_t>(number("streamPort", settings.port, 1, 65535));
    // Even sizes keep the half-size colour planes whole.
    settings.width = number("streamWidth", settings.width, 16, 1920) & ~1;
    settings.height = number("streamHeight", settings.height, 16, 1088) & ~1;
    settings.fps = number("streamFps", settings.fps, 1, 60);
    if (const auto it = start.find("streamFault"); it != start.end() && it->is_string()) {
        settings.fault = StreamFaultFromName(it->get<std::string>()).value_or(StreamFault::None);
    }
    return settings;
}

void CameraVideoState::Load(const nlohmann::json& start, int recordChannels) {
    loaded = true;
    channelCount = std::max(recordChannels, 1);
    ParamMap common = DefaultChannelValues();
    Overlay(common, start.value("image", nlohmann::json::object()));
    channels.assign(static_cast<std::size_t>(channelCount), common);
    const nlohmann::json perChannel = start.value("channels", nlohmann::json::array());
    if (perChannel.is_array()) {
        for (std::size_t i = 0; i < perChannel.size() && i < channels.size(); ++i) {
            Overlay(channels[i], perChannel[i]);
        }
    }
    status = {{"sdstatus", "yes"}, {"resetbtnstatus", "no"}, {"AlarmKey1", "no"}, {"AlarmKey2", "no"}};
    if (start.contains("status")) {
        status.clear();
        Overlay(status, start["status"]);
    }
    sdcheckAnswers = start.value("sdcheckAnswers", -1);
    stream = StreamSettings::From(start);
    head.MoveTo(PositionFrom(start.value("ptz", nlohmann::json::object()), PtzPosition{}));
    const nlohmann::json stored = start.value("presets", nlohmann::json::object());
    if (stored.is_object()) {
        for (const auto& [number, position] : stored.items()) {
            presets[std::atoi(number.c_str())] = Bounded(PositionFrom(position, PtzPosition{}));
        }
    }
}

}  // namespace ostrand::sim::video

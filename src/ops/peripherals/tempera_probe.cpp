#include "ops/peripherals/tempera_probe.h"

#include <uuid/uuid.h>

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/profile.h"

namespace ostrand {

TemperaProbeConfig TemperaProbeConfig::FromProfile() {
    TemperaProbeConfig config;
    config.scanTimeOut = [] { return ReadIniInt(0, "ScanTimeOut"); };
    return config;
}

std::string ProbeMessage(std::string_view declaration, std::string_view uuid) {
    std::string text(declaration);
    text += "<Probe><Uuid>";
    text += uuid;
    text += "</Uuid><Types>inquiry</Types></Probe>";
    return text;
}

std::string NewProbeUuid() {
    uuid_t id;
    uuid_generate(id);
    std::array<char, 37> text{};
    uuid_unparse_lower(id, text.data());
    return std::string(text.data(), 36);
}

ProbeRun RunProbe(const TemperaProbeConfig& config, const ProbeVariant& variant, const ProbeStatus& status) {
    ProbeRun run;
    UdpSocket socket = UdpSocket::Open();
    if (socket.IsOpen()) socket.SetReuseAddress(true);
    if (!socket.IsOpen() || !socket.Bind(config.bindAddress, variant.localPort)) {
        if (status) {
            std::array<char, 96> text{};
            std::snprintf(text.data(), text.size(), "端口%u被占用，网络初始化失败",
                          static_cast<unsigned>(variant.localPort));
            status(text.data());
        }
        return run;
    }
    run.socketReady = true;
    socket.SetMulticastTtl(kProbeMulticastTtl);
    if (!config.group.empty()) socket.JoinGroup(config.group, "0.0.0.0");

    const std::string message = ProbeMessage(variant.declaration, NewProbeUuid());
    // The devices expect the text with its terminating zero.
    const std::string_view datagram(message.c_str(), message.size() + 1);
    socket.SendTo(variant.destination, datagram);

    auto wait = std::chrono::milliseconds(variant.defaultWait);
    if (config.scanTimeOut) {
        if (const auto configured = config.scanTimeOut(); configured > 0) wait = std::chrono::milliseconds(configured);
    }
    const auto deadline = std::chrono::steady_clock::now() + config.maxCollectTime;
    std::array<std::uint8_t, kProbeReceiveLimit> buffer{};
    // Every wait ends by the run's deadline, however long "ScanTimeOut" is.
    const auto untilDeadline = [&deadline] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    };
    while (run.found.size() < config.maxAnswers && std::chrono::steady_clock::now() < deadline &&
           socket.WaitReadable(std::max(std::chrono::milliseconds(0), std::min(wait, untilDeadline())))) {
        const auto received = socket.Receive(buffer);
        if (!received || received->length == 0) continue;
        ++run.datagrams;
        const auto length = std::min(received->length, buffer.size());
        const auto text = ProbeAnswerText(std::span<const std::uint8_t>(buffer.data(), length));
        const bool utf8 = variant.declaration == kUtf8ProbeDeclaration;
        if (auto found = ParseProbeAnswer(text, variant.readsServicePort, utf8)) run.found.push_back(std::move(*found));
    }
    return run;
}

std::vector<FoundTempera> StrictModelsOnly(std::vector<FoundTempera> found) {
    std::erase_if(found, [](const FoundTempera& record) {
        return record.deviceType != kStrictDeviceType && record.model != kStrictModel;
    });
    return found;
}

std::vector<FoundTempera> SortAndDeduplicate(std::vector<FoundTempera> found) {
    const auto key = [](const FoundTempera& record) { return std::tie(record.ipv4, record.mac); };
    std::stable_sort(found.begin(), found.end(),
                     [&key](const FoundTempera& a, const FoundTempera& b) { return key(a) < key(b); });
    // The first variant's row comes first and is kept; a device answering both
    // variants lends it the service port only the second one reports, without
    // which its address cannot be changed.
    std::vector<FoundTempera> rows;
    rows.reserve(found.size());
    for (auto& record : found) {
        if (!rows.empty() && key(rows.back()) == key(record)) {
            if (rows.back().servicePort.empty()) rows.back().servicePort = std::move(record.servicePort);
            continue;
        }
        rows.push_back(std::move(record));
    }
    return rows;
}

std::vector<FoundTempera> SearchTemperaDevices(const TemperaProbeConfig& config, std::int32_t strictModel,
                                               const ProbeStatus& status) {
    auto found = RunProbe(config, config.first, status).found;
    if (strictModel != 0) found = StrictModelsOnly(std::move(found));
    auto second = RunProbe(config, config.second, status).found;
    found.insert(found.end(), std::make_move_iterator(second.begin()), std::make_move_iterator(second.end()));
    return SortAndDeduplicate(std::move(found));
}

std::int32_t ReadStrictModelFlag() { return ReadIniInt(0, "TemperaStrickV2"); }

}  // namespace ostrand

#pragma once
// The temperature devices' own discovery: an XML "Probe" sent to a multicast
// group on two ports (two device generations), answered by "ProbeMatch"
// documents. Every bind, destination and wait is a field whose default is the
// application's, so tests and the command-line tool aim the same code at a
// private network namespace or at loopback.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/udp_socket.h"
#include "ops/peripherals/probe_answer.h"

namespace ostrand {

inline constexpr std::string_view kProbeGroupAddress = "239.255.255.250";
inline constexpr std::uint16_t kFirstProbePort = 37020;
inline constexpr std::uint16_t kSecondProbePort = 60033;
inline constexpr std::string_view kUtf8ProbeDeclaration = R"(<?xml version="1.0" encoding="utf-8"?>)";
inline constexpr std::string_view kGbkProbeDeclaration = R"(<?xml version="1.0" encoding="GBK"?>)";
inline constexpr std::size_t kProbeReceiveLimit = 2000;
inline constexpr int kProbeMulticastTtl = 3;

// The two answers the strict-model setting keeps from the first variant.
inline constexpr std::string_view kStrictDeviceType = "10754052";
inline constexpr std::string_view kStrictModel = "DS-2TB21-3AVF";

struct ProbeVariant {
    std::uint16_t localPort = 0;  // bound on the PC side; 0 picks a free one
    UdpEndpoint destination;
    std::string_view declaration;
    std::chrono::milliseconds defaultWait{0};
    bool readsServicePort = false;
};

struct TemperaProbeConfig {
    std::string bindAddress = "0.0.0.0";
    // Group joined on any local interface before sending; empty joins none
    // (unicast tests on loopback).
    std::string group = std::string(kProbeGroupAddress);
    ProbeVariant first{kFirstProbePort, {std::string(kProbeGroupAddress), kFirstProbePort}, kUtf8ProbeDeclaration,
                       std::chrono::milliseconds(500), false};
    ProbeVariant second{kSecondProbePort, {std::string(kProbeGroupAddress), kSecondProbePort}, kGbkProbeDeclaration,
                        std::chrono::milliseconds(1000), true};
    // "ScanTimeOut" (ms, read at every run; > 0 replaces the variant's wait).
    std::function<std::int32_t()> scanTimeOut;
    // A device that never stops answering would hold a run for ever: a run
    // also ends after this long, and after this many answers.
    std::chrono::milliseconds maxCollectTime = std::chrono::seconds(20);
    std::size_t maxAnswers = 5000;

    // Reads "ScanTimeOut" from the settings file (default 0, written back).
    static TemperaProbeConfig FromProfile();
};

// The probe text: declaration, "<Probe><Uuid>", the UUID in lower case,
// "</Uuid><Types>inquiry</Types></Probe>". Sent with one zero byte after it.
std::string ProbeMessage(std::string_view declaration, std::string_view uuid);
// A freshly generated UUID in its 36-character lower-case text form.
std::string NewProbeUuid();

// Status texts (UTF-8) a search shows while it runs.
using ProbeStatus = std::function<void(std::string_view text)>;

struct ProbeRun {
    std::vector<FoundTempera> found;
    bool socketReady = false;  // false: the port was busy, nothing was sent
    std::size_t datagrams = 0; // datagrams received, answers or not
};

// One run of one variant; a busy port shows "端口%u被占用，网络初始化失败".
ProbeRun RunProbe(const TemperaProbeConfig& config, const ProbeVariant& variant, const ProbeStatus& status);

// Keeps the first variant's answers whose device type or model is the strict one.
std::vector<FoundTempera> StrictModelsOnly(std::vector<FoundTempera> found);
// Sorted by IPv4 text, then MAC (byte-wise), each (IPv4, MAC) pair once.
std::vector<FoundTempera> SortAndDeduplicate(std::vector<FoundTempera> found);

// The dialog's search: the first variant (filtered when `strictModel` is not
// 0), then the second, then sort and de-duplication.
std::vector<FoundTempera> SearchTemperaDevices(const TemperaProbeConfig& config, std::int32_t strictModel,
                                               const ProbeStatus& status);

// "TemperaStrickV2" from the settings file's default section (default 0,
// written back when missing).
std::int32_t ReadStrictModelFlag();

}  // namespace ostrand

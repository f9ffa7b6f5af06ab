#include "sim/devsim_options.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>

#include "platform/app_state.h"
#include "sim/fleet.h"
#include "sim/fleet_file.h"

namespace ostrand::sim {
namespace {

constexpr const char* kFooter = R"(
Every device listens on its own loopback address (127.x.y.z); Linux routes all
of 127/8 to the loopback interface. Devices of a kind other than camera speak
the framed TCP channel on port 60005 (commands, flat documents, uploads and
exports, plus HTTP form commands on the same port); cameras serve the HTTP
form interface "/goform/<name>" on their port. Addresses outside 127/8 are
used only when a fleet file names them.

Fleet file (JSON, UTF-8):
  {"base": "127.20.0.1",
   "defaults": {"version": "V2.1.0"},
   "devices": [
     {"kind": "terminal", "count": 3, "name": "T{n}", "number": "T000{n}"},
     {"kind": "camera", "address": "127.20.1.1", "port": 8080,
      "settings": {"gateway": "127.0.0.254"},
      "replies": {"getUpdateKernelStatus": {"updateStatus": "1"}},
      "exports": {"4": {"size": 100000}, "5": {"file": "attendinfo.bin"}},
      "faults": {"httpStatus": 404}}]}
Fault keys: refuse, silent, dropConnection, reset, garbage, replyDelayMs, splitSegments,
splitGapMs, malformed, httpStatus, emptyBody, flatBare, exportStatus,
exportStopAfter, downloadFailure (none|nolog|notar), result, errmsg.
The fault options above apply to every device, over the fleet file.
)";

void AddCount(std::vector<DeviceConfig>& devices, DeviceKind kind, int count,
              std::uint16_t port, net::ip::address_v4& next) {
    for (int i = 0; i < count; ++i) {
        DeviceConfig config;
        config.kind = kind;
        config.port = port;
        config.address = next.to_string();
        const std::string number = std::to_string(devices.size() + 1);
        const char* prefix = kind == DeviceKind::Camera ? "C" : kind == DeviceKind::Terminal ? "T" : "P";
        config.name = std::string(prefix) + number;
        config.deviceNumber = std::string(prefix) + std::string(6 - std::min<std::size_t>(6, number.size()), '0') + number;
        config.productModel = kind == DeviceKind::Camera ? "IPC-SIM" : "ATT-SIM";
        devices.push_back(std::move(config));
        auto following = NextLoopbackAddress(next);
        if (!following) throw std::invalid_argument("the devices do not fit into 127/8");
        next = *following;
    }
}

}  // namespace

std::string DescribeDevice(const DeviceConfig& config) {
    const std::uint16_t port = config.port != 0 ? config.port : DefaultPortFor(config.kind);
    return config.address + " " + std::to_string(port) + " " +
           std::string(DeviceKindName(config.kind)) + " " +
           (config.deviceNumber.empty() ? "-" : config.deviceNumber) + " " +
           (config.name.empty() ? "-" : config.name);
}

std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const* argv, int& exitCode) {
    CLI::App app{"ostrand-devsim: a fleet of simulated cameras and attendance terminals on loopback"};
    app.set_version_flag("--version", "ostrand-devsim " + FileVersionText(), "print the version and exit");
    app.footer(kFooter);
    DevsimOptions options;
    std::string fleetPath;
    int terminals = 0;
    int captures = 0;
    int cameras = 0;
    int cameraPort = kDefaultCameraPort;
    std::string baseText = "127.20.0.1";
    app.add_option("--fleet", fleetPath, "JSON fleet file")->check(CLI::ExistingFile);
    app.add_option("--terminals", terminals, "attendance terminals to add (port 60005)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--captures", captures, "capture cameras to add (port 60005)")
        ->check(CLI::Range(0, 100000));
    app.add_option("--cameras", cameras, "cameras to add (HTTP)")->check(CLI::Range(0, 100000));
    app.add_option("--camera-port", cameraPort, "HTTP port of the cameras added by --cameras")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    app.add_option("--base", baseText,
                   "first address of the devices added by count (inside 127/8)")
        ->capture_default_str();
    app.add_option("--journal", options.journalPath,
                   "append every exchange to this file (one line per byte run, bytes in hex)");
    app.add_option("--journal-limit", options.journalLimit,
                   "bytes kept per exchange and direction in the journal")
        ->check(CLI::Range(std::size_t{0}, std::size_t{1} << 30))
        ->capture_default_str();
    app.add_option("--ready-file", options.readyPath,
                   "write the device list here once every device listens");
    app.add_option("--duration", options.durationSeconds,
                   "stop after this many seconds (default: run until SIGINT or SIGTERM)")
        ->check(CLI::Range(0.0, kMaxDurationSeconds));
    app.add_flag("--list", options.listOnly, "print the devices and exit");
    std::uint64_t receiveRate = 0;
    auto* optReceiveRate = app.add_option("--receive-rate", receiveRate,
                                          "bytes per second every device takes in (an upload's pace), "
                                          "unless its fleet entry's state.upgrade.receiveRate says otherwise");
    std::string uploadAnswer;
    auto* optUploadAnswer =
        app.add_option("--upload-answer", uploadAnswer,
                       "how every device's web server answers uploads, unless its fleet entry's "
                       "state.upgrade.uploadAnswer says otherwise: keepalive, http10 (HTTP/1.0, closed after "
                       "every answer), close (HTTP/1.1, then closed without saying so), continue (100 Continue first)")
            ->check(CLI::IsMember({"keepalive", "http10", "close", "continue"}));

    nlohmann::json faults = nlohmann::json::object();
    bool refuse = false, silent = false, drop = false, reset = false, garbage = false, malformed = false,
         emptyBody = false, flatBare = false;
    int delayMs = 0, split = 0, splitGapMs = 5, httpStatus = 0, exportStatus = 0, stopAfter = -1;
    std::string downloadFailure, result, errmsg;
    auto* group = app.add_option_group("Faults", "misbehaviour of every device");
    auto* optRefuse = group->add_flag("--refuse", refuse, "refuse connections");
    auto* optSilent = group->add_flag("--silent", silent, "accept and never answer");
    auto* optDrop = group->add_flag("--drop", drop, "close connections without answering");
    auto* optReset = group->add_flag("--reset", reset, "abort connections (RST) instead of answering");
    auto* optGarbage = group->add_flag("--garbage", garbage, "answer with bytes of no protocol");
    auto* optDelay = group->add_option("--delay-ms", delayMs, "wait before every reply")
                         ->check(CLI::Range(0, kMaxFaultDelayMs));
    auto* optSplit = group->add_option("--split", split, "send replies in this many pieces")
                         ->check(CLI::Range(0, kMaxSplitSegments));
    auto* optGap = group->add_option("--split-gap-ms", splitGapMs, "pause between the pieces")
                       ->check(CLI::Range(0, kMaxFaultDelayMs));
    auto* optMalformed = group->add_flag("--malformed", malformed,
                                         "reply documents that are not XML, refused acks");
    auto* optStatus = group->add_option("--http-status", httpStatus,
                                        "answer HTTP requests with this status")
                          ->check(CLI::Range(0, 999));
    auto* optEmpty = group->add_flag("--empty-body", emptyBody, "HTTP 200 with an empty body");
    auto* optBare = group->add_flag("--flat-bare", flatBare, "flat replies without the length");
    auto* optExport = group->add_option("--export-status", exportStatus,
                                        "status of the export begin reply (2 busy, 3 cannot begin)")
                          ->check(CLI::Range(0, 255));
    auto* optStop = group->add_option("--export-stop-after", stopAfter,
                                      "stop sending export data after this many packets")
                        ->check(CLI::Range(-1, INT32_MAX));
    auto* optDownload = group->add_option("--download-failure", downloadFailure,
                                          "log download answer: none, nolog or notar")
                            ->check(CLI::IsMember({"none", "nolog", "notar"}));
    auto* optResult = group->add_option("--result", result, "\"result\" of command replies");
    auto* optErrmsg = group->add_option("--errmsg", errmsg, "\"errmsg\" of command replies");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e);
        return std::nullopt;
    }

    try {
        if (!fleetPath.empty()) options.devices = LoadFleetFile(fleetPath);
        boost::system::error_code error;
        auto next = net::ip::make_address_v4(baseText, error);
        if (error || !IsLoopback(next)) throw std::invalid_argument("--base must lie inside 127/8");
        AddCount(options.devices, DeviceKind::Terminal, terminals, kTcpChannelPort, next);
        AddCount(options.devices, DeviceKind::CaptureCamera, captures, kTcpChannelPort, next);
        AddCount(options.devices, DeviceKind::Camera, cameras, static_cast<std::uint16_t>(cameraPort),
                 next);

        if (optRefuse->count()) faults["refuse"] = refuse;
        if (optSilent->count()) faults["silent"] = silent;
        if (optDrop->count()) faults["dropConnection"] = drop;
        if (optReset->count()) faults["reset"] = reset;
        if (optGarbage->count()) faults["garbage"] = garbage;
        if (optDelay->count()) faults["replyDelayMs"] = delayMs;
        if (optSplit->count()) faults["splitSegments"] = split;
        if (optGap->count()) faults["splitGapMs"] = splitGapMs;
        if (optMalformed->count()) faults["malformed"] = malformed;
        if (optStatus->count()) faults["httpStatus"] = httpStatus;
        if (optEmpty->count()) faults["emptyBody"] = emptyBody;
        if (optBare->count()) faults["flatBare"] = flatBare;
        if (optExport->count()) faults["exportStatus"] = exportStatus;
        if (optStop->count()) faults["exportStopAfter"] = stopAfter;
        if (optDownload->count()) faults["downloadFailure"] = downloadFailure;
        if (optResult->count()) faults["result"] = result;
        if (optErrmsg->count()) faults["errmsg"] = errmsg;
        for (DeviceConfig& config : options.devices) {
            config.faults = ParseFaults(faults, config.faults, "command line");
        }
        for (DeviceConfig& config : options.devices) {
            if (!optReceiveRate->count() && !optUploadAnswer->count()) break;
            nlohmann::json& upgrade = config.state["upgrade"];
            if (!upgrade.is_object()) upgrade = nlohmann::json::object();
            if (optReceiveRate->count() && !upgrade.contains("receiveRate")) upgrade["receiveRate"] = receiveRate;
            if (optUploadAnswer->count() && !upgrade.contains("uploadAnswer")) upgrade["uploadAnswer"] = uploadAnswer;
        }
    } catch (const std::exception& e) {
        std::cerr << "ostrand-devsim: " << e.what() << "\n";
        exitCode = 2;
        return std::nullopt;
    }
    if (options.devices.empty()) {
        std::cerr << "ostrand-devsim: no devices; give --fleet or a count (see --help)\n";
        exitCode = 2;
        return std::nullopt;
    }
    exitCode = 0;
    return options;
}

}  // namespace ostrand::sim

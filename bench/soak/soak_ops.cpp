#include "soak_ops.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>

#include "ops/attendance/attend_periods.h"
#include "ops/attendance/card_params.h"
#include "ops/attendance/device_bindings.h"
#include "ops/attendance/server_settings.h"
#include "ops/attendance/terminal_params.h"
#include "ops/attendance_data/data_download.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/device_identity.h"
#include "ops/maintenance/device_name.h"
#include "ops/maintenance/function_switches.h"
#include "ops/maintenance/log_download.h"
#include "ops/maintenance/network_page.h"
#include "ops/maintenance/network_params.h"
#include "ops/maintenance/ntp_servers.h"
#include "ops/maintenance/password.h"
#include "ops/maintenance/reboot.h"
#include "ops/maintenance/serial_type.h"
#include "ops/peripherals/net_power.h"
#include "ops/peripherals/speaker_config.h"
#include "ops/peripherals/tempera_binding.h"
#include "ops/upgrade/upgrade_file_name.h"
#include "ops/upgrade/upgrade_worker.h"
#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/ptz_control.h"
#include "platform/app_state.h"
#include "transport/form_channel.h"
#include "transport/transport_settings.h"

namespace ostrand::soak {
namespace {

using namespace std::chrono_literals;

thread_local std::vector<std::string>* threadTexts = nullptr;

// Success, or a failure carrying the operation's own texts followed by the
// ones it showed through the sink.
class Collect {
public:
    void Add(std::string_view text) {
        if (text.empty()) return;
        if (std::find(texts_.begin(), texts_.end(), text) == texts_.end()) texts_.emplace_back(text);
    }
    void Add(const std::vector<std::string>& texts) {
        for (const std::string& text : texts) Add(text);
    }
    OpResult End(bool ok) {
        Add(messages_.Texts());
        OpResult result;
        result.ok = ok;
        if (!ok) {
            for (const std::string& text : texts_) {
                if (!result.text.empty()) result.text += " / ";
                result.text += text;
            }
        }
        return result;
    }

private:
    ThreadMessages messages_;
    std::vector<std::string> texts_;
};

CommandTarget TargetOf(const SimDevice& d) { return CommandTarget(d.ip, d.port); }
DeviceEndpoint EndpointOf(const SimDevice& d) { return {d.ip, static_cast<std::uint16_t>(d.port)}; }

OpResult RunMaintenance(const SimDevice& d, const std::function<MaintenanceOutcome(CommandTarget&)>& run) {
    Collect collect;
    CommandTarget target = TargetOf(d);
    const MaintenanceOutcome outcome = run(target);
    collect.Add(outcome.messages);
    collect.Add(outcome.text);
    if (!outcome.succeeded && outcome.messages.empty() && outcome.text.empty()) {
        collect.Add(TransportResultText(outcome.result));
    }
    return collect.End(outcome.succeeded);
}

OpResult RunTerminal(const std::function<TerminalOutcome()>& run) {
    Collect collect;
    const TerminalOutcome outcome = run();
    collect.Add(outcome.messages);
    if (!outcome.Succeeded() && outcome.messages.empty()) collect.Add(TransportResultText(outcome.transport));
    return collect.End(outcome.Succeeded());
}

OpResult RunCamera(const std::function<video::WriteResult()>& run) {
    Collect collect;
    const video::WriteResult result = run();
    if (!result.Succeeded()) collect.Add(result.FailureText());
    return collect.End(result.Succeeded());
}

std::string Digits(std::uint64_t value, std::size_t width) {
    std::string text = std::to_string(value % 100000000000ull);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text.substr(text.size() - width);
}

std::vector<OpKind> MakeKinds() {
    std::vector<OpKind> kinds;
    // --- maintenance: every device ---
    kinds.push_back({"reboot", Targets::Any, 1, [](const SimDevice& d, const OpContext&) {
                         return RunMaintenance(d, [](CommandTarget& t) { return RebootDevice(t); });
                     }});
    kinds.push_back({"sync-time", Targets::Camera, 1, [](const SimDevice& d, const OpContext&) {
                         return RunMaintenance(d, [](CommandTarget& t) { return SyncPcTime(t); });
                     }});
    kinds.push_back({"rename", Targets::Any, 1, [](const SimDevice& d, const OpContext& c) {
                         const std::string name = "soak" + std::to_string(c.serial % 1000);
                         return RunMaintenance(d, [&](CommandTarget& t) { return RenameDevice(t, name); });
                     }});
    kinds.push_back({"set-id", Targets::Any, 2, [](const SimDevice& d, const OpContext& c) {
                         const std::string number = Digits(c.serial, 8);
                         return RunMaintenance(
                             d, [&](CommandTarget& t) { return SetDeviceIdAndModel(t, number, "SOAK-1"); });
                     }});
    kinds.push_back({"passwd", Targets::Any, 1, [](const SimDevice& d, const OpContext&) {
                         return RunMaintenance(d, [](CommandTarget& t) {
                             // The first change sets it; later ones give it as the old one.
                             return ChangePassword(t, PasswordMode::Hashed, "soakpw", "soakpw", "soakpw");
                         });
                     }});
    kinds.push_back({"netparam", Targets::Any, 2, [](const SimDevice& d, const OpContext&) {
                         Collect collect;
                         CommandTarget target = TargetOf(d);
                         NetPageFields fields;
                         TransportResult result = LoadNetworkPage(target, fields);
                         if (result == kTransportOk) result = SaveNetworkPage(target, fields);
                         if (result != kTransportOk) collect.Add(TransportResultText(result));
                         return collect.End(result == kTransportOk);
                     }});
    kinds.push_back({"ntp", Targets::TcpChannel, 2, [](const SimDevice& d, const OpContext& c) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         ParamMap table;
                         bool ok = LoadNtpTable(endpoint, table);
                         if (ok) {
                             StoreNtpEntry(table, static_cast<int>(c.serial % kNtpEntryCount),
                                           {"pool" + std::to_string(c.serial % 7) + ".soak", "123"});
                             ok = SaveNtpTable(endpoint, table);
                         }
                         OpResult result = collect.End(ok);
                         // The save shows "设置成功" on success too.
                         if (ok) result.text.clear();
                         return result;
                     }});
    kinds.push_back({"serial", Targets::TcpChannel, 2, [](const SimDevice& d, const OpContext&) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         const SerialTypeLoad load = LoadSerialType(endpoint);
                         const bool ok = load.exchanged && SaveSerialType(endpoint, load.index);
                         return collect.End(ok);
                     }});
    kinds.push_back({"switches", Targets::TcpChannel, 3, [](const SimDevice& d, const OpContext& c) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         const DebugLogState state = ReadDebugLog(endpoint);
                         bool ok = state.outcome.exchanged && state.outcome.ok;
                         if (ok) {
                             const SwitchChoice choice = c.serial % 2 ? SwitchChoice::On : SwitchChoice::Off;
                             ok = WriteDebugLog(endpoint, choice).ok && SetStreamSwitch(endpoint, choice).ok;
                         }
                         return collect.End(ok);
                     }});
    kinds.push_back({"log", Targets::Any, 1, [](const SimDevice& d, const OpContext& c) {
                         const auto path = WithLogArchiveEnding(c.workDir / ("log" + std::to_string(c.serial)));
                         OpResult result =
                             RunMaintenance(d, [&](CommandTarget& t) { return DownloadDeviceLog(t, path); });
                         std::error_code ignored;
                         std::filesystem::remove(path, ignored);
                         return result;
                     }});
    // --- attendance terminals ---
    kinds.push_back({"door", Targets::Terminal, 2, [](const SimDevice& d, const OpContext&) {
                         return RunTerminal([&] {
                             const DeviceEndpoint endpoint = EndpointOf(d);
                             DoorAlarmRead read = ReadDoorAlarm(endpoint);
                             if (!read.outcome.Succeeded()) return read.outcome;
                             if (read.values.unlockTime.empty()) read.values.unlockTime = "5";
                             return WriteDoorAlarm(endpoint, read.values);
                         });
                     }});
    kinds.push_back({"gate-channels", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         return RunTerminal([&] { return ReadGateChannels(EndpointOf(d)).outcome; });
                     }});
    kinds.push_back({"face-mode", Targets::Terminal, 2, [](const SimDevice& d, const OpContext& c) {
                         return RunTerminal([&] {
                             const DeviceEndpoint endpoint = EndpointOf(d);
                             const FaceModeRead read = ReadFaceMode(endpoint);
                             if (!read.outcome.Succeeded()) return read.outcome;
                             return WriteFaceMode(endpoint, c.serial % 2 == 0);
                         });
                     }});
    kinds.push_back({"periods", Targets::Terminal, 2, [](const SimDevice& d, const OpContext&) {
                         return RunTerminal([&] {
                             const DeviceEndpoint endpoint = EndpointOf(d);
                             const PeriodsRead read = ReadPeriods(endpoint);
                             if (!read.outcome.Succeeded()) return read.outcome;
                             return WritePeriods(endpoint, read.table);
                         });
                     }});
    kinds.push_back({"card", Targets::Terminal, 2, [](const SimDevice& d, const OpContext& c) {
                         return RunTerminal([&] {
                             const DeviceEndpoint endpoint = EndpointOf(d);
                             const CardParamsRead read = ReadCardParams(endpoint);
                             if (!read.outcome.Succeeded()) return read.outcome;
                             return WriteCardParams(endpoint, {std::to_string(c.serial % 200), "3"});
                         });
                     }});
    kinds.push_back({"bind-ipc", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         return RunTerminal([&] { return ReadBindings(EndpointOf(d), kBindPhotoIpcCode).outcome; });
                     }});
    kinds.push_back({"attend-server", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         return RunTerminal([&] { return ReadAttendServer(EndpointOf(d)).outcome; });
                     }});
    // --- peripherals of a terminal ---
    kinds.push_back({"speakers", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         const bool ok = LoadSpeakerPage(endpoint, false).has_value();
                         return collect.End(ok);
                     }});
    kinds.push_back({"amps", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         const NetPowerPage page = RefreshNetPower(endpoint);
                         return collect.End(page.ok);
                     }});
    kinds.push_back({"tempera", Targets::Terminal, 1, [](const SimDevice& d, const OpContext&) {
                         Collect collect;
                         DeviceEndpoint endpoint = EndpointOf(d);
                         const BoundTempera bound = GetBoundTempera(endpoint);
                         if (!bound.ok) collect.Add(bound.status);
                         return collect.End(bound.ok);
                     }});
    // --- attendance data: the user list behind the data window ---
    kinds.push_back({"users", Targets::Terminal, 3, [](const SimDevice& d, const OpContext& c) {
                         Collect collect;
                         AttendanceDevice device{EndpointOf(d), "02AA" + Digits(c.serial % 997, 8)};
                         AttendanceDataPlaces places{c.workDir};
                         const bool ok = OpenAttendanceData(device, places).has_value();
                         return collect.End(ok);
                     }});
    // --- cameras: tuning, PTZ and the status poll ---
    kinds.push_back({"camera-read", Targets::Camera, 14, [](const SimDevice& d, const OpContext&) {
                         return RunCamera([&] {
                             CommandTarget target = TargetOf(d);
                             video::CameraTuning tuning(target, 0);
                             return tuning.ReadAll(video::ReadOrder::Opening);
                         });
                     }});
    kinds.push_back({"camera-set", Targets::Camera, 1, [](const SimDevice& d, const OpContext& c) {
                         return RunCamera([&] {
                             CommandTarget target = TargetOf(d);
                             video::CameraTuning tuning(target, 0);
                             return tuning.SetColour(video::ColourControl::Contrast, static_cast<int>(c.serial % 101));
                         });
                     }});
    kinds.push_back({"ptz", Targets::Camera, 2, [](const SimDevice& d, const OpContext& c) {
                         return RunCamera([&] {
                             CommandTarget target = TargetOf(d);
                             video::WriteResult result;
                             result.sent.push_back(video::SendPtzMove(target, video::PtzMove::Left,
                                                                      static_cast<int>(c.serial % 64)));
                             result.sent.push_back(video::SendPtzStop(target));
                             return result;
                         });
                     }});
    kinds.push_back({"status", Targets::Camera, 1, [](const SimDevice& d, const OpContext&) {
                         return RunCamera([&] {
                             CommandTarget target = TargetOf(d);
                             video::WriteResult result;
                             result.sent.push_back(video::PollDeviceStatus(target, Language::Chinese).outcome);
                             return result;
                         });
                     }});
    // --- application upgrade: version check and upload of a small package ---
    kinds.push_back({"upgrade", Targets::Any, 4, [](const SimDevice& d, const OpContext& c) {
                         Collect collect;
                         UpgradePackage package;
                         package.kind = UpgradeKind::Application;
                         package.fileName = "SOAKHW_SOAKK_1.0.0001_A";
                         package.versions = *ParseUpgradeFileName(package.fileName, UpgradeKind::Application);
                         package.image = std::make_shared<const std::string>(
                             std::string(4096 + c.serial % 4096, static_cast<char>('a' + c.serial % 26)));
                         struct Row final : UpgradeRowSink {
                             std::string text;
                             RowPhase phase = RowPhase::Idle;
                             void Status(const std::string& t, RowPhase p) override {
                                 text = t;
                                 phase = p;
                             }
                             void Progress(std::uint64_t, std::uint64_t) override {}
                         } row;
                         RunUpgradeWorker(package, {d.ip, d.port, d.number, d.name, "V9.9.9999"}, row);
                         const bool ok = row.phase == RowPhase::Succeeded;
                         if (!ok) collect.Add(row.text.empty() ? std::string("row ended without a status") : row.text);
                         return collect.End(ok);
                     }});
    return kinds;
}

}  // namespace

std::vector<SimDevice> ParseDeviceList(std::string_view text) {
    std::vector<SimDevice> devices;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        SimDevice device;
        if (!(fields >> device.ip >> device.port >> device.kind)) continue;
        fields >> device.number >> device.name;
        if (device.port <= 0 || device.port > 65535) continue;
        devices.push_back(std::move(device));
    }
    return devices;
}

bool Accepts(Targets targets, const SimDevice& device) {
    switch (targets) {
        case Targets::Any: return true;
        case Targets::TcpChannel: return device.SpeaksTcp();
        case Targets::Terminal: return device.kind == "terminal";
        case Targets::Camera: return device.kind == "camera";
    }
    return false;
}

const std::vector<OpKind>& AllOpKinds() {
    static const std::vector<OpKind> kinds = MakeKinds();
    return kinds;
}

void InstallSoakWaits() {
    TransportTimeouts waits;
    waits.replyWait = 400ms;
    waits.replyRestWait = 400ms;
    waits.maxSends = 3;
    waits.connectWait = 1000ms;
    waits.lingerSeconds = 0;
    waits.fileConnectWait = 1000ms;
    waits.fileReceiveWait = 1000ms;
    waits.exportIdleWaits = 2;
    waits.httpConnectTimeout = 1000ms;
    waits.httpConnectBackoff = 100ms;
    waits.httpConnectRetries = 1;
    waits.httpFormReceiveTimeout = 1500ms;
    waits.httpFormDeadline = 2500ms;
    waits.httpUploadConnectTimeout = 1000ms;
    waits.httpImageConnectTimeout = 1000ms;
    waits.httpReceiveTimeout = 2500ms;
    SetTransportTimeouts(waits);
}

std::chrono::milliseconds ExchangeBound() {
    const TransportTimeouts w = CurrentTransportTimeouts();
    const auto tcp = w.connectWait.value_or(3000ms) + w.maxSends * (w.replyWait + w.replyRestWait);
    const auto http = w.httpFormDeadline + w.httpConnectTimeout;
    const auto file = FileConnectWait() + w.exportIdleWaits * w.fileReceiveWait + w.httpReceiveTimeout;
    // Two seconds of slack: 2 cores shared by many processes.
    return std::max({tcp, http, file}) + 2000ms;
}

bool IsUninformative(std::string_view text) {
    if (text.empty()) return true;
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return std::tolower(ch); });
    return lower.find("unknow") != std::string::npos;
}

ThreadMessages::ThreadMessages() : previous_(threadTexts) { threadTexts = &texts_; }
ThreadMessages::~ThreadMessages() { threadTexts = previous_; }

void ThreadRoutingSink::ShowMessage(std::string_view text, std::string_view) {
    if (threadTexts != nullptr) threadTexts->emplace_back(text);
}

bool ThreadRoutingSink::AskYesNo(std::string_view text, std::string_view) {
    if (threadTexts != nullptr) threadTexts->emplace_back(text);
    return false;
}

}  // namespace ostrand::soak

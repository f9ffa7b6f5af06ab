// The maintenance dialogs' reply handling over untrusted replies: the network
// page, the NTP table, the serial type, the function switches, the device's
// name, number, password and clock commands, and the rules their texts pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/ops/fuzz_input.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/device_identity.h"
#include "ops/maintenance/device_identity_rules.h"
#include "ops/maintenance/device_name.h"
#include "ops/maintenance/device_name_rules.h"
#include "ops/maintenance/function_switches.h"
#include "ops/maintenance/log_download.h"
#include "ops/maintenance/maintenance_outcome.h"
#include "ops/maintenance/network_params.h"
#include "ops/maintenance/ntp_servers.h"
#include "ops/maintenance/password.h"
#include "ops/maintenance/password_rules.h"
#include "ops/maintenance/reboot.h"
#include "ops/maintenance/serial_type.h"

namespace {

using namespace ostrand;

void NetworkPage(std::int32_t port) {
    CommandTarget target("127.0.0.1", port);
    NetPageFields fields;
    (void)LoadNetworkPage(target, fields);
    // Whatever the reply filled, the page's edits and its Save keep working.
    for (const bool on : {true, false}) {
        NetPageFields edited = fields;
        SetStaticIp(edited, on);
        SetOpen3g(edited, on);
        SetSelfBuilt(edited, on);
        const NetCollectResult collected = CollectRequest(edited, port);
        if (collected.ok) (void)SaveNetworkPage(target, edited);
    }
    for (const std::string& item : SplitAtChar(fields.master, '|')) (void)IsMasterServerItem(item);
    (void)InSameSegment(fields.ip, fields.gateway);
}

void NtpTable() {
    DeviceEndpoint endpoint{"127.0.0.1", 60005};
    ParamMap table;
    (void)LoadNtpTable(endpoint, table);
    for (int entry = 0; entry <= kNtpEntryCount + 1; ++entry) {
        NtpEntry values = NtpEntryOf(table, entry);
        values.port += "1";
        StoreNtpEntry(table, entry, values);
        if (NtpEntryOf(table, entry) != values) std::abort();
    }
    (void)SaveNtpTable(endpoint, table);
}

void SerialAndSwitches() {
    DeviceEndpoint endpoint{"127.0.0.1", 60005};
    const SerialTypeLoad serial = LoadSerialType(endpoint);
    if (serial.index != kSerialTypeAttendance && serial.index != kSerialTypePtz) std::abort();
    (void)SerialTypeName(serial.index);
    (void)SaveSerialType(endpoint, serial.index);
    const DebugLogState debug = ReadDebugLog(endpoint);
    (void)WriteDebugLog(endpoint, debug.choice);
    (void)SetStreamSwitch(endpoint, debug.choice);
}

void DeviceCommands(std::string_view text, std::int32_t port) {
    CommandTarget target("127.0.0.1", port);
    const std::string typed(text.substr(0, 64));
    (void)RenameDevice(target, typed);
    (void)SetDeviceIdAndModel(target, typed, typed);
    (void)ChangePassword(target, PasswordModeForVersion(typed), typed, typed, typed);
    (void)RebootDevice(target);
    (void)SyncPcTime(target);
}

void TextRules(std::string_view text) {
    (void)IsDottedIpv4(text);
    (void)IsDottedQuad(text);
    (void)IsMacField(text);
    for (const char separator : {'|', '.', '&'}) {
        const auto items = SplitAtChar(text, separator);
        if (items.empty()) std::abort();
        for (const auto& item : items) {
            if (item.size() > text.size()) std::abort();
            (void)IsMasterServerItem(item);
        }
    }
    const std::size_t half = text.size() / 2;
    (void)InSameSegment(text.substr(0, half), text.substr(half));
    (void)TrimTabsAndLineFeeds(text);
    (void)DeviceNumberProblem(TrimTabsAndLineFeeds(text));
    (void)ProductModelProblem(text);
    (void)FindForbiddenNameByte(text);
    (void)ForbiddenCharacterProblem(text);
    (void)DeviceNameProblem(text);
    (void)PasswordWireForm(text);
    (void)PasswordAsSent(text, PasswordMode::Hashed);
    (void)Utf8CharacterCount(text);
    (void)WithLogArchiveEnding(std::string(text));
    ParamMap reply;
    reply["result"] = std::string(text.substr(0, half));
    reply["errmsg"] = std::string(text.substr(half));
    if (const auto reason = DeviceRefusal(reply)) (void)WithDeviceReason("failed", *reason);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = ostrand::fuzz::SplitInput(data, size);
    ostrand::fuzz::ScriptReplies(input.rest);
    const std::int32_t port = (input.selector & 0x80) != 0 ? 60005 : 80;
    switch (input.selector % 5) {
    case 0: NetworkPage(port); break;
    case 1: NtpTable(); break;
    case 2: SerialAndSwitches(); break;
    case 3: {
        const auto text = ostrand::fuzz::FirstPiece(input.rest);
        ostrand::fuzz::ScriptReplies(input.rest.substr(std::min(input.rest.size(), text.size() + 1)));
        DeviceCommands(text, port);
        break;
    }
    default: TextRules(input.rest); break;
    }
    return 0;
}

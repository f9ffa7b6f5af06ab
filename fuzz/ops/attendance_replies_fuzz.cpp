// The attendance terminal dialogs' reply handling over untrusted replies: the
// attendance periods, card reading, servers, channel bindings, visitor
// machines and the terminal's own settings groups, each read and written
// back as the dialogs do, and the list and number readers their texts pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/ops/fuzz_input.h"
#include "ops/attendance/attend_periods.h"
#include "ops/attendance/card_params.h"
#include "ops/attendance/device_bindings.h"
#include "ops/attendance/list_fields.h"
#include "ops/attendance/server_settings.h"
#include "ops/attendance/terminal_params.h"
#include "transport/form_codec.h"

namespace {

using namespace ostrand;

const DeviceEndpoint kTerminal{"127.0.0.1", 60005};

void Periods() {
    PeriodsRead read = ReadPeriods(kTerminal);
    for (int index = 0; index < kAttendPeriodCount; ++index) {
        const AttendPeriod& period = read.table[static_cast<std::size_t>(index)];
        (void)PeriodTypeName(period.type);
        const PeriodTime begin = PickerTime(period.begin);
        const PeriodTime end = PickerTime(period.end);
        if (begin.hour < 0 || begin.hour > 23 || end.minute < 0 || end.minute > 59) std::abort();
        (void)ModifyPeriod(read.table, index, period.type, begin, end);
    }
    (void)PeriodsRequest(read.table);
    (void)WritePeriods(kTerminal, read.table);
}

void CardsAndServers() {
    const CardParamsRead card = ReadCardParams(kTerminal);
    (void)CardParamsRefusal(card.values);
    (void)WriteCardParams(kTerminal, card.values);
    const AttendServerRead server = ReadAttendServer(kTerminal);
    (void)WriteAttendServer(kTerminal, server.values);
    const PhotoIpcServerRead photo = ReadPhotoIpcServer(kTerminal);
    (void)WritePhotoIpcServer(kTerminal, photo.ip);
}

void Bindings(std::string_view version) {
    for (const CommandCode code : {kBindPhotoIpcCode, kBindSignInCodeCode}) {
        const BindingsRead read = ReadBindings(kTerminal, code);
        ChannelBindings channels;
        std::copy_n(read.channels.begin(), kBindChannels, channels.begin());
        (void)BindingList(channels);
        (void)WriteBindings(kTerminal, code, channels, read.channels[kBindChannelSlots - 1]);
    }
    const std::string versionText(version.substr(0, 40));
    (void)VisitorVersionSupported(versionText);
    const VisitorSearch search = SearchVisitors(kTerminal, versionText);
    std::vector<std::string> numbers;
    for (const VisitorRow& row : search.rows) numbers.push_back(row.deviceNumber);
    (void)BindVisitors(kTerminal, versionText, numbers);
}

void TerminalSettings() {
    const DoorAlarmRead door = ReadDoorAlarm(kTerminal);
    (void)WriteDoorAlarm(kTerminal, door.values);
    const AddressOutcome address = GetGateAddress(kTerminal);
    const std::string current = address.address.value_or("0");
    (void)SetGateAddress(kTerminal, current, current);
    (void)TurnOffGreenLed(kTerminal, current);
    (void)SetGateDirection(kTerminal, current, "1");
    const GateChannelsRead gates = ReadGateChannels(kTerminal);
    if (gates.channels.size() > kTerminalChannels * 64) std::abort();
    std::array<GateChannel, kTerminalChannels> gateSet{};
    std::copy_n(gates.channels.begin(), std::min<std::size_t>(gates.channels.size(), kTerminalChannels), gateSet.begin());
    (void)WriteGateChannels(kTerminal, gateSet);
    const FaceChannelsRead faces = ReadFaceChannels(kTerminal);
    std::array<bool, kTerminalChannels> faceSet{};
    std::copy_n(faces.outbound.begin(), std::min<std::size_t>(faces.outbound.size(), kTerminalChannels), faceSet.begin());
    (void)WriteFaceChannels(kTerminal, faceSet);
    const FaceModeRead mode = ReadFaceMode(kTerminal);
    (void)WriteFaceMode(kTerminal, mode.mode == 1);
    const SpeakerRepeatRead repeat = ReadSpeakerRepeat(kTerminal);
    if (repeat.entry < -1 || repeat.entry > 2) std::abort();
    (void)WriteSpeakerRepeat(kTerminal, std::to_string(repeat.entry + 1));
    const FaceIntervalRead interval = ReadFaceInterval(kTerminal);
    (void)WriteFaceInterval(kTerminal, interval.interval);
}

void TextReaders(std::string_view text) {
    for (const char separator : {'&', ','}) {
        const auto fields = SplitFields(text, separator);
        (void)JoinTerminated(fields, separator);
        (void)FieldAt(fields, fields.size());
    }
    (void)SplitIntList(text);
    (void)AtoiValue(text);
    (void)AtofValue(text);
    (void)ParsePeriodTime(std::string(text));
    (void)PickerTime(std::string(text));
    (void)SpeakerRepeatEntry(std::string(text));
    (void)UnlockTimeAccepted(std::string(text));
    (void)NewAddressAccepted(std::string(text));
    (void)DirectionAccepted(std::string(text));
    (void)FaceIntervalAccepted(std::string(text));
    (void)DeviceTextForDisplay(std::string(text));
    Exchange exchange;
    (void)DecodeFormBody(text, exchange.reply);
    (void)BindingFailureText(exchange.reply);
    (void)ResultIsSuccess(exchange.reply);
    TerminalOutcome outcome;
    (void)JudgeCodedReply(exchange, outcome, "failed", "done");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = ostrand::fuzz::SplitInput(data, size);
    ostrand::fuzz::ScriptReplies(input.rest);
    switch (input.selector % 5) {
    case 0: Periods(); break;
    case 1: CardsAndServers(); break;
    case 2: {
        const auto version = ostrand::fuzz::FirstPiece(input.rest);
        ostrand::fuzz::ScriptReplies(input.rest.substr(std::min(input.rest.size(), version.size() + 1)));
        Bindings(version);
        break;
    }
    case 3: TerminalSettings(); break;
    default: TextReaders(input.rest); break;
    }
    return 0;
}

#pragma once
// The terminal's own settings groups: door auto-lock and TF-card alarm, the
// accessible-channel gate controller (address, green LED, direction), the
// gate and face-recognition channels, the face gate mode, the wireless
// speaker repeat count and the face-recognition interval. Numeric texts are
// checked by their atoi value and sent exactly as typed (GBK).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "ops/attendance/terminal_exchange.h"

namespace ostrand {

inline constexpr CommandCode kSetDoorAlarmCode = 5021;
inline constexpr CommandCode kGetDoorAlarmCode = 5022;
inline constexpr CommandCode kGateControllerCode = 5041;
inline constexpr CommandCode kGetGateChannelsCode = 7000;
inline constexpr CommandCode kSetGateChannelsCode = 7001;
inline constexpr CommandCode kGetFaceChannelsCode = 7004;
inline constexpr CommandCode kSetFaceChannelsCode = 7005;
inline constexpr CommandCode kGetFaceModeCode = 7006;
inline constexpr CommandCode kSetFaceModeCode = 7007;
inline constexpr CommandCode kGetSpeakerRepeatCode = 7011;
inline constexpr CommandCode kSetSpeakerRepeatCode = 7012;
inline constexpr CommandCode kGetFaceIntervalCode = 7013;
inline constexpr CommandCode kSetFaceIntervalCode = 7014;

inline constexpr int kTerminalChannels = 4;

// --- Checks of typed values (true: may be sent) ---
bool UnlockTimeAccepted(const std::string& text);    // 0..254
bool NewAddressAccepted(const std::string& text);    // non-empty, 0..7
bool DirectionAccepted(const std::string& text);     // non-empty, 0 or 1
bool FaceIntervalAccepted(const std::string& text);  // 0..127, empty passes

// --- Door auto-lock time and TF-card alarm (5022 / 5021) ---
struct DoorAlarm {
    bool alarmOn = true;     // "AlarmType": "0" off, anything else on
    std::string unlockTime;  // "UnlockTime"
};
struct DoorAlarmRead {
    TerminalOutcome outcome;
    DoorAlarm values;  // a failed read gives alarm on and an empty time
    // Why the reply does not give the values (UTF-8): a "result" other than
    // "10000" where it has one, or a missing key. Empty when it gives them,
    // and after a failed exchange (the outcome tells).
    std::string unusable;
};
DoorAlarmRead ReadDoorAlarm(const DeviceEndpoint& endpoint);
// Refused (0-254 message) or sent; the dialog closes after any send.
TerminalOutcome WriteDoorAlarm(const DeviceEndpoint& endpoint, const DoorAlarm& values);

// --- Accessible-channel gate controller (5041) ---
struct AddressOutcome {
    TerminalOutcome outcome;
    std::optional<std::string> address;  // the new current address, when the device gave one
};
AddressOutcome SetGateAddress(const DeviceEndpoint& endpoint, const std::string& currentAddress,
                              const std::string& newAddress);
TerminalOutcome TurnOffGreenLed(const DeviceEndpoint& endpoint, const std::string& currentAddress);
AddressOutcome GetGateAddress(const DeviceEndpoint& endpoint);
TerminalOutcome SetGateDirection(const DeviceEndpoint& endpoint, const std::string& currentAddress,
                                 const std::string& direction);

// --- Gate channels (7000 / 7001) ---
struct GateChannel {
    bool outbound = false;
    bool announce = true;  // an inbound channel always announces
};
struct GateChannelsRead {
    TerminalOutcome outcome;
    std::vector<GateChannel> channels;  // the first k channels the reply fixes
};
GateChannelsRead ReadGateChannels(const DeviceEndpoint& endpoint);
// "inoutlist" and "soundlist" of a set: inbound channels announce whatever
// their check box shows.
ParamMap GateChannelsRequest(const std::array<GateChannel, kTerminalChannels>& channels);
TerminalOutcome WriteGateChannels(const DeviceEndpoint& endpoint,
                                  const std::array<GateChannel, kTerminalChannels>& channels);

// --- Face-recognition channels (7004 / 7005) ---
struct FaceChannelsRead {
    TerminalOutcome outcome;
    std::vector<bool> outbound;  // the first k channels the reply fixes
};
FaceChannelsRead ReadFaceChannels(const DeviceEndpoint& endpoint);
TerminalOutcome WriteFaceChannels(const DeviceEndpoint& endpoint,
                                  const std::array<bool, kTerminalChannels>& outbound);

// --- Face gate mode (7006 / 7007) ---
struct FaceModeRead {
    TerminalOutcome outcome;
    int mode = 0;  // 1 ("1.0"), 2 ("2.0") or another value that selects neither
};
FaceModeRead ReadFaceMode(const DeviceEndpoint& endpoint);
TerminalOutcome WriteFaceMode(const DeviceEndpoint& endpoint, bool mode10);

// --- Wireless speaker repeat count (7011 / 7012) ---
struct SpeakerRepeatRead {
    TerminalOutcome outcome;
    int entry = -1;  // list entry to select (0..2), -1 for none
};
SpeakerRepeatRead ReadSpeakerRepeat(const DeviceEndpoint& endpoint);
// The list entry for a "repeatTime" value: n-1 for n > 0, else 0; none above 3.
int SpeakerRepeatEntry(const std::string& repeatTime);
TerminalOutcome WriteSpeakerRepeat(const DeviceEndpoint& endpoint, const std::string& repeatTime);

// --- Face-recognition interval (7013 / 7014) ---
struct FaceIntervalRead {
    TerminalOutcome outcome;
    std::string interval;
};
FaceIntervalRead ReadFaceInterval(const DeviceEndpoint& endpoint);
TerminalOutcome WriteFaceInterval(const DeviceEndpoint& endpoint, const std::string& interval);

}  // namespace ostrand

#pragma once
// The fixed 404-byte record in which a device describes itself. The same bytes
// travel in the LAN scan reply and are kept in the device table; the multicast
// search and the manual entries of the settings file are stored in it too.
// Integers are 32-bit little-endian; a text holds a NUL-terminated string inside
// its span, and a text that fills its whole span ends at the span's end.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ostrand {

template <std::size_t N>
using TextField = std::array<char, N>;

struct DeviceRecord {
    static constexpr std::size_t kSize = 404;

    TextField<16> mac{};                   // 0
    TextField<16> ip{};                    // 16
    TextField<16> subnetMask{};            // 32
    TextField<16> gateway{};               // 48
    std::int32_t commandPort = 0;          // 64: 60005 TCP channel, 80 HTTP + video, other HTTP
    std::int32_t deviceType = 0;           // 68
    TextField<24> version{};               // 72
    TextField<16> deviceNumber{};          // 96
    TextField<30> loginAccount{};          // 112
    TextField<102> deviceName{};           // 142: UTF-8, or GBK when commandPort is 60005
    std::int32_t videoChannels = 0;        // 244
    std::int32_t extraCount1 = 0;          // 248: carried, not interpreted
    std::int32_t extraCount2 = 0;          // 252: carried, not interpreted
    TextField<60> productModel{};          // 256
    std::int32_t tfStatus = 0;             // 316
    std::int32_t webPort = 0;              // 320: 0 means the default port
    TextField<52> versionPrefix{};         // 324
    std::int32_t rs485Status = 0;          // 376: 0 unknown, 1 connected, other not connected
    std::int32_t attendServerStatus = 0;   // 380: same coding
    TextField<16> attendTerminalNumber{};  // 384
    std::int32_t attendType = 0;           // 400: 0 none, 1 terminal, 2 capture IPC, 3 like 2

    // Parses exactly kSize bytes.
    static DeviceRecord FromBytes(std::span<const std::uint8_t, kSize> bytes);
    std::array<std::uint8_t, kSize> ToBytes() const;

    friend bool operator==(const DeviceRecord&, const DeviceRecord&) = default;
};

static_assert(sizeof(DeviceRecord) == DeviceRecord::kSize, "record must have no padding");
static_assert(offsetof(DeviceRecord, commandPort) == 64);
static_assert(offsetof(DeviceRecord, deviceName) == 142);
static_assert(offsetof(DeviceRecord, videoChannels) == 244);
static_assert(offsetof(DeviceRecord, productModel) == 256);
static_assert(offsetof(DeviceRecord, versionPrefix) == 324);
static_assert(offsetof(DeviceRecord, attendTerminalNumber) == 384);
static_assert(offsetof(DeviceRecord, attendType) == 400);

// The text held in a span: up to the first NUL, or the whole span without one.
template <std::size_t N>
std::string FieldText(const TextField<N>& field) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string(field.data(), length);
}

// Stores a text, cut to N-1 bytes so it is always terminated; the rest of the
// span is zeroed.
template <std::size_t N>
void SetFieldText(TextField<N>& field, std::string_view text) {
    field.fill('\0');
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < length; ++i) field[i] = text[i];
}

}  // namespace ostrand

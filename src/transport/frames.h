#pragma once
// Wire layouts of the framed TCP channels: the command exchange, the flat
// exchange, the packetised upload and the file export. Builders and parsers sit
// side by side so the tool and the device simulator share one definition.
// All integers are little-endian; every length is checked before it is used.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

// ---- common envelope: 4-byte length L of what follows, then L bytes ----

inline constexpr std::size_t kFrameLengthSize = 4;

void AppendLe32(std::string& out, std::uint32_t value);
std::uint32_t ReadLe32(const char* bytes);

enum class FrameState : std::uint8_t {
    Incomplete,  // fewer bytes than the frame claims (or not even the length)
    Complete,    // at least L + 4 bytes are present
    Invalid,     // negative length, or a frame larger than the caller's limit
};

struct FrameProbe {
    FrameState state = FrameState::Incomplete;
    std::size_t totalSize = 0;  // L + 4 once the length is known
};

// Looks at the start of a byte stream and tells whether one whole frame of at
// most `maxFrameSize` bytes is present.
FrameProbe ProbeFrame(std::string_view bytes, std::size_t maxFrameSize);

// ---- command exchange: L = n + 2, 0x00, n document bytes, 0x00 ----

inline constexpr std::size_t kCommandFrameBufferSize = 2048;
inline constexpr std::size_t kMaxCommandDocumentSize = kCommandFrameBufferSize - 6;  // 2042
inline constexpr std::size_t kCommandReplyBufferSize = 10240;
inline constexpr std::size_t kCommandDocumentOffset = 5;

// Builds a frame of any size; the tool refuses documents above
// kMaxCommandDocumentSize before calling this, a device reply may be larger.
std::string BuildCommandFrame(std::string_view document);

// The document of a received command frame: L - 2 bytes from offset 5, limited
// to what was received (empty when fewer than 5 bytes or L < 2).
std::string_view CommandFrameDocument(std::string_view received);

// ---- flat exchange (command 9001): L = n, then the document ----

inline constexpr std::size_t kFlatReplyLimit = 10239;  // largest framed reply counted

std::string BuildFlatFrame(std::string_view document);
// True when the reply is a bare document: its first six bytes are "<?xml ".
bool IsBareXmlReply(std::string_view received);
// The document of a flat reply: the whole text when bare, else what follows the length.
std::string_view FlatReplyDocument(std::string_view received);

// ---- file protocols: L, message type, payload ----

inline constexpr std::uint8_t kUploadPacketType = 3;
inline constexpr std::size_t kUploadPacketDataSize = 65536;
inline constexpr std::size_t kUploadAckReceiveSize = 1024;
inline constexpr std::size_t kUploadPacketHeaderSize = 13;  // L, type, number, n

// Number of data packets a file of `fileSize` bytes is sent in (rounded up).
std::uint32_t UploadPacketCount(std::uint64_t fileSize);

struct UploadPacket {
    std::uint32_t number = 0;  // 1 for the first packet
    std::string_view data;     // view into the parsed frame
};

// L = n + 10, type 3, number, n, n file bytes, 0.
std::string BuildUploadPacket(std::uint32_t number, std::string_view data);
// Parses one complete packet frame (exactly L + 4 bytes, type 3, n consistent with L).
std::optional<UploadPacket> ParseUploadPacket(std::string_view frame);

// Device answer to a packet: L = 3, type 3, 1 (accepted) or 0, 0.
std::string BuildUploadAck(bool accepted);
// True for exactly one complete acknowledgement frame with type 3 and first payload byte 1.
bool IsUploadAck(std::string_view received);

inline constexpr std::uint8_t kExportTypeLog = 2;
inline constexpr std::uint8_t kExportTypeUsers = 4;    // "userinfo"
inline constexpr std::uint8_t kExportTypeRecords = 5;  // "attendinfo"

inline constexpr std::uint8_t kExportKindBegin = 1;
inline constexpr std::uint8_t kExportKindData = 2;
inline constexpr std::uint8_t kExportStatusBusy = 2;         // another user is exporting
inline constexpr std::uint8_t kExportStatusCannotBegin = 3;  // export cannot begin
inline constexpr std::uint32_t kExportMaxFileSize = 20971520;  // 20 MiB
// A terminal's user and clock-in files grow with its users and records (a
// million records are some 60 MB), so they may be far larger than any other
// export; they are still bounded, and checked against the announced size.
inline constexpr std::uint32_t kExportMaxDataFileSize = 1073741824;  // 1 GiB
// The largest file an export of this type may announce.
constexpr std::uint32_t ExportMaxFileSize(std::uint8_t exportType) {
    return exportType == kExportTypeUsers || exportType == kExportTypeRecords ? kExportMaxDataFileSize
                                                                               : kExportMaxFileSize;
}
inline constexpr std::size_t kExportMaxFrameSize = 262144;
inline constexpr std::size_t kExportReceiveSize = 263173;
inline constexpr std::size_t kExportDataHeaderSize = 14;  // L, type, kind, number, m
inline constexpr std::size_t kExportMaxDataPerFrame = kExportMaxFrameSize - kExportDataHeaderSize;

// Tool to device, 7 bytes: L = 3, type, 1, 0.
std::string BuildExportRequest(std::uint8_t exportType);
// The export type of a complete request frame.
std::optional<std::uint8_t> ParseExportRequest(std::string_view frame);

struct ExportBegin {
    std::uint8_t exportType = 0;
    std::uint8_t kind = kExportKindBegin;  // must be 1
    std::uint8_t status = 0;               // 2 busy, 3 cannot begin, other: go on
    std::uint32_t totalSize = 0;
    std::uint32_t totalPackets = 0;
};

// Device to tool, 15 bytes: L = 11, type, kind, status, size, packets.
std::string BuildExportBegin(const ExportBegin& begin);
// Parses exactly one complete begin frame (received size = L + 4, L >= 11).
std::optional<ExportBegin> ParseExportBegin(std::string_view frame);

struct ExportData {
    std::uint8_t exportType = 0;
    std::uint8_t kind = kExportKindData;  // must be 2
    std::uint32_t number = 0;
    std::string_view data;  // view into the parsed frame
};

// Device to tool: L = m + 10, type, 2, number, m, m file bytes.
std::string BuildExportData(std::uint8_t exportType, std::uint32_t number, std::string_view data);
// The same frame written over `frame`, whose storage a sender of many packets
// keeps from one packet to the next.
void BuildExportDataInto(std::string& frame, std::uint8_t exportType, std::uint32_t number, std::string_view data);
// Parses exactly one complete data frame whose m fits inside it.
std::optional<ExportData> ParseExportData(std::string_view frame);

struct ExportAck {
    std::uint8_t exportType = 0;
    bool last = false;  // the acknowledged packet was the last one
};

// Tool to device, 8 bytes: L = 4, type, 2, last ? 1 : 0, 0.
std::string BuildExportAck(std::uint8_t exportType, bool last);
std::optional<ExportAck> ParseExportAck(std::string_view frame);

// ---- what a device on port 60005 receives ----

enum class InboundFrameKind : std::uint8_t {
    Command,        // command document frame (byte 4 is 0)
    Flat,           // flat document frame (document starts at byte 4)
    UploadPacket,   // type 3 with a consistent packet layout
    ExportRequest,  // L = 3, kind byte 1
    ExportAck,      // L = 4, kind byte 2
    Unknown,
};

// Classifies one complete frame (as delimited by ProbeFrame).
InboundFrameKind ClassifyInboundFrame(std::string_view frame);

}  // namespace ostrand

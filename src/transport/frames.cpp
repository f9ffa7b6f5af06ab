#include "transport/frames.h"

namespace ostrand {

namespace {

std::uint8_t ByteAt(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(bytes[offset]);
}

// L of a frame that is complete and exactly L + 4 bytes long, else nullopt.
std::optional<std::uint32_t> ExactFrameLength(std::string_view frame) {
    if (frame.size() < kFrameLengthSize) return std::nullopt;
    const auto length = static_cast<std::int32_t>(ReadLe32(frame.data()));
    if (length < 0) return std::nullopt;
    if (static_cast<std::uint64_t>(length) + kFrameLengthSize != frame.size()) return std::nullopt;
    return static_cast<std::uint32_t>(length);
}

}  // namespace

void AppendLe32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFFu));
}

std::uint32_t ReadLe32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
    return value;
}

FrameProbe ProbeFrame(std::string_view bytes, std::size_t maxFrameSize) {
    FrameProbe probe;
    if (bytes.size() < kFrameLengthSize) return probe;
    const auto length = static_cast<std::int32_t>(ReadLe32(bytes.data()));
    if (length < 0) {
        probe.state = FrameState::Invalid;
        return probe;
    }
    probe.totalSize = static_cast<std::size_t>(length) + kFrameLengthSize;
    if (probe.totalSize > maxFrameSize) {
        probe.state = FrameState::Invalid;
    } else if (bytes.size() >= probe.totalSize) {
        probe.state = FrameState::Complete;
    }
    return probe;
}

std::string BuildCommandFrame(std::string_view document) {
    std::string frame;
    frame.reserve(document.size() + 6);
    AppendLe32(frame, static_cast<std::uint32_t>(document.size() + 2));
    frame.push_back('\0');
    frame.append(document);
    frame.push_back('\0');
    return frame;
}

std::string_view CommandFrameDocument(std::string_view received) {
    if (received.size() < kCommandDocumentOffset) return {};
    const auto length = static_cast<std::int32_t>(ReadLe32(received.data()));
    if (length < 2) return {};
    const std::size_t available = received.size() - kCommandDocumentOffset;
    const std::size_t wanted = static_cast<std::size_t>(length) - 2;
    return received.substr(kCommandDocumentOffset, wanted < available ? wanted : available);
}

std::string BuildFlatFrame(std::string_view document) {
    std::string frame;
    frame.reserve(document.size() + kFrameLengthSize);
    AppendLe32(frame, static_cast<std::uint32_t>(document.size()));
    frame.append(document);
    return frame;
}

bool IsBareXmlReply(std::string_view received) {
    return received.substr(0, 6) == "<?xml ";
}

std::string_view FlatReplyDocument(std::string_view received) {
    if (IsBareXmlReply(received)) return received;
    if (received.size() <= kFrameLengthSize) return {};
    return received.substr(kFrameLengthSize);
}

std::uint32_t UploadPacketCount(std::uint64_t fileSize) {
    return static_cast<std::uint32_t>((fileSize + kUploadPacketDataSize - 1) / kUploadPacketDataSize);
}

std::string BuildUploadPacket(std::uint32_t number, std::string_view data) {
    std::string frame;
    frame.reserve(kUploadPacketHeaderSize + data.size() + 1);
    AppendLe32(frame, static_cast<std::uint32_t>(data.size() + 10));
    frame.push_back(static_cast<char>(kUploadPacketType));
    AppendLe32(frame, number);
    AppendLe32(frame, static_cast<std::uint32_t>(data.size()));
    frame.append(data);
    frame.push_back('\0');
    return frame;
}

std::optional<UploadPacket> ParseUploadPacket(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length < 10 || ByteAt(frame, 4) != kUploadPacketType) return std::nullopt;
    const std::uint32_t count = ReadLe32(frame.data() + 9);
    if (count > kUploadPacketDataSize || static_cast<std::uint64_t>(count) + 10 != *length) return std::nullopt;
    return UploadPacket{ReadLe32(frame.data() + 5), frame.substr(kUploadPacketHeaderSize, count)};
}

std::string BuildUploadAck(bool accepted) {
    std::string frame;
    AppendLe32(frame, 3);
    frame.push_back(static_cast<char>(kUploadPacketType));
    frame.push_back(accepted ? '\1' : '\0');
    frame.push_back('\0');
    return frame;
}

bool IsUploadAck(std::string_view received) {
    const auto length = ExactFrameLength(received);
    return length && *length >= 2 && ByteAt(received, 4) == kUploadPacketType && ByteAt(received, 5) == 1;
}

std::string BuildExportRequest(std::uint8_t exportType) {
    std::string frame;
    AppendLe32(frame, 3);
    frame.push_back(static_cast<char>(exportType));
    frame.push_back('\1');
    frame.push_back('\0');
    return frame;
}

std::optional<std::uint8_t> ParseExportRequest(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length != 3 || ByteAt(frame, 5) != kExportKindBegin) return std::nullopt;
    return ByteAt(frame, 4);
}

std::string BuildExportBegin(const ExportBegin& begin) {
    std::string frame;
    AppendLe32(frame, 11);
    frame.push_back(static_cast<char>(begin.exportType));
    frame.push_back(static_cast<char>(begin.kind));
    frame.push_back(static_cast<char>(begin.status));
    AppendLe32(frame, begin.totalSize);
    AppendLe32(frame, begin.totalPackets);
    return frame;
}

std::optional<ExportBegin> ParseExportBegin(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length < 11) return std::nullopt;
    ExportBegin begin;
    begin.exportType = ByteAt(frame, 4);
    begin.kind = ByteAt(frame, 5);
    begin.status = ByteAt(frame, 6);
    begin.totalSize = ReadLe32(frame.data() + 7);
    begin.totalPackets = ReadLe32(frame.data() + 11);
    return begin;
}

std::string BuildExportData(std::uint8_t exportType, std::uint32_t number, std::string_view data) {
    std::string frame;
    BuildExportDataInto(frame, exportType, number, data);
    return frame;
}

void BuildExportDataInto(std::string& frame, std::uint8_t exportType, std::uint32_t number, std::string_view data) {
    frame.clear();
    frame.reserve(kExportDataHeaderSize + data.size());
    AppendLe32(frame, static_cast<std::uint32_t>(data.size() + 10));
    frame.push_back(static_cast<char>(exportType));
    frame.push_back(static_cast<char>(kExportKindData));
    AppendLe32(frame, number);
    AppendLe32(frame, static_cast<std::uint32_t>(data.size()));
    frame.append(data);
}

std::optional<ExportData> ParseExportData(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length < 10) return std::nullopt;
    const std::uint32_t count = ReadLe32(frame.data() + 10);
    if (count > frame.size() - kExportDataHeaderSize) return std::nullopt;
    ExportData data;
    data.exportType = ByteAt(frame, 4);
    data.kind = ByteAt(frame, 5);
    data.number = ReadLe32(frame.data() + 6);
    data.data = frame.substr(kExportDataHeaderSize, count);
    return data;
}

std::string BuildExportAck(std::uint8_t exportType, bool last) {
    std::string frame;
    AppendLe32(frame, 4);
    frame.push_back(static_cast<char>(exportType));
    frame.push_back(static_cast<char>(kExportKindData));
    frame.push_back(last ? '\1' : '\0');
    frame.push_back('\0');
    return frame;
}

std::optional<ExportAck> ParseExportAck(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length != 4 || ByteAt(frame, 5) != kExportKindData) return std::nullopt;
    return ExportAck{ByteAt(frame, 4), ByteAt(frame, 6) == 1};
}

InboundFrameKind ClassifyInboundFrame(std::string_view frame) {
    const auto length = ExactFrameLength(frame);
    if (!length || *length == 0) return InboundFrameKind::Unknown;
    const std::uint8_t first = ByteAt(frame, 4);
    if (first == 0 && *length >= 2) return InboundFrameKind::Command;
    if (first == '<') return InboundFrameKind::Flat;
    if (ParseExportRequest(frame)) return InboundFrameKind::ExportRequest;
    if (ParseExportAck(frame)) return InboundFrameKind::ExportAck;
    if (ParseUploadPacket(frame)) return InboundFrameKind::UploadPacket;
    return InboundFrameKind::Unknown;
}

}  // namespace ostrand

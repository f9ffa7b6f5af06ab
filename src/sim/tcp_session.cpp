#include "sim/tcp_session.h"

#include <charconv>

#include "sim/behaviours/upgrade/upgrade_sim_state.h"
#include "sim/command_handler.h"
#include "sim/http_session.h"
#include "transport/frames.h"
#include "transport/xml_codec.h"

namespace ostrand::sim {
namespace {

// Larger than any frame the tool sends: upload packets are 65550 bytes.
constexpr std::size_t kMaxInboundFrame = 1u << 20;
constexpr std::string_view kNotXml = "this is not an XML document";

// The leading decimal number of an "id" text as the device reads it: 0 when
// there is none, and a number too large for the code is no code either.
int CommandCodeOf(std::string_view idText) {
    const std::size_t start = idText.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return 0;
    int code = 0;
    const std::from_chars_result parsed = std::from_chars(idText.data() + start, idText.data() + idText.size(), code);
    return parsed.ec == std::errc() ? code : 0;
}

bool LooksLikeHttp(std::string_view bytes) {
    for (std::string_view method : {"GET ", "POST", "HEAD", "PUT "}) {
        if (bytes.substr(0, method.size()) == method) return true;
    }
    return false;
}

// Reads until one whole frame is buffered; returns it (and removes it from the
// buffer), or nullopt at the end of the connection or on a frame that cannot be.
net::awaitable<std::optional<std::string>> ReadFrame(Connection& connection) {
    std::string& buffer = connection.Buffer();
    for (;;) {
        const FrameProbe probe = ProbeFrame(buffer, kMaxInboundFrame);
        if (probe.state == FrameState::Invalid) co_return std::nullopt;
        if (probe.state == FrameState::Complete) {
            std::string frame = buffer.substr(0, probe.totalSize);
            buffer.erase(0, probe.totalSize);
            co_return frame;
        }
        if (!co_await connection.ReadMore()) co_return std::nullopt;
    }
}

net::awaitable<bool> AnswerCommand(Connection& connection, const std::string& frame,
                                   const FaultOptions& faults) {
    connection.SetChannel("command");
    ParamMap request;
    std::string idText;
    if (!DecodeCommandXml(CommandFrameDocument(frame), request, &idText)) co_return false;
    const int code = CommandCodeOf(idText);
    const ParamMap reply = HandleCommand(connection.Dev(), {}, code, request);
    const std::string replyDocument =
        faults.malformed ? std::string(kNotXml) : EncodeCommandXml(reply, code);
    std::string bytes = BuildCommandFrame(replyDocument);
    co_return co_await connection.Send(std::move(bytes), faults);
}

net::awaitable<bool> AnswerFlat(Connection& connection, const std::string& frame,
                                const FaultOptions& faults) {
    connection.SetChannel("flat");
    ParamMap request;
    if (!DecodeFlatXml(std::string_view(frame).substr(kFrameLengthSize), request)) co_return false;
    // The root element and the command id are the document's frame, not parameters.
    for (auto it = request.begin(); it != request.end();) {
        if (it->first == "cmdid" || it->second == "root") it = request.erase(it);
        else ++it;
    }
    const ParamMap reply = HandleCommand(connection.Dev(), {}, kFlatCommandCode, request);
    const std::string document = faults.malformed ? std::string(kNotXml) : EncodeFlatXml(reply);
    // Named, not a temporary inside the co_await: GCC 12 destroys a temporary
    // of a conditional expression there twice.
    std::string bytes = document;
    if (!faults.flatBare) bytes = BuildFlatFrame(document);
    co_return co_await connection.Send(std::move(bytes), faults);
}

net::awaitable<void> ReceiveUpload(Connection& connection, std::string frame) {
    connection.SetChannel("upload");
    Device& device = connection.Dev();
    const auto pending = device.TakePendingUpload();
    ReceivedFile file{"tcp", pending ? pending->updateType : std::string(), {}, false};
    const std::uint64_t expectedSize = pending ? pending->fileSize : 0;
    std::uint32_t expectedNumber = 1;
    const UploadFault uploadFault = CurrentUploadFault(device);
    for (;;) {
        const FaultOptions faults = device.Faults();
        const auto packet = ParseUploadPacket(frame);
        const bool faultDue = file.bytes.size() >= uploadFault.afterBytes;
        if (faultDue && uploadFault.kind == UploadFaultKind::Reset) break;
        if (faultDue && uploadFault.kind == UploadFaultKind::Stall) {
            co_await connection.StaySilent();
            break;
        }
        const bool accepted = packet && packet->number == expectedNumber && !faults.malformed &&
                              !(faultDue && uploadFault.kind == UploadFaultKind::Refuse);
        if (accepted) {
            file.bytes.append(packet->data);
            ++expectedNumber;
        }
        if (faults.silent) {
            co_await connection.StaySilent();
            break;
        }
        std::string ack = BuildUploadAck(accepted);
        if (!co_await connection.Send(std::move(ack), faults)) break;
        if (!accepted) break;
        // A packet shorter than a full one ends the file, as does the size announced.
        if (packet->data.size() < kUploadPacketDataSize ||
            (expectedSize != 0 && file.bytes.size() >= expectedSize)) {
            file.complete = expectedSize == 0 || file.bytes.size() == expectedSize;
            break;
        }
        auto next = co_await ReadFrame(connection);
        if (!next) {
            // A file of whole packets ends when the tool closes the connection.
            file.complete = expectedSize != 0 ? file.bytes.size() == expectedSize
                                              : !file.bytes.empty();
            break;
        }
        frame = std::move(*next);
    }
    const bool complete = file.complete;
    const std::string updateType = file.name;
    device.AddReceivedFile(std::move(file));
    if (complete) NoteUpgradeReceived(device, "tcp", updateType);
}

net::awaitable<void> RunExport(Connection& connection, std::uint8_t exportType) {
    connection.SetChannel("export");
    Device& device = connection.Dev();
    const FaultOptions faults = device.Faults();
    const std::shared_ptr<const std::string> file = device.ExportFile(exportType);

    ExportBegin begin;
    begin.exportType = faults.malformed ? static_cast<std::uint8_t>(exportType + 1) : exportType;
    begin.status = static_cast<std::uint8_t>(faults.exportStatus != 0 ? faults.exportStatus
                                             : file ? 0
                                                    : kExportStatusCannotBegin);
    const std::size_t packetSize = static_cast<std::size_t>(device.ExportPacketSize());
    const std::size_t size = file ? file->size() : 0;
    begin.totalSize = static_cast<std::uint32_t>(size);
    begin.totalPackets = static_cast<std::uint32_t>((size + packetSize - 1) / packetSize);
    std::string beginFrame = BuildExportBegin(begin);
    if (!co_await connection.Send(std::move(beginFrame), faults)) co_return;
    if (begin.status == kExportStatusBusy || begin.status == kExportStatusCannotBegin ||
        faults.malformed) {
        co_await connection.StaySilent();
        co_return;
    }
    std::string dataFrame;  // one packet's frame at a time, in the same storage
    for (std::uint32_t number = 1; number <= begin.totalPackets; ++number) {
        if (faults.exportStopAfter >= 0 && number > static_cast<std::uint32_t>(faults.exportStopAfter)) {
            co_await connection.StaySilent();
            co_return;
        }
        const std::size_t offset = (number - 1) * packetSize;
        const std::string_view data =
            std::string_view(*file).substr(offset, std::min(packetSize, size - offset));
        BuildExportDataInto(dataFrame, exportType, number, data);
        if (!co_await connection.SendKept(dataFrame, faults)) co_return;
        const auto ackFrame = co_await ReadFrame(connection);
        if (!ackFrame) co_return;
        const auto ack = ParseExportAck(*ackFrame);
        if (!ack) co_return;
        if (ack->last) break;
    }
    // The tool closes after the last acknowledgement.
    co_await connection.StaySilent();
}

}  // namespace

net::awaitable<void> ServeTcp(Connection& connection) {
    while (connection.Buffer().size() < 4) {
        if (!co_await connection.ReadMore()) co_return;
    }
    if (LooksLikeHttp(connection.Buffer())) {
        co_await ServeHttp(connection);
        co_return;
    }
    for (;;) {
        auto frame = co_await ReadFrame(connection);
        if (!frame) co_return;
        const FaultOptions faults = connection.Dev().Faults();
        switch (co_await connection.ApplyRequestFaults(faults)) {
            case Connection::RequestStep::End: co_return;
            case Connection::RequestStep::NextRequest: continue;
            case Connection::RequestStep::Answer: break;
        }
        const InboundFrameKind kind = ClassifyInboundFrame(*frame);
        if (faults.silent && kind != InboundFrameKind::UploadPacket) {
            // Keep reading (the tool sends again) and never answer.
            connection.SetChannel(kind == InboundFrameKind::Flat ? "flat" : "command");
            co_await connection.StaySilent();
            co_return;
        }
        switch (kind) {
            case InboundFrameKind::Command:
                if (!co_await AnswerCommand(connection, *frame, faults)) co_return;
                break;
            case InboundFrameKind::Flat:
                if (!co_await AnswerFlat(connection, *frame, faults)) co_return;
                break;
            case InboundFrameKind::UploadPacket:
                co_await ReceiveUpload(connection, std::move(*frame));
                co_return;
            case InboundFrameKind::ExportRequest:
                if (auto type = ParseExportRequest(*frame)) co_await RunExport(connection, *type);
                co_return;
            case InboundFrameKind::ExportAck:
            case InboundFrameKind::Unknown:
                co_return;
        }
    }
}

}  // namespace ostrand::sim

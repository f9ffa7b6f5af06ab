// Every frame reader of the TCP channels over untrusted bytes: none may read
// outside the frame it is given, and what parses must build back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "transport/frames.h"
#include "transport/xml_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrand;
    const std::string copy(reinterpret_cast<const char*>(data), size);  // exact bounds for the sanitizer
    const std::string_view bytes(copy);

    const FrameProbe probe = ProbeFrame(bytes, kCommandReplyBufferSize);
    if (probe.state == FrameState::Complete && probe.totalSize > bytes.size()) std::abort();
    const std::string_view frame = probe.state == FrameState::Complete ? bytes.substr(0, probe.totalSize) : bytes;

    ParamMap reply;
    (void)DecodeCommandXml(CommandFrameDocument(bytes), reply);
    (void)DecodeFlatXml(FlatReplyDocument(bytes), reply);
    (void)IsUploadAck(frame);
    (void)ClassifyInboundFrame(frame);
    (void)ParseExportRequest(frame);
    (void)ParseExportAck(frame);
    if (const auto begin = ParseExportBegin(frame); begin && frame.size() == 15) {
        if (BuildExportBegin(*begin) != frame) std::abort();
    }
    if (const auto packet = ParseUploadPacket(frame)) {
        if (BuildUploadPacket(packet->number, packet->data).substr(0, frame.size() - 1) != frame.substr(0, frame.size() - 1)) {
            std::abort();
        }
    }
    if (const auto chunk = ParseExportData(frame)) {
        if (chunk->data.size() + kExportDataHeaderSize > frame.size()) std::abort();
    }
    return 0;
}

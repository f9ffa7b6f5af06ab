// Stands in for the TCP command channel and the HTTP form channel (every
// function of tcp_channel.h and form_channel.h), so a fuzz target linking this
// file never opens a socket: the linker takes these definitions and leaves the
// real channels out.
#include "fuzz/ops/scripted_channels.h"

#include <algorithm>
#include <string>

#include "transport/form_channel.h"
#include "transport/form_codec.h"
#include "transport/tcp_channel.h"
#include "transport/xml_codec.h"

namespace ostrand::fuzz {
namespace {

std::string_view gScript;
std::size_t gExchanges = 0;

// The next reply of the script, decoded into `reply` (which keeps what it
// held, as the real channels' decoders do).
TransportResult NextReply(ParamMap& reply, bool flat = false) {
    if (++gExchanges > kMaxScriptedExchanges || gScript.empty()) return kTransportReceiveFailed;
    const std::size_t end = gScript.find(kReplySeparator);
    const std::string_view record = gScript.substr(0, end);
    gScript = end == std::string_view::npos ? std::string_view() : gScript.substr(end + 1);
    if (!record.empty() && record[0] == '!') {
        const auto code = record.size() > 1 ? static_cast<unsigned char>(record[1]) : 0u;
        return static_cast<TransportResult>(1 + code % 10);
    }
    if (!record.empty() && record[0] == '<') {
        const bool decoded = flat ? DecodeFlatXml(record, reply) : DecodeCommandXml(record, reply);
        return decoded ? kTransportOk : kTransportUndecodable;
    }
    (void)DecodeFormBody(record, reply);
    return kTransportOk;
}

bool Shown(TransportResult result) {
    if (result != kTransportOk) ShowMessage(TransportResultText(result));
    return result == kTransportOk;
}

}  // namespace

void ScriptReplies(std::string_view script) {
    gScript = script;
    gExchanges = 0;
}

std::size_t ScriptedExchanges() { return gExchanges; }

}  // namespace ostrand::fuzz

namespace ostrand {

using fuzz::NextReply;
using fuzz::Shown;

bool SendXmlCommand(DeviceEndpoint&, const ParamMap&, ParamMap& reply, CommandCode) {
    return Shown(NextReply(reply));
}

TransportResult SendXmlCommandCoded(DeviceEndpoint&, const ParamMap&, ParamMap& reply, CommandCode) {
    return NextReply(reply);
}

TransportResult SendFlatXmlCommand(ParamMap& reply, DeviceEndpoint&, const ParamMap&) { return NextReply(reply, true); }

void CommandTarget::Set(std::string ipText, std::int32_t portNumber) {
    ip = std::move(ipText);
    port = portNumber;
    endpoint.ip = ip;
    endpoint.port = static_cast<std::uint16_t>(portNumber);
}

bool PostFormCommand(CommandTarget&, std::string_view, ParamMap&, ParamMap& reply) { return Shown(NextReply(reply)); }

TransportResult PostFormCommandCoded(CommandTarget&, std::string_view, ParamMap&, ParamMap& reply,
                                     std::string* failureDetail) {
    const TransportResult result = NextReply(reply);
    if (result != kTransportOk && failureDetail != nullptr) *failureDetail = "scripted failure";
    return result;
}

bool GetFormCommand(CommandTarget&, std::string_view, ParamMap& reply) { return Shown(NextReply(reply)); }

TransportResult GetFormCommandCoded(CommandTarget&, std::string_view, ParamMap& reply, std::string* failureDetail) {
    const TransportResult result = NextReply(reply);
    if (result != kTransportOk && failureDetail != nullptr) *failureDetail = "scripted failure";
    return result;
}

TransportResult FormCommandCoded(CommandTarget&, std::string_view, bool, ParamMap&, ParamMap& reply,
                                 const FormCallBounds& bounds, FormCallReport& report) {
    ParamMap full;
    const TransportResult result = NextReply(full);
    for (auto& [key, value] : full) {
        if (bounds.keep.empty() || std::find(bounds.keep.begin(), bounds.keep.end(), key) != bounds.keep.end()) {
            reply[key] = std::move(value);
        } else {
            ++report.dropped;
        }
    }
    if (result != kTransportOk) report.failure = "scripted failure";
    return result;
}

bool PostFormNoReply(CommandTarget&, std::string_view) {
    ParamMap discarded;
    return Shown(NextReply(discarded));
}

const char* TransportResultText(TransportResult result) {
    return result == kTransportOk ? "" : "scripted transport failure";
}

}  // namespace ostrand

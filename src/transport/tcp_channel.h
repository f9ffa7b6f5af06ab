#pragma once
// The framed TCP command channel: one connection per command, one framed XML
// request, one framed XML reply. Synchronous; the waits are bounded by
// TransportTimeouts.

#include <cstdint>
#include <string>

#include "transport/command_code.h"
#include "transport/param_map.h"

namespace ostrand {

// Numeric result of the coded transport calls.
using TransportResult = std::int32_t;
inline constexpr TransportResult kTransportOk = 0;
inline constexpr TransportResult kTransportConnectFailed = 1;
inline constexpr TransportResult kTransportSendFailed = 4;
inline constexpr TransportResult kTransportReceiveFailed = 5;
inline constexpr TransportResult kTransportUndecodable = 8;
inline constexpr TransportResult kTransportBadParameter = 9;  // also: request too large to send
inline constexpr TransportResult kTransportFailed = 10;       // HTTP exchange or TCP wait failed

// A device reached over the TCP channels. Each call opens and closes its own
// socket, so an endpoint is a plain address; it may be copied freely.
struct DeviceEndpoint {
    std::string ip;          // dotted quad, used without name resolution
    std::uint16_t port = 0;  // the device's command port (60005 for this channel)
};

// Sends the command document with `code`; true when a reply was received and
// decoded into `reply` (its "result" is the caller's to judge). On failure one
// message has been shown through the message sink.
bool SendXmlCommand(DeviceEndpoint& endpoint, const ParamMap& request, ParamMap& reply,
                    CommandCode code);

// The same exchange; returns the result and shows nothing (a request too large
// for its frame returns kTransportBadParameter unsent).
TransportResult SendXmlCommandCoded(DeviceEndpoint& endpoint, const ParamMap& request,
                                    ParamMap& reply, CommandCode code);

// The flat exchange (command 9001): one send, one wait, no resend. A silent
// device gives kTransportOk with nothing added to `reply`.
TransportResult SendFlatXmlCommand(ParamMap& reply, DeviceEndpoint& endpoint,
                                   const ParamMap& request);

}  // namespace ostrand

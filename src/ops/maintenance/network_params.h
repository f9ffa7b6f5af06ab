#pragma once
// The command sequence of the network-parameter dialog: each page reads itself
// with its load command ("getnetparam") and writes itself with its save
// command ("setnetparam"), both through the coded form calls, so a device on
// port 60005 is served over the TCP channel.

#include <cstdint>
#include <string_view>

#include "ops/maintenance/network_page.h"
#include "transport/form_channel.h"

namespace ostrand {

inline constexpr const char* kNetLoadCommand = "getnetparam";
inline constexpr const char* kNetSaveCommand = "setnetparam";

// Reads a page. An empty command reads nothing and succeeds; a failed call
// shows TransportResultText and leaves whatever the reply holds.
TransportResult LoadConfigPage(CommandTarget& target, std::string_view loadCommand, ParamMap& reply);

// Sends a page's request. A failed call shows TransportResultText and then
// "保存失败" / "Save Fail"; success shows the success text of the port
// (80: the device restarts). Returns the call's result.
TransportResult SaveConfigPage(CommandTarget& target, std::string_view saveCommand, ParamMap request);

// "保存失败" / "Save Fail", for a page whose fields did not pass.
void ShowSaveFailed();

// The network page's Save as one call: checks the fields (showing the
// reason and "保存失败" when they fail, with nothing sent, and returning
// kTransportBadParameter), then sends them.
TransportResult SaveNetworkPage(CommandTarget& target, const NetPageFields& fields);

// Reads the network page of the device into `fields` (a fresh page first).
TransportResult LoadNetworkPage(CommandTarget& target, NetPageFields& fields);

}  // namespace ostrand

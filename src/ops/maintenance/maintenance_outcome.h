#pragma once
// What a maintenance operation ended with: the messages the dialog shows (in
// order), a one-line text for the command line, and whether anything reached
// the device. The dialogs and the command line decide nothing themselves;
// they read this.

#include <optional>
#include <string>
#include <vector>

#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {

struct MaintenanceOutcome {
    bool succeeded = false;
    // A request was handed to the channel (false: refused before sending).
    bool sent = false;
    // 0 on success; otherwise the transport result, kTransportBadParameter for
    // input refused before sending, kTransportFailed for a device's refusal.
    TransportResult result = kTransportOk;
    // UTF-8 texts for message boxes, in the order they are shown. Empty when
    // the channel has already shown its own failure message.
    std::vector<std::string> messages;
    // UTF-8, one line: the last message, or the transport's text when the
    // operation itself shows none.
    std::string text;
    ParamMap reply;  // the device's last reply (GBK)

    // Adds a message box text; it also becomes the summary text.
    void Show(std::string message);
};

// Commands of these dialogs that the device answers with a "result": "10000"
// means done. A reply with another result, or none at all (an undecodable
// body), is a refusal; the device's "errmsg" (UTF-8) is returned, possibly
// empty. nullopt when the device accepted.
std::optional<std::string> DeviceRefusal(const ParamMap& reply);

// `failureText`, followed on a line of its own by the device's reason when it
// gave one.
std::string WithDeviceReason(const char* failureText, const std::string& reason);

}  // namespace ostrand

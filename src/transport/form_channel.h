#pragma once
// The HTTP form command channel: "/goform/<name>" on the device's HTTP port,
// with the switch to the TCP channel for devices on port 60005.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_ports.h"
#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {


// The pair every HTTP POST carries besides the caller's parameters.
inline constexpr const char* kFixedFormKey = "B41E7A2C_93D0_4c7e_A52F_1C08E93B6D";
inline constexpr const char* kFixedFormValue = "LATEST_BUILD_CLIENTTAG";

struct CommandTarget {
    std::string ip;
    std::int32_t port = 0;    // the device's command port
    DeviceEndpoint endpoint;  // same IP and port, used when the port is 60005

    CommandTarget() = default;
    CommandTarget(std::string ipText, std::int32_t portNumber) { Set(std::move(ipText), portNumber); }
    // Fills all four fields at once.
    void Set(std::string ipText, std::int32_t portNumber);
};

// Every call refuses an empty IP or name (silently), and a name holding a
// control character or a space (IsSafeRequestName) before anything is sent:
// the bool calls show "参数错误" for the latter, the coded calls return 9.
// Each HTTP exchange ends within httpFormDeadline.

// POST with the form body of `request` (into which the fixed pair is inserted).
// On failure one message has been shown (the TCP channel's, "POST出错，错误码：%d",
// a refused request's reason, or the HTTP layer's error description).
bool PostFormCommand(CommandTarget& target, std::string_view name, ParamMap& request,
                     ParamMap& reply);
// The coded calls show nothing: their caller shows TransportResultText. When
// the HTTP layer itself failed (no answer, deadline), `failureDetail` (if
// given) receives its description, for a log or a command-line report.
TransportResult PostFormCommandCoded(CommandTarget& target, std::string_view name,
                                     ParamMap& request, ParamMap& reply,
                                     std::string* failureDetail = nullptr);

// What a caller that bounds a whole action of several commands gives a coded
// call, and what it learns (the camera preview's actions).
struct FormCallBounds {
    // The time left of the whole action: the exchange ends by then too.
    std::optional<std::chrono::milliseconds> remaining;
    // The reply keys kept; empty: every key.
    std::vector<std::string_view> keep;
};
struct FormCallReport {
    long httpStatus = 0;      // the status of an HTTP answer other than 200
    std::string failure;      // the HTTP layer's description when it failed
    std::size_t dropped = 0;  // reply pairs left out by `keep`
};
// PostFormCommandCoded (`post`) or GetFormCommandCoded with those bounds.
TransportResult FormCommandCoded(CommandTarget& target, std::string_view name, bool post, ParamMap& request,
                                 ParamMap& reply, const FormCallBounds& bounds, FormCallReport& report);

// GET without a body; over TCP the request is {"result" = "10000"}.
bool GetFormCommand(CommandTarget& target, std::string_view name, ParamMap& reply);
TransportResult GetFormCommandCoded(CommandTarget& target, std::string_view name,
                                    ParamMap& reply, std::string* failureDetail = nullptr);

// POST with a declared empty body that is started and not awaited (reboot).
bool PostFormNoReply(CommandTarget& target, std::string_view name);

// The Chinese display text of a result (UTF-8).
const char* TransportResultText(TransportResult result);

}  // namespace ostrand

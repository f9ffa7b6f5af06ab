#pragma once
// The attendance server a terminal reports to (or none, when no self-run
// server is used) and the server of its capture IPCs.

#include <string>

#include "ops/attendance/terminal_exchange.h"

namespace ostrand {

inline constexpr CommandCode kSetAttendServerCode = 5019;
inline constexpr CommandCode kGetAttendServerCode = 5020;
inline constexpr CommandCode kGetPhotoIpcServerCode = 5037;
inline constexpr CommandCode kSetPhotoIpcServerCode = 5038;

// The address a terminal reports when no self-run server is used.
inline constexpr const char* kNoAttendServerIp = "0.0.0.0";
inline constexpr std::size_t kMaxAttendServerIpBytes = 30;

struct AttendServer {
    std::string ip;    // GBK, as typed
    std::string port;  // GBK, as typed
    bool selfRun = true;  // false exactly when the device reports "0.0.0.0"
};
struct AttendServerRead {
    TerminalOutcome outcome;
    AttendServer values;
    // Why the reply does not give the server (UTF-8): a "result" other than
    // "10000" where it has one, or no "AttendIp" or "AttendPort". Empty when it
    // gives it, and after a failed exchange (the outcome tells).
    std::string unusable;
};
AttendServerRead ReadAttendServer(const DeviceEndpoint& endpoint);
// Refused when the IP text is longer than 30 bytes; otherwise sent, and the
// transport's result decides the message (the reply's "result" is not read).
TerminalOutcome WriteAttendServer(const DeviceEndpoint& endpoint, const AttendServer& values);

struct PhotoIpcServerRead {
    TerminalOutcome outcome;
    std::string ip;
    // Why the reply does not give the values (UTF-8): a "result" other than
    // "10000" where it has one, or a missing key. Empty when it gives them,
    // and after a failed exchange (the outcome tells).
    std::string unusable;
};
PhotoIpcServerRead ReadPhotoIpcServer(const DeviceEndpoint& endpoint);
// Refused when empty; Done only on the device's "10000".
TerminalOutcome WritePhotoIpcServer(const DeviceEndpoint& endpoint, const std::string& ip);

}  // namespace ostrand

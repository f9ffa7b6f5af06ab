#pragma once
// The one table of ostrand-cli's exit statuses. A device exchange exits with
// the status of its failure class; everything wrong with the command line
// itself exits with kUsageExitStatus before anything is sent. --help prints
// the table (ExitStatusHelp), README lists the same rows, and a test checks
// both against it.

#include <string>

namespace ostrand::cli {

inline constexpr int kSuccessExitStatus = 0;
inline constexpr int kNoConnectionExitStatus = 1;
inline constexpr int kSendFailedExitStatus = 4;
inline constexpr int kReceiveFailedExitStatus = 5;
inline constexpr int kUndecodableExitStatus = 8;
// A value the operation's checks refuse (the dialog would refuse it too), or a
// request the channel refuses to send: nothing reached the device.
inline constexpr int kBadValueExitStatus = 9;
// The device refused (a "result" other than 10000, an error status), or an
// HTTP exchange, export or download failed.
inline constexpr int kFailedExitStatus = 10;
// An unknown option, a missing or malformed argument, a value GBK cannot hold,
// a settings or targets file that cannot be used: nothing was sent. (64 is the
// usage status of sysexits.h and lies outside every transport and upload result.)
inline constexpr int kUsageExitStatus = 64;

struct ExitStatusRow {
    int status;
    const char* meaning;
};

inline constexpr ExitStatusRow kExitStatusTable[] = {
    {0, "success"},
    {1, "no connection to the device (TCP channels)"},
    {2, "TCP upload: the local file cannot be opened"},
    {3, "TCP upload: the local file is not usable"},
    {4, "sending failed"},
    {5, "receiving failed (no reply, or the reply broke off)"},
    {6, "TCP upload: the device refused the file header"},
    {7, "upload refused (HTTP uploads, TCP packets)"},
    {8, "the reply could not be decoded"},
    {9, "bad value: refused by the tool's checks before it was sent"},
    {10, "failed: the device refused, or an HTTP exchange (its connection included), export or download failed"},
    {64, "usage error: unknown option, missing or malformed argument, a value GBK cannot hold; nothing was sent"},
};

// "Exit status:" and one line per row of the table, then how a run over
// several devices ends.
std::string ExitStatusHelp();

}  // namespace ostrand::cli

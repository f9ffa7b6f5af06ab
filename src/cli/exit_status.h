#pragma once
// The exit statuses of ostrand-cli. A device exchange exits with its transport
// result (or, for TCP uploads, the upload result); everything wrong with the
// command line itself exits with one status of its own, before anything is
// sent. --help lists them all (kExitStatusHelp).

namespace ostrand::cli {

// An unknown option, a missing or malformed argument, a value GBK cannot hold,
// a settings file that does not exist: nothing was sent. (64 is the usage
// status of sysexits.h and lies outside every transport and upload result.)
inline constexpr int kUsageExitStatus = 64;

inline constexpr const char* kExitStatusHelp =
    "Exit status:\n"
    "  0   success\n"
    "  1   no connection to the device\n"
    "  2   TCP upload: the local file cannot be opened\n"
    "  3   TCP upload: the local file is not usable\n"
    "  4   sending failed\n"
    "  5   receiving failed\n"
    "  6   TCP upload: the device refused the file header\n"
    "  7   upload refused (HTTP uploads, TCP packets)\n"
    "  8   the reply could not be decoded\n"
    "  9   bad parameter: the request was refused before it was sent\n"
    "  10  failed: HTTP exchange, export or download\n"
    "  64  usage error: bad option or argument; nothing was sent\n";

}  // namespace ostrand::cli

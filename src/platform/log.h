#pragma once
// The diagnostic log "Log.txt": one line per call,
// "FILE :<source> , LINE :<line> , Log:<message> ||end\n", written with one
// write and flushed at once so lines from several threads never interleave.

#include <string>

namespace ostrand {

inline constexpr std::size_t kLogLineLimit = 1023;  // message and whole line are cut to this

// Opens (appends to, never truncates) the log file. Replaces a log opened
// before. False when the file cannot be opened.
bool OpenLogFile(const std::string& path = "Log.txt");
void CloseLogFile();

// Formats the message with printf rules and appends the line. A failed write
// is ignored; without an open log the call does nothing.
void WriteLog(const char* sourcePath, int line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Builds the line WriteLog writes (exposed for tests and for the simulator's journal).
std::string FormatLogLine(const char* sourcePath, int line, const std::string& message);

}  // namespace ostrand

// The module names the program's log lines carry.
#define OSTRAND_LOG_MAIN_DLG "ostrand\\ostrandDlg"
#define OSTRAND_LOG_NET_PARAM "ostrand\\NetParam"
#define OSTRAND_LOG_UPDATE_RATE "ostrand\\UpdateRateDlg"
#define OSTRAND_LOG_VIDEO_PLAY "ostrand\\VideoPlay\\VideoPlaySdk"

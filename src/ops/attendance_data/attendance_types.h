#pragma once
// The records of a terminal's two data files as the tool holds them after
// parsing, and the query that filters the clock-in records. Texts are GBK.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrand {

// The two files a terminal hands out. The time-stamp command and the export
// channel number them differently.
enum class DataFile : std::uint8_t { Users, Records };

inline constexpr std::int32_t kUserFileStampType = 0;    // "FileType" of command 5023
inline constexpr std::int32_t kRecordFileStampType = 1;
inline constexpr std::uint8_t kUserFileExportType = 4;   // export channel type
inline constexpr std::uint8_t kRecordFileExportType = 5;
inline constexpr const char* kUserFileName = "userinfo";
inline constexpr const char* kRecordFileName = "attendinfo";

// "userinfo": a 4-byte version, then 100-byte records to the end of the file.
inline constexpr std::size_t kUserVersionSize = 4;
inline constexpr std::size_t kUserRecordSize = 100;
inline constexpr std::size_t kUserCardOffset = 4;
inline constexpr std::size_t kUserCardSize = 40;
inline constexpr std::size_t kUserNameOffset = 44;
inline constexpr std::size_t kUserNameSize = 30;

// "attendinfo": a 12-byte header whose second word is the length of a block
// to skip, then 60-byte records; a short last record is ignored.
inline constexpr std::size_t kAttendHeaderSize = 12;
inline constexpr std::size_t kAttendRecordSize = 60;
inline constexpr std::size_t kAttendCardOffset = 4;
inline constexpr std::size_t kAttendCardSize = 40;
inline constexpr std::size_t kAttendStatusOffset = 44;
inline constexpr std::size_t kAttendReadChunk = 300000;  // 5000 records per read

// Devices store clock-in times eight hours ahead of UTC.
inline constexpr std::int64_t kStoredTimeOffset = 28800;

// One card holder of the user file, with the name already in GBK.
struct UserFileRecord {
    std::int32_t number = 0;
    std::string cardNo;
    std::string name;
    friend bool operator==(const UserFileRecord&, const UserFileRecord&) = default;
};

// One clock-in record after parsing.
struct AttendRow {
    std::string status;  // "签到", "签退" or "" (GBK)
    std::string time;    // "YYYY-MM-DD hh:mm:ss" or ""
    std::string cardNo;
    std::string name;    // the matching user's name
    friend bool operator==(const AttendRow&, const AttendRow&) = default;
};

// A user picked for a query; the filter uses cardNo and name only.
struct UserEntry {
    std::int32_t key = 0;
    std::string cardNo;
    std::string name;
};

struct AttendQuery {
    std::string mac;
    std::vector<UserEntry> users;
    std::string startDate;  // "%Y-%m-%d"
    std::string endDate;
};

}  // namespace ostrand

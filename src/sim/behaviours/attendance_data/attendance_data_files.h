#pragma once
// A simulated terminal's user and clock-in files, generated from a few
// numbers so a fleet file can ask for a terminal with a million records and
// get the same bytes every run.
//
// Fleet file: "state": {"attendance_data": {"users": 200, "records": 100000,
//   "names": "utf8" | "gbk" | "mixed" | "ascii", "from": "2024-03-01",
//   "interval": 60, "skip": 16, "emptyCardEvery": 0,
//   "userStamp": 1, "recordStamp": 1, "stampStep": 0,
//   "failUsers": false, "failRecords": false, "cutUsers": -1, "cutRecords": -1}}

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace ostrand::sim {

enum class NameCoding : std::uint8_t { Utf8, Gbk, Mixed, Ascii };

inline constexpr std::int64_t kMaxGeneratedRows = 1000000;

struct AttendanceDataSetup {
    bool generate = false;     // false: the fleet's own "exports" 4 and 5 are served
    std::int64_t users = 0;
    std::int64_t records = 0;
    NameCoding names = NameCoding::Utf8;
    std::string from = "2024-03-01";  // date of the first record, 08:00 device time
    std::int64_t interval = 60;       // seconds between records
    std::int32_t skip = 16;           // length of the block after the record header
    std::int64_t emptyCardEvery = 0;  // every n-th user has no card number (0: none)
    std::int32_t userStamp = 1;       // time stamps command 5023 reports
    std::int32_t recordStamp = 1;
    std::int32_t stampStep = 0;       // added to a file's stamp after each query of it
    bool failUsers = false;           // the export of the file cannot begin
    bool failRecords = false;
    std::int64_t cutUsers = -1;       // serve only the first n bytes (-1: whole file)
    std::int64_t cutRecords = -1;
};

// Reads the fleet file's "attendance_data" part; unknown keys are refused and
// counts are limited to kMaxGeneratedRows (std::invalid_argument).
AttendanceDataSetup ParseAttendanceDataSetup(const nlohmann::json& state);

// Card number, number and UTF-8 name of generated user i (0-based).
std::string GeneratedCard(const AttendanceDataSetup& setup, std::int64_t user);
std::string GeneratedNameUtf8(std::int64_t user);

// The files as the terminal exports them.
std::string MakeUserFile(const AttendanceDataSetup& setup);
std::string MakeRecordFile(const AttendanceDataSetup& setup);

// Stored time of record j: the device's local time (UTC+8) read as UTC.
std::int32_t GeneratedRecordTime(const AttendanceDataSetup& setup, std::int64_t record);
// The user whose card record j carries.
std::int64_t GeneratedRecordUser(const AttendanceDataSetup& setup, std::int64_t record);

}  // namespace ostrand::sim

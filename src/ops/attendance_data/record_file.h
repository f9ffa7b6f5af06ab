#pragma once
// Parser and filter of the terminal's clock-in record file "attendinfo".

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ops/attendance_data/attendance_types.h"
#include "ops/attendance_data/data_places.h"

namespace ostrand {

// "" for a stored time of 0; otherwise the stored time less eight hours in the
// PC's local time, "%04d-%02d-%02d %02d:%02d:%02d"; "" when that is before 1970.
std::string AttendTimeText(std::int32_t storedTime);

// "签到" for 1, "签退" for 2, "" for anything else (GBK).
std::string AttendStatusText(std::uint8_t status);

// The filter: the date (first ten bytes of the time) lies inside the query's
// inclusive range and the card number belongs to one of the query's users;
// then the name of the last such user is put into the row.
bool MatchAttendRow(const AttendQuery& query, AttendRow& row);

// The same filter for a whole file: the users are indexed by card number once,
// so a million records against thousands of users stay a linear pass.
class AttendMatcher {
public:
    explicit AttendMatcher(const AttendQuery& query);
    bool operator()(AttendRow& row) const;

private:
    std::string startDate_;
    std::string endDate_;
    std::unordered_map<std::string, std::string> names_;  // card number -> last user's name
};

// Appends the matching records of the device's record file to `rows` in file
// order. "打开attendinfo文件失败!" when it cannot be opened. A header shorter
// than 12 bytes, a negative block length or one reaching beyond the end of the
// file gives no records; a short last record is ignored.
void ReadAttendFile(const AttendQuery& query, std::vector<AttendRow>& rows,
                    const AttendanceDataPlaces& places);

}  // namespace ostrand

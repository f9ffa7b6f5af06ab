#pragma once
// The user window's operations without the window: the search by card number
// and the record query of the ticked users, as the window and the command
// line both run them.

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/attendance_data/attend_groups.h"
#include "ops/attendance_data/data_download.h"

namespace ostrand {

// One entry per user in list order; the key is the row index.
std::vector<UserEntry> UserEntriesFor(const std::vector<UserFileRecord>& users);

// The rows whose card number equals `cardNo` exactly (byte for byte, so
// letter case counts), in row order.
std::vector<std::size_t> FindUserRows(const std::vector<UserEntry>& entries, std::string_view cardNo);

// "%Y-%m-%d" of a moment in the PC's local time, as the date pickers give it.
std::string QueryDateText(std::time_t moment);

// Fetches the record file when its stamp changed, reads the records of the
// given users dated from `startDate` to `endDate` (inclusive) and groups them
// for the record window. nullopt when the fetch failed (its message shown);
// empty groups after "对不起，没有找到符合条件的记录!".
std::optional<AttendGroups> QueryAttendRows(const AttendanceDevice& device, std::vector<UserEntry> users,
                                            std::string startDate, std::string endDate,
                                            const AttendanceDataPlaces& places,
                                            const DownloadRunner& runner = {});

}  // namespace ostrand

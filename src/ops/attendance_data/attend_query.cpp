#include "ops/attendance_data/attend_query.h"

#include "ops/attendance_data/record_file.h"
#include "platform/message_sink.h"

namespace ostrand {

std::vector<UserEntry> UserEntriesFor(const std::vector<UserFileRecord>& users) {
    std::vector<UserEntry> entries;
    entries.reserve(users.size());
    for (std::size_t row = 0; row < users.size(); ++row) {
        entries.push_back({static_cast<std::int32_t>(row), users[row].cardNo, users[row].name});
    }
    return entries;
}

std::vector<std::size_t> FindUserRows(const std::vector<UserEntry>& entries, std::string_view cardNo) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        if (entries[row].cardNo == cardNo) rows.push_back(row);
    }
    return rows;
}

std::string QueryDateText(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    char text[16];
    if (std::strftime(text, sizeof text, "%Y-%m-%d", &local) == 0) return {};
    return text;
}

std::optional<AttendGroups> QueryAttendRows(const AttendanceDevice& device, std::vector<UserEntry> users,
                                            std::string startDate, std::string endDate,
                                            const AttendanceDataPlaces& places, const DownloadRunner& runner) {
    if (!FetchAttendFile(device, places, runner)) return std::nullopt;
    const AttendQuery query{device.mac, std::move(users), std::move(startDate), std::move(endDate)};
    std::vector<AttendRow> rows;
    ReadAttendFile(query, rows, places);
    if (rows.empty()) ShowMessage("对不起，没有找到符合条件的记录!");
    return GroupAttendRows(std::move(rows));
}

}  // namespace ostrand

#include "ops/attendance_data/attend_groups.h"

#include <algorithm>

namespace ostrand {

AttendGroups GroupAttendRows(std::vector<AttendRow> rows) {
    AttendGroups groups;
    for (AttendRow& row : rows) {
        std::string card = row.cardNo;
        groups[std::move(card)].push_back(std::move(row));
    }
    for (auto& [card, group] : groups) {
        std::stable_sort(group.begin(), group.end(), [](const AttendRow& a, const AttendRow& b) {
            return ByteLess{}(b.time, a.time);
        });
    }
    return groups;
}

}  // namespace ostrand

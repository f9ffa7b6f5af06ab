// Any bytes as the terminal's record file, queried for the card numbers the
// terminals hand out ("1" to "64") over every date: no record may come from
// nowhere, and every one found is complete and in its group.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "data_file_scratch.h"
#include "ops/attendance_data/attend_groups.h"
#include "ops/attendance_data/record_file.h"

using namespace ostrand;

namespace {

AttendQuery EveryCardQuery() {
    AttendQuery query{fuzz::kFuzzMac, {}, "0000-00-00", "9999-99-99"};
    for (int card = 1; card <= 64; ++card) query.users.push_back({card, std::to_string(card), "N" + std::to_string(card)});
    return query;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::DataFileScratch scratch;
    static const AttendQuery query = EveryCardQuery();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!scratch.Put(DataFile::Records, bytes)) return 0;

    std::vector<AttendRow> rows;
    ReadAttendFile(query, rows, scratch.Places());
    if (rows.size() > size / kAttendRecordSize) std::abort();
    for (const AttendRow& row : rows) {
        if (row.cardNo.empty() || row.name != "N" + row.cardNo || row.time.empty()) std::abort();
    }
    const std::size_t found = rows.size();
    const AttendGroups groups = GroupAttendRows(std::move(rows));
    std::size_t grouped = 0;
    for (const auto& [card, group] : groups) {
        for (const AttendRow& row : group) {
            if (row.cardNo != card) std::abort();
        }
        grouped += group.size();
    }
    if (grouped != found) std::abort();
    return 0;
}

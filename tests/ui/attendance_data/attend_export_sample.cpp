// Writes a records export of a given size for the reader check
// (check_attend_export.py): card groups of 1000 records each, every part
// begun in the same second. Prints the parts written, one per line.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "ops/attendance_data/attend_export.h"
#include "platform/code_page.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: attend_export_sample CHOSEN_PATH RECORDS\n";
        return 2;
    }
    const long records = std::strtol(argv[2], nullptr, 10);
    constexpr long kGroup = 1000;
    const char* states[] = {"签到", "签退", ""};
    ostrand::AttendGroups groups;
    for (long i = 0; i < records; ++i) {
        const long group = i / kGroup;
        const long k = i % kGroup;
        const long t = kGroup - 1 - k;  // latest first inside a group
        char card[32];
        char time[64];
        std::snprintf(card, sizeof card, "C%06ld", group);
        std::snprintf(time, sizeof time, "2026-12-10 %02ld:%02ld:%02ld", t / 3600, (t / 60) % 60, t % 60);
        groups[card].push_back({ostrand::Utf8ToGbk(states[k % 3]).value(), time, card,
                                ostrand::Utf8ToGbk("张三" + std::to_string(group)).value()});
    }
    const auto result = ostrand::ExportAttendRows(argv[1], groups, [] { return std::time_t{1796000000}; });
    for (const auto& part : result.files) std::cout << part.string() << "\n";
    return result.ok ? 0 : 1;
}

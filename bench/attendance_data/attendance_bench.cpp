// A terminal with a million clock-in records, as a user meets it: open its
// user list, query every user over the whole period and export the result
// (20 workbooks of 50000 rows). Prints the time of each step and FIGURE lines.
//
// Usage: ostrand_attendance_bench [RECORDS] [OUTPUT-FOLDER]

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "ops/attendance_data/attend_export.h"
#include "ops/attendance_data/attend_query.h"
#include "ops/attendance_data/data_download.h"
#include "platform/message_sink.h"
#include "sim/behaviours/attendance_data/attendance_data_state.h"
#include "sim/simulator.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kMac = "00A1B2C3D4B1";
constexpr const char* kTarget = "<=10";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Figure(const std::string& name, double value, const char* unit, const char* target) {
    std::printf("FIGURE|%s|%.2f|%s|%s|-\n", name.c_str(), value, unit, target);
}

int Run(long records, const fs::path& out) {
    setenv("TZ", "UTC", 1);
    fs::remove_all(out);
    fs::create_directories(out);
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);

    sim::Simulator simulator;
    sim::DeviceConfig config;
    const int pid = static_cast<int>(::getpid());
    config.address = "127.68." + std::to_string(pid % 250 + 1) + "." + std::to_string(pid / 250 % 250 + 1);
    config.kind = sim::DeviceKind::Terminal;
    // Thirty seconds apart, a million records span under a year.
    config.state["attendance_data"] = {{"users", 2000}, {"records", records}, {"interval", 30}, {"names", "mixed"}};
    sim::Device& device = simulator.AddDevice(config);
    // The files are made before the clock starts: that is the device's work.
    sim::CurrentAttendanceData(device);
    simulator.Start();

    AttendanceDataPlaces places;
    places.root = out / "data";
    const AttendanceDevice terminal{{device.AddressText(), sim::kTcpChannelPort}, kMac};

    const auto begin = Clock::now();
    const auto users = OpenAttendanceData(terminal, places);
    const auto opened = Clock::now();
    if (!users) {
        std::cerr << "the user list did not open\n";
        return 1;
    }
    Clock::duration recordDownload{};
    const DownloadRunner timed = [&](const std::function<void()>& download) {
        const auto start = Clock::now();
        download();
        recordDownload = Clock::now() - start;
    };
    auto groups = QueryAttendRows(terminal, UserEntriesFor(*users), "2024-01-01", "2030-12-31", places, timed);
    const auto queried = Clock::now();
    if (!groups) {
        std::cerr << "the query failed\n";
        return 1;
    }
    const ExportResult exported = ExportAttendRows(out / "records", *groups);
    const auto written = Clock::now();
    simulator.Stop();
    if (!exported.ok) {
        std::cerr << "the export failed\n";
        return 1;
    }

    std::size_t rows = 0;
    for (const auto& [card, group] : *groups) rows += group.size();
    const double total = Seconds(written - begin);
    const double download = Seconds(opened - begin) + Seconds(recordDownload);
    const double parse = Seconds(queried - opened) - Seconds(recordDownload);
    const double write = Seconds(written - queried);
    std::printf("%zu users, %zu records found, %zu files written\n", users->size(), rows, exported.files.size());
    std::printf("download %.2f s (%.0f%%), parse and group %.2f s (%.0f%%), write %.2f s (%.0f%%), total %.2f s\n",
                download, 100 * download / total, parse, 100 * parse / total, write, 100 * write / total, total);
    const std::string scale = records == 1000000 ? "1000000" : std::to_string(records);
    Figure("attendance " + scale + " records: query and export (simulator)", total, "s",
           records == 1000000 ? kTarget : "-");
    Figure("attendance " + scale + " records: download share", 100 * download / total, "%", "-");
    Figure("attendance " + scale + " records: parse share", 100 * parse / total, "%", "-");
    Figure("attendance " + scale + " records: write share", 100 * write / total, "%", "-");
    fs::remove_all(out);
    // Every record belongs to a listed user and lies in the period.
    return rows == static_cast<std::size_t>(records) ? 0 : 1;
}

}  // namespace
}  // namespace ostrand

int main(int argc, char** argv) {
    const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::filesystem::path out =
        argc > 2 ? std::filesystem::path(argv[2])
                 : std::filesystem::temp_directory_path() / ("ostrand-attendance-bench-" + std::to_string(::getpid()));
    if (records <= 0 || records > 1000000) {
        std::cerr << "RECORDS must be 1 .. 1000000\n";
        return 2;
    }
    return ostrand::Run(records, out);
}

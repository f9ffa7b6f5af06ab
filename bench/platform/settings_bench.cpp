// Start-up cost of a settings file grown to 20 MB: every key the main window
// reads at start-up, from a cold cache (a fresh process), and a single key
// read once the file is parsed.

#include <benchmark/benchmark.h>
#include "figures.h"
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "large_settings_file.h"
#include "platform/profile.h"
#include "platform/profile_cache.h"
#include "temp_dir.h"

namespace ostrand {
namespace {

long long StatusBytes(const char* field) {
    std::ifstream in("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) return std::stoll(line.substr(prefix.size())) * 1024;
    }
    return 0;
}

// The working directory holding the large file for the whole run.
class LargeSettings {
public:
    LargeSettings() {
        test::WriteWholeFile(dir_.Path() / SettingsFileName(), test::LargeSettingsText());
        test::StartupSettingsReads();  // writes the missing "Compat" back once
        // Let the file settle past the window in which a change may be missed.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

private:
    test::TempWorkingDir dir_;
};

void BM_StartupReadsOf20MBSettings(benchmark::State& state) {
    LargeSettings settings;
    ClearProfileCache();
    std::ofstream("/proc/self/clear_refs") << "5";
    const long long before = StatusBytes("VmRSS");
    for (auto _ : state) {
        ClearProfileCache();
        benchmark::DoNotOptimize(test::StartupSettingsReads());
    }
    state.counters["peak_growth_MB"] = static_cast<double>(StatusBytes("VmHWM") - before) / (1024.0 * 1024.0);
    state.counters["file_MB"] = static_cast<double>(test::kLargeSettingsBytes) / (1024.0 * 1024.0);
    ClearProfileCache();
}
BENCHMARK(BM_StartupReadsOf20MBSettings)->Unit(benchmark::kMillisecond);

const bool kStartupFigures =
    bench::AddFigure({"start-up reads of a 20 MB settings file", {"BM_StartupReadsOf20MBSettings", "cpu_ms"}, 1, "ms"}) &&
    bench::AddFigure({"peak memory growth reading a 20 MB settings file",
                      {"BM_StartupReadsOf20MBSettings", "peak_growth_MB"}, 1, "MiB"});

void BM_KeyReadOfParsed20MBSettings(benchmark::State& state) {
    LargeSettings settings;
    ClearProfileCache();
    ReadIniInt(0, "SimpleScan");
    for (auto _ : state) benchmark::DoNotOptimize(ReadIniString("DevNo", "", "", "Dev49"));
    ClearProfileCache();
}
BENCHMARK(BM_KeyReadOfParsed20MBSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrand

// A settings file grown to 20 MB must not make the start-up slow or large: the
// file is parsed once, not once per key.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "large_settings_file.h"
#include "platform/profile.h"
#include "platform/profile_cache.h"
#include "temp_dir.h"

namespace ostrand {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSanitizerFactor = 2;  // freed blocks wait in quarantine
#elif defined(__SANITIZE_THREAD__)
constexpr std::size_t kSanitizerFactor = 3;  // every byte touched has shadow memory beside it
#else
constexpr std::size_t kSanitizerFactor = 1;
#endif

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM").
std::optional<long long> StatusBytes(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1)) * 1024;
    }
    return std::nullopt;
}

// Resets the peak resident size, so VmHWM afterwards is the peak of what follows.
bool ResetPeakResidentSize() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

TEST(SettingsScale, TwentyMegabyteFileIsReadAtStartUpWithinBoundedTimeAndMemory) {
    test::TempWorkingDir dir;
    {
        const std::string text = test::LargeSettingsText();  // prepared before the clock starts
        test::WriteWholeFile(dir.Path() / SettingsFileName(), text);
    }
    // A settings file at start-up was written long before; one written this
    // instant is read again until its time stamps settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ClearProfileCache();
    const bool peakMeasured = ResetPeakResidentSize();
    const auto residentBefore = StatusBytes("VmRSS");

    const auto start = std::chrono::steady_clock::now();
    const int devices = test::StartupSettingsReads();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const auto peak = StatusBytes("VmHWM");
    ClearProfileCache();

    RecordProperty("startup_ms",
                   std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    EXPECT_EQ(devices, 50);
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout"), 5);
    EXPECT_EQ(ReadIniString("Compat", std::nullopt), "0");  // written back once
    // Generous bounds: a parse per key takes minutes and gigabytes here; one
    // parse takes well under a second and a few times the file's size.
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    if (peakMeasured && residentBefore && peak) {
        const long long grown = *peak - *residentBefore;
        RecordProperty("peak_growth_bytes", std::to_string(grown));
        EXPECT_LT(grown, static_cast<long long>(kSanitizerFactor * 8 * test::kLargeSettingsBytes));
    }
}

}  // namespace
}  // namespace ostrand

#pragma once
// The attendance data readers take a device's folder, so each input is
// written there first; the folder goes when the fuzzer exits. Messages are
// dropped: a fuzzer shows nobody anything.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string_view>

#include "ops/attendance_data/data_places.h"
#include "platform/message_sink.h"

namespace ostrand::fuzz {

inline constexpr const char* kFuzzMac = "00A1B2C3D4F9";

class QuietSink final : public MessageSink {
public:
    void ShowMessage(std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
};

class DataFileScratch {
public:
    DataFileScratch() {
        SetMessageSink(&sink_);
        places_.root = std::filesystem::temp_directory_path() / ("ostrand-attendance-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(*places_.DeviceFolder(kFuzzMac));
    }
    ~DataFileScratch() {
        SetMessageSink(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(places_.root, ignored);
    }
    DataFileScratch(const DataFileScratch&) = delete;
    DataFileScratch& operator=(const DataFileScratch&) = delete;

    const AttendanceDataPlaces& Places() const { return places_; }
    // Puts the bytes where the reader of `file` looks; false when that fails.
    bool Put(DataFile file, std::string_view bytes) const {
        std::ofstream out(*places_.DataFilePath(kFuzzMac, file), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

private:
    QuietSink sink_;
    AttendanceDataPlaces places_;
};

}  // namespace ostrand::fuzz

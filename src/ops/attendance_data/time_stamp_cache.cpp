#include "ops/attendance_data/time_stamp_cache.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/profile.h"

namespace ostrand {
namespace {

const char* CacheKey(DataFile file) { return file == DataFile::Users ? "UserTime" : "AttendTime"; }

// atoi rules without its undefined overflow: white space, sign, digits.
std::int32_t LeadingInt(const std::string& text) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t QueryFileTimeStamp(DeviceEndpoint device, std::int32_t fileType) {
    ParamMap request{{"FileType", std::to_string(fileType)}};
    ParamMap reply;
    if (!SendXmlCommand(device, request, reply, kFileTimeStampCode)) return 0;
    const auto it = reply.find("TimeStamp");
    return it == reply.end() ? 0 : LeadingInt(it->second);
}

bool NeedsDownload(DataFile file, std::string_view mac, std::int32_t timeStamp,
                   const AttendanceDataPlaces& places) {
    if (file == DataFile::Users ? timeStamp < 0 : timeStamp <= 0) return false;
    if (!IsDeviceMacText(mac)) return false;
    // A copy removed by hand would otherwise stay missing until the device's
    // stamp changes.
    std::error_code error;
    if (!std::filesystem::is_regular_file(*places.DataFilePath(mac, file), error)) return true;
    const std::string cached =
        ReadIniString(CacheKey(file), std::nullopt, places.TimerIni().string(), mac);
    return cached.empty() || LeadingInt(cached) != timeStamp;
}

bool RememberTimeStamp(DataFile file, std::string_view mac, std::int32_t timeStamp,
                       const AttendanceDataPlaces& places) {
    if (timeStamp < 0) return true;
    if (!IsDeviceMacText(mac)) return false;
    return WriteIniString(CacheKey(file), std::to_string(timeStamp), places.TimerIni().string(), mac);
}

}  // namespace ostrand

#pragma once
// Builders of user and record file bytes for the attendance-data tests.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "ops/attendance_data/attendance_types.h"

namespace ostrand::test {

inline std::string Int32Bytes(std::int32_t value) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// One 100-byte user record; `name` is copied as given (up to 56 bytes, so a
// name may run into the bytes after its field as devices write them).
inline std::string UserRecord(std::int32_t number, std::string_view card, std::string_view name,
                              char filler = '\0') {
    std::string record(kUserRecordSize, filler);
    std::memcpy(record.data(), Int32Bytes(number).data(), 4);
    std::memset(record.data() + kUserCardOffset, 0, kUserCardSize);
    std::memcpy(record.data() + kUserCardOffset, card.data(), std::min(card.size(), kUserCardSize));
    std::memset(record.data() + kUserNameOffset, 0, kUserNameSize);
    std::memcpy(record.data() + kUserNameOffset, name.data(),
                std::min(name.size(), kUserRecordSize - kUserNameOffset));
    return record;
}

// One 60-byte record.
inline std::string AttendRecord(std::int32_t time, std::string_view card, std::uint8_t status) {
    std::string record(kAttendRecordSize, '\0');
    std::memcpy(record.data(), Int32Bytes(time).data(), 4);
    std::memcpy(record.data() + kAttendCardOffset, card.data(), std::min(card.size(), kAttendCardSize));
    record[kAttendStatusOffset] = static_cast<char>(status);
    return record;
}

// The 12-byte header followed by a block of `skip` bytes.
inline std::string AttendHeader(std::int32_t skip, std::size_t blockBytes) {
    return Int32Bytes(7) + Int32Bytes(skip) + Int32Bytes(9) + std::string(blockBytes, 'B');
}

// Record times are shown in the PC's local time; tests fix the zone.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (saved_) setenv("TZ", saved_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace ostrand::test

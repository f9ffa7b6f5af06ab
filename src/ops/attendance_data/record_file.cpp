#include "ops/attendance_data/record_file.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

std::int32_t Int32At(const char* bytes) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);  // little-endian, as the host
    return value;
}

AttendRow RowFromRecord(const char* record) {
    AttendRow row;
    row.time = AttendTimeText(Int32At(record));
    const char* card = record + kAttendCardOffset;
    const void* nul = std::memchr(card, 0, kAttendCardSize);
    row.cardNo.assign(card, nul ? static_cast<const char*>(nul) - card : kAttendCardSize);
    row.status = AttendStatusText(static_cast<std::uint8_t>(record[kAttendStatusOffset]));
    return row;
}

}  // namespace

std::string AttendTimeText(std::int32_t storedTime) {
    if (storedTime == 0) return {};
    const std::time_t seconds = static_cast<std::time_t>(storedTime) - kStoredTimeOffset;
    if (seconds < 0) return {};
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return {};
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string AttendStatusText(std::uint8_t status) {
    static const std::string signIn = Utf8ToGbkLossy("签到");
    static const std::string signOut = Utf8ToGbkLossy("签退");
    if (status == 1) return signIn;
    if (status == 2) return signOut;
    return {};
}

AttendMatcher::AttendMatcher(const AttendQuery& query)
    : startDate_(query.startDate), endDate_(query.endDate) {
    for (const UserEntry& user : query.users) names_[user.cardNo] = user.name;  // the last one stays
}

bool AttendMatcher::operator()(AttendRow& row) const {
    if (startDate_.empty() || endDate_.empty()) return false;
    const std::string_view date = std::string_view(row.time).substr(0, 10);
    // Byte-wise comparison of unsigned bytes, as string_view's compare does.
    if (date.empty() || date < std::string_view(startDate_) || date > std::string_view(endDate_)) return false;
    const auto it = names_.find(row.cardNo);
    if (it == names_.end()) return false;
    row.name = it->second;
    return true;
}

bool MatchAttendRow(const AttendQuery& query, AttendRow& row) { return AttendMatcher(query)(row); }

void ReadAttendFile(const AttendQuery& query, std::vector<AttendRow>& rows,
                    const AttendanceDataPlaces& places) {
    const auto path = places.DataFilePath(query.mac, DataFile::Records);
    std::ifstream file;
    if (path) file.open(*path, std::ios::binary);
    if (!path || !file) {
        ShowMessage("打开attendinfo文件失败!");
        return;
    }
    char header[kAttendHeaderSize];
    file.read(header, sizeof header);
    if (file.gcount() != static_cast<std::streamsize>(sizeof header)) return;
    const std::int32_t skipLength = Int32At(header + 4);
    if (skipLength < 0) return;
    // A block reaching beyond the end leaves nothing to read.
    if (!file.seekg(skipLength, std::ios::cur)) return;

    const AttendMatcher match(query);
    std::string chunk(kAttendReadChunk, '\0');
    for (;;) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const std::size_t got = static_cast<std::size_t>(file.gcount());
        for (std::size_t offset = 0; offset + kAttendRecordSize <= got; offset += kAttendRecordSize) {
            AttendRow row = RowFromRecord(chunk.data() + offset);
            if (match(row)) rows.push_back(std::move(row));
        }
        if (got < chunk.size()) break;
    }
}

}  // namespace ostrand

#include "sim/behaviours/attendance_data/attendance_data_files.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "platform/code_page.h"

namespace ostrand::sim {
namespace {

constexpr std::size_t kUserRecordSize = 100;
constexpr std::size_t kRecordSize = 60;

constexpr std::array<const char*, 12> kSurnames = {"张", "王", "李", "赵", "刘", "陈",
                                                    "杨", "黄", "周", "吴", "徐", "孙"};
constexpr std::array<const char*, 10> kGiven = {"伟", "芳", "娜", "敏", "静",
                                                "强", "磊", "洋", "艳", "勇"};

void PutInt32(char* at, std::int32_t value) { std::memcpy(at, &value, sizeof value); }

void PutText(char* at, std::size_t size, std::string_view text) {
    std::memcpy(at, text.data(), std::min(size, text.size()));
}

NameCoding NameCodingFrom(const std::string& text) {
    if (text == "utf8") return NameCoding::Utf8;
    if (text == "gbk") return NameCoding::Gbk;
    if (text == "mixed") return NameCoding::Mixed;
    if (text == "ascii") return NameCoding::Ascii;
    throw std::invalid_argument("attendance_data: names is utf8, gbk, mixed or ascii");
}

std::int64_t Count(const nlohmann::json& value, const char* key) {
    const std::int64_t n = value.get<std::int64_t>();
    if (n < 0 || n > kMaxGeneratedRows) {
        throw std::invalid_argument(std::string("attendance_data: ") + key + " must be 0.." +
                                    std::to_string(kMaxGeneratedRows));
    }
    return n;
}

std::int64_t FirstRecordTime(const std::string& from) {
    std::tm tm{};
    if (from.size() != 10 || std::sscanf(from.c_str(), "%4d-%2d-%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3) {
        throw std::invalid_argument("attendance_data: from is YYYY-MM-DD");
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_hour = 8;
    return static_cast<std::int64_t>(timegm(&tm));
}

std::string NameBytes(const AttendanceDataSpec& spec, std::int64_t user) {
    const NameCoding coding =
        spec.names == NameCoding::Mixed ? (user % 2 == 0 ? NameCoding::Utf8 : NameCoding::Gbk) : spec.names;
    switch (coding) {
        case NameCoding::Ascii: return "User " + std::to_string(user + 1);
        case NameCoding::Gbk: return Utf8ToGbkLossy(GeneratedNameUtf8(user));
        default: return GeneratedNameUtf8(user);
    }
}

}  // namespace

AttendanceDataSpec ParseAttendanceDataSpec(const nlohmann::json& state) {
    AttendanceDataSpec spec;
    if (!state.is_object()) throw std::invalid_argument("attendance_data is an object");
    try {
        for (const auto& [key, value] : state.items()) {
            if (key == "users") spec.users = Count(value, "users"), spec.generate = true;
            else if (key == "records") spec.records = Count(value, "records"), spec.generate = true;
            else if (key == "names") spec.names = NameCodingFrom(value.get<std::string>());
            else if (key == "from") spec.from = value.get<std::string>();
            else if (key == "interval") spec.interval = value.get<std::int64_t>();
            else if (key == "skip") spec.skip = value.get<std::int32_t>();
            else if (key == "emptyCardEvery") spec.emptyCardEvery = value.get<std::int64_t>();
            else if (key == "userStamp") spec.userStamp = value.get<std::int32_t>();
            else if (key == "recordStamp") spec.recordStamp = value.get<std::int32_t>();
            else if (key == "stampStep") spec.stampStep = value.get<std::int32_t>();
            else if (key == "failUsers") spec.failUsers = value.get<bool>();
            else if (key == "failRecords") spec.failRecords = value.get<bool>();
            else if (key == "cutUsers") spec.cutUsers = value.get<std::int64_t>();
            else if (key == "cutRecords") spec.cutRecords = value.get<std::int64_t>();
            else throw std::invalid_argument("attendance_data: unknown key \"" + key + "\"");
        }
    } catch (const nlohmann::json::exception& e) {
        throw std::invalid_argument(std::string("attendance_data: ") + e.what());
    }
    if (spec.skip < 0) throw std::invalid_argument("attendance_data: skip must not be negative");
    if (spec.interval < 0) throw std::invalid_argument("attendance_data: interval must not be negative");
    const std::int64_t last = FirstRecordTime(spec.from) + spec.records * spec.interval;
    if (last > INT32_MAX) throw std::invalid_argument("attendance_data: records run past 2038");
    return spec;
}

std::string GeneratedCard(const AttendanceDataSpec& spec, std::int64_t user) {
    if (spec.emptyCardEvery > 0 && (user + 1) % spec.emptyCardEvery == 0) return {};
    return std::to_string(user + 1);
}

std::string GeneratedNameUtf8(std::int64_t user) {
    std::string name = kSurnames[static_cast<std::size_t>(user) % kSurnames.size()];
    name += kGiven[static_cast<std::size_t>(user / kSurnames.size()) % kGiven.size()];
    if (user % 3 == 0) name += kGiven[static_cast<std::size_t>(user / 7) % kGiven.size()];
    return name;
}

std::string MakeUserFile(const AttendanceDataSpec& spec) {
    std::string file(4 + kUserRecordSize * static_cast<std::size_t>(spec.users), '\0');
    PutInt32(file.data(), 1);
    for (std::int64_t i = 0; i < spec.users; ++i) {
        char* record = file.data() + 4 + kUserRecordSize * static_cast<std::size_t>(i);
        PutInt32(record, static_cast<std::int32_t>(i + 1));
        PutText(record + 4, 39, GeneratedCard(spec, i));
        PutText(record + 44, 30, NameBytes(spec, i));
    }
    if (spec.cutUsers >= 0 && static_cast<std::size_t>(spec.cutUsers) < file.size()) {
        file.resize(static_cast<std::size_t>(spec.cutUsers));
    }
    return file;
}

std::int32_t GeneratedRecordTime(const AttendanceDataSpec& spec, std::int64_t record) {
    return static_cast<std::int32_t>(FirstRecordTime(spec.from) + record * spec.interval);
}

std::int64_t GeneratedRecordUser(const AttendanceDataSpec& spec, std::int64_t record) {
    return spec.users == 0 ? 0 : (record * 7919) % spec.users;
}

std::string MakeRecordFile(const AttendanceDataSpec& spec) {
    const std::size_t header = 12 + static_cast<std::size_t>(spec.skip);
    std::string file(header + kRecordSize * static_cast<std::size_t>(spec.records), '\0');
    PutInt32(file.data(), 1);
    PutInt32(file.data() + 4, spec.skip);
    PutInt32(file.data() + 8, static_cast<std::int32_t>(spec.records));
    std::memset(file.data() + 12, 0x5A, static_cast<std::size_t>(spec.skip));
    const std::int64_t first = FirstRecordTime(spec.from);
    for (std::int64_t j = 0; j < spec.records; ++j) {
        char* record = file.data() + header + kRecordSize * static_cast<std::size_t>(j);
        PutInt32(record, static_cast<std::int32_t>(first + j * spec.interval));
        const std::int64_t user = GeneratedRecordUser(spec, j);
        PutText(record + 4, 39, spec.users == 0 ? std::string("0") : GeneratedCard(spec, user));
        record[44] = static_cast<char>(j % 3);  // none, sign-in, sign-out
    }
    if (spec.cutRecords >= 0 && static_cast<std::size_t>(spec.cutRecords) < file.size()) {
        file.resize(static_cast<std::size_t>(spec.cutRecords));
    }
    return file;
}

}  // namespace ostrand::sim

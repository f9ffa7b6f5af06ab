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

std::string NameBytes(const AttendanceDataSetup& setup, std::int64_t user) {
    const NameCoding coding =
        setup.names == NameCoding::Mixed ? (user % 2 == 0 ? NameCoding::Utf8 : NameCoding::Gbk) : setup.names;
    switch (coding) {
        case NameCoding::Ascii: return "User " + std::to_string(user + 1);
        case NameCoding::Gbk: return Utf8ToGbkLossy(GeneratedNameUtf8(user));
        default: return GeneratedNameUtf8(user);
    }
}

}  // namespace

AttendanceDataSetup ParseAttendanceDataSetup(const nlohmann::json& state) {
    AttendanceDataSetup setup;
    if (!state.is_object()) throw std::invalid_argument("attendance_data is an object");
    try {
        for (const auto& [key, value] : state.items()) {
            if (key == "users") setup.users = Count(value, "users"), setup.generate = true;
            else if (key == "records") setup.records = Count(value, "records"), setup.generate = true;
            else if (key == "names") setup.names = NameCodingFrom(value.get<std::string>());
            else if (key == "from") setup.from = value.get<std::string>();
            else if (key == "interval") setup.interval = value.get<std::int64_t>();
            else if (key == "skip") setup.skip = value.get<std::int32_t>();
            else if (key == "emptyCardEvery") setup.emptyCardEvery = value.get<std::int64_t>();
            else if (key == "userStamp") setup.userStamp = value.get<std::int32_t>();
            else if (key == "recordStamp") setup.recordStamp = value.get<std::int32_t>();
            else if (key == "stampStep") setup.stampStep = value.get<std::int32_t>();
            else if (key == "failUsers") setup.failUsers = value.get<bool>();
            else if (key == "failRecords") setup.failRecords = value.get<bool>();
            else if (key == "cutUsers") setup.cutUsers = value.get<std::int64_t>();
            else if (key == "cutRecords") setup.cutRecords = value.get<std::int64_t>();
            else throw std::invalid_argument("attendance_data: unknown key \"" + key + "\"");
        }
    } catch (const nlohmann::json::exception& e) {
        throw std::invalid_argument(std::string("attendance_data: ") + e.what());
    }
    if (setup.skip < 0) throw std::invalid_argument("attendance_data: skip must not be negative");
    if (setup.interval < 0) throw std::invalid_argument("attendance_data: interval must not be negative");
    const std::int64_t last = FirstRecordTime(setup.from) + setup.records * setup.interval;
    if (last > INT32_MAX) throw std::invalid_argument("attendance_data: records run past 2038");
    return setup;
}

std::string GeneratedCard(const AttendanceDataSetup& setup, std::int64_t user) {
    if (setup.emptyCardEvery > 0 && (user + 1) % setup.emptyCardEvery == 0) return {};
    return std::to_string(user + 1);
}

std::string GeneratedNameUtf8(std::int64_t user) {
    std::string name = kSurnames[static_cast<std::size_t>(user) % kSurnames.size()];
    name += kGiven[static_cast<std::size_t>(user / kSurnames.size()) % kGiven.size()];
    if (user % 3 == 0) name += kGiven[static_cast<std::size_t>(user / 7) % kGiven.size()];
    return name;
}

std::string MakeUserFile(const AttendanceDataSetup& setup) {
    std::string file(4 + kUserRecordSize * static_cast<std::size_t>(setup.users), '\0');
    PutInt32(file.data(), 1);
    for (std::int64_t i = 0; i < setup.users; ++i) {
        char* record = file.data() + 4 + kUserRecordSize * static_cast<std::size_t>(i);
        PutInt32(record, static_cast<std::int32_t>(i + 1));
        PutText(record + 4, 39, GeneratedCard(setup, i));
        PutText(record + 44, 30, NameBytes(setup, i));
    }
    if (setup.cutUsers >= 0 && static_cast<std::size_t>(setup.cutUsers) < file.size()) {
        file.resize(static_cast<std::size_t>(setup.cutUsers));
    }
    return file;
}

std::int32_t GeneratedRecordTime(const AttendanceDataSetup& setup, std::int64_t record) {
    return static_cast<std::int32_t>(FirstRecordTime(setup.from) + record * setup.interval);
}

std::int64_t GeneratedRecordUser(const AttendanceDataSetup& setup, std::int64_t record) {
    return setup.users == 0 ? 0 : (record * 7919) % setup.users;
}

std::string MakeRecordFile(const AttendanceDataSetup& setup) {
    const std::size_t header = 12 + static_cast<std::size_t>(setup.skip);
    std::string file(header + kRecordSize * static_cast<std::size_t>(setup.records), '\0');
    PutInt32(file.data(), 1);
    PutInt32(file.data() + 4, setup.skip);
    PutInt32(file.data() + 8, static_cast<std::int32_t>(setup.records));
    std::memset(file.data() + 12, 0x5A, static_cast<std::size_t>(setup.skip));
    const std::int64_t first = FirstRecordTime(setup.from);
    for (std::int64_t j = 0; j < setup.records; ++j) {
        char* record = file.data() + header + kRecordSize * static_cast<std::size_t>(j);
        PutInt32(record, static_cast<std::int32_t>(first + j * setup.interval));
        const std::int64_t user = GeneratedRecordUser(setup, j);
        PutText(record + 4, 39, setup.users == 0 ? std::string("0") : GeneratedCard(setup, user));
        record[44] = static_cast<char>(j % 3);  // none, sign-in, sign-out
    }
    if (setup.cutRecords >= 0 && static_cast<std::size_t>(setup.cutRecords) < file.size()) {
        file.resize(static_cast<std::size_t>(setup.cutRecords));
    }
    return file;
}

}  // namespace ostrand::sim

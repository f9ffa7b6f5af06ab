#include "ops/attendance_data/user_file.h"

#include <array>
#include <cstring>
#include <fstream>
#include <iostream>

#include "ops/attendance_data/name_text.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

using RecordBuffer = std::array<char, kUserRecordSize>;

// The text of a fixed field up to its first NUL, never beyond the field.
std::string FieldText(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

// Turns a UTF-8 name into GBK in place. The name is measured up to its NUL or
// the end of the record, as the terminals write names that fill the field.
void FixUpName(RecordBuffer& record) {
    char* name = record.data() + kUserNameOffset;
    const std::size_t limit = kUserRecordSize - kUserNameOffset;
    const void* nul = std::memchr(name, 0, limit);
    const std::size_t length = nul ? static_cast<const char*>(nul) - name : limit;
    if (length == 0 || !IsNonAsciiUtf8(name, length)) return;
    const std::string gbk =
        Utf8NameToAnsi(std::string_view(name, kUserNameSize), std::min(length, kUserNameSize));
    std::memset(name, 0, kUserNameSize);
    std::memcpy(name, gbk.data(), std::min(gbk.size(), kUserNameSize));
}

// Takes one record from the buffer unless its card number is empty; a taken
// record clears the buffer, a skipped one leaves it for the next read.
void TakeRecord(RecordBuffer& record, std::vector<UserFileRecord>& users) {
    if (record[kUserCardOffset] == 0) return;
    FixUpName(record);
    UserFileRecord user;
    std::memcpy(&user.number, record.data(), sizeof user.number);  // little-endian, as the host
    user.cardNo = FieldText(record.data() + kUserCardOffset, kUserCardSize);
    user.name = FieldText(record.data() + kUserNameOffset, kUserNameSize);
    users.push_back(std::move(user));
    record.fill(0);
}

}  // namespace

void ParseUserRecords(std::string_view records, std::vector<UserFileRecord>& users) {
    RecordBuffer record{};
    for (std::size_t offset = 0; offset < records.size(); offset += kUserRecordSize) {
        const std::size_t take = std::min(kUserRecordSize, records.size() - offset);
        std::memcpy(record.data(), records.data() + offset, take);
        TakeRecord(record, users);
    }
}

bool ReadUserFile(std::string_view mac, std::vector<UserFileRecord>& users,
                  const AttendanceDataPlaces& places) {
    const auto path = places.DataFilePath(mac, DataFile::Users);
    std::ifstream file;
    if (path) file.open(*path, std::ios::binary);
    if (!path || !file) {
        ShowMessage("打开userinfo文件失败!");
        return false;
    }
    std::string bytes;
    char block[65536];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        bytes.append(block, static_cast<std::size_t>(file.gcount()));
    }
    if (bytes.empty()) {
        std::cerr << "读取版本号失败！" << std::endl;
        return false;
    }
    if (bytes.size() > kUserVersionSize) ParseUserRecords(std::string_view(bytes).substr(kUserVersionSize), users);
    return true;
}

}  // namespace ostrand

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

namespace {

// The records of `bytes`, one after another, through `record`: it keeps what
// the previous record left, so a short last record is completed from it.
void TakeRecords(std::string_view bytes, RecordBuffer& record, std::vector<UserFileRecord>& users) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kUserRecordSize) {
        const std::size_t take = std::min(kUserRecordSize, bytes.size() - offset);
        std::memcpy(record.data(), bytes.data() + offset, take);
        TakeRecord(record, users);
    }
}

// Whole records at a time: a file of any size is read through this buffer.
constexpr std::size_t kRecordsPerRead = 4096;

}  // namespace

void ParseUserRecords(std::string_view records, std::vector<UserFileRecord>& users) {
    RecordBuffer record{};
    TakeRecords(records, record, users);
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
    // The version first, then the records in reads of whole records; only the
    // parsed list grows with the file.
    std::array<char, kUserVersionSize> version{};
    file.read(version.data(), static_cast<std::streamsize>(version.size()));
    if (file.gcount() == 0) {
        std::cerr << "读取版本号失败！" << std::endl;
        return false;
    }
    std::string block(kUserRecordSize * kRecordsPerRead, '\0');
    RecordBuffer record{};
    while (file) {
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(file.gcount());
        if (got == 0) break;
        TakeRecords(std::string_view(block.data(), got), record, users);
    }
    return true;
}

}  // namespace ostrand

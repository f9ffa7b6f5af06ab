#pragma once
// Parser of the terminal's user file "userinfo".

#include <string_view>
#include <vector>

#include "ops/attendance_data/attendance_types.h"
#include "ops/attendance_data/data_places.h"

namespace ostrand {

// Appends the records of the device's user file to `users` in file order,
// skipping records without a card number and turning UTF-8 names into GBK.
// False (after "打开userinfo文件失败!", or the line "读取版本号失败！" on the
// standard error for an empty file) when the file cannot be opened or holds
// no version; true otherwise, also when it holds no records. A file of any
// length or content is read safely: a short last record is completed from the
// bytes of the record before it.
bool ReadUserFile(std::string_view mac, std::vector<UserFileRecord>& users,
                  const AttendanceDataPlaces& places);

// The same rules on a file already opened elsewhere (bytes after the version).
void ParseUserRecords(std::string_view records, std::vector<UserFileRecord>& users);

}  // namespace ostrand

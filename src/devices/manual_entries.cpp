#include "devices/manual_entries.h"

#include <string>

#include "platform/profile.h"

namespace ostrand {

std::int32_t LoadManualEntries(DeviceTable& table, std::string_view settingsFile) {
    table.Clear();
    for (int n = 0; n < kMaxManualEntries; ++n) {
        const std::string section = "Dev" + std::to_string(n);
        const std::string ip = ReadIniString("IP", "", settingsFile, section);
        if (ip.empty()) break;
        DeviceRecord record;
        SetFieldText(record.ip, ip);
        SetFieldText(record.mac, ip);
        record.commandPort = ReadIniInt(60005, "Port", settingsFile, section);
        record.attendType = ReadIniInt(1, "AttType", settingsFile, section);
        SetFieldText(record.version, ReadIniString("Ver", "", settingsFile, section));
        SetFieldText(record.deviceNumber, ReadIniString("DevNo", "", settingsFile, section));
        table.Append(record);
    }
    return table.count;
}

}  // namespace ostrand

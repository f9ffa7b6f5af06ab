#include "devices/device_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "platform/code_page.h"

namespace ostrand {
namespace {

// The fixed cell texts, converted once from the source's UTF-8.
struct CellTexts {
    std::string no = Utf8ToGbkLossy("否");
    std::string terminal = Utf8ToGbkLossy("是(考勤机)");
    std::string capture = Utf8ToGbkLossy("是(拍照IPC)");
    std::string unknown = Utf8ToGbkLossy("未知");
    std::string connected = Utf8ToGbkLossy("已连接");
    std::string notConnected = Utf8ToGbkLossy("未连接");
    std::string normal = Utf8ToGbkLossy("正常");
    std::string abnormal = Utf8ToGbkLossy("不正常");
    std::string inserted = Utf8ToGbkLossy("已插入");
    std::string notInserted = Utf8ToGbkLossy("未插入");
    std::string notMounted = Utf8ToGbkLossy("未挂载");
    std::string bound = Utf8ToGbkLossy("已绑定");
    std::string notBound = Utf8ToGbkLossy("未绑定");
    std::string dirty = Utf8ToGbkLossy("存在脏数据");
    std::string notSupported = Utf8ToGbkLossy("不支持该功能");
};

const CellTexts& Texts() {
    static const CellTexts texts;
    return texts;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string IntText(std::int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

bool IsTabOrLineFeed(char c) { return c == '\t' || c == '\n'; }

std::string_view TrimTabsAndLineFeeds(std::string_view text) {
    while (!text.empty() && IsTabOrLineFeed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTabOrLineFeed(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string AttendKindText(std::int32_t attendType) {
    if (attendType == 0) return Texts().no;
    if (attendType == 1) return Texts().terminal;
    return Texts().capture;
}

std::string ConnectionStateText(std::int32_t status) {
    if (status == 0) return Texts().unknown;
    if (status == 1) return Texts().connected;
    return Texts().notConnected;
}

std::string TfCardText(std::int32_t attendType, std::int32_t tfStatus) {
    const CellTexts& t = Texts();
    if (attendType != 0) {
        if (tfStatus == 0) return t.unknown;
        if (tfStatus == 1) return t.normal;
        return t.abnormal;
    }
    if (tfStatus == -1) return t.notMounted + t.notBound;
    if (tfStatus == 0) return t.notSupported;
    const auto bits = static_cast<std::uint32_t>(tfStatus);
    std::string text;
    if (bits & 0x2u) {
        text = t.inserted;
    } else if (bits & 0x1u) {
        text = t.notInserted;
    } else {
        text = t.notMounted;
    }
    text += (bits & 0x4u) ? t.bound : t.notBound;
    if (bits & 0x8u) text += t.dirty;
    return text;
}

std::string DeviceNameText(const DeviceRecord& record) {
    std::string name = FieldText(record.deviceName);
    if (record.commandPort == kTcpCommandPort || IsAscii(name)) return name;
    return Utf8ToGbkLossy(name);
}

std::string DeviceTypeText(std::int32_t deviceType) {
    return IntText(deviceType == 0 ? 1 : deviceType);
}

std::string VersionText(const DeviceRecord& record) {
    std::string version = FieldText(record.version);
    std::string prefix = FieldText(record.versionPrefix);
    if (prefix.empty()) return version;
    prefix += '_';
    prefix += version;
    return prefix;
}

DeviceRow MakeDeviceRow(const DeviceRecord& record, int rowNumber) {
    DeviceRow row;
    row[kColRowNumber] = IntText(rowNumber);
    row[kColAttendKind] = AttendKindText(record.attendType);
    row[kColDeviceName] = DeviceNameText(record);
    row[kColDeviceNumber] = FieldText(record.deviceNumber);
    row[kColProductModel] = FieldText(record.productModel);
    if (record.attendType == 2) row[kColTerminalNumber] = FieldText(record.attendTerminalNumber);
    row[kColLoginAccount] = FieldText(record.loginAccount);
    row[kColServerState] = ConnectionStateText(record.attendServerStatus);
    row[kColRs485State] = ConnectionStateText(record.rs485Status);
    row[kColTfCard] = TfCardText(record.attendType, record.tfStatus);
    row[kColIp] = FieldText(record.ip);
    row[kColSubnetMask] = FieldText(record.subnetMask);
    row[kColGateway] = FieldText(record.gateway);
    row[kColMac] = FieldText(record.mac);
    row[kColWebPort] = IntText(record.webPort);
    row[kColDeviceType] = DeviceTypeText(record.deviceType);
    row[kColVideoChannels] = IntText(record.videoChannels);
    row[kColVersion] = VersionText(record);
    row[kColCommandPort] = IntText(record.commandPort);
    return row;
}

bool PassesFilter(ListFilter filter, std::int32_t attendType) {
    switch (filter) {
        case ListFilter::Attendance:
            return attendType != 0;
        case ListFilter::Monitoring:
            return attendType < 1 || attendType > 3;
        case ListFilter::All:
            break;
    }
    return true;
}

std::int32_t CellInt(std::string_view cell) {
    std::size_t i = 0;
    while (i < cell.size() && (cell[i] == ' ' || (cell[i] >= '\t' && cell[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < cell.size() && (cell[i] == '+' || cell[i] == '-')) negative = cell[i++] == '-';
    long long value = 0;
    for (; i < cell.size() && cell[i] >= '0' && cell[i] <= '9'; ++i) {
        value = value * 10 + (cell[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturate below
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool ContainsGbk(std::string_view key, std::string_view text) {
    if (text.empty()) return true;
    std::size_t i = 0;
    while (i + text.size() <= key.size()) {
        if (key.compare(i, text.size(), text) == 0) return true;
        const auto lead = static_cast<unsigned char>(key[i]);
        i += (lead >= 0x81 && lead <= 0xFE && i + 1 < key.size()) ? 2 : 1;
    }
    return false;
}

void DeviceList::Clear() {
    rows_.clear();
    index_.clear();
}

void DeviceList::FillDeviceList(const DeviceTable& table, std::int32_t count) {
    Clear();
    const auto n = static_cast<std::size_t>(
        std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(DeviceTable::kCapacity)));
    const auto records = std::span<const DeviceRecord>(table.records.data(), n);
    rows_.reserve(records.size());
    for (const DeviceRecord& record : records) {
        if (!PassesFilter(filter_, record.attendType)) continue;
        const int r = static_cast<int>(rows_.size());
        rows_.push_back(MakeDeviceRow(record, r + 1));
        index_[rows_.back()[kColDeviceNumber]] = r;
    }
}

FindResult DeviceList::FindByNumber(std::string_view text) const {
    if (text.empty()) return {FindStatus::EmptyText, -1};
    if (auto exact = index_.find(std::string(text)); exact != index_.end()) {
        return {FindStatus::Found, exact->second};
    }
    for (const auto& [number, row] : index_) {
        if (ContainsGbk(number, text)) return {FindStatus::Found, row};
    }
    return {FindStatus::NotFound, -1};
}

std::string DeviceList::CopyText(bool cellsUnchanged) const {
    std::string text;
    for (const DeviceRow& row : rows_) {
        for (const std::string& cell : row) {
            text += cellsUnchanged ? std::string_view(cell) : TrimTabsAndLineFeeds(cell);
            text += '\t';
        }
        text += '\n';
    }
    return text;
}

}  // namespace ostrand

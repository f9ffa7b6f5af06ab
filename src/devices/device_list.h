#pragma once
// The device list as the main window shows it, without any toolkit: one row of
// 19 cell texts per shown record, the list filter, the device-number index and
// the find and copy rules. Cells are GBK like the record texts; the widget
// converts them for display. Commands read the selected device from these row
// texts, so what a command acts on is always what the user sees.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_ports.h"
#include "devices/device_record.h"
#include "devices/device_table.h"

namespace ostrand {

inline constexpr int kDeviceColumnCount = 19;

enum DeviceColumn : int {
    kColRowNumber = 0,
    kColAttendKind = 1,
    kColDeviceName = 2,
    kColDeviceNumber = 3,
    kColProductModel = 4,
    kColTerminalNumber = 5,
    kColLoginAccount = 6,
    kColServerState = 7,
    kColRs485State = 8,
    kColTfCard = 9,
    kColIp = 10,
    kColSubnetMask = 11,
    kColGateway = 12,
    kColMac = 13,
    kColWebPort = 14,
    kColDeviceType = 15,
    kColVideoChannels = 16,
    kColVersion = 17,
    kColCommandPort = 18,
};

enum class ListFilter : std::int32_t { All = 0, Attendance = 1, Monitoring = 2 };

using DeviceRow = std::array<std::string, kDeviceColumnCount>;

// Device number (GBK) -> shown row. std::string orders by unsigned bytes, which
// is strcmp order.
using DeviceNumberIndex = std::map<std::string, int>;

// Cell rules (results are GBK).
// Column 1: 0 "否", 1 "是(考勤机)", anything else "是(拍照IPC)".
std::string AttendKindText(std::int32_t attendType);
// Columns 7 and 8: 0 "未知", 1 "已连接", anything else "未连接".
std::string ConnectionStateText(std::int32_t status);
// Column 9.
std::string TfCardText(std::int32_t attendType, std::int32_t tfStatus);
// Column 2: the name converted from UTF-8 unless the device talks over the TCP
// channel (whose names are GBK already). Malformed UTF-8 shows as "?".
std::string DeviceNameText(const DeviceRecord& record);
// Column 15: type 0 is shown as 1.
std::string DeviceTypeText(std::int32_t deviceType);
// Column 17: "<prefix>_<version>" or the version alone.
std::string VersionText(const DeviceRecord& record);
// All 19 cells; rowNumber is the 1-based number of column 0.
DeviceRow MakeDeviceRow(const DeviceRecord& record, int rowNumber);

bool PassesFilter(ListFilter filter, std::int32_t attendType);

// The integer at the start of a cell (atoi rules), e.g. the port of column 18.
std::int32_t CellInt(std::string_view cell);

// True when `text` occurs in `key` starting at a character boundary, so a
// match never begins on the trail byte of a double-byte character.
bool ContainsGbk(std::string_view key, std::string_view text);

enum class FindStatus { EmptyText, NotFound, Found };
struct FindResult {
    FindStatus status = FindStatus::NotFound;
    int row = -1;
};

class DeviceList {
public:
    ListFilter Filter() const { return filter_; }
    void SetFilter(ListFilter filter) { filter_ = filter; }

    // Rebuilds rows and index from the first `count` records under the filter.
    // A count outside 0 .. the table's size is clamped.
    void FillDeviceList(const DeviceTable& table, std::int32_t count);
    void Clear();

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const DeviceRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    const std::string& Cell(int row, int column) const {
        return Row(row).at(static_cast<std::size_t>(column));
    }
    const DeviceNumberIndex& NumberIndex() const { return index_; }

    // Exact device number first, then the first number in ascending order that
    // contains the text. The text is GBK.
    FindResult FindByNumber(std::string_view text) const;

    // Every row, every cell followed by a tab, every row followed by "\n".
    // Without `cellsUnchanged` leading and trailing tabs and line feeds of each
    // cell are dropped (a plain right-click); with it (a modifier key held) the
    // cells are copied as they are.
    std::string CopyText(bool cellsUnchanged) const;

private:
    ListFilter filter_ = ListFilter::All;
    std::vector<DeviceRow> rows_;
    DeviceNumberIndex index_;
};

}  // namespace ostrand

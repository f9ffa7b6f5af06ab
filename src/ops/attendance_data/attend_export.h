#pragma once
// The exports of the attendance windows: the user list and the clock-in
// records written to .xls workbooks, one sheet each with a header row.
//
// A sheet holds at most 65536 rows, so an export is cut into parts of 50000
// data rows, each a file of its own named after the moment it was begun. Two
// parts never share a name (a part begun in the same second as an earlier one
// gets a counter), so no part is ever continued past its size. The parts are
// written under temporary names and get their .xls names only once every part
// is written: an export that fails half way leaves no file that looks done.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ops/attendance_data/attend_groups.h"
#include "ops/attendance_data/attendance_types.h"
#include "workbook/biff8/sheet_grid.h"
#include "workbook/workbook_file.h"

namespace ostrand {

inline constexpr std::size_t kExportPartRows = 50000;
// Appended to a part's name while it is being written.
inline constexpr const char* kExportPartialSuffix = ".partial";

// The sheet every part of one export carries: its name and the header row.
struct ExportSheet {
    std::u16string name;
    std::vector<std::u16string> header;
};

const ExportSheet& UserListSheet();    // "用户信息表": "序号", "卡号", "持卡人姓名"
const ExportSheet& AttendRowsSheet();  // "打卡记录表": "序号", "卡号", "持卡人", "出勤状态", "时间"

// The moment a part is begun; the PC's clock unless a test sets another.
using ExportClock = std::function<std::time_t()>;

// Names the parts of one export: the chosen path (with whatever extension
// the user typed), "_", the local time "%Y-%m-%d_%H%M%S" and ".xls". A name
// already given in this export, or taken on disk (done or in progress), gets
// "_2", "_3" ... before ".xls".
class ExportPartNamer {
public:
    explicit ExportPartNamer(std::filesystem::path chosenPath, ExportClock clock = {});
    // nullopt when the clock cannot be read or no free name is found.
    std::optional<std::filesystem::path> Next();

private:
    bool Free(const std::filesystem::path& candidate) const;

    std::filesystem::path chosenPath_;
    ExportClock clock_;
    std::set<std::filesystem::path> given_;
};

// Starts a part: a fresh workbook whose one sheet has the sheet's name and
// the header row (UTF-16 texts in row 0). The grid; nullptr when the sheet
// cannot be named.
SheetGrid* BeginExportPart(WorkbookFile& workbook, const ExportSheet& sheet);

// Puts the next item into row `row` of the grid; false when it cannot.
using ExportRowWriter = std::function<bool(SheetGrid& grid, std::uint32_t row)>;

struct ExportResult {
    bool ok = false;
    std::vector<std::filesystem::path> files;  // the parts written, in order
};

// Writes `count` items, in parts of kExportPartRows data rows, and shows
// "向%s写入数据成功!" with the last part's name, or "向Excel写入数据失败!"
// when anything fails (no part is then left behind). No items still write
// one part holding the header.
ExportResult ExportRows(const std::filesystem::path& chosenPath, const ExportSheet& sheet, std::size_t count,
                        const ExportRowWriter& writeRow, const ExportClock& clock = {});

// The user list in file order: the user's number, the card number as narrow
// text (UTF-16 when it holds characters beyond ASCII), the name as UTF-16.
ExportResult ExportUserList(const std::filesystem::path& chosenPath, const std::vector<UserFileRecord>& users,
                            const ExportClock& clock = {});

// The records in the record window's order: a running number from 1 over the
// whole export, card number, name, status and time.
ExportResult ExportAttendRows(const std::filesystem::path& chosenPath, const AttendGroups& groups,
                              const ExportClock& clock = {});

}  // namespace ostrand

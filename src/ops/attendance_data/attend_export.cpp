#include "ops/attendance_data/attend_export.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <unordered_map>

#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

// Enough for any number of exports begun in one second.
constexpr int kMaxNameCounter = 100000;

fs::path PartialPath(const fs::path& part) {
    fs::path partial = part;
    partial += kExportPartialSuffix;
    return partial;
}

// A GBK text as the UTF-16 text of a cell. Bytes that are not GBK become "?"
// rather than the whole text being lost.
std::u16string WideCellText(const std::string& gbk) {
    if (auto wide = AnsiToWide(gbk)) return std::move(*wide);
    return Utf8ToUtf16(GbkToUtf8Lossy(gbk)).value_or(std::u16string{});
}

// Names and states repeat across a million records; each is converted once.
class WideTexts {
public:
    const std::u16string& operator()(const std::string& gbk) {
        auto it = converted_.find(gbk);
        if (it == converted_.end()) it = converted_.emplace(gbk, WideCellText(gbk)).first;
        return it->second;
    }

private:
    std::unordered_map<std::string, std::u16string> converted_;
};

bool SetInteger(SheetGrid& grid, std::uint32_t row, std::uint32_t col, std::int32_t value) {
    CellValue* cell = grid.Cell(row, col);
    if (cell == nullptr) return false;
    cell->SetInteger(value);
    return true;
}

bool SetText(SheetGrid& grid, std::uint32_t row, std::uint32_t col, const std::string& text) {
    CellValue* cell = grid.Cell(row, col);
    return cell != nullptr && cell->SetText(text);
}

bool SetWideText(SheetGrid& grid, std::uint32_t row, std::uint32_t col, const std::u16string& text) {
    CellValue* cell = grid.Cell(row, col);
    return cell != nullptr && cell->SetWideText(text);
}

// Card numbers are narrow text; a narrow cell holds single bytes, which a
// reader shows as Latin-1, so a card number with GBK characters goes in as
// UTF-16 instead of turning into other characters.
bool SetCardText(SheetGrid& grid, std::uint32_t row, std::uint32_t col, const std::string& gbk) {
    const bool ascii = std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? SetText(grid, row, col, gbk) : SetWideText(grid, row, col, WideCellText(gbk));
}

// The parts of one export on their temporary names until Commit; whatever
// is not committed is removed.
class PartFiles {
public:
    PartFiles() = default;
    PartFiles(const PartFiles&) = delete;
    PartFiles& operator=(const PartFiles&) = delete;
    ~PartFiles() {
        if (!committed_) Discard();
    }

    void Add(fs::path part) { parts_.push_back(std::move(part)); }

    // Gives every part its name; on any failure takes back what was renamed.
    bool Commit() {
        for (const fs::path& part : parts_) {
            std::error_code error;
            fs::rename(PartialPath(part), part, error);
            if (error) return false;
        }
        committed_ = true;
        return true;
    }

    const std::vector<fs::path>& Parts() const { return parts_; }

private:
    void Discard() {
        for (const fs::path& part : parts_) {
            std::error_code ignored;
            fs::remove(PartialPath(part), ignored);
            fs::remove(part, ignored);
        }
    }

    std::vector<fs::path> parts_;
    bool committed_ = false;
};

std::time_t Now(const ExportClock& clock) { return clock ? clock() : std::time(nullptr); }

}  // namespace

const ExportSheet& UserListSheet() {
    static const ExportSheet sheet{u"用户信息表", {u"序号", u"卡号", u"持卡人姓名"}};
    return sheet;
}

const ExportSheet& AttendRowsSheet() {
    static const ExportSheet sheet{u"打卡记录表", {u"序号", u"卡号", u"持卡人", u"出勤状态", u"时间"}};
    return sheet;
}

ExportPartNamer::ExportPartNamer(fs::path chosenPath, ExportClock clock)
    : chosenPath_(std::move(chosenPath)), clock_(std::move(clock)) {}

bool ExportPartNamer::Free(const fs::path& candidate) const {
    std::error_code error;
    if (given_.contains(candidate)) return false;
    if (fs::exists(fs::symlink_status(candidate, error))) return false;
    return !fs::exists(fs::symlink_status(PartialPath(candidate), error));
}

std::optional<fs::path> ExportPartNamer::Next() {
    const std::time_t now = Now(clock_);
    std::tm local{};
    char stamp[32];
    if (localtime_r(&now, &local) == nullptr || std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M%S", &local) == 0) {
        return std::nullopt;
    }
    const std::string base = chosenPath_.string() + "_" + stamp;
    for (int counter = 1; counter <= kMaxNameCounter; ++counter) {
        fs::path candidate = counter == 1 ? base + ".xls" : base + "_" + std::to_string(counter) + ".xls";
        if (Free(candidate)) {
            given_.insert(candidate);
            return candidate;
        }
    }
    return std::nullopt;
}

SheetGrid* BeginExportPart(WorkbookFile& workbook, const ExportSheet& sheet) {
    workbook.New();
    if (!workbook.RenameFirstSheet(sheet.name)) return nullptr;
    SheetGrid* grid = workbook.FindSheet(sheet.name);
    if (grid == nullptr) return nullptr;
    for (std::size_t col = 0; col < sheet.header.size(); ++col) {
        if (!SetWideText(*grid, 0, static_cast<std::uint32_t>(col), sheet.header[col])) return nullptr;
    }
    return grid;
}

ExportResult ExportRows(const fs::path& chosenPath, const ExportSheet& sheet, std::size_t count,
                        const ExportRowWriter& writeRow, const ExportClock& clock) {
    ExportPartNamer namer(chosenPath, clock);
    PartFiles parts;
    // One workbook per part; each is dropped once saved, so a million
    // records never sit in memory as cells at once.
    const auto writePart = [&](std::size_t rows) {
        const auto name = namer.Next();
        if (!name) return false;
        parts.Add(*name);
        auto workbook = std::make_unique<WorkbookFile>();
        SheetGrid* grid = BeginExportPart(*workbook, sheet);
        if (grid == nullptr) return false;
        for (std::size_t i = 0; i < rows; ++i) {
            if (!writeRow(*grid, static_cast<std::uint32_t>(i + 1))) return false;
        }
        return workbook->SaveAs(PartialPath(*name));
    };

    bool ok = true;
    std::size_t written = 0;
    do {
        const std::size_t rows = std::min(kExportPartRows, count - written);
        ok = writePart(rows);
        written += rows;
    } while (ok && written < count);
    ok = ok && parts.Commit();

    if (!ok) {
        ShowMessage("向Excel写入数据失败!");
        return {};
    }
    ShowMessage("向" + parts.Parts().back().string() + "写入数据成功!");
    return {true, parts.Parts()};
}

ExportResult ExportUserList(const fs::path& chosenPath, const std::vector<UserFileRecord>& users,
                            const ExportClock& clock) {
    std::size_t next = 0;
    const auto writeRow = [&](SheetGrid& grid, std::uint32_t row) {
        const UserFileRecord& user = users[next++];
        return SetInteger(grid, row, 0, user.number) && SetCardText(grid, row, 1, user.cardNo) &&
               SetWideText(grid, row, 2, WideCellText(user.name));
    };
    return ExportRows(chosenPath, UserListSheet(), users.size(), writeRow, clock);
}

ExportResult ExportAttendRows(const fs::path& chosenPath, const AttendGroups& groups, const ExportClock& clock) {
    std::size_t count = 0;
    for (const auto& [card, group] : groups) count += group.size();
    auto groupIt = groups.begin();
    std::size_t inGroup = 0;
    std::int32_t serial = 0;
    WideTexts wide;
    const auto writeRow = [&](SheetGrid& grid, std::uint32_t row) {
        while (inGroup == groupIt->second.size()) {
            ++groupIt;
            inGroup = 0;
        }
        const AttendRow& item = groupIt->second[inGroup++];
        return SetInteger(grid, row, 0, ++serial) && SetCardText(grid, row, 1, item.cardNo) &&
               SetWideText(grid, row, 2, wide(item.name)) && SetWideText(grid, row, 3, wide(item.status)) &&
               SetText(grid, row, 4, item.time);
    };
    return ExportRows(chosenPath, AttendRowsSheet(), count, writeRow, clock);
}

}  // namespace ostrand

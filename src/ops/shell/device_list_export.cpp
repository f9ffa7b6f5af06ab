#include "ops/shell/device_list_export.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#include "ops/shell/csv_field.h"
#include "platform/code_page.h"
#include "transport/output_file.h"
#include "workbook/workbook_file.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kListSheetName = u"设备列表";

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void AppendCsvLine(std::string& out, const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i != 0) out += ',';
        out += CsvField(cells[i]);
    }
    out += "\r\n";
}

bool PutCell(SheetGrid& grid, std::uint32_t row, std::uint32_t col, const std::string& utf8) {
    if (utf8.empty()) return true;
    CellValue* cell = grid.Cell(row, col);
    if (cell == nullptr) return false;
    if (IsAscii(utf8)) return cell->SetText(utf8);
    const auto wide = Utf8ToUtf16(utf8);
    return wide && cell->SetWideText(*wide);
}

// A private folder for the workbook the container layer writes by path; it
// and everything in it go when the export is done.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "ostrand-list-XXXXXX").string();
        if (error) pattern = "/tmp/ostrand-list-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

}  // namespace

ListSheet BuildListSheet(const DeviceList& list, const ColumnHeaders& headers,
                         const std::function<bool(int row)>& rowShown) {
    return BuildListSheet(list, std::vector<std::string>(headers.begin(), headers.end()), rowShown);
}

ListSheet BuildListSheet(const DeviceList& list, std::vector<std::string> headers,
                         const std::function<bool(int row)>& rowShown) {
    ListSheet sheet;
    sheet.headers = std::move(headers);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (rowShown && !rowShown(row)) continue;
        std::vector<std::string> cells;
        cells.reserve(kDeviceColumnCount);
        for (int column = 0; column < kDeviceColumnCount; ++column) cells.push_back(GbkToUtf8Lossy(list.Cell(row, column)));
        sheet.rows.push_back(std::move(cells));
    }
    return sheet;
}

std::optional<ListFileFormat> ListFormatForPath(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".csv") return ListFileFormat::Csv;
    if (extension == ".xls") return ListFileFormat::Workbook;
    return std::nullopt;
}

std::string ListSheetCsv(const ListSheet& sheet) {
    std::string out = "\xEF\xBB\xBF";
    AppendCsvLine(out, sheet.headers);
    for (const auto& row : sheet.rows) AppendCsvLine(out, row);
    return out;
}

std::optional<std::string> ListSheetWorkbook(const ListSheet& sheet) {
    // Row numbers of a sheet are 16 bits wide.
    if (sheet.rows.size() >= 65536) return std::nullopt;
    WorkbookFile workbook;
    if (!workbook.RenameFirstSheet(kListSheetName)) return std::nullopt;
    SheetGrid* grid = workbook.FindSheet(kListSheetName);
    if (grid == nullptr) return std::nullopt;
    const auto putRow = [grid](std::uint32_t row, const std::vector<std::string>& cells) {
        for (std::size_t col = 0; col < cells.size(); ++col) {
            if (!PutCell(*grid, row, static_cast<std::uint32_t>(col), cells[col])) return false;
        }
        return true;
    };
    if (!putRow(0, sheet.headers)) return std::nullopt;
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        if (!putRow(static_cast<std::uint32_t>(i + 1), sheet.rows[i])) return std::nullopt;
    }

    ScratchFolder scratch;
    if (scratch.Path().empty()) return std::nullopt;
    const fs::path file = scratch.Path() / "list.xls";
    if (!workbook.SaveAs(file)) return std::nullopt;
    workbook.Container().Close();
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error || size == 0) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    std::ifstream in(file, std::ios::binary);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    return bytes;
}

std::string SaveListSheet(const ListSheet& sheet, const fs::path& path, ListFileFormat format) {
    std::optional<std::string> bytes;
    if (format == ListFileFormat::Csv) {
        bytes = ListSheetCsv(sheet);
    } else {
        bytes = ListSheetWorkbook(sheet);
        if (!bytes) return "无法生成Excel文件!";
    }
    auto file = OutputFile::Open(path);
    if (!file) return "创建文件失败!";
    if (!file->Write(*bytes) || !file->Commit()) return "写入文件失败!";
    return {};
}

}  // namespace ostrand

#pragma once
// "导出列表..." of the device list's context menu: asks for a file and writes
// the rows the device list shows there, under the headers it shows, as a
// workbook or as CSV (ops/shell/device_list_export.h does the writing).

#include <QString>

#include <functional>

class QTableView;
class QWidget;

namespace ostrand {

class DeviceList;

inline constexpr const char* kListExportCaption = "导出列表...";
inline constexpr const char* kListExportFilters = "Excel 文件 (*.xls);;CSV 文件 (*.csv)";

// The file the user chose and the filter selected when choosing it; an empty
// path when the choice was cancelled.
struct ListExportChoice {
    QString path;
    QString filter;
};
using ListExportChooser = std::function<ListExportChoice(QWidget* parent, const QString& filters)>;
// Replaces the file dialog (tests); an empty chooser brings the dialog back.
void SetListExportChooser(ListExportChooser chooser);

// Puts the entry into the context menu of `view` (a right-click over the
// list); `window` owns the file dialog. `view` shows `list`; both outlive the
// view's actions.
void AddDeviceListExport(QWidget* window, QTableView* view, const DeviceList& list);

// The entry's work: choose a file, write the shown rows, report the outcome
// through the message sink.
void ExportDeviceList(QWidget* parent, const QTableView& view, const DeviceList& list);

}  // namespace ostrand

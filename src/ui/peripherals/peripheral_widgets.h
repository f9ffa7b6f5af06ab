#pragma once
// Small pieces the peripheral dialogs share: list cells that show a device
// text (GBK) and keep its bytes, report-style lists, and edit texts read as
// device text.

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;
class QTableWidget;
class QWidget;

namespace ostrand {

// A list with grid lines, full-row single selection, no editing, and Tab
// moving on to the next input rather than to the next cell.
QTableWidget* MakeReportList(const QStringList& headers, const std::initializer_list<int>& widths,
                             QWidget* parent);
// Writes the GBK text (shown in UTF-8) and keeps the bytes with the cell.
void SetDeviceCell(QTableWidget* list, int row, int column, const std::string& gbk);
std::string DeviceCell(const QTableWidget* list, int row, int column);
QString FromDevice(std::string_view gbk);
// The edit's text as device text; nullopt after a message when GBK cannot
// hold one of its characters.
std::optional<std::string> DeviceTextOf(const QLineEdit* edit);

}  // namespace ostrand

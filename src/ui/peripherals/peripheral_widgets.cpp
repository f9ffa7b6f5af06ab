#include "ui/peripherals/peripheral_widgets.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {

QTableWidget* MakeReportList(const QStringList& headers, const std::initializer_list<int>& widths, QWidget* parent) {
    auto* list = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    list->setHorizontalHeaderLabels(headers);
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setTabKeyNavigation(false);  // Tab leaves the list, as in every other input
    list->verticalHeader()->hide();
    int column = 0;
    for (const int width : widths) {
        if (width == 0) list->setColumnHidden(column, true);
        else list->setColumnWidth(column, width);
        ++column;
    }
    return list;
}

QString FromDevice(std::string_view gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

void SetDeviceCell(QTableWidget* list, int row, int column, const std::string& gbk) {
    auto* item = list->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        list->setItem(row, column, item);
    }
    item->setText(FromDevice(gbk));
    item->setData(Qt::UserRole, QByteArray::fromStdString(gbk));
}

std::string DeviceCell(const QTableWidget* list, int row, int column) {
    const auto* item = list->item(row, column);
    return item == nullptr ? std::string() : item->data(Qt::UserRole).toByteArray().toStdString();
}

std::optional<std::string> DeviceTextOf(const QLineEdit* edit) {
    auto gbk = Utf8ToGbk(edit->text().toStdString());
    if (!gbk) ShowMessage("输入的文字含有设备无法保存的字符，请修改后重试");
    return gbk;
}

}  // namespace ostrand

#include "ui/device_list_export.h"

#include <QAction>
#include <QFileDialog>
#include <QTableView>

#include <filesystem>
#include <string>
#include <vector>

#include "devices/device_list.h"
#include "ops/shell/device_list_export.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

ListExportChooser& Chooser() {
    static ListExportChooser chooser;
    return chooser;
}

ListExportChoice AskWithFileDialog(QWidget* parent, const QString& filters) {
    QFileDialog dialog(parent, QString::fromUtf8(kListExportCaption), QString(), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().front(), dialog.selectedNameFilter()};
}

// A name ending in .xls or .csv decides the format; any other name takes the
// selected filter's format and, when it has no extension at all, its suffix.
std::filesystem::path PathAndFormat(const ListExportChoice& choice, ListFileFormat& format) {
    std::filesystem::path path(choice.path.toStdString());
    if (const auto named = ListFormatForPath(path)) {
        format = *named;
        return path;
    }
    format = choice.filter.contains(QStringLiteral("*.csv")) ? ListFileFormat::Csv : ListFileFormat::Workbook;
    if (!path.has_extension()) path += format == ListFileFormat::Csv ? ".csv" : ".xls";
    return path;
}

}  // namespace

void SetListExportChooser(ListExportChooser chooser) { Chooser() = std::move(chooser); }

void AddDeviceListExport(QWidget* window, QTableView* view, const DeviceList& list) {
    auto* action = new QAction(QString::fromUtf8(kListExportCaption), window);
    action->setObjectName(QStringLiteral("actionExportList"));
    QObject::connect(action, &QAction::triggered, window,
                     [window, view, &list] { ExportDeviceList(window, *view, list); });
    view->addAction(action);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ExportDeviceList(QWidget* parent, const QTableView& view, const DeviceList& list) {
    const QString filters = QString::fromUtf8(kListExportFilters);
    const ListExportChoice choice = Chooser() ? Chooser()(parent, filters) : AskWithFileDialog(parent, filters);
    if (choice.path.isEmpty()) return;
    ListFileFormat format = ListFileFormat::Workbook;
    const std::filesystem::path path = PathAndFormat(choice, format);

    // The headers as the list shows them now (they follow the language).
    std::vector<std::string> headers;
    const QAbstractItemModel* model = view.model();
    for (int column = 0; column < kDeviceColumnCount; ++column) {
        headers.push_back(model ? model->headerData(column, Qt::Horizontal).toString().toStdString() : std::string());
    }
    const ListSheet sheet =
        BuildListSheet(list, std::move(headers), [&view](int row) { return !view.isRowHidden(row); });
    const std::string failure = SaveListSheet(sheet, path, format);
    ShowMessage(failure.empty() ? "向" + path.string() + "写入数据成功!" : failure);
}

}  // namespace ostrand

#include "ui/device_list_model.h"

#include "platform/code_page.h"

namespace ostrand {

DeviceListModel::DeviceListModel(const DeviceList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.RowCount();
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kDeviceColumnCount;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= list_.RowCount() ||
        index.column() >= kDeviceColumnCount) {
        return {};
    }
    return QString::fromStdString(GbkToUtf8Lossy(list_.Cell(index.row(), index.column())));
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kDeviceColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    const std::string_view text = DeviceColumnHeaders(headers_)[static_cast<std::size_t>(section)];
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void DeviceListModel::Refill(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

void DeviceListModel::SetHeaders(HeaderSet set) {
    headers_ = set;
    emit headerDataChanged(Qt::Horizontal, 0, kDeviceColumnCount - 1);
}

}  // namespace ostrand

#pragma once
// Presents a DeviceList to a QTableView. The list keeps its cells in GBK; they
// are converted for display only when a cell is drawn.

#include <QAbstractTableModel>

#include <functional>

#include "devices/device_columns.h"
#include "devices/device_list.h"

namespace ostrand {

class DeviceListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    DeviceListModel(const DeviceList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Runs `change` (which refills the list) inside a model reset, so views
    // never see the list half rebuilt.
    void Refill(const std::function<void()>& change);
    void SetHeaders(HeaderSet set);

private:
    const DeviceList& list_;
    HeaderSet headers_ = HeaderSet::Initial;
};

}  // namespace ostrand

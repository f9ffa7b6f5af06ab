#pragma once
// The two lists of the attendance windows as models, so a view asks only for
// the rows it shows: a million records stay one vector, not a widget item
// per cell, and device texts are converted to widget text only when drawn.

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

#include "ops/attendance_data/attend_groups.h"
#include "ops/attendance_data/attendance_types.h"

namespace ostrand {

// The user window's list: a tick box, "序列", "卡号", "持卡人姓名".
class UserListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kTick, kNumber, kCard, kName, kColumnCount };

    explicit UserListModel(const std::vector<UserFileRecord>& users, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    bool Ticked(int row) const { return ticks_[static_cast<std::size_t>(row)] != 0; }
    void SetTicked(int row, bool ticked);
    void SetAllTicked(bool ticked);
    // The ticked users in row order, as a query takes them.
    std::vector<UserEntry> TickedEntries() const;

private:
    const std::vector<UserFileRecord>& users_;
    std::vector<std::uint8_t> ticks_;
};

// The record window's list: "", "序号", "卡号", "持卡人", "出勤状态", "时间",
// every group in card order, each latest first.
class AttendRowsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kHidden, kSerial, kCard, kName, kStatus, kTime, kColumnCount };

    explicit AttendRowsModel(const AttendGroups& groups, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<const AttendRow*> rows_;
};

}  // namespace ostrand

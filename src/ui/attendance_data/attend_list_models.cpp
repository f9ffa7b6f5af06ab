#include "ui/attendance_data/attend_list_models.h"

#include <algorithm>

#include "platform/code_page.h"

namespace ostrand {
namespace {

// Device text (GBK) as widget text; bytes that are not GBK show as "?".
QString DeviceText(const std::string& gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

QVariant Header(const char* const* titles, int count, int section, Qt::Orientation orientation, int role) {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= count) return {};
    return QString::fromUtf8(titles[section]);
}

}  // namespace

UserListModel::UserListModel(const std::vector<UserFileRecord>& users, QObject* parent)
    : QAbstractTableModel(parent), users_(users), ticks_(users.size(), 0) {}

int UserListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(users_.size());
}

int UserListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant UserListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (index.column() == kTick) {
        if (role == Qt::CheckStateRole) return ticks_[row] ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role != Qt::DisplayRole) return {};
    const UserFileRecord& user = users_[row];
    switch (index.column()) {
        case kNumber: return QString::number(user.number);
        case kCard: return DeviceText(user.cardNo);
        case kName: return DeviceText(user.name);
        default: return {};
    }
}

bool UserListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != kTick || role != Qt::CheckStateRole) return false;
    SetTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags UserListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kTick) flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant UserListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[] = {"", "序列", "卡号", "持卡人姓名"};
    return Header(kTitles, kColumnCount, section, orientation, role);
}

void UserListModel::SetTicked(int row, bool ticked) {
    if (row < 0 || row >= rowCount()) return;
    ticks_[static_cast<std::size_t>(row)] = ticked ? 1 : 0;
    const QModelIndex cell = index(row, kTick);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void UserListModel::SetAllTicked(bool ticked) {
    if (ticks_.empty()) return;
    std::fill(ticks_.begin(), ticks_.end(), ticked ? 1 : 0);
    emit dataChanged(index(0, kTick), index(rowCount() - 1, kTick), {Qt::CheckStateRole});
}

std::vector<UserEntry> UserListModel::TickedEntries() const {
    std::vector<UserEntry> entries;
    for (std::size_t row = 0; row < users_.size(); ++row) {
        if (ticks_[row]) entries.push_back({users_[row].number, users_[row].cardNo, users_[row].name});
    }
    return entries;
}

AttendRowsModel::AttendRowsModel(const AttendGroups& groups, QObject* parent) : QAbstractTableModel(parent) {
    for (const auto& [card, group] : groups) {
        for (const AttendRow& row : group) rows_.push_back(&row);
    }
}

int AttendRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AttendRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant AttendRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return {};
    const AttendRow& row = *rows_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case kSerial: return QString::number(index.row() + 1);
        case kCard: return DeviceText(row.cardNo);
        case kName: return DeviceText(row.name);
        case kStatus: return DeviceText(row.status);
        case kTime: return DeviceText(row.time);
        default: return QString();
    }
}

QVariant AttendRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[] = {"", "序号", "卡号", "持卡人", "出勤状态", "时间"};
    return Header(kTitles, kColumnCount, section, orientation, role);
}

}  // namespace ostrand

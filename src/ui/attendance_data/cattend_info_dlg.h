#pragma once
// The record window "考勤记录信息": the records a query found, grouped by
// card number (card text order, latest first), and their export.

#include "ops/attendance_data/attend_groups.h"
#include "ui/attendance_data/attendance_window.h"

class QPushButton;
class QTableView;

namespace ostrand {

class AttendRowsModel;

class CAttendInfoDlg : public AttendanceWindow {
    Q_OBJECT

public:
    // Takes the query's groups (GroupAttendRows).
    CAttendInfoDlg(AttendGroups groups, QWidget* parent = nullptr);

    QTableView* List() const { return list_; }
    QPushButton* ExportButton() const { return export_; }
    const AttendGroups& Groups() const { return groups_; }

    // Button "导出考勤记录信息".
    void ExportAttendRows();

private:
    AttendGroups groups_;
    AttendRowsModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QPushButton* export_ = nullptr;
};

}  // namespace ostrand

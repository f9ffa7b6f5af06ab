#pragma once
// The user window "考勤信息管理": the terminal's card holders with a tick box
// each, the search by card number, "全选", the record query of the ticked
// holders over a date range, and the export of the whole user list.

#include <vector>

#include "ops/attendance_data/attend_query.h"
#include "ui/attendance_data/attendance_window.h"

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableView;

namespace ostrand {

class UserListModel;

class CUserInfoDlg : public AttendanceWindow {
    Q_OBJECT

public:
    // Takes the list OpenAttendanceData read; `places` says where the
    // device's data files and "Timer.ini" live.
    CUserInfoDlg(AttendanceDevice device, std::vector<UserFileRecord> users, AttendanceDataPlaces places,
                 QWidget* parent = nullptr);

    QTableView* List() const { return list_; }
    UserListModel* Model() const { return model_; }
    QLineEdit* SearchBox() const { return search_; }
    QCheckBox* TickAllBox() const { return tickAll_; }
    QDateEdit* StartDate() const { return startDate_; }
    QDateEdit* EndDate() const { return endDate_; }
    QPushButton* SearchButton() const { return searchButton_; }
    QPushButton* QueryButton() const { return queryButton_; }
    QPushButton* ExportButton() const { return exportButton_; }

    void SearchUser();                 // "搜索"
    void TickAllUsers(bool ticked);    // "全选"
    void QueryAttendRows();            // "查询"
    void ExportUserList();             // "导出考勤机人员名单"

private:
    AttendanceDevice device_;
    std::vector<UserFileRecord> users_;
    std::vector<UserEntry> entries_;
    AttendanceDataPlaces places_;
    UserListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLineEdit* search_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QCheckBox* tickAll_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QDateEdit* startDate_ = nullptr;
    QDateEdit* endDate_ = nullptr;
    QPushButton* queryButton_ = nullptr;
};

// The button sequence of "考勤信息管理" for the selected device: reads the
// user list off the GUI thread and opens the user window on it.
void OpenAttendanceWindows(QWidget* parent, const AttendanceDevice& device, const AttendanceDataPlaces& places);

}  // namespace ostrand

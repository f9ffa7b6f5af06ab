#include "ui/attendance_data/cuser_info_dlg.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/code_page.h"
#include "ui/attendance_data/attend_list_models.h"
#include "ui/attendance_data/attend_list_view.h"
#include "ui/attendance_data/cattend_info_dlg.h"
#include "ui/shell/gui_call.h"
#include "ui/shell/progress_dlg.h"
#include "ui/shell/tab_order.h"

namespace ostrand {

namespace {

// Runs a data file's download, asked for from a worker thread, under the
// progress window of `window` (on the GUI thread); the download runs on the
// worker itself when the GUI can no longer take it.
DownloadRunner UnderProgress(QWidget* window) {
    return [window](const std::function<void()>& download) {
        if (!CallOnGuiThread(window, [&] { RunWithProgress(window, ProgressMode::Import, download); })) download();
    };
}

constexpr const char* kDateFormat = "yyyy-MM-dd";  // the query's "%Y-%m-%d"

QPushButton* Button(const char* text, const char* id, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(id);
    button->setAutoDefault(false);
    return button;
}

QDateEdit* DatePicker(const char* id, QWidget* parent) {
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setObjectName(id);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QString::fromLatin1(kDateFormat));
    return picker;
}

}  // namespace

CUserInfoDlg::CUserInfoDlg(AttendanceDevice device, std::vector<UserFileRecord> users, AttendanceDataPlaces places,
                           QWidget* parent)
    : AttendanceWindow(QString::fromUtf8("考勤信息管理"), parent),
      device_(std::move(device)),
      users_(std::move(users)),
      entries_(UserEntriesFor(users_)),
      places_(std::move(places)) {
    model_ = new UserListModel(users_, this);
    list_ = MakeAttendListView(this, model_, {20, 60, 150, 230});
    list_->setObjectName("1266");
    search_ = new QLineEdit(this);
    search_->setObjectName("1284");
    searchButton_ = Button("搜索", "1275", this);
    tickAll_ = new QCheckBox(QString::fromUtf8("全选"), this);
    tickAll_->setObjectName("1287");
    exportButton_ = Button("导出考勤机人员名单", "1265", this);
    startDate_ = DatePicker("1285", this);
    endDate_ = DatePicker("1286", this);
    queryButton_ = Button("查询", "1259", this);

    auto* top = new QHBoxLayout;
    top->addWidget(search_, 1);
    top->addWidget(searchButton_);
    top->addWidget(tickAll_);
    top->addStretch();
    top->addWidget(exportButton_);

    auto* query = new QGroupBox(QString::fromUtf8("查询考勤记录"), this);
    auto* queryLayout = new QHBoxLayout(query);
    queryLayout->addWidget(new QLabel(QString::fromUtf8("开始时间:"), query));
    queryLayout->addWidget(startDate_);
    queryLayout->addWidget(new QLabel(QString::fromUtf8("结束时间:"), query));
    queryLayout->addWidget(endDate_);
    queryLayout->addStretch();
    queryLayout->addWidget(queryButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addWidget(query);
    resize(520, 480);

    // Tab follows the layout: the search row, the list, the query group.
    SetTabOrder({exportButton_, list_, startDate_});
    connect(searchButton_, &QPushButton::clicked, this, &CUserInfoDlg::SearchUser);
    connect(tickAll_, &QCheckBox::toggled, this, &CUserInfoDlg::TickAllUsers);
    connect(queryButton_, &QPushButton::clicked, this, &CUserInfoDlg::QueryAttendRows);
    connect(exportButton_, &QPushButton::clicked, this, &CUserInfoDlg::ExportUserList);
}

void CUserInfoDlg::SearchUser() {
    // A text GBK cannot hold is no card number of the device: nothing matches.
    const auto card = Utf8ToGbk(search_->text().toStdString());
    if (!card) return;
    for (const std::size_t row : FindUserRows(entries_, *card)) {
        const QModelIndex index = model_->index(static_cast<int>(row), UserListModel::kNumber);
        list_->scrollTo(index, QAbstractItemView::PositionAtTop);
        list_->setFocus();
        list_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        model_->SetTicked(static_cast<int>(row), true);
    }
}

void CUserInfoDlg::TickAllUsers(bool ticked) { model_->SetAllTicked(ticked); }

void CUserInfoDlg::QueryAttendRows() {
    std::vector<UserEntry> users = model_->TickedEntries();
    const std::string start = startDate_->date().toString(QString::fromLatin1(kDateFormat)).toStdString();
    const std::string end = endDate_->date().toString(QString::fromLatin1(kDateFormat)).toStdString();
    // The record file comes down under the progress window; the rest of the
    // query (time stamp, parse, grouping) runs while this window waits.
    std::optional<AttendGroups> groups;
    RunModalWork(this, [&] {
        groups = ostrand::QueryAttendRows(device_, std::move(users), start, end, places_, UnderProgress(this));
    }, BusyDescription("正在读取 %1 的考勤记录", "Reading the clock-in records of %1", device_.endpoint.ip));
    if (!groups || groups->empty()) return;  // the query has shown why
    CAttendInfoDlg records(std::move(*groups), this);
    records.exec();
}

void CUserInfoDlg::ExportUserList() {
    RunExport([this](const std::filesystem::path& path) { ostrand::ExportUserList(path, users_); });
}

void OpenAttendanceWindows(QWidget* parent, const AttendanceDevice& device, const AttendanceDataPlaces& places) {
    std::optional<std::vector<UserFileRecord>> users;
    // The user file comes down under the progress window, as the record file does.
    RunModalWork(parent, [&] { users = OpenAttendanceData(device, places, UnderProgress(parent)); },
                 BusyDescription("正在读取 %1 的用户信息", "Reading the users of %1", device.endpoint.ip));
    if (!users) return;  // its message has been shown
    CUserInfoDlg window(device, std::move(*users), places, parent);
    window.exec();
}

}  // namespace ostrand

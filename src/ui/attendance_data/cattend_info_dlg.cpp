#include "ui/attendance_data/cattend_info_dlg.h"

#include <algorithm>

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/attendance_data/attend_list_models.h"
#include "ui/attendance_data/attend_list_view.h"

namespace ostrand {

CAttendInfoDlg::CAttendInfoDlg(AttendGroups groups, QWidget* parent)
    : AttendanceWindow(QString::fromUtf8("考勤记录信息"), parent), groups_(std::move(groups)) {
    model_ = new AttendRowsModel(groups_, this);
    list_ = MakeAttendListView(this, model_, {0, 50, 100, 100, 60, 180});
    list_->setObjectName("1274");
    list_->setColumnHidden(AttendRowsModel::kHidden, true);
    // Running numbers reach seven digits with a million records.
    const int serialWidth = list_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12;
    list_->setColumnWidth(AttendRowsModel::kSerial, std::max(50, serialWidth));
    export_ = new QPushButton(QString::fromUtf8("导出考勤记录信息"), this);
    export_->setObjectName("1265");
    export_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(export_, 0, Qt::AlignRight);
    resize(560, 420);

    connect(export_, &QPushButton::clicked, this, &CAttendInfoDlg::ExportAttendRows);
}

void CAttendInfoDlg::ExportAttendRows() {
    RunExport([this](const std::filesystem::path& path) { ostrand::ExportAttendRows(path, groups_); });
}

}  // namespace ostrand

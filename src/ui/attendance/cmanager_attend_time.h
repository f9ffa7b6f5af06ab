#pragma once
// "设置考勤机考勤时间": the terminal's 16 attendance periods, edited one at a
// time under the overlap rules and sent as a whole.

#include "ops/attendance/attend_periods.h"
#include "ui/attendance/terminal_dialog.h"

class QComboBox;
class QTimeEdit;

namespace ostrand {

class CManagerAttendTime : public TerminalDialog {
public:
    explicit CManagerAttendTime(const DeviceEndpoint& endpoint, QWidget* parent = nullptr);
    void Load();  // 5036

    const PeriodTable& Periods() const { return table_; }

private:
    void ShowPeriod(int index);
    void Modify();
    void Send();

    PeriodTable table_;
    QComboBox* period_ = nullptr;
    QComboBox* type_ = nullptr;
    QTimeEdit* begin_ = nullptr;
    QTimeEdit* end_ = nullptr;
};

}  // namespace ostrand

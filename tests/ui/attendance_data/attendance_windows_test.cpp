// "考勤信息管理" and "考勤记录信息" against a simulated terminal: the user
// list with its ticks and search, the query of the ticked users into the
// record window, both exports through a replaced save dialog, and a million
// records in the record window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "ops/attendance_data/attend_export.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "sim/behaviours/attendance_data/attendance_data_files.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"
#include "ui/attendance_data/attend_list_models.h"
#include "ui/attendance_data/cattend_info_dlg.h"
#include "ui/attendance_data/cuser_info_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
constexpr const char* kMac = "00E04C6A1B2C";

void Screenshot(QWidget& window, const char* name) {
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    window.show();
    QTest::qWait(20);
    EXPECT_TRUE(window.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name));
}

// Runs `inside` on the record window the query opens, then closes it;
// looks for it for at most ten seconds.
void OnRecordWindow(const std::function<void(CAttendInfoDlg&)>& inside, bool& seen, int tries = 200) {
    QTimer::singleShot(50, [inside, &seen, tries] {
        auto* window = qobject_cast<CAttendInfoDlg*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            if (tries > 1) OnRecordWindow(inside, seen, tries - 1);
            return;
        }
        seen = true;
        inside(*window);
        window->done(0);
    });
}

class AttendanceWindows : public testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        root_ = fs::path(testing::TempDir()) / ("attendance_windows_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        places_.root = root_ / "data";
        SetExportFileChooser([this](QWidget*, const QString& filter) {
            EXPECT_EQ(filter, QString::fromLatin1(kExportFilter));
            return chosen_;
        });
    }
    void TearDown() override {
        SetExportFileChooser({});
        sim_.Stop();
        fs::remove_all(root_);
    }

    AttendanceDevice AddTerminal(nlohmann::json data) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + "41";
        config.kind = sim::DeviceKind::Terminal;
        config.state["attendance_data"] = std::move(data);
        device_ = &sim_.AddDevice(config);
        sim_.Start();
        return {{device_->AddressText(), device_->Port()}, kMac};
    }

    std::vector<std::string> TakeMessages() {
        auto texts = sink_.Texts();
        sink_.Clear();
        return texts;
    }

    static void SetDates(CUserInfoDlg& window, const QDate& from, const QDate& to) {
        window.StartDate()->setDate(from);
        window.EndDate()->setDate(to);
    }

    fs::path root_;
    AttendanceDataPlaces places_;
    QString chosen_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
    sim::Device* device_ = nullptr;
};

TEST_F(AttendanceWindows, TheUserFileComesDownUnderTheProgressWindowToo) {
    AddTerminal({{"users", 30}, {"records", 10}});
    sim::FaultOptions slow = device_->Faults();
    slow.replyDelayMs = 60;  // keeps the download up long enough to be seen
    device_->StoreFaults(slow);
    bool progressShown = false;
    bool usersShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<ProgressDlg*>(top) != nullptr && top->isVisible()) progressShown = true;
        }
        if (auto* users = qobject_cast<CUserInfoDlg*>(QApplication::activeModalWidget())) {
            usersShown = true;
            users->done(0);
        }
    });
    watch.start(5);
    QWidget parent;
    OpenAttendanceWindows(&parent, {{device_->AddressText(), device_->Port()}, kMac}, places_);
    watch.stop();
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(usersShown);
    EXPECT_TRUE(fs::exists(*places_.DataFilePath(kMac, DataFile::Users)));
}

TEST_F(AttendanceWindows, TicksSearchQueryAndExports) {
    const nlohmann::json data = {{"users", 30}, {"records", 600}, {"interval", 3600}, {"names", "utf8"}};
    const AttendanceDevice terminal = AddTerminal(data);
    const sim::AttendanceDataSetup setup = sim::ParseAttendanceDataSetup(data);
    ASSERT_TRUE(AllDialogRoutes().Has(CommandId::AttendInfo));

    auto users = OpenAttendanceData(terminal, places_);
    ASSERT_TRUE(users.has_value());
    ASSERT_EQ(users->size(), 30u);
    CUserInfoDlg window(terminal, *users, places_);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("考勤信息管理"));
    UserListModel& model = *window.Model();
    ASSERT_EQ(model.rowCount(), 30);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8("持卡人姓名"));
    EXPECT_EQ(model.index(2, 3).data().toString(), QString::fromStdString(sim::GeneratedNameUtf8(2)));

    // "全选" ticks every row and clears them again.
    window.TickAllBox()->setChecked(true);
    EXPECT_EQ(model.TickedEntries().size(), 30u);
    window.TickAllBox()->setChecked(false);
    EXPECT_TRUE(model.TickedEntries().empty());

    // Enter and Escape leave the window open.
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());

    // No tick: the record file still comes down, under the progress window
    // (a slow device keeps it up long enough to be seen), and nothing is found.
    SetDates(window, QDate(2024, 3, 1), QDate(2024, 3, 31));
    const sim::FaultOptions before = device_->Faults();
    sim::FaultOptions slow = before;
    slow.replyDelayMs = 60;
    device_->StoreFaults(slow);
    bool progressShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<ProgressDlg*>(top) != nullptr && top->isVisible()) progressShown = true;
        }
    });
    watch.start(5);
    window.QueryButton()->click();
    watch.stop();
    device_->StoreFaults(before);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"对不起，没有找到符合条件的记录!"});
    EXPECT_TRUE(fs::exists(*places_.DataFilePath(kMac, DataFile::Records)));

    // The search ticks and selects the holder of the card, a differing case finds nothing.
    const std::string card = sim::GeneratedCard(setup, 21);
    window.SearchBox()->setText(QString::fromStdString(card));
    window.SearchButton()->click();
    EXPECT_TRUE(model.Ticked(21));
    EXPECT_TRUE(window.List()->selectionModel()->isRowSelected(21, {}));
    ASSERT_EQ(model.TickedEntries().size(), 1u);
    Screenshot(window, "attendance_user_window.png");

    // The ticked holder's records of four days, in the record window.
    SetDates(window, QDate(2024, 3, 2), QDate(2024, 3, 5));
    bool seen = false;
    std::size_t expected = 0;
    for (std::int64_t j = 0; j < setup.records; ++j) {
        const std::int64_t day = (sim::GeneratedRecordTime(setup, j) - 28800) / 86400;
        const std::int64_t first = QDate(1970, 1, 1).daysTo(QDate(2024, 3, 2));
        expected += sim::GeneratedRecordUser(setup, j) == 21 && day >= first && day <= first + 3;
    }
    ASSERT_GT(expected, 1u);
    OnRecordWindow([&](CAttendInfoDlg& records) {
        EXPECT_EQ(records.windowTitle(), QString::fromUtf8("考勤记录信息"));
        QAbstractItemModel& rows = *records.List()->model();
        ASSERT_EQ(static_cast<std::size_t>(rows.rowCount()), expected);
        EXPECT_EQ(rows.index(0, 1).data().toString(), "1");
        EXPECT_EQ(rows.index(0, 2).data().toString(), QString::fromStdString(card));
        EXPECT_EQ(rows.index(0, 3).data().toString(), QString::fromStdString(sim::GeneratedNameUtf8(21)));
        EXPECT_GT(rows.index(0, 5).data().toString(), rows.index(1, 5).data().toString());  // latest first
        Screenshot(records, "attendance_record_window.png");

        chosen_ = QString::fromStdString((root_ / "记录").string());
        records.ExportButton()->click();
        const auto messages = TakeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("向" + (root_ / "记录_").string(), 0), 0u) << messages[0];
        WorkbookFile book;
        ASSERT_TRUE(book.Load(messages[0].substr(3, messages[0].size() - 3 - std::string("写入数据成功!").size())));
        EXPECT_EQ(book.FindSheet(u"打卡记录表")->RowCount(), expected + 1);
    }, seen);
    window.QueryButton()->click();
    EXPECT_TRUE(seen);

    // The user list export; a cancelled save dialog writes nothing.
    chosen_.clear();
    window.ExportButton()->click();
    EXPECT_TRUE(TakeMessages().empty());
    chosen_ = QString::fromStdString((root_ / "用户").string());
    window.ExportButton()->click();
    ASSERT_EQ(TakeMessages().size(), 1u);
    std::size_t workbooks = 0;
    for (const auto& entry : fs::directory_iterator(root_)) workbooks += entry.path().extension() == ".xls";
    EXPECT_EQ(workbooks, 2u);
}

// A million records are one vector behind the list: the window opens,
// scrolls to its end and ticks a million users at once without delay.
TEST_F(AttendanceWindows, MillionRowsStayResponsive) {
    constexpr int kRows = 1000000;
    std::vector<AttendRow> rows;
    std::vector<UserFileRecord> users;
    rows.reserve(kRows);
    users.reserve(kRows);
    const std::string name = Utf8ToGbk("赵六").value();
    for (int i = 0; i < kRows; ++i) {
        const std::string card = std::to_string(100000 + i % 1000);
        rows.push_back({Utf8ToGbk(i % 2 ? "签到" : "签退").value(), "2024-03-01 08:00:00", card, name});
        users.push_back({i, std::to_string(i), name});
    }
    QElapsedTimer clock;
    clock.start();
    CAttendInfoDlg records(GroupAttendRows(std::move(rows)));
    records.show();
    records.List()->scrollToBottom();
    Screenshot(records, "attendance_record_window_million.png");
    EXPECT_EQ(records.List()->model()->rowCount(), kRows);
    EXPECT_EQ(records.List()->model()->index(kRows - 1, 1).data().toString(), QString::number(kRows));

    CUserInfoDlg window({{"127.0.0.1", 60005}, kMac}, std::move(users), places_);
    window.show();
    window.TickAllBox()->setChecked(true);
    window.SearchBox()->setText("999999");
    window.SearchButton()->click();
    EXPECT_TRUE(window.List()->selectionModel()->isRowSelected(kRows - 1, {}));
    Screenshot(window, "attendance_user_window_million.png");
    EXPECT_EQ(window.Model()->TickedEntries().size(), static_cast<std::size_t>(kRows));
    // The time is reported, not asserted: speed is the benchmarks' business.
    std::cout << "million rows: both windows up, scrolled and ticked in " << clock.elapsed() << " ms\n";
}

}  // namespace
}  // namespace ostrand

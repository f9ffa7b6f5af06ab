// Every dialog used with the keyboard alone: Tab visits every enabled input
// once, in the order the dialog is laid out, and comes back to the start;
// Enter presses the dialog's default button and no other; Escape closes the
// dialog, except for the windows that close only through their close box and
// the progress window while its work runs.

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "keyboard_fixture.h"
#include "keyboard_walk.h"
#include "ops/shell/speaker_build.h"
#include "ui/attendance/bind_visitor_dev.h"
#include "ui/attendance/cattend_alarm.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/attendance/cbind_photo_ipc.h"
#include "ui/attendance/cmanager_attend_time.h"
#include "ui/attendance/cphoto_ipc_server.h"
#include "ui/attendance/cremote_card_param.h"
#include "ui/attendance_data/cattend_info_dlg.h"
#include "ui/attendance_data/cuser_info_dlg.h"
#include "ui/costrand_dlg.h"
#include "ui/loopback_discovery.h"
#include "ui/maintenance/cdev_mask_message.h"
#include "ui/maintenance/cmodify_passwd.h"
#include "ui/maintenance/config_manager_dlg.h"
#include "ui/maintenance/modify_device_id.h"
#include "ui/maintenance/set_com_type.h"
#include "ui/maintenance/set_ntp_server.h"
#include "ui/maintenance/video_cfg.h"
#include "ui/peripherals/audio_cfg.h"
#include "ui/peripherals/bind_net_power.h"
#include "ui/peripherals/bind_tempera.h"
#include "ui/peripherals/chanlde_class_audio.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/peripherals/set_net_class.h"
#include "ui/peripherals/speaker_class_page.h"
#include "ui/shell/progress_dlg.h"
#include "ui/upgrade/cupdate_rate_dlg.h"

namespace ostrand::test {
namespace {

enum class Escape { Closes, Stays, NotChecked };

struct DialogRow {
    const char* name;
    // Builds the window for the terminal; `ready` says when its opening reads
    // have ended.
    std::function<std::unique_ptr<QWidget>(const DeviceEndpoint&)> open;
    std::function<bool(QWidget&)> ready;
    // Every input in Tab order as laid out; inputs disabled or hidden at the
    // time are left out of the comparison.
    QStringList order;
    QString enterIn;        // the input Enter is pressed in ("" = no Enter check)
    QString defaultButton;  // what Enter presses there ("" = nothing)
    Escape escape;
};

template <class T>
T& As(QWidget& widget) {
    return *static_cast<T*>(&widget);
}

// Two rows, so a list that took Tab for moving between its cells would hold it.
void AddRows(QTableWidget* list) {
    list->setRowCount(2);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < list->columnCount(); ++column) {
            list->setItem(row, column, new QTableWidgetItem(QString::number(row)));
        }
    }
}

QStringList MainWindowOrder() {
    return {"btn1011", "btn1042", "btn1050", "btn1043", "btn1049", "btn1013", "btn1023",
            "btn1053", "btn1012", "btn1047", "btn1048", "btn1051", "btn1333", "btn1045",
            "btn1258", "btn1260", "btn1261", "btn1262", "btn1263", "btn1275", "btn1264",
            "btn1306", "btn1265", "btn1266", "btn1259", "btn1001", "combo1280", "edit1356",
            "btn1354", "combo1203", "list1000"};
}

std::vector<DialogRow> Rows(sim::Device& terminal) {
    return {
        {"device name", [](const DeviceEndpoint& t) { return std::make_unique<CDevMaskMessage>(t.ip, t.port, "old"); },
         {}, {"QLineEdit", "newName", "确定", "取消"}, "newName", "确定", Escape::Closes},
        {"device number and model",
         [](const DeviceEndpoint& t) { return std::make_unique<ModifyDeviceId>(t.ip, t.port, "N1", "QZ-1"); }, {},
         {"edit1172", "edit1191", "确定", "取消"}, "edit1172", "确定", Escape::Closes},
        {"password",
         [](const DeviceEndpoint& t) { return std::make_unique<CModifyPasswd>(t.ip, t.port, PasswordMode::Hashed); },
         {}, {"edit1174", "edit1175", "edit1176", "更新密码", "取消更新"}, "edit1176", "更新密码", Escape::Closes},
        {"serial port type", [](const DeviceEndpoint& t) { return std::make_unique<CSetComType>(t); },
         [](QWidget& w) { return As<CSetComType>(w).Loaded(); }, {"types", "ok", "取消"}, "types", "ok",
         Escape::Closes},
        {"NTP servers", [](const DeviceEndpoint& t) { return std::make_unique<CSetNtpServer>(t); },
         [](QWidget& w) { return As<CSetNtpServer>(w).Loaded(); },
         {"entries", "server", "port", "modify", "ok", "取消"}, "server", "ok", Escape::Closes},
        {"function switches", [](const DeviceEndpoint& t) { return std::make_unique<CVideoCfg>(t); }, {},
         {"streamOn", "streamOff", "streamSet", "debugOn", "debugOff", "debugGet", "debugSet"}, "streamOn",
         "streamSet", Escape::Closes},
        {"network parameters",
         [](const DeviceEndpoint& t) { return std::make_unique<CConfigManagerDLG>(t.ip, t.port); },
         [](QWidget& w) { return As<CConfigManagerDLG>(w).LoadsDone() > 0; },
         {"pageList", "staticIp", "ip", "mask", "gateway", "dns", "mac0", "mac1", "mac2", "mac3", "mac4", "mac5",
          "selfBuilt", "master", "masterPort", "save", "cancel"},
         "selfBuilt", "save", Escape::Closes},
        {"upgrade progress",
         [](const DeviceEndpoint&) {
             auto dialog = std::make_unique<CUpdateRateDlg>(UpgradeKind::Application, "app.bin", UpgradeVersions{},
                                                            std::vector<UpgradeDevice>{});
             AddRows(dialog->List());
             return dialog;
         },
         [](QWidget& w) { return !As<CUpdateRateDlg>(w).WorkersRunning(); },
         {"list1162", "retryFailed", "close"}, "list1162", "close", Escape::Closes},
        {"terminal parameters",
         [](const DeviceEndpoint& t) { return std::make_unique<CAttendAlarm>(t); }, {},
         {"1257", "1253", "1",    "1304", "1305", "1320", "1259", "1306", "1275", "1319", "1341",
          "1342", "1343", "1346", "1347", "1348", "1349", "1350", "1351", "1352", "1353", "1354",
          "1344", "1345", "1355", "1356", "1358", "1359", "1361", "1362", "1364", "1365", "1367",
          "1368", "1357", "1360", "1369", "1370", "1366", "1371", "1372", "1373", "1374", "1375"},
         "1257", "1", Escape::Closes},
        {"attendance server", [](const DeviceEndpoint& t) { return std::make_unique<CAttendServerInfo>(t); }, {},
         {"1278", "1254", "1029", "1", "2"}, "1278", "1", Escape::Closes},
        {"capture IPC server", [](const DeviceEndpoint& t) { return std::make_unique<CPhotoIpcServer>(t); }, {},
         {"1295", "1", "2"}, "1295", "1", Escape::Closes},
        {"attendance periods",
         [](const DeviceEndpoint& t) {
             auto dialog = std::make_unique<CManagerAttendTime>(t);
             dialog->Load();
             return dialog;
         },
         {}, {"1291", "1292", "1293", "1286", "1275", "1", "2"}, "1293", "1", Escape::Closes},
        {"capture IPC binding",
         [](const DeviceEndpoint& t) { return std::make_unique<CBindPhotoIpc>(t, kBindPhotoIpcCode, "T7"); }, {},
         {"1296", "1298", "1299", "1300", "1", "2"}, "1296", "1", Escape::Closes},
        {"card reading", [](const DeviceEndpoint& t) { return std::make_unique<CRemoteCardParam>(t); }, {},
         {"1317", "1318", "1", "2"}, "1318", "1", Escape::Closes},
        // Its "确定" sends the ticks as they stand (nothing ticked unbinds
        // every machine): Enter searches instead.
        {"visitor machines",
         [](const DeviceEndpoint& t) {
             auto dialog = std::make_unique<BindVisitorDev>(t, "1.0");
             AddRows(dialog->List());
             return dialog;
         },
         {}, {"1346", "1322", "1259"}, "1346", "1322", Escape::Closes},
        {"speaker configuration",
         [](const DeviceEndpoint& t) {
             RecordSpeakerVersion("V6.8.236");
             return std::make_unique<AudioCfg>(t);
         },
         [](QWidget& w) { return As<AudioCfg>(w).WirelessPage()->Loaded(); },
         {"tab1332", "list1274", "button1", "slider1309", "button1275", "combo1300", "slider1301", "button1276",
          "edit1299", "combo1311", "button1313"},
         "combo1300", "button1", Escape::Closes},
        // The amplifier page's Enter is its own (it binds the ticked rows).
        {"amplifier page",
         [](const DeviceEndpoint& t) {
             auto page = std::make_unique<BindNetPower>(t);
             AddRows(page->Classes());
             AddRows(page->Amplifiers());
             return page;
         },
         {}, {"list1326", "button1275", "list1274", "button1322", "button1259"}, "", "", Escape::NotChecked},
        {"class speakers",
         [](const DeviceEndpoint& t) { return std::make_unique<CHanldeClassAudio>(t, false, "1", "C1", "1"); }, {},
         {"edit1297", "edit1298", "edit1299", "button1", "button2"}, "edit1299", "button1", Escape::Closes},
        {"class amplifier",
         [](const DeviceEndpoint& t) {
             return std::make_unique<SetNetClass>(t, ClassAmpBinding{"1", "C1", "AMP1", "1", false},
                                                  std::vector<std::string>{"AMP1"});
         },
         {}, {"edit1328", "edit1329", "combo1327", "edit1330", "button1", "button2"}, "edit1330", "button1",
         Escape::Closes},
        // Enter reads the bound device; binding (an empty IP unbinds) takes
        // its own button.
        {"temperature devices",
         [](const DeviceEndpoint& t) {
             auto dialog = std::make_unique<BindTempera>(t, NowhereProbe());
             return dialog;
         },
         [](QWidget& w) {
             auto& dialog = As<BindTempera>(w);
             if (dialog.findChild<QTimer*>("timer1281")->isActive()) return false;
             if (dialog.List()->rowCount() == 0) AddRows(dialog.List());
             return true;
         },
         {"edit1348", "button1275", "button1322", "edit1349", "button1277", "edit1350", "edit1351", "button1276",
          "list1352"},
         "edit1349", "button1275", Escape::Closes},
        // The attendance windows take neither Enter nor Escape: they close
        // only through their close box.
        {"attendance users",
         [](const DeviceEndpoint& t) {
             return std::make_unique<CUserInfoDlg>(AttendanceDevice{t, "AABBCCDDEEFF"},
                                                   std::vector<UserFileRecord>{{1, "1001", "A"}, {2, "1002", "B"}},
                                                   AttendanceDataPlaces{std::filesystem::current_path()});
         },
         {}, {"1284", "1275", "1287", "1265", "1266", "1285", "1286", "1259"}, "1284", "", Escape::Stays},
        {"attendance records",
         [](const DeviceEndpoint&) {
             return std::make_unique<CAttendInfoDlg>(
                 GroupAttendRows({AttendRow{"", "2026-01-01 08:00:00", "1001", "A"}}));
         },
         {}, {"1274", "1265"}, "1274", "", Escape::Stays},
        // No input at all, and Escape leaves it up while its work runs.
        {"progress", [](const DeviceEndpoint&) { return std::make_unique<ProgressDlg>(ProgressMode::Search); }, {},
         {}, "", "", Escape::Stays},
        {"main window",
         [&terminal](const DeviceEndpoint&) {
             auto window = std::make_unique<CostrandDlg>(LoopbackDiscoveryConfig());
             window->Table().Append(terminal.Record());
             window->Table().Append(terminal.Record());
             window->FillDeviceList();
             return window;
         },
         // Enter in the find field looks the number up instead of ending the program.
         {}, MainWindowOrder(), "edit1356", "btn1354", Escape::NotChecked},
        // The controls hidden at start-up take their places in the panel's
        // order once shown.
        {"main window, hidden controls shown",
         [](const DeviceEndpoint&) {
             auto window = std::make_unique<CostrandDlg>(LoopbackDiscoveryConfig());
             for (const char* name : {"btn1045", "btn1259", "combo1203"}) window->findChild<QWidget*>(name)->show();
             return window;
         },
         {}, MainWindowOrder(), "", "", Escape::NotChecked},
    };
}

class DialogKeyboardTest : public KeyboardTest {
protected:
    void TearDown() override {
        ResetSpeakerBuild();
        KeyboardTest::TearDown();
    }

    std::unique_ptr<QWidget> Open(const DialogRow& row) {
        std::unique_ptr<QWidget> window = row.open(Terminal());
        EXPECT_TRUE(Activate(window.get()));
        if (row.ready) {
            EXPECT_TRUE(WaitFor([&] { return row.ready(*window); }));
            // An opening search's progress window has taken the activation.
            EXPECT_TRUE(Activate(window.get()));
        }
        return window;
    }
};

QWidget* Find(QWidget& window, const QString& key) {
    for (QWidget* input : TabStops(&window)) {
        if (KeyOf(input) == key) return input;
    }
    return nullptr;
}

TEST_F(DialogKeyboardTest, TabVisitsEveryEnabledInputOnceInLayoutOrder) {
    for (const DialogRow& row : Rows(*terminal_)) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QWidget> window = Open(row);
        std::set<QString> reachable;
        for (QWidget* input : TabStops(window.get())) {
            EXPECT_TRUE(reachable.insert(KeyOf(input)).second) << "two inputs named " << KeyOf(input).toStdString();
        }
        QStringList expected;
        for (const QString& key : row.order) {
            if (reachable.count(key) != 0) expected << key;
        }
        QStringList unexpected;
        for (const QString& key : reachable) {
            if (!expected.contains(key)) unexpected << key;
        }
        EXPECT_TRUE(unexpected.isEmpty()) << "inputs missing from the expected order: "
                                          << unexpected.join(" ").toStdString();
        if (expected.isEmpty()) continue;

        QWidget* first = Find(*window, expected.front());
        const TabWalk walk = WalkTabs(first, 4 * static_cast<int>(expected.size()) + 4);
        EXPECT_EQ(walk.order.join(" ").toStdString(), expected.join(" ").toStdString());
        EXPECT_TRUE(walk.cameBack) << "Tab does not come back to the first input";
        EXPECT_EQ(BacktabFrom(first).toStdString(), expected.back().toStdString());
    }
}

TEST_F(DialogKeyboardTest, EnterPressesTheDefaultButtonOnly) {
    for (const DialogRow& row : Rows(*terminal_)) {
        if (row.enterIn.isEmpty()) continue;
        SCOPED_TRACE(row.name);
        std::unique_ptr<QWidget> window = Open(row);
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (auto* button : window->findChildren<QAbstractButton*>()) {
            spies[KeyOf(button)] = std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked);
        }
        QWidget* input = Find(*window, row.enterIn);
        if (input == nullptr) {
            ADD_FAILURE() << "no input " << row.enterIn.toStdString();
            continue;
        }
        input->setFocus(Qt::TabFocusReason);
        if (QApplication::focusWidget() == nullptr) {
            ADD_FAILURE() << "the window takes no focus";
            continue;
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QStringList clicked;
        for (const auto& [key, spy] : spies) {
            if (spy->count() > 0) clicked << key;
        }
        EXPECT_EQ(clicked.join(" ").toStdString(), row.defaultButton.toStdString());
        if (row.defaultButton.isEmpty()) {
            EXPECT_TRUE(window->isVisible());
        }
        sink_.Clear();
    }
}

TEST_F(DialogKeyboardTest, EscapeClosesTheDialog) {
    for (const DialogRow& row : Rows(*terminal_)) {
        if (row.escape == Escape::NotChecked) continue;
        SCOPED_TRACE(row.name);
        std::unique_ptr<QWidget> window = Open(row);
        QWidget* focus = row.enterIn.isEmpty() ? window.get() : Find(*window, row.enterIn);
        if (focus == nullptr) {
            ADD_FAILURE() << "no input " << row.enterIn.toStdString();
            continue;
        }
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Escape);
        EXPECT_EQ(window->isVisible(), row.escape == Escape::Stays);
        if (auto* dialog = qobject_cast<QDialog*>(window.get()); dialog && row.escape == Escape::Closes) {
            EXPECT_EQ(dialog->result(), QDialog::Rejected);
        }
        if (auto* progress = qobject_cast<ProgressDlg*>(window.get())) progress->Finish();
        sink_.Clear();
    }
}

// Rows that act on a click (a found temperature device) or a double click (a
// class to put on an amplifier) act on Enter too, and Enter then goes no
// further: neither the dialog's default button nor the page's binding runs.
TEST_F(DialogKeyboardTest, EnterOnAListRowDoesWhatClickingItDoes) {
    BindTempera tempera(Terminal(), NowhereProbe());
    tempera.findChild<QTimer*>("timer1281")->stop();
    ASSERT_TRUE(Activate(&tempera));
    QTest::qWait(50);  // the opening read
    QTableWidget* found = tempera.List();
    found->setRowCount(2);
    for (int row = 0; row < 2; ++row) {
        SetDeviceCell(found, row, 1, "10.0.0." + std::to_string(5 + row));
        SetDeviceCell(found, row, 4, row == 0 ? "" : "8000");
    }
    QSignalSpy gets(tempera.Button(1275), &QAbstractButton::clicked);
    found->setFocus(Qt::TabFocusReason);
    found->setCurrentCell(1, 1);
    QTest::keyClick(found, Qt::Key_Return);
    EXPECT_EQ(tempera.Edit(1349)->text(), "10.0.0.6");
    EXPECT_TRUE(tempera.Button(1277)->isEnabled());
    EXPECT_EQ(tempera.TemperaEndpoint().port, 8000);
    EXPECT_EQ(gets.count(), 0);

    BindNetPower page(Terminal());
    page.Classes()->setRowCount(2);
    for (int row = 0; row < 2; ++row) SetDeviceCell(page.Classes(), row, 1, "C" + std::to_string(row));
    ASSERT_TRUE(Activate(&page));
    std::string opened;
    QTimer::singleShot(50, [&opened] {
        if (auto* edit = qobject_cast<SetNetClass*>(QApplication::activeModalWidget())) {
            opened = edit->Binding().classId;
            edit->reject();
        }
    });
    sink_.Clear();
    page.Classes()->setFocus(Qt::TabFocusReason);
    page.Classes()->setCurrentCell(1, 2);
    QTest::keyClick(page.Classes(), Qt::Key_Return);
    EXPECT_EQ(opened, "C1");
    EXPECT_TRUE(sink_.Texts().empty()) << "the amplifiers were bound as well";
}

// A card holder is ticked and unticked with Space on the tick column, so the
// query can be put together without the mouse.
TEST_F(DialogKeyboardTest, SpaceTicksAHolderInTheUserWindow) {
    CUserInfoDlg window(AttendanceDevice{Terminal(), "AABBCCDDEEFF"},
                        std::vector<UserFileRecord>{{1, "1001", "A"}, {2, "1002", "B"}},
                        AttendanceDataPlaces{std::filesystem::current_path()});
    ASSERT_TRUE(Activate(&window));
    QTableView* list = window.List();
    const QModelIndex tick = list->model()->index(1, 0);
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentIndex(tick);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(tick.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(list->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(tick.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

// The upgrade window stays up while its workers run: Escape does not close
// it and Enter reaches neither Close nor "retry failed"; once the batch has
// ended Enter closes it.
TEST_F(DialogKeyboardTest, KeysNeverEndTheUpgradeWindowWhileItsWorkersRun) {
    const std::filesystem::path image = dir_.Path() / "HW1_K9_1.2.3456_A";
    std::ofstream(image, std::ios::binary) << std::string(400'000, 'x');
    sim::DeviceConfig config;
    config.address = sim::test::AddressBlock() + "8";
    config.kind = sim::DeviceKind::Terminal;
    config.version = "IPC-1.0.0000";
    config.state["upgrade"] = {{"receiveRate", 1'000'000}};  // slow enough to press keys meanwhile
    sim::Device& slow = sim_.AddDevice(config);
    CUpdateRateDlg dialog(UpgradeKind::Application, image, {"HW1", "K9", "1.2.3456"},
                          {{slow.AddressText(), slow.Port(), "N8", "dev8", "IPC-1.0.0000"}});
    ASSERT_TRUE(Activate(&dialog));
    ASSERT_TRUE(dialog.WorkersRunning());
    QSignalSpy closes(dialog.CloseButton(), &QAbstractButton::clicked);
    QSignalSpy retries(dialog.RetryButton(), &QAbstractButton::clicked);
    dialog.List()->setFocus(Qt::TabFocusReason);
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(dialog.List(), key);
        EXPECT_TRUE(dialog.isVisible()) << QKeySequence(key).toString().toStdString();
    }
    EXPECT_TRUE(dialog.WorkersRunning()) << "the keys came too late to tell";
    EXPECT_EQ(closes.count() + retries.count(), 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.WorkersRunning(); }, 20'000));
    dialog.List()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog.List(), Qt::Key_Return);
    EXPECT_EQ(closes.count(), 1);
    EXPECT_EQ(retries.count(), 0);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace ostrand::test

// The main window's command buttons: their gates, in order, with the messages
// they show, against scripted devices on loopback.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../platform/temp_dir.h"
#include "loopback_discovery.h"
#include "ops/shell/speaker_build.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "scripted_http_peer.h"
#include "ui/costrand_dlg.h"
#include "ui/main_window_controls.h"
#include "ui/qt_message_sink.h"

namespace ostrand {
namespace {

const std::string kSelectFirst = "请在类表中单击选择要配置的设备";
const std::string kUpgrading = "IPC设备内核升级中,请等升级完成后在进行操作";
const std::string kKernelQuery = "GET /goform/getUpdateKernelStatus HTTP/1.1";

class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

struct Device {
    std::string ip = "127.0.0.1";
    int port = 60005;
    int attendType = 1;
    std::string mac = "00AB12CD34EF";
    std::string version = "1.0.0.0-2.3.237";
    int webPort = 0;
    int channels = 1;
};

class MainWindowCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        ResetSpeakerBuild();
        QDesktopServices::setUrlHandler("http", &urls_, "Open");
        dlg_ = std::make_unique<CostrandDlg>(test::LoopbackDiscoveryConfig());
        QObject::connect(dlg_.get(), &CostrandDlg::CommandPassedGates,
                         [this](CommandId id, const CommandArgs& args) { passed_.push_back({id, args}); });
    }
    void TearDown() override {
        dlg_.reset();
        QDesktopServices::unsetUrlHandler("http");
        SetUiLanguage(Language::Chinese);
        ResetSpeakerBuild();
    }

    // Shows the devices and selects the first row.
    void Show(const std::vector<Device>& devices, bool select = true) {
        dlg_->Table().Clear();
        for (const Device& d : devices) {
            DeviceRecord r;
            SetFieldText(r.ip, d.ip);
            SetFieldText(r.mac, d.mac);
            SetFieldText(r.deviceNumber, "N-" + std::to_string(d.port));
            SetFieldText(r.version, d.version);
            r.commandPort = d.port;
            r.attendType = d.attendType;
            r.webPort = d.webPort;
            r.videoChannels = d.channels;
            dlg_->Table().Append(r);
        }
        dlg_->FillDeviceList();
        if (select) dlg_->ListView()->selectRow(0);
    }
    void Press(int id) { dlg_->Button(id)->click(); }
    std::vector<CommandId> Passed() const {
        std::vector<CommandId> ids;
        for (const auto& [id, args] : passed_) ids.push_back(id);
        return ids;
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    UrlSink urls_;
    std::unique_ptr<CostrandDlg> dlg_;
    std::vector<std::pair<CommandId, CommandArgs>> passed_;
};

TEST_F(MainWindowCommandsTest, WithoutASelectionTheGatedCommandsExplainAndTheUpgradesStaySilent) {
    Show({Device{}}, false);
    Press(1011);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{kSelectFirst});
    sink_.Clear();
    Press(1047);
    Press(1012);
    EXPECT_TRUE(sink_.Texts().empty());
    SetUiLanguage(Language::English);
    Press(1258);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Please Select Item"});
    EXPECT_TRUE(passed_.empty());

    // With a row selected the silent test passes and hands over nothing else.
    dlg_->ListView()->selectRow(0);
    Press(1047);
    Press(1012);
    EXPECT_EQ(Passed(), (std::vector<CommandId>{CommandId::UpdateKernel, CommandId::UpdateApp}));
    EXPECT_EQ(dlg_->SelectedRow(), 0);
}

TEST_F(MainWindowCommandsTest, AttendanceCommandsRefuseDevicesOfKindNoWithoutTalkingToThem) {
    test::ScriptedHttpPeer device("?updateStatus=0");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port(), .attendType = 0}});
    for (int id : {1258, 1261, 1262, 1263, 1275, 1306, 1260}) Press(id);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>(7, "不支持该功能!"));
    EXPECT_EQ(device.Requests(), 0u);
    EXPECT_TRUE(passed_.empty());
}

TEST_F(MainWindowCommandsTest, ClockSyncNeedsAVideoPortBeforeAnyTraffic) {
    test::ScriptedHttpPeer device("?updateStatus=0");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = 60005}, Device{.port = device.Port()}});
    Press(1042);
    SetUiLanguage(Language::English);
    dlg_->ListView()->selectRow(1);
    Press(1042);
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"该设备不支持该功能", "no support"}));
    EXPECT_EQ(device.Requests(), 0u);
    EXPECT_TRUE(passed_.empty());
}

TEST_F(MainWindowCommandsTest, KernelUpgradeRepliesDecideWhetherTheCommandGoesOn) {
    test::ScriptedHttpPeer device("");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port()}});
    struct Case {
        const char* body;
        bool free;
    };
    const Case cases[] = {
        {"", true},                 // no entries at all
        {"?result=10000", false},   // no "updateStatus"
        {"?updateStatus=0", true},
        {"?updateStatus=1", false},
        {"?updateStatus=", false},  // present but empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        sink_.Clear();
        passed_.clear();
        device.SetBody(c.body);
        Press(1013);
        if (c.free) {
            EXPECT_TRUE(sink_.Texts().empty());
            EXPECT_EQ(Passed(), std::vector<CommandId>{CommandId::NetworkParams});
        } else {
            EXPECT_EQ(sink_.Texts(), std::vector<std::string>{kUpgrading});
            EXPECT_TRUE(passed_.empty());
        }
        EXPECT_TRUE(dlg_->isEnabled());
    }
    const auto lines = device.RequestLines();
    ASSERT_EQ(lines.size(), std::size(cases));
    for (const auto& line : lines) EXPECT_EQ(line, kKernelQuery);

    // The message follows the interface language.
    SetUiLanguage(Language::English);
    sink_.Clear();
    device.SetBody("?updateStatus=1");
    Press(1011);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Updating, Please waiting..."});
}

TEST_F(MainWindowCommandsTest, GatesRunInOrderAndTheRowValuesAreHandedOver) {
    test::ScriptedHttpPeer device("?updateStatus=0");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port(), .attendType = 2, .mac = ""}});
    // K passes for a capture camera, then M stops at the empty MAC.
    Press(1260);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"MAC地址为空，无法操作"});
    // Commands without U never query the device.
    for (int id : {1263, 1275, 1306, 1265, 1266, 1333}) Press(id);
    EXPECT_EQ(device.Requests(), 0u);
    Press(1258);
    EXPECT_EQ(device.Requests(), 1u);
    ASSERT_EQ(passed_.size(), 7u);
    const CommandArgs& bind = passed_[0].second;
    EXPECT_EQ(passed_[0].first, CommandId::BindPhotoIpc);
    EXPECT_EQ(bind.ip, "127.0.0.1");
    EXPECT_EQ(bind.port, device.Port());
    EXPECT_EQ(bind.commandCode, 5039);
    EXPECT_EQ(bind.deviceNumber, "N-" + std::to_string(device.Port()));
    EXPECT_EQ(passed_[1].second.commandCode, 5042);
    EXPECT_EQ(passed_[3].second.version, "1.0.0.0-2.3.237");
    EXPECT_EQ(passed_[6].first, CommandId::AttendParams);
}

TEST_F(MainWindowCommandsTest, SpeakerConfigurationRecordsTheBuildNumber) {
    Show({Device{.version = "1.0.0.0-2.3.237"}, Device{.version = "2.3.236"}}, false);
    Press(1264);  // no selection: nothing recorded
    EXPECT_EQ(CurrentSpeakerBuild().versionText, "");
    dlg_->ListView()->selectRow(0);
    Press(1264);
    EXPECT_EQ(CurrentSpeakerBuild().versionText, "1.0.0.0-2.3.237");
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 237);
    EXPECT_TRUE(CurrentSpeakerBuild().newClassPage);
    dlg_->ListView()->selectRow(1);
    Press(1264);
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 236);
    EXPECT_FALSE(CurrentSpeakerBuild().newClassPage);
}

TEST_F(MainWindowCommandsTest, LocalVideoOpensTheWebPageOfDevicesOffPortEighty) {
    test::ScriptedHttpPeer device("?updateStatus=1");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port(), .webPort = 8081}, Device{.port = 60005}, Device{.ip = "", .port = 80}});
    Press(1049);
    dlg_->ListView()->selectRow(1);
    Press(1049);
    // Port 80 without an IP is refused before any query.
    dlg_->ListView()->selectRow(2);
    Press(1049);
    ASSERT_EQ(urls_.urls.size(), 2);
    EXPECT_EQ(urls_.urls[0], QUrl("http://127.0.0.1:8081"));
    EXPECT_EQ(urls_.urls[1], QUrl("http://127.0.0.1"));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"IP is Null"});
    EXPECT_EQ(device.Requests(), 0u);
}

// A camera's port is 80, so this needs a loopback address where port 80 is free.
TEST_F(MainWindowCommandsTest, LocalVideoOnACameraChecksTheKernelThenAsksAboutTheSegmentOnce) {
    test::ScriptedHttpPeer camera("?updateStatus=1", "127.0.8.80", 80);
    if (!camera.Listening()) GTEST_SKIP() << "port 80 on 127.0.8.80 is not available";
    Show({Device{.ip = "127.0.8.80", .port = 80, .attendType = 0, .channels = 4}});
    Press(1049);  // upgrading: ends before the question
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{kUpgrading});
    camera.SetBody("?updateStatus=0");
    sink_.Clear();
    sink_.QueueAnswer(false);
    Press(1049);  // asks; No ends it
    Press(1049);  // the same IP is not asked about again
    const auto entries = sink_.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].question);
    EXPECT_EQ(entries[0].text, "请确定设备的网段和PC端网段是否一样");
    EXPECT_EQ(entries[0].caption, "网段");
    EXPECT_EQ(camera.Requests(), 3u);
    EXPECT_TRUE(urls_.urls.isEmpty());

    // Clock synchronisation passes P80 here and queries the kernel state.
    Press(1042);
    EXPECT_EQ(camera.Requests(), 4u);
    // The third press opened the preview of the camera asked about before.
    EXPECT_EQ(Passed(), (std::vector<CommandId>{CommandId::LocalVideo, CommandId::SyncPcTime}));
}

TEST_F(MainWindowCommandsTest, TheWindowTakesNoInputWhileTheKernelQueryRuns) {
    test::ScriptedHttpPeer device("?updateStatus=0");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port()}});
    bool enabledDuringQuery = true;
    // Runs from the event loop the window spins while it waits for the device.
    QTimer::singleShot(0, [&] { enabledDuringQuery = dlg_->isEnabled(); });
    Press(1051);
    EXPECT_FALSE(enabledDuringQuery);
    EXPECT_TRUE(dlg_->isEnabled());
    EXPECT_EQ(Passed(), std::vector<CommandId>{CommandId::NtpServer});
}

// With the application's own sink the device query's message appears while
// the main window is held still, and the user can answer it.
TEST_F(MainWindowCommandsTest, TheBusyMessageBoxCanBeAnsweredWhileTheWindowWaits) {
    test::ScriptedHttpPeer device("?updateStatus=1");
    ASSERT_TRUE(device.Listening());
    Show({Device{.port = device.Port()}});
    dlg_->show();
    QApplication::setActiveWindow(dlg_.get());
    QtMessageSink boxes;
    ScopedMessageSink useBoxes(boxes);

    QString text;
    QWidget* owner = nullptr;
    bool boxEnabled = false;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        text = box->text();
        owner = box->parentWidget();
        boxEnabled = box->isEnabled() && box->button(QMessageBox::Ok)->isEnabled();
        // A box the user could not press would hold the command for ever;
        // close it directly so the test ends either way.
        if (boxEnabled) {
            box->button(QMessageBox::Ok)->click();
        } else {
            box->done(QMessageBox::Ok);
        }
    });
    answerer.start(10);
    Press(1011);
    answerer.stop();
    EXPECT_EQ(text, QString::fromStdString(kUpgrading));
    EXPECT_EQ(owner, dlg_.get());  // owned by the window that is held still
    EXPECT_TRUE(boxEnabled);
    EXPECT_TRUE(passed_.empty());
    EXPECT_TRUE(dlg_->isEnabled());
}

// Several rows (Ctrl- and Shift-click): reboot, clock synchronisation and the
// upgrades take every selected row; every other command says it works on one
// device and does nothing, keeping the selection.
TEST_F(MainWindowCommandsTest, SeveralSelectedRowsGoOnlyToTheCommandsThatActOnEachDevice) {
    test::ScriptedHttpPeer device("?updateStatus=0", "127.62.0.1");
    ASSERT_TRUE(device.Listening());
    Show({Device{.ip = "127.62.0.1", .port = device.Port()}, Device{.ip = "127.62.0.1", .port = device.Port()},
          Device{.ip = "127.62.0.1", .port = device.Port()}},
         false);
    dlg_->show();
    QTableView* view = dlg_->ListView();
    const auto clickRow = [view](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->visualRect(view->model()->index(row, 10)).center());
    };
    clickRow(0, {});
    clickRow(2, Qt::ShiftModifier);
    ASSERT_EQ(dlg_->SelectedRows(), (std::vector<int>{0, 1, 2}));

    const std::set<int> everyRow = {1011, 1042, 1012, 1047};
    for (const ControlCaption& control : kMainWindowButtons) {
        if (control.group == ControlGroup::ListBar) continue;
        sink_.Clear();
        passed_.clear();
        Press(control.id);
        if (everyRow.contains(control.id)) {
            EXPECT_TRUE(sink_.Texts().empty()) << control.id;
            ASSERT_EQ(passed_.size(), 1u) << control.id;
            EXPECT_EQ(passed_[0].second.rows.size(), 3u) << control.id;
        } else {
            EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"请只选择一台设备"}) << control.id;
            EXPECT_TRUE(passed_.empty()) << control.id;
        }
        EXPECT_EQ(dlg_->SelectedRows().size(), 3u) << control.id;
    }
    // The device is asked nothing before the batch: each row runs its own gates there.
    EXPECT_EQ(device.Requests(), 0u);

    SetUiLanguage(Language::English);
    sink_.Clear();
    clickRow(1, Qt::ControlModifier);  // rows 0 and 2 stay selected
    Press(1013);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Please select only one device"});

    // One row again: exactly the command as before, the gates on that row.
    clickRow(1, {});
    sink_.Clear();
    passed_.clear();
    Press(1011);
    ASSERT_EQ(passed_.size(), 1u);
    EXPECT_EQ(passed_[0].second.ip, "127.62.0.1");
    EXPECT_EQ(passed_[0].second.rows.size(), 1u);
    EXPECT_EQ(device.Requests(), 1u);
    EXPECT_EQ(dlg_->SelectedRow(), 1);
}

}  // namespace
}  // namespace ostrand

#include "main_window_commands_test.moc"

// The upgrade progress window against three simulated devices, one of which
// refuses the upload until its fault is cleared.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>

#include "platform/temp_dir.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/behaviours/upgrade/upgrade_sim_state.h"
#include "sim/simulator.h"
#include "sim/sim_test_support.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/loopback_discovery.h"
#include "ui/upgrade/cupdate_rate_dlg.h"
#include "ui/upgrade/upgrade_file_chooser.h"

namespace ostrand {
namespace {

const QString kDone = QString::fromUtf8("上传成功，设备即将重启，请稍后重新搜索设备");

class CUpdateRateDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        path_ = dir_.Path() / "HW1_K9_1.2.3456_A";
        std::ofstream(path_, std::ios::binary) << std::string(400'000, 'x');
        const std::string block = sim::test::AddressBlock();
        const auto add = [&](sim::DeviceKind kind, std::uint16_t port, const char* host, nlohmann::json upgrade) {
            sim::DeviceConfig config;
            config.address = block + host;
            config.kind = kind;
            config.port = port;
            config.name = std::string("dev") + host;
            config.deviceNumber = std::string("N") + host;
            config.version = "IPC-1.0.0000";
            config.state["upgrade"] = std::move(upgrade);
            sim::Device& device = sim_.AddDevice(std::move(config));
            simDevices_.push_back(&device);
            devices_.push_back({device.AddressText(), device.Port(), std::string("N") + host,
                                std::string("dev") + host, "IPC-1.0.0000"});
            return &device;
        };
        // The slow device keeps the batch running long enough to see Close disabled.
        add(sim::DeviceKind::Terminal, 0, "1", {{"receiveRate", 1'000'000}});
        failing_ = add(sim::DeviceKind::Camera, 8080, "2", {{"uploadFault", "refuse"}});
        add(sim::DeviceKind::Camera, 8080, "3", nlohmann::json::object());
        sim_.Start();
    }

    static bool WaitUntilEnded(const CUpdateRateDlg& dialog) {
        return QTest::qWaitFor([&] { return dialog.CloseButton()->isEnabled(); }, 20'000);
    }

    test::TempWorkingDir dir_;
    std::filesystem::path path_;
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    RecordingMessageSink messages_;
    ScopedMessageSink messagesGuard_{messages_};
    sim::Simulator sim_;
    sim::Device* failing_ = nullptr;
    std::vector<sim::Device*> simDevices_;
    std::vector<UpgradeDevice> devices_;
};

TEST_F(CUpdateRateDlgTest, RowsRunToTheirResultsAndRetryTurnsTheFailedRow) {
    CUpdateRateDlg dialog(UpgradeKind::Application, path_, {"HW1", "K9", "1.2.3456"}, devices_);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("升级进度"));
    QTableWidget* list = dialog.List();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(1, CUpdateRateDlg::kColNum)->text(), "2");
    EXPECT_EQ(list->item(1, CUpdateRateDlg::kColIp)->text(), QString::fromStdString(devices_[1].ip));
    EXPECT_EQ(list->item(2, CUpdateRateDlg::kColName)->text(), "dev3");
    EXPECT_TRUE(list->isColumnHidden(CUpdateRateDlg::kColPort));
    EXPECT_FALSE(dialog.CloseButton()->isEnabled());
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());  // nothing closes it while workers run

    ASSERT_TRUE(WaitUntilEnded(dialog));
    EXPECT_EQ(dialog.StatusText(0), kDone);
    EXPECT_EQ(dialog.StatusText(1), QString::fromUtf8("上传失败"));
    EXPECT_EQ(dialog.StatusText(2), kDone);
    EXPECT_EQ(dialog.ProgressBar(0)->value(), 1000);
    EXPECT_EQ(dialog.ProgressBar(2)->value(), 1000);
    EXPECT_TRUE(dialog.RetryButton()->isEnabled());
    QApplication::processEvents();
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    EXPECT_TRUE(dialog.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/upgrade-progress.png"));

    failing_->WithState<sim::UpgradeSimState>([](sim::UpgradeSimState& s) { s.fault = {}; });
    dialog.RetryButton()->click();
    EXPECT_FALSE(dialog.CloseButton()->isEnabled());
    ASSERT_TRUE(WaitUntilEnded(dialog));
    EXPECT_EQ(dialog.StatusText(1), kDone);
    EXPECT_EQ(dialog.StatusText(0), kDone);
    EXPECT_FALSE(dialog.RetryButton()->isEnabled());
    EXPECT_EQ(failing_->ReceivedFiles().size(), 1u);
    dialog.CloseButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(CUpdateRateDlgTest, CommandsCheckTheChosenFileBeforeAnyWindowOpens) {
    QString chosen;
    SetUpgradeFileChooser([&chosen](QWidget*) { return chosen; });
    CommandArgs args;
    args.ip = devices_[2].ip;
    args.port = devices_[2].port;

    chosen = "";  // cancelled
    AllDialogRoutes().Open(CommandId::UpdateApp, nullptr, args);
    chosen = QString::fromStdString((dir_.Path() / "HW1_K9_1.2.3456_A.bin").string());
    AllDialogRoutes().Open(CommandId::UpdateApp, nullptr, args);
    chosen = QString::fromStdString(path_.string());
    AllDialogRoutes().Open(CommandId::UpdateKernel, nullptr, args);
    const auto empty = dir_.Path() / "HW1_K9_1.2.3456_F";
    std::ofstream(empty).close();
    chosen = QString::fromStdString(empty.string());
    AllDialogRoutes().Open(CommandId::UpdateKernel, nullptr, args);
    EXPECT_EQ(messages_.Texts(), (std::vector<std::string>{"版本号或者长度有误",
                                                          "文件名，文件长度,内核版本,应用版本,以及硬件版本长度或版本有误!",
                                                          "获取文件属性失败"}));
    EXPECT_EQ(sim_.GetJournal().Entries().size(), 0u);

    // An accepted file opens the window over the device; it closes once done.
    chosen = QString::fromStdString(path_.string());
    QString finalText;
    QTimer::singleShot(0, [&finalText] {
        auto* dialog = qobject_cast<CUpdateRateDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        if (WaitUntilEnded(*dialog)) finalText = dialog->StatusText(0);
        dialog->CloseButton()->click();
    });
    AllDialogRoutes().Open(CommandId::UpdateApp, nullptr, args);
    EXPECT_EQ(finalText, kDone);
    SetUpgradeFileChooser({});
}

// The upgrade window takes every selected row of the main window (Ctrl- and
// Shift-click), one upgrade row per device, in list order.
TEST_F(CUpdateRateDlgTest, TheMainWindowsSelectedRowsAreUpgraded) {
    SetUpgradeFileChooser([this](QWidget*) { return QString::fromStdString(path_.string()); });
    CostrandDlg main(test::LoopbackDiscoveryConfig());
    for (const sim::Device* device : simDevices_) main.Table().Append(device->Record());
    main.FillDeviceList();
    QObject::connect(&main, &CostrandDlg::CommandPassedGates, &main,
                     [&main](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, &main, args); });
    main.show();
    QTableView* view = main.ListView();
    const auto click = [view](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->visualRect(view->model()->index(row, 10)).center());
    };
    struct Case {
        std::function<void()> select;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {[&] { click(2, {}); }, {2}},
        {[&] { click(2, {}); click(0, Qt::ControlModifier); click(1, Qt::ControlModifier); }, {0, 1, 2}},
        {[&] { click(1, {}); click(2, Qt::ShiftModifier); }, {1, 2}},
    };
    for (const Case& c : cases) {
        c.select();
        std::vector<std::string> ips;
        std::vector<QString> finalTexts;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CUpdateRateDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            for (int row = 0; row < dialog->List()->rowCount(); ++row) {
                ips.push_back(dialog->List()->item(row, CUpdateRateDlg::kColIp)->text().toStdString());
            }
            if (WaitUntilEnded(*dialog)) {
                for (int row = 0; row < dialog->List()->rowCount(); ++row) finalTexts.push_back(dialog->StatusText(row));
            }
            dialog->CloseButton()->click();
        });
        main.Button(1012)->click();
        std::vector<std::string> expected;
        for (int row : c.rows) expected.push_back(main.List().Row(row)[kColIp]);
        EXPECT_EQ(ips, expected);
        ASSERT_EQ(finalTexts.size(), c.rows.size());
        for (const QString& text : finalTexts) EXPECT_FALSE(text.isEmpty());
    }
    EXPECT_TRUE(messages_.Texts().empty());
    SetUpgradeFileChooser({});
}

}  // namespace
}  // namespace ostrand

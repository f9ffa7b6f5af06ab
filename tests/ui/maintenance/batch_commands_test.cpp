// Reboot and clock synchronisation on several selected rows at once, against
// simulated devices: one results row per device, Close only once all have
// ended, and "重试失败项" running the failed rows only.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "platform/temp_dir.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/loopback_discovery.h"
#include "ui/maintenance/batch_result_dlg.h"

namespace ostrand {
namespace {

const char* const kRebooting = "设备重启中，大概在一分钟以内将连接上";

// A loopback address of this process's own, so parallel test runs never meet.
std::string OwnAddress(int host) {
    return "127.62." + std::to_string(::getpid() % 250 + 1) + "." + std::to_string(host);
}

class BatchCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        camera_ = Add(1, sim::DeviceKind::Camera, 80, {});
        terminal_ = Add(2, sim::DeviceKind::Terminal, 0, {});
        silent_ = Add(3, sim::DeviceKind::Terminal, 0, [](sim::DeviceConfig& c) { c.faults.silent = true; });
        busy_ = Add(4, sim::DeviceKind::Camera, 80, [](sim::DeviceConfig& c) { c.settings["updateStatus"] = "1"; });
        sim_.Start();
        main_ = std::make_unique<CostrandDlg>(test::LoopbackDiscoveryConfig());
        for (const sim::Device* device : {camera_, terminal_, silent_, busy_}) main_->Table().Append(device->Record());
        main_->FillDeviceList();
        QObject::connect(main_.get(), &CostrandDlg::CommandPassedGates, main_.get(),
                         [this](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, main_.get(), args); });
        main_->show();
    }
    void TearDown() override {
        main_.reset();
        sim_.Stop();
    }

    sim::Device* Add(int host, sim::DeviceKind kind, std::uint16_t port,
                     const std::function<void(sim::DeviceConfig&)>& adjust) {
        sim::DeviceConfig config;
        config.address = OwnAddress(host);
        config.kind = kind;
        config.port = port;
        config.name = "dev" + std::to_string(host);
        config.deviceNumber = "N" + std::to_string(host);
        if (adjust) adjust(config);
        return &sim_.AddDevice(config);
    }

    // Ctrl-clicks the rows, presses the button and, in the results window,
    // waits for the batch to end, runs `inWindow` and closes it. Returns the
    // rows' final texts.
    std::vector<std::string> Run(int button, const std::vector<int>& rows,
                                 const std::function<void(CBatchResultDlg&)>& inWindow = {}) {
        QTableView* view = main_->ListView();
        view->clearSelection();
        for (int row : rows) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              view->visualRect(view->model()->index(row, 10)).center());
        }
        std::vector<std::string> texts;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CBatchResultDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            EXPECT_FALSE(dialog->CloseButton()->isEnabled());
            dialog->close();
            EXPECT_TRUE(dialog->isVisible());  // nothing closes it while rows run
            if (!WaitUntilEnded(*dialog)) return;
            for (int row = 0; row < dialog->List()->rowCount(); ++row) {
                texts.push_back(dialog->StatusText(row).toStdString());
            }
            if (inWindow) inWindow(*dialog);
            dialog->CloseButton()->click();
        });
        main_->Button(button)->click();
        return texts;
    }
    static bool WaitUntilEnded(const CBatchResultDlg& dialog) {
        return QTest::qWaitFor([&] { return dialog.CloseButton()->isEnabled(); }, 20'000);
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
    sim::Device* camera_ = nullptr;
    sim::Device* terminal_ = nullptr;
    sim::Device* silent_ = nullptr;
    sim::Device* busy_ = nullptr;
    std::unique_ptr<CostrandDlg> main_;
};

TEST_F(BatchCommandsTest, ThreeSelectedRowsGetThreeRebootResultsAndRetryRunsTheFailedOneOnly) {
    std::vector<std::string> retried;
    const auto texts = Run(1011, {0, 1, 2}, [&](CBatchResultDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("重启结果"));
        EXPECT_EQ(dialog.List()->item(2, CBatchResultDlg::kColIp)->text(), QString::fromStdString(OwnAddress(3)));
        EXPECT_EQ(dialog.List()->item(1, CBatchResultDlg::kColName)->text(), "dev2");
        EXPECT_TRUE(dialog.RetryButton()->isEnabled());
        QApplication::processEvents();
        QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
        EXPECT_TRUE(dialog.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/batch-reboot-results.png"));

        sim_.SetFaults(*silent_, {});
        dialog.RetryButton()->click();
        EXPECT_FALSE(dialog.CloseButton()->isEnabled());
        ASSERT_TRUE(WaitUntilEnded(dialog));
        for (int row = 0; row < 3; ++row) retried.push_back(dialog.StatusText(row).toStdString());
        EXPECT_FALSE(dialog.RetryButton()->isEnabled());
    });
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], kRebooting);
    EXPECT_EQ(texts[1], kRebooting);
    EXPECT_EQ(texts[2].rfind("内核升级状态查询失败：", 0), 0u) << texts[2];
    EXPECT_EQ(retried, (std::vector<std::string>{kRebooting, kRebooting, kRebooting}));
    // The devices that had rebooted were not asked again.
    EXPECT_EQ(camera_->Setting("rebootCount"), "1");
    EXPECT_EQ(terminal_->Setting("rebootCount"), "1");
    EXPECT_EQ(silent_->Setting("rebootCount"), "1");
    EXPECT_TRUE(sink_.Texts().empty());  // every text is in its row, no message box
}

TEST_F(BatchCommandsTest, EachRowRunsTheGatesItWouldRunAlone) {
    struct Case {
        int button;
        std::vector<int> rows;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {1042, {0, 1, 3}, {"时间更新成功", "该设备不支持该功能", "IPC设备内核升级中,请等升级完成后在进行操作"}},
        {1011, {1, 3}, {kRebooting, "IPC设备内核升级中,请等升级完成后在进行操作"}},
    };
    for (const Case& c : cases) {
        const int terminalCommands = terminal_->CommandCount();
        EXPECT_EQ(Run(c.button, c.rows), c.texts) << c.button;
        // P80 stops a terminal before any traffic.
        if (c.button == 1042) {
            EXPECT_EQ(terminal_->CommandCount(), terminalCommands);
        }
    }
    EXPECT_EQ(camera_->Setting("year").size(), 4u);
    EXPECT_EQ(busy_->Setting("rebootCount"), "");
    EXPECT_TRUE(sink_.Texts().empty());

    SetUiLanguage(Language::English);
    EXPECT_EQ(Run(1042, {1, 3}), (std::vector<std::string>{"no support", "Updating, Please waiting..."}));
}

}  // namespace
}  // namespace ostrand

// The busy line of a modal device exchange, driven as a user would against
// silent simulated devices: it appears after half a second in the window the
// exchange blocks and counts the seconds; "取消" ends the exchange within a
// second, and the messages are those the exchange gives when the device's
// waits run out.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/loopback_discovery.h"
#include "ui/maintenance/config_manager_dlg.h"
#include "ui/shell/busy_line.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;

// Only the cancel ends an exchange within a second; a test gone wrong still ends.
TransportTimeouts LongWaits() {
    TransportTimeouts waits = sim::test::ShortWaits();
    waits.replyWait = waits.replyRestWait = waits.httpFormReceiveTimeout = 5s;
    waits.httpFormDeadline = 15s;
    return waits;
}

// What the user saw of one exchange.
struct Seen {
    std::vector<std::string> messages;
    qint64 lineShownMs = -1;  // from the exchange's start
    QString lineText;         // once the seconds reached 1
    QString buttonText;
    bool onlyTheLineTakesInput = false;
    qint64 endedAfterCancelMs = -1;
};

struct BusyCase {
    const char* name;  // also the screenshot's
    Language language;
    bool camera;           // else the terminal
    QString description;   // the line's text before the seconds
    // Starts the exchange from `window` (shown, with the device listed),
    // returning when it has ended.
    std::function<void(CostrandDlg& window, const sim::Device& device)> run;
    // Over HTTP the first message is the HTTP layer's own description: it
    // says the wait was cancelled where a silent device's says it ran out.
    std::string layerText = {};
};

CommandArgs ArgsOf(const sim::Device& device) {
    CommandArgs args;
    args.ip = device.AddressText();
    args.port = device.Port();
    return args;
}

class BusyLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        terminal_ = &Add("127.61.1.2", sim::DeviceKind::Terminal, 0);
        camera_ = &Add("127.61.1.3", sim::DeviceKind::Camera, 80);
        sim_.Start();
    }
    void TearDown() override {
        sim_.Stop();
        SetUiLanguage(Language::Chinese);
    }
    sim::Device& Add(const std::string& address, sim::DeviceKind kind, std::uint16_t port) {
        sim::DeviceConfig config;
        config.address = address;
        config.kind = kind;
        config.port = port;
        config.deviceNumber = "100001";
        config.faults.silent = true;
        return sim_.AddDevice(config);
    }

    // Runs the case from a main window; with `cancel`, presses the line's
    // button once it shows one second (after a picture of the window).
    Seen Run(const BusyCase& c, bool cancel) {
        SetUiLanguage(c.language);
        const sim::Device& device = c.camera ? *camera_ : *terminal_;
        RecordingMessageSink sink;
        ScopedMessageSink installed(sink);
        CostrandDlg window(test::LoopbackDiscoveryConfig());
        window.Table().Append(device.Record());
        window.FillDeviceList();
        window.show();
        Seen seen;
        QElapsedTimer started;
        QElapsedTimer sinceCancel;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            BusyLine* line = nullptr;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->isVisible() && (line = top->findChild<BusyLine*>()) != nullptr) break;
            }
            if (line == nullptr || sinceCancel.isValid()) return;
            if (seen.lineShownMs < 0) seen.lineShownMs = started.elapsed();
            if (!line->Text().endsWith(" 1 s")) return;
            seen.lineText = line->Text();
            seen.buttonText = line->CancelButton()->text();
            QWidget* owner = line->window();
            seen.onlyTheLineTakesInput = line->CancelButton()->isEnabled();
            for (QWidget* child : owner->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (child != line && !child->isWindow() && child->isEnabled()) seen.onlyTheLineTakesInput = false;
            }
            if (!cancel) return;
            QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
            owner->grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/BusyLine " + c.name + ".png");
            sinceCancel.start();
            line->CancelButton()->click();
        });
        probe.start(20);
        started.start();
        c.run(window, device);
        probe.stop();
        if (sinceCancel.isValid()) seen.endedAfterCancelMs = sinceCancel.elapsed();
        seen.messages = sink.Texts();
        EXPECT_EQ(window.findChild<BusyLine*>(), nullptr);
        EXPECT_TRUE(window.Button(1011)->isEnabled());
        return seen;
    }

    sim::Simulator sim_;
    sim::Device* terminal_ = nullptr;
    sim::Device* camera_ = nullptr;
};

// One case per kind of exchange: the main window's own check, commands over
// the TCP channel and over HTTP, a dialog's opening read, and a dialog that
// reads before it shows (its line is in the window it was opened from).
TEST_F(BusyLineTest, CancelEndsTheExchangeAsItsDeviceFallingSilentWould) {
    const auto pressReboot = [](CostrandDlg& window, const sim::Device&) {
        window.ListView()->selectRow(0);
        window.Button(1011)->click();
    };
    const std::vector<BusyCase> cases = {
        {"main window", Language::Chinese, false, QString::fromUtf8("正在查询 127.61.1.2 的升级状态"), pressReboot},
        {"main window English", Language::English, false, "Checking the upgrade state of 127.61.1.2", pressReboot},
        {"reboot over TCP", Language::Chinese, false, QString::fromUtf8("正在重启 127.61.1.2"),
         [](CostrandDlg& window, const sim::Device& device) {
             AllDialogRoutes().Open(CommandId::Reboot, &window, ArgsOf(device));
         }},
        {"time over HTTP", Language::Chinese, true, QString::fromUtf8("正在同步 127.61.1.3 的时间"),
         [](CostrandDlg& window, const sim::Device& device) {
             AllDialogRoutes().Open(CommandId::SyncPcTime, &window, ArgsOf(device));
         },
         "no reply from 127.61.1.3:80: cancelled while waiting"},
        {"network dialog opening", Language::Chinese, false, QString::fromUtf8("正在读取 127.61.1.2 的网络参数"),
         [](CostrandDlg& window, const sim::Device& device) {
             CConfigManagerDLG dialog(device.AddressText(), device.Port(), &window);
             dialog.show();
             for (int i = 0; i < 3000 && dialog.LoadsDone() == 0; ++i) {
                 QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
             }
         }},
        {"read before the dialog shows", Language::Chinese, false, QString::fromUtf8("正在读取 127.61.1.2 的参数"),
         [](CostrandDlg& window, const sim::Device& device) {
             CAttendServerInfo dialog(DeviceEndpoint{device.AddressText(), device.Port()}, &window);
             dialog.Load();
         }},
    };
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Seen natural;
        {
            ScopedTransportTimeouts waits(sim::test::ShortWaits());
            natural = Run(c, false);
        }
        ScopedTransportTimeouts waits(LongWaits());
        const Seen cancelled = Run(c, true);
        EXPECT_GE(cancelled.lineShownMs, 450);
        EXPECT_LT(cancelled.lineShownMs, 1500);
        EXPECT_EQ(cancelled.lineText, c.description + QString::fromUtf8("… 1 s"));
        EXPECT_EQ(cancelled.buttonText, c.language == Language::English ? "Cancel" : QString::fromUtf8("取消"));
        EXPECT_TRUE(cancelled.onlyTheLineTakesInput);
        EXPECT_GE(cancelled.endedAfterCancelMs, 0);
        EXPECT_LT(cancelled.endedAfterCancelMs, 1000);
        std::vector<std::string> expected = natural.messages;
        if (!c.layerText.empty() && !expected.empty()) expected.front() = c.layerText;
        EXPECT_EQ(cancelled.messages, expected);
    }
}

}  // namespace
}  // namespace ostrand

// The busy line of a modal device exchange, driven as a user would against
// silent simulated devices: it appears after half a second in the window the
// exchange blocks, "取消" ends the exchange within a second, and the messages
// are those the same exchange gives when the device's waits run out.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/loopback_discovery.h"
#include "ui/maintenance/cdev_mask_message.h"
#include "ui/maintenance/config_manager_dlg.h"
#include "ui/shell/busy_line.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;

// Waits long enough that only the cancel can end an exchange within a
// second, and short enough that a test gone wrong still ends.
TransportTimeouts LongWaits() {
    TransportTimeouts waits = sim::test::ShortWaits();
    waits.replyWait = 5s;
    waits.replyRestWait = 5s;
    waits.httpFormReceiveTimeout = 5s;
    waits.httpFormDeadline = 15s;
    return waits;
}

// What the user saw of one exchange.
struct Seen {
    std::vector<std::string> messages;
    qint64 lineShownMs = -1;    // from the exchange's start
    qint64 endedAfterCancelMs = -1;
    QString lineText;
    bool onlyTheLineTakesInput = false;
};

struct BusyCase {
    const char* name;
    const char* device;  // "terminal" or "camera"
    QString description;  // what the line says before the seconds
    // Starts the exchange from `window`, returning when it has ended.
    std::function<void(QWidget& window, const sim::Device& device)> run;
    // Over HTTP the first message is the HTTP layer's own description: it says
    // the wait was cancelled where the silent device's says it ran out.
    std::string layerText = {};
};

class BusyLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        terminal_ = &Add("127.61.1.2", sim::DeviceKind::Terminal, 0);
        camera_ = &Add("127.61.1.3", sim::DeviceKind::Camera, 80);
        sim_.Start();
    }
    void TearDown() override { sim_.Stop(); }

    sim::Device& Add(const std::string& address, sim::DeviceKind kind, std::uint16_t port) {
        sim::DeviceConfig config;
        config.address = address;
        config.kind = kind;
        config.port = port;
        config.deviceNumber = "100001";
        config.faults.silent = true;
        return sim_.AddDevice(config);
    }

    // Runs the case in a window of its own; with `cancel`, presses the busy
    // line's "取消" as soon as it shows (and keeps a picture of it).
    Seen Run(const BusyCase& c, bool cancel, const char* screenshot = nullptr) {
        const sim::Device& device = std::string(c.device) == "camera" ? *camera_ : *terminal_;
        RecordingMessageSink sink;
        ScopedMessageSink installed(sink);
        QWidget window;
        window.resize(520, 260);
        window.setWindowTitle("ostrand");
        auto* label = new QLabel(QString::fromUtf8("设备列表"), &window);
        label->move(20, 20);
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
            if (line == nullptr || !line->isVisible() || seen.lineShownMs >= 0) return;
            seen.lineShownMs = started.elapsed();
            seen.lineText = line->Text();
            QWidget* owner = line->window();
            bool othersDisabled = true;
            for (QWidget* child : owner->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (child != line && !child->isWindow() && child->isEnabled()) othersDisabled = false;
            }
            seen.onlyTheLineTakesInput = othersDisabled && line->CancelButton()->isEnabled();
            if (screenshot != nullptr) {
                QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
                owner->grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + screenshot + ".png");
            }
            if (cancel) {
                sinceCancel.start();
                line->CancelButton()->click();
            }
        });
        probe.start(20);
        started.start();
        c.run(window, device);
        probe.stop();
        if (sinceCancel.isValid()) seen.endedAfterCancelMs = sinceCancel.elapsed();
        seen.messages = sink.Texts();
        return seen;
    }

    sim::Simulator sim_;
    sim::Device* terminal_ = nullptr;
    sim::Device* camera_ = nullptr;
};

CommandArgs ArgsOf(const sim::Device& device) {
    CommandArgs args;
    args.ip = device.AddressText();
    args.port = device.Port();
    args.name = "T";
    return args;
}

// One case per kind of exchange: a main-window command over the TCP channel,
// one over HTTP, a dialog's opening read and a dialog's button.
TEST_F(BusyLineTest, CancelEndsTheExchangeAsItsDeviceFallingSilentWould) {
    const std::vector<BusyCase> cases = {
        {"reboot over TCP", "terminal", QString::fromUtf8("正在重启 127.61.1.2"),
         [](QWidget& window, const sim::Device& device) {
             AllDialogRoutes().Open(CommandId::Reboot, &window, ArgsOf(device));
         }},
        {"time over HTTP", "camera", QString::fromUtf8("正在同步 127.61.1.3 的时间"),
         [](QWidget& window, const sim::Device& device) {
             AllDialogRoutes().Open(CommandId::SyncPcTime, &window, ArgsOf(device));
         },
         "no reply from 127.61.1.3:80: cancelled while waiting"},
        {"network dialog opening", "terminal", QString::fromUtf8("正在读取 127.61.1.2 的网络参数"),
         [](QWidget& window, const sim::Device& device) {
             CConfigManagerDLG dialog(device.AddressText(), device.Port(), &window);
             dialog.show();
             for (int i = 0; i < 3000 && dialog.LoadsDone() == 0; ++i) {
                 QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
             }
         }},
        {"attendance server read before its dialog shows", "terminal",
         QString::fromUtf8("正在读取 127.61.1.2 的参数"),
         [](QWidget& window, const sim::Device& device) {
             // The line shows in the window the dialog was opened from.
             CAttendServerInfo dialog(DeviceEndpoint{device.AddressText(), device.Port()}, &window);
             dialog.Load();
         }},
        {"rename dialog OK", "terminal", QString::fromUtf8("正在修改 127.61.1.2 的设备名"),
         [](QWidget& window, const sim::Device& device) {
             CDevMaskMessage dialog(device.AddressText(), device.Port(), "T", &window);
             dialog.show();
             dialog.NewNameEdit()->setText("new");
             dialog.OkButton()->click();
         }},
    };
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Seen natural;
        {
            ScopedTransportTimeouts waits(sim::test::ShortWaits());
            natural = Run(c, false);
        }
        ASSERT_FALSE(natural.messages.empty());
        ScopedTransportTimeouts waits(LongWaits());
        const std::string picture = std::string("BusyLine ") + c.name;
        const Seen cancelled = Run(c, true, picture.c_str());
        EXPECT_GE(cancelled.lineShownMs, 450);
        EXPECT_LT(cancelled.lineShownMs, 1500);
        EXPECT_TRUE(cancelled.lineText.startsWith(c.description + QString::fromUtf8("… "))) << cancelled.lineText.toStdString();
        EXPECT_TRUE(cancelled.lineText.endsWith(" s")) << cancelled.lineText.toStdString();
        EXPECT_TRUE(cancelled.onlyTheLineTakesInput);
        EXPECT_GE(cancelled.endedAfterCancelMs, 0);
        EXPECT_LT(cancelled.endedAfterCancelMs, 1000);
        std::vector<std::string> expected = natural.messages;
        if (!c.layerText.empty()) expected.front() = c.layerText;
        EXPECT_EQ(cancelled.messages, expected);
    }
}

// The main window's kernel-upgrade check on a silent terminal, in both
// languages: the line counts the seconds, and cancel ends the command as the
// failed check does (no message, no operation).
TEST_F(BusyLineTest, MainWindowLineCountsSecondsAndCancelEndsTheCommand) {
    struct LanguageCase {
        Language language;
        QString description;
        QString cancel;
        const char* picture;
    };
    const LanguageCase cases[] = {
        {Language::Chinese, QString::fromUtf8("正在查询 127.61.1.2 的升级状态"), QString::fromUtf8("取消"),
         "BusyLine main window"},
        {Language::English, "Checking the upgrade state of 127.61.1.2", "Cancel", "BusyLine main window English"},
    };
    ScopedTransportTimeouts waits(LongWaits());
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.picture);
        SetUiLanguage(c.language);
        RecordingMessageSink sink;
        ScopedMessageSink installed(sink);
        CostrandDlg dlg(test::LoopbackDiscoveryConfig());
        dlg.Table().Append(terminal_->Record());
        dlg.FillDeviceList();
        bool passed = false;
        QObject::connect(&dlg, &CostrandDlg::CommandPassedGates, [&passed] { passed = true; });
        dlg.show();
        QString text;
        QString button;
        QElapsedTimer sinceCancel;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            BusyLine* line = dlg.findChild<BusyLine*>();
            // Seen once the seconds have moved on from 0.
            if (line == nullptr || sinceCancel.isValid() || !line->Text().endsWith(" 1 s")) return;
            text = line->Text();
            button = line->CancelButton()->text();
            QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
            dlg.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + c.picture + ".png");
            sinceCancel.start();
            line->CancelButton()->click();
        });
        probe.start(20);
        dlg.ListView()->selectRow(0);
        dlg.Button(1011)->click();
        probe.stop();
        ASSERT_TRUE(sinceCancel.isValid());
        EXPECT_LT(sinceCancel.elapsed(), 1000);
        EXPECT_EQ(text, c.description + QString::fromUtf8("… 1 s"));
        EXPECT_EQ(button, c.cancel);
        EXPECT_TRUE(sink.Texts().empty());
        EXPECT_FALSE(passed);
        EXPECT_EQ(dlg.findChild<BusyLine*>(), nullptr);
        EXPECT_TRUE(dlg.Button(1011)->isEnabled());
    }
    SetUiLanguage(Language::Chinese);
}

// An exchange that ends within half a second never shows the line, and the
// window is as it was afterwards.
TEST_F(BusyLineTest, QuickWorkShowsNoLineAndRestoresTheWindow) {
    QWidget window;
    auto* button = new QPushButton("x", &window);
    window.show();
    bool lineSeen = false;
    RunModalWork(&window, [] { std::this_thread::sleep_for(100ms); }, QString::fromUtf8("正在重启 1.2.3.4"));
    lineSeen = window.findChild<BusyLine*>() != nullptr;
    EXPECT_FALSE(lineSeen);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(button->isEnabled());
}

}  // namespace
}  // namespace ostrand

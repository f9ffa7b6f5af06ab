// The Search button against simulated devices answering on loopback: the
// progress window while it runs, the list refilled under the filter in force,
// the scan flags read anew at every Search, and a picture of the result.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "../discovery/sim_devices.h"
#include "../platform/temp_dir.h"
#include "loopback_discovery.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "sim/discovery/discovery_responder.h"
#include "ui/costrand_dlg.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

using test::WriteWholeFile;

// Simulated devices answering on loopback, on ports of their own.
class SimulatedLan : public ostrand::testing::ResponderThread {
public:
    explicit SimulatedLan(std::vector<sim::DiscoveryEntry> entries)
        : ResponderThread({.bindAddress = "127.0.0.1", .scanPort = 0, .hdsPort = 0, .group = ""},
                          std::move(entries)) {}
};

struct SimDevice {
    const char* address;
    const char* name;
    const char* number;
    const char* model;
    const char* version;
    int port;
    int attendType;
    int tfStatus;
};

sim::DiscoveryEntry Entry(const SimDevice& d, int k, sim::DiscoveryFaults faults = {}) {
    DeviceRecord r;
    char mac[16];
    std::snprintf(mac, sizeof mac, "02a1b2c3d4%02x", k);
    SetFieldText(r.mac, mac);
    SetFieldText(r.ip, d.address);
    SetFieldText(r.subnetMask, "255.255.255.0");
    SetFieldText(r.gateway, "127.0.5.1");
    // Terminals and capture cameras (port 60005) send their names in GBK.
    SetFieldText(r.deviceName, d.port == 60005 ? Utf8ToGbk(d.name).value_or("") : std::string(d.name));
    SetFieldText(r.deviceNumber, d.number);
    SetFieldText(r.productModel, d.model);
    SetFieldText(r.version, d.version);
    SetFieldText(r.loginAccount, d.attendType == 0 ? "" : "att-admin");
    r.commandPort = d.port;
    r.attendType = d.attendType;
    r.tfStatus = d.tfStatus;
    r.deviceType = d.attendType == 0 ? 1 : 3;
    r.rs485Status = d.attendType == 0 ? 0 : 1;
    r.attendServerStatus = d.attendType == 0 ? 0 : 1;
    if (d.attendType == 2) SetFieldText(r.attendTerminalNumber, "T-0001");
    return {d.address, r, faults};
}

// A small shop floor: two cameras, a terminal, its capture camera, and a
// camera that answers only the HDS search.
std::vector<sim::DiscoveryEntry> ShopFloor() {
    const SimDevice devices[] = {
        {"127.0.5.11", "前门摄像机", "C20031", "IPC-200", "2.0.3", 80, 0, 6},
        {"127.0.5.12", "Warehouse", "C20032", "IPC-210", "1.0.0.0-2.1.7", 8080, 0, 2},
        {"127.0.5.21", "考勤机一号", "T-0001", "AT-500", "3.1.2", 60005, 1, 1},
        {"127.0.5.22", "抓拍机", "P-0107", "CAP-100", "3.1.2", 60005, 2, 1},
        {"127.0.5.31", "", "", "", "V5.5.0", 80, 0, 0},
    };
    std::vector<sim::DiscoveryEntry> entries;
    int k = 0;
    for (const SimDevice& d : devices) entries.push_back(Entry(d, k++));
    entries.back().faults.answerScan = false;  // HDS only
    return entries;
}

class SearchCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        std::string error;
        ASSERT_TRUE(lan_.Start(&error)) << error;
        // Short quiet waits keep each pass brief; manual entries show until
        // the first Search.
        WriteWholeFile(SettingsFileName(), "[common]\nScanTimeOut=150\n[Dev0]\nIP=192.168.9.20\n");
        auto config = test::LoopbackDiscoveryConfig(lan_.Responder().ScanPort(), lan_.Responder().HdsPort());
        // A held Search takes its first reply only once the test has seen the
        // progress window, however long the window needs to appear.
        config.trace = [this](std::string_view line) {
            if (!holdSearch_ || !line.starts_with("recv from")) return;
            std::unique_lock lock(holdMutex_);
            holdChanged_.wait_for(lock, std::chrono::seconds(20), [this] { return !holdSearch_; });
        };
        dlg_ = std::make_unique<CostrandDlg>(config);
    }
    void TearDown() override {
        dlg_.reset();
        SetUiLanguage(Language::Chinese);
    }

    QString Cell(int row, int column) const {
        return dlg_->ListView()->model()->index(row, column).data().toString();
    }
    int Rows() const { return dlg_->ListView()->model()->rowCount(); }
    QStringList Column(int column) const {
        QStringList cells;
        for (int row = 0; row < Rows(); ++row) cells << Cell(row, column);
        return cells;
    }
    void Search() { dlg_->Button(1001)->click(); }
    void ReleaseSearch() {
        {
            std::lock_guard lock(holdMutex_);
            holdSearch_ = false;
        }
        holdChanged_.notify_all();
    }

    std::atomic<bool> holdSearch_{false};
    std::mutex holdMutex_;
    std::condition_variable holdChanged_;

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    SimulatedLan lan_{ShopFloor()};
    std::unique_ptr<CostrandDlg> dlg_;
};

TEST_F(SearchCommandTest, SearchReplacesTheListWithTheDevicesThatAnswered) {
    ASSERT_EQ(Rows(), 1);
    dlg_->show();
    // Watches from the progress window's event loop.
    QString title;
    bool mainWindowBlocked = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<ProgressDlg*>(QApplication::activeModalWidget());
        if (progress == nullptr || !progress->isVisible()) return;
        title = progress->windowTitle();
        mainWindowBlocked = progress->parentWidget() == dlg_.get() && progress->isModal();
        ReleaseSearch();
    });
    probe.start(10);
    holdSearch_ = true;
    Search();
    probe.stop();
    EXPECT_EQ(title, "搜索设备");
    EXPECT_TRUE(mainWindowBlocked);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    EXPECT_EQ(lan_.Responder().ScanRequests(), 2u);  // two passes on the one socket
    EXPECT_EQ(lan_.Responder().HdsRequests(), 1u);
    EXPECT_EQ(Column(10), (QStringList{"127.0.5.11", "127.0.5.12", "127.0.5.21", "127.0.5.22", "127.0.5.31"}));
    EXPECT_EQ(Column(0), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(Cell(0, 2), "前门摄像机");
    EXPECT_EQ(Cell(0, 13), "02A1B2C3D400");
    EXPECT_EQ(Cell(0, 17), "1.0.0.0-2.0.3");
    EXPECT_EQ(Cell(1, 17), "1.0.0.0-2.1.7");
    EXPECT_EQ(Cell(2, 1), "是(考勤机)");
    EXPECT_EQ(Cell(3, 5), "T-0001");
    EXPECT_EQ(Cell(4, 13), "02A1B2C3D404");  // from the HDS reply
    EXPECT_EQ(dlg_->LastSearch().scanDevices, 4u);
    EXPECT_EQ(dlg_->LastSearch().hdsDevices, 1u);
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_TRUE(dlg_->isEnabled());

    // A second Search finds the same devices once each.
    Search();
    EXPECT_EQ(Rows(), 5);

    dlg_->resize(2150, 520);
    QApplication::processEvents();
    const QString directory = QStringLiteral(OSTRAND_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(directory));
    const QImage image = dlg_->grab().toImage();
    ASSERT_TRUE(image.save(directory + "/main-window-after-search.png"));
}

TEST_F(SearchCommandTest, ScanFlagsAreReadAtEverySearchAndTheFilterStays) {
    dlg_->findChild<QComboBox*>("combo1280")->setCurrentIndex(1);  // attendance devices
    ASSERT_EQ(Rows(), 1);  // the manual entry is a terminal
    Search();
    EXPECT_EQ(Column(10), (QStringList{"127.0.5.21", "127.0.5.22"}));

    // Bit 0 skips the HDS search, bit 2 runs one pass.
    WriteWholeFile(SettingsFileName(), "[common]\nScanTimeOut=150\nSimpleScan=5\n");
    dlg_->findChild<QComboBox*>("combo1280")->setCurrentIndex(2);  // monitoring devices
    Search();
    EXPECT_EQ(Column(10), (QStringList{"127.0.5.11", "127.0.5.12"}));
    EXPECT_EQ(lan_.Responder().ScanRequests(), 3u);
    EXPECT_EQ(lan_.Responder().HdsRequests(), 1u);
    EXPECT_EQ(dlg_->LastSearch().scanPasses, 1u);
    EXPECT_EQ(dlg_->LastSearch().hdsRequests, 0u);
}

TEST_F(SearchCommandTest, ProgressWindowSpeaksTheInterfaceLanguage) {
    SetUiLanguage(Language::English);
    QString title;
    QString text;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (auto* progress = qobject_cast<ProgressDlg*>(QApplication::activeModalWidget())) {
            title = progress->windowTitle();
            text = progress->Text();
            ReleaseSearch();
        }
    });
    probe.start(10);
    holdSearch_ = true;
    Search();
    probe.stop();
    EXPECT_EQ(title, "Searching devices");
    EXPECT_EQ(text, "Searching devices,please wait....");
}

}  // namespace
}  // namespace ostrand

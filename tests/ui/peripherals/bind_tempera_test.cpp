// "绑定测温设备" against scripted temperature devices on loopback and a
// simulated terminal: opening reads the bound device and searches half a
// second later, a row's port decides the address change, the status bar
// returns to its hint.

#include "ui/peripherals/bind_tempera.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <fstream>

#include "platform/temp_dir.h"
#include "ops/peripherals/peripheral_sim.h"
#include "ops/peripherals/probe_peer.h"
#include "screenshot.h"
#include "sim/behaviours/peripherals/peripheral_state.h"

namespace ostrand {
namespace {

using Json = nlohmann::json;

class BindTemperaTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir_.Path() / "peripheral_dialogs_test.ini") << "";
        first_ = std::make_unique<test::ProbePeer>(std::vector<std::string>{
            test::ProbeMatch("10754052", "DS-2TB21-3AVF", "10.0.0.5", "AA01", ""),
            test::ProbeMatch("3", "测温门禁", "10.0.0.6", "AA02", "")});
        sim_ = std::make_unique<test::PeripheralSim>(Json{{"boundTempera", {{"ip", "10.0.0.5"}}}});
        // The scripted second-probe device points at the simulated
        // temperature device, so the address change reaches it.
        const auto tempera = sim_->Tempera();
        second_ = std::make_unique<test::ProbePeer>(std::vector<std::string>{
            test::ProbeMatch("3", "TM-9", tempera.ip, "AA03", std::to_string(tempera.port))});
    }

    TemperaProbeConfig Probe() const {
        TemperaProbeConfig config;
        config.bindAddress = "127.0.0.1";
        config.group.clear();
        config.first.localPort = 0;
        config.second.localPort = 0;
        config.first.destination = first_->Endpoint();
        config.second.destination = second_->Endpoint();
        config.scanTimeOut = [] { return 80; };
        return config;
    }

    // Waits until the first search has filled the list.
    static bool WaitForRows(BindTempera& dialog, int rows) {
        for (int i = 0; i < 100 && dialog.List()->rowCount() != rows; ++i) QTest::qWait(20);
        return dialog.List()->rowCount() == rows;
    }

    test::TempWorkingDir dir_;
    std::unique_ptr<test::ProbePeer> first_, second_;
    std::unique_ptr<test::PeripheralSim> sim_;
};

TEST_F(BindTemperaTest, OpeningReadsTheBoundDeviceThenSearches) {
    BindTempera dialog(sim_->Terminal(), Probe());
    EXPECT_EQ(dialog.StatusText(), QString::fromUtf8("提示：IP为空为则解绑或设置DHCP"));
    EXPECT_EQ(dialog.findChild<QTimer*>("timer1281")->interval(), 500);
    EXPECT_EQ(dialog.findChild<QTimer*>("timer1282")->interval(), 10000);
    // The search's half second starts once the opening read has ended.
    EXPECT_FALSE(dialog.findChild<QTimer*>("timer1281")->isActive());
    ASSERT_TRUE(WaitForRows(dialog, 3));
    EXPECT_EQ(dialog.Edit(1348)->text(), "10.0.0.5");
    EXPECT_EQ(dialog.List()->item(0, 1)->text(), "10.0.0.5");
    EXPECT_EQ(dialog.List()->item(0, 2)->text(), "DS-2TB21-3AVF");
    // The UTF-8 probe's answer in Chinese reads as Chinese.
    EXPECT_EQ(dialog.List()->item(1, 2)->text(), QString::fromUtf8("测温门禁"));
    EXPECT_EQ(dialog.List()->item(2, 0)->text(), "2");
    test::SaveScreenshot(dialog, "bind-tempera.png");

    // A first-probe row has no port: no address change for it.
    EXPECT_FALSE(dialog.Button(1277)->isEnabled());
    dialog.RowClicked(0);
    EXPECT_EQ(dialog.Edit(1349)->text(), "10.0.0.5");
    EXPECT_FALSE(dialog.Button(1277)->isEnabled());
    dialog.RowClicked(2);
    EXPECT_TRUE(dialog.Button(1277)->isEnabled());
    EXPECT_EQ(dialog.TemperaEndpoint().ip, sim_->Tempera().ip);
}

TEST_F(BindTemperaTest, StrictFlagComesFromTheSettingsFile) {
    {
        BindTempera loose(sim_->Terminal(), Probe());
        EXPECT_EQ(loose.StrictModel(), 0);
        ASSERT_TRUE(WaitForRows(loose, 3));
    }
    std::ofstream(dir_.Path() / "peripheral_dialogs_test.ini") << "[common]\r\nTemperaStrickV2=1\r\n";
    BindTempera strict(sim_->Terminal(), Probe());
    EXPECT_EQ(strict.StrictModel(), 1);
    ASSERT_TRUE(WaitForRows(strict, 2));  // "测温门禁" from the first probe is left out
}

TEST_F(BindTemperaTest, EmptyAddressSwitchesTheDeviceToDhcpAndTheHintReturns) {
    BindTempera dialog(sim_->Terminal(), Probe());
    ASSERT_TRUE(WaitForRows(dialog, 3));
    dialog.RowClicked(2);
    dialog.Edit(1349)->clear();
    dialog.findChild<QTimer*>("timer1282")->setInterval(50);
    dialog.Button(1277)->click();
    EXPECT_EQ(dialog.StatusText(), QString::fromUtf8("操作成功，请稍候重新搜索..."));
    EXPECT_TRUE(sim::TemperaOf(sim_->TemperaDevice())->dhcp);
    EXPECT_TRUE(sim_->Messages().Texts().empty());
    QTest::qWait(150);
    EXPECT_EQ(dialog.StatusText(), QString::fromUtf8("提示：IP为空为则解绑或设置DHCP"));
}

TEST_F(BindTemperaTest, BindingReadsTheBoundDeviceAgain) {
    BindTempera dialog(sim_->Terminal(), Probe());
    ASSERT_TRUE(WaitForRows(dialog, 3));
    dialog.Edit(1349)->setText("10.0.0.6");
    dialog.Edit(1350)->setText("admin");
    dialog.Edit(1351)->setText("secret");
    dialog.Button(1276)->click();
    EXPECT_EQ(dialog.StatusText(), QString::fromUtf8("绑定成功"));
    EXPECT_EQ(dialog.Edit(1348)->text(), "10.0.0.6");
    dialog.Button(1275)->click();
    EXPECT_EQ(dialog.StatusText(), QString::fromUtf8("获取成功"));
}

}  // namespace
}  // namespace ostrand

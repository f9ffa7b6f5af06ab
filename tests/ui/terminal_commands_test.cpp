// Commands on an attendance terminal of the device simulator: the kernel
// state query travels over the framed TCP channel of port 60005.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTableView>

#include <memory>
#include <string>
#include <vector>

#include "../platform/temp_dir.h"
#include "loopback_discovery.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "ui/costrand_dlg.h"

namespace ostrand {
namespace {

class TerminalCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        for (const char* status : {"0", "1"}) {
            sim::DeviceConfig config;
            config.address = std::string("127.0.6.") + (status[0] == '0' ? "1" : "2");
            config.kind = sim::DeviceKind::Terminal;
            config.deviceNumber = std::string("T-") + status;
            config.replies["getUpdateKernelStatus"] = ParamMap{{"updateStatus", status}};
            devices_.push_back(&sim_.AddDevice(config));
        }
        sim_.Start();
        dlg_ = std::make_unique<CostrandDlg>(test::LoopbackDiscoveryConfig());
        for (const sim::Device* device : devices_) dlg_->Table().Append(device->Record());
        dlg_->FillDeviceList();
        QObject::connect(dlg_.get(), &CostrandDlg::CommandPassedGates,
                         [this](CommandId id, const CommandArgs&) { passed_.push_back(id); });
    }
    void TearDown() override {
        dlg_.reset();
        sim_.Stop();
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    sim::Simulator sim_;
    std::vector<sim::Device*> devices_;
    std::unique_ptr<CostrandDlg> dlg_;
    std::vector<CommandId> passed_;
};

TEST_F(TerminalCommandsTest, KernelStateOfATerminalDecidesOverTheTcpChannel) {
    dlg_->ListView()->selectRow(0);
    dlg_->Button(1258)->click();
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_EQ(passed_, std::vector<CommandId>{CommandId::AttendParams});
    EXPECT_EQ(devices_[0]->CommandCount(), 1);

    dlg_->ListView()->selectRow(1);
    dlg_->Button(1011)->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"IPC设备内核升级中,请等升级完成后在进行操作"});
    EXPECT_EQ(passed_.size(), 1u);
    EXPECT_EQ(devices_[1]->CommandCount(), 1);
}

}  // namespace
}  // namespace ostrand

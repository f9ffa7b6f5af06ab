#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ops/shell/command_gates.h"
#include "platform/log.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

// A loopback address of this process's own, so parallel test runs never meet.
std::string OwnAddress(int host) {
    const int pid = static_cast<int>(::getpid());
    return "127.66." + std::to_string(pid % 250 + 1) + "." + std::to_string(host);
}

class KernelGateAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        TransportTimeouts timeouts = CurrentTransportTimeouts();
        timeouts.replyWait = std::chrono::milliseconds(200);
        timeouts.replyRestWait = std::chrono::milliseconds(200);
        timeouts.connectWait = std::chrono::milliseconds(500);
        timeouts.httpFormReceiveTimeout = std::chrono::milliseconds(1000);
        timeouts.httpConnectBackoff = std::chrono::milliseconds(1);
        shortWaits_.emplace(timeouts);
    }

    sim::Device& Add(sim::DeviceKind kind, int host, std::string updateStatus = {}) {
        sim::DeviceConfig config;
        config.address = OwnAddress(host);
        config.kind = kind;
        config.port = kind == sim::DeviceKind::Camera ? 18080 : 0;
        if (!updateStatus.empty()) config.settings["updateStatus"] = updateStatus;
        return simulator_.AddDevice(std::move(config));
    }

    std::optional<ScopedTransportTimeouts> shortWaits_;
    sim::Simulator simulator_;
    RecordingMessageSink sink_;
    ScopedMessageSink scope_{sink_};
    CommandTarget target_;
};

TEST_F(KernelGateAgainstSimulator, IdleDevicesAreFreeOnBothChannels) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 1);
    auto& camera = Add(sim::DeviceKind::Camera, 2);
    simulator_.Start();
    EXPECT_EQ(KernelUpgradeGate(target_, terminal.AddressText(), 60005), KernelState::Free);
    EXPECT_EQ(KernelUpgradeGate(target_, camera.AddressText(), 18080), KernelState::Free);
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_EQ(target_.ip, camera.AddressText());
    EXPECT_EQ(target_.port, 18080);
}

TEST_F(KernelGateAgainstSimulator, UpgradingDeviceIsBusyWithTheMessage) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 3, "1");
    simulator_.Start();
    EXPECT_EQ(KernelUpgradeGate(target_, terminal.AddressText(), 60005), KernelState::Busy);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"IPC设备内核升级中,请等升级完成后在进行操作"});
}

TEST_F(KernelGateAgainstSimulator, SilentOrRefusingDeviceIsBusy) {
    auto& silent = Add(sim::DeviceKind::Terminal, 4);
    auto& refusing = Add(sim::DeviceKind::Camera, 5);
    sim::FaultOptions quiet;
    quiet.silent = true;
    sim::FaultOptions refuse;
    refuse.refuse = true;
    simulator_.Start();
    simulator_.SetFaults(silent, quiet);
    simulator_.SetFaults(refusing, refuse);
    EXPECT_EQ(KernelUpgradeGate(target_, silent.AddressText(), 60005), KernelState::Busy);
    EXPECT_EQ(KernelUpgradeGate(target_, refusing.AddressText(), 18080), KernelState::Busy);
    // Nobody listens there; port 0 is what a device found only by the HDS search has.
    EXPECT_EQ(KernelUpgradeGate(target_, OwnAddress(6), 60005), KernelState::Busy);
    EXPECT_EQ(KernelUpgradeGate(target_, OwnAddress(6), 0), KernelState::Busy);
    EXPECT_EQ(KernelUpgradeGate(target_, OwnAddress(6), 18080), KernelState::Busy);
    // A device that cannot be operated is simply not operated: no box at all.
    EXPECT_TRUE(sink_.Texts().empty());
}

// A sink whose box fails with something that is not a standard exception.
class ThrowingSink : public MessageSink {
public:
    void ShowMessage(std::string_view, std::string_view) override { throw 42; }
    bool AskYesNo(std::string_view, std::string_view) override { throw 42; }
};

TEST_F(KernelGateAgainstSimulator, AnyOtherFailureIsBusyAndLogged) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 7, "1");
    simulator_.Start();
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("ostrand-gate-log-" + std::to_string(::getpid()) + ".txt");
    std::filesystem::remove(logPath);
    ASSERT_TRUE(OpenLogFile(logPath.string()));
    ThrowingSink throwing;
    {
        ScopedMessageSink scope(throwing);
        EXPECT_EQ(KernelUpgradeGate(target_, terminal.AddressText(), 60005), KernelState::Busy);
    }
    CloseLogFile();
    std::ifstream file(logPath);
    std::stringstream text;
    text << file.rdbuf();
    const std::string log = text.str();
    std::filesystem::remove(logPath);
    EXPECT_NE(log.find("ostrand\\ostrandDlg"), std::string::npos) << log;
    EXPECT_NE(log.find("Log:GetInitParam Unknow Exception occur!::"), std::string::npos) << log;
}

}  // namespace
}  // namespace ostrand

#pragma once
// One simulated attendance terminal that every dialog of the keyboard tests
// talks to, the messages the dialogs show, and a working folder for the
// settings file.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "ops/peripherals/tempera_probe.h"
#include "platform/message_sink.h"
#include "platform/temp_dir.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "transport/tcp_channel.h"
#include "transport/transport_settings.h"

namespace ostrand::test {

// The temperature-device probe aimed at loopback's discard port: a search
// finds nothing and sends nothing beyond this machine.
inline TemperaProbeConfig NowhereProbe() {
    TemperaProbeConfig probe;
    probe.bindAddress = "127.0.0.1";
    probe.group.clear();
    probe.first.destination = {"127.0.0.1", 9};
    probe.second.destination = {"127.0.0.1", 9};
    probe.scanTimeOut = [] { return 50; };
    return probe;
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + "7";
        config.kind = sim::DeviceKind::Terminal;
        config.deviceNumber = "T7";
        // The speaker page lists classes only when the terminal has some.
        config.state["peripherals"] = {
            {"speakers", {{"classes", {{{"id", "1"}, {"name", "C1"}, {"speakers", "1"}}}}, {"volume", 6}, {"band", 3}}}};
        terminal_ = &sim_.AddDevice(config);
        sim_.Start();
    }
    void TearDown() override { sim_.Stop(); }

    DeviceEndpoint Terminal() const { return {terminal_->AddressText(), terminal_->Port()}; }

    // Waits (bounded) until `ready` holds; the dialogs read the device once
    // their window is up.
    static bool WaitFor(const std::function<bool()>& ready) {
        for (int i = 0; i < 300 && !ready(); ++i) QTest::qWait(10);
        return ready();
    }

    TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
    sim::Device* terminal_ = nullptr;
};

}  // namespace ostrand::test

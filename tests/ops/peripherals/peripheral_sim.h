#pragma once
// A simulated terminal and temperature device on loopback for the
// peripheral operations, with short transport waits and recorded messages.

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "../../sim/sim_test_support.h"
#include "transport/transport_settings.h"

namespace ostrand::test {

class PeripheralSim {
public:
    explicit PeripheralSim(nlohmann::json terminalState, nlohmann::json temperaState = nlohmann::json::object())
        : waits_(sim::test::ShortWaits()), messages_(sink_) {
        // Two simulators may live at once within one test: each takes new addresses.
        static int next = 10;
        next = next >= 240 ? 10 : next + 2;
        const std::string block = sim::test::AddressBlock();
        sim::DeviceConfig terminal;
        terminal.address = block + std::to_string(next);
        terminal.kind = sim::DeviceKind::Terminal;
        terminal.state["peripherals"] = std::move(terminalState);
        terminal_ = &sim_.AddDevice(terminal);
        sim::DeviceConfig tempera;
        tempera.address = block + std::to_string(next + 1);
        tempera.kind = sim::DeviceKind::Terminal;
        tempera.state["peripherals"] = {{"tempera", std::move(temperaState)}};
        tempera_ = &sim_.AddDevice(tempera);
        sim_.Start();
    }
    ~PeripheralSim() { sim_.Stop(); }

    DeviceEndpoint Terminal() const { return {terminal_->AddressText(), sim::kTcpChannelPort}; }
    DeviceEndpoint Tempera() const { return {tempera_->AddressText(), sim::kTcpChannelPort}; }
    sim::Device& TerminalDevice() { return *terminal_; }
    sim::Device& TemperaDevice() { return *tempera_; }
    RecordingMessageSink& Messages() { return sink_; }

private:
    ScopedTransportTimeouts waits_;
    RecordingMessageSink sink_;
    ScopedMessageSink messages_;
    sim::Simulator sim_;
    sim::Device* terminal_ = nullptr;
    sim::Device* tempera_ = nullptr;
};

}  // namespace ostrand::test

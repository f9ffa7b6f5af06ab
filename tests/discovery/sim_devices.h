#pragma once
// Simulated devices for the discovery tests: records as a camera or terminal
// would send them, and a responder running on its own io_context thread.

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/discovery/discovery_responder.h"

namespace ostrand::testing {

inline DeviceRecord SimRecord(const std::string& address, int k) {
    DeviceRecord record;
    char mac[16];
    std::snprintf(mac, sizeof mac, "02aa%08x", static_cast<unsigned>(k));
    SetFieldText(record.mac, mac);
    SetFieldText(record.ip, address);
    SetFieldText(record.subnetMask, "255.255.0.0");
    SetFieldText(record.gateway, "10.77.0.2");
    SetFieldText(record.deviceNumber, "SIM" + std::to_string(k));
    SetFieldText(record.version, "V2.1." + std::to_string(k % 10));
    SetFieldText(record.deviceName, "cam" + std::to_string(k));
    record.commandPort = k % 2 == 0 ? 80 : 60005;
    record.attendType = k % 2 == 0 ? 0 : 1;
    return record;
}

// A responder whose io_context runs on a thread of its own. Start() opens the
// sockets in the calling thread's network namespace.
class ResponderThread {
public:
    ResponderThread(sim::DiscoveryResponderConfig config, std::vector<sim::DiscoveryEntry> entries)
        : entries_(std::move(entries)),
          responder_(io_, std::move(config), [this] { return entries_; }) {}
    ~ResponderThread() {
        io_.stop();
        if (thread_.joinable()) thread_.join();
    }
    bool Start(std::string* error) {
        if (!responder_.Start(error)) return false;
        thread_ = std::thread([this] {
            auto guard = sim::net::make_work_guard(io_);
            io_.run();
        });
        return true;
    }
    const sim::DiscoveryResponder& Responder() const { return responder_; }

private:
    sim::net::io_context io_;
    std::vector<sim::DiscoveryEntry> entries_;
    sim::DiscoveryResponder responder_;
    std::thread thread_;
};

}  // namespace ostrand::testing

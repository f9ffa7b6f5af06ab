#pragma once
// The listener of one device: binds the device's own address and port and
// hands every accepted connection to the TCP or HTTP session. A camera with
// video channels also gets its video port.

#include <memory>

#include "sim/asio.h"
#include "sim/device.h"
#include "sim/journal.h"
#include "sim/stream/stream_listener.h"

namespace ostrand::sim {

class DeviceServer {
public:
    DeviceServer(net::io_context& io, Device& device, Journal& journal);
    ~DeviceServer();
    DeviceServer(const DeviceServer&) = delete;
    DeviceServer& operator=(const DeviceServer&) = delete;

    // Binds and starts accepting. Throws std::system_error (with the device's
    // address in the message) when the address cannot be bound.
    void Open();
    // Stops accepting; further connections are refused. Open connections go on.
    void Close();
    bool IsOpen() const { return acceptor_ != nullptr; }
    Device& Dev() { return device_; }

private:
    net::io_context& io_;
    Device& device_;
    Journal& journal_;
    std::shared_ptr<tcp::acceptor> acceptor_;
    std::unique_ptr<StreamListener> stream_;
};

}  // namespace ostrand::sim

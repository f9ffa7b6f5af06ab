#pragma once
// The video port of a simulated camera: a listener on the camera's own
// address (port 9886 unless its fleet entry says otherwise) that serves one
// motion-JPEG stream per connection. Opened and closed together with the
// camera's command listener.

#include <memory>

#include "sim/asio.h"
#include "sim/device.h"
#include "sim/journal.h"

namespace ostrand::sim {

// Cameras and capture cameras with at least one video channel stream.
bool ServesVideoStream(const Device& device);

class StreamListener {
public:
    StreamListener(net::io_context& io, Device& device, Journal& journal);
    ~StreamListener();
    StreamListener(const StreamListener&) = delete;
    StreamListener& operator=(const StreamListener&) = delete;

    // Binds and starts accepting; throws std::system_error naming the
    // address and port when it cannot.
    void Open();
    // Stops accepting. Streams already running go on until their peers leave.
    void Close();
    bool IsOpen() const { return acceptor_ != nullptr; }

private:
    net::io_context& io_;
    Device& device_;
    Journal& journal_;
    std::shared_ptr<tcp::acceptor> acceptor_;
};

}  // namespace ostrand::sim

#include "sim/stream/stream_listener.h"

#include "sim/behaviours/video/camera_access.h"
#include "sim/listening_acceptor.h"
#include "sim/stream/stream_session.h"

namespace ostrand::sim {

bool ServesVideoStream(const Device& device) {
    return device.Kind() != DeviceKind::Terminal && device.Record().videoChannels > 0;
}

StreamListener::StreamListener(net::io_context& io, Device& device, Journal& journal)
    : io_(io), device_(device), journal_(journal) {}

StreamListener::~StreamListener() { Close(); }

void StreamListener::Open() {
    if (acceptor_) return;
    const std::uint16_t port =
        video::WithCamera(device_, [](video::CameraVideoState& state) { return state.stream.port; });
    auto acceptor = OpenListeningAcceptor(io_, tcp::endpoint(device_.Address(), port), "cannot serve video on");
    acceptor_ = acceptor;
    // The streams of one camera share one frame load.
    auto load = std::make_shared<StreamLoad>();
    Device& device = device_;
    Journal& journal = journal_;
    net::co_spawn(io_,
                  AcceptConnections(std::move(acceptor),
                                    [&device, &journal, load](tcp::socket socket) {
                                        return ServeStream(std::move(socket), device, journal, load);
                                    }),
                  net::detached);
}

void StreamListener::Close() {
    if (!acceptor_) return;
    boost::system::error_code ignored;
    acceptor_->close(ignored);
    acceptor_.reset();
}

}  // namespace ostrand::sim

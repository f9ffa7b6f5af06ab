#include "sim/stream/stream_listener.h"

#include <system_error>

#include "sim/behaviours/video/camera_access.h"
#include "sim/stream/stream_session.h"

namespace ostrand::sim {

namespace {

net::awaitable<void> AcceptStreams(std::shared_ptr<tcp::acceptor> acceptor, Device& device, Journal& journal) {
    auto load = std::make_shared<StreamLoad>();
    while (acceptor->is_open()) {
        boost::system::error_code error;
        tcp::socket socket = co_await acceptor->async_accept(net::redirect_error(net::use_awaitable, error));
        if (error) {
            if (error == net::error::operation_aborted || !acceptor->is_open()) co_return;
            continue;  // e.g. out of descriptors for a moment
        }
        net::co_spawn(acceptor->get_executor(), ServeStream(std::move(socket), device, journal, load),
                      net::detached);
    }
}

}  // namespace

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
    auto acceptor = std::make_shared<tcp::acceptor>(io_);
    const tcp::endpoint endpoint(device_.Address(), port);
    boost::system::error_code error;
    acceptor->open(endpoint.protocol(), error);
    if (!error) acceptor->set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor->bind(endpoint, error);
    if (!error) acceptor->listen(net::socket_base::max_listen_connections, error);
    if (error) {
        throw std::system_error(error, "cannot serve video on " + device_.AddressText() + ":" + std::to_string(port));
    }
    acceptor_ = acceptor;
    net::co_spawn(io_, AcceptStreams(std::move(acceptor), device_, journal_), net::detached);
}

void StreamListener::Close() {
    if (!acceptor_) return;
    boost::system::error_code ignored;
    acceptor_->close(ignored);
    acceptor_.reset();
}

}  // namespace ostrand::sim

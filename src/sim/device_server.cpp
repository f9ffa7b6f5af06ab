#include "sim/device_server.h"

#include <system_error>

#include "sim/connection.h"
#include "sim/http_session.h"
#include "sim/tcp_session.h"

namespace ostrand::sim {
namespace {

net::awaitable<void> Serve(tcp::socket socket, Device& device, Journal& journal) {
    Connection connection(std::move(socket), device, journal);
    if (device.SpeaksTcpChannel()) {
        co_await ServeTcp(connection);
    } else {
        co_await ServeHttp(connection);
    }
}

net::awaitable<void> AcceptLoop(std::shared_ptr<tcp::acceptor> acceptor, Device& device,
                                Journal& journal) {
    while (acceptor->is_open()) {
        boost::system::error_code error;
        tcp::socket socket = co_await acceptor->async_accept(
            net::redirect_error(net::use_awaitable, error));
        if (error) {
            if (error == net::error::operation_aborted || !acceptor->is_open()) co_return;
            continue;  // e.g. out of descriptors for a moment
        }
        net::co_spawn(acceptor->get_executor(), Serve(std::move(socket), device, journal),
                      net::detached);
    }
}

}  // namespace

DeviceServer::DeviceServer(net::io_context& io, Device& device, Journal& journal)
    : io_(io), device_(device), journal_(journal) {}

DeviceServer::~DeviceServer() { Close(); }

void DeviceServer::Open() {
    if (acceptor_) return;
    auto acceptor = std::make_shared<tcp::acceptor>(io_);
    const tcp::endpoint endpoint(device_.Address(), device_.Port());
    boost::system::error_code error;
    acceptor->open(endpoint.protocol(), error);
    if (!error) acceptor->set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor->bind(endpoint, error);
    if (!error) acceptor->listen(net::socket_base::max_listen_connections, error);
    if (error) {
        throw std::system_error(error, "cannot listen on " + device_.AddressText() + ":" +
                                           std::to_string(device_.Port()));
    }
    if (ServesVideoStream(device_)) {
        auto stream = std::make_unique<StreamListener>(io_, device_, journal_);
        stream->Open();  // throws before anything listens
        stream_ = std::move(stream);
    }
    acceptor_ = acceptor;
    net::co_spawn(io_, AcceptLoop(std::move(acceptor), device_, journal_), net::detached);
}

void DeviceServer::Close() {
    if (!acceptor_) return;
    boost::system::error_code ignored;
    acceptor_->close(ignored);
    acceptor_.reset();
    stream_.reset();
}

}  // namespace ostrand::sim

#include "sim/device_server.h"

#include "sim/connection.h"
#include "sim/http_session.h"
#include "sim/listening_acceptor.h"
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

}  // namespace

DeviceServer::DeviceServer(net::io_context& io, Device& device, Journal& journal)
    : io_(io), device_(device), journal_(journal) {}

DeviceServer::~DeviceServer() { Close(); }

void DeviceServer::Open() {
    if (acceptor_) return;
    auto acceptor = OpenListeningAcceptor(io_, tcp::endpoint(device_.Address(), device_.Port()), "cannot listen on");
    if (ServesVideoStream(device_)) {
        auto stream = std::make_unique<StreamListener>(io_, device_, journal_);
        stream->Open();  // throws before anything listens
        stream_ = std::move(stream);
    }
    acceptor_ = acceptor;
    Device& device = device_;
    Journal& journal = journal_;
    net::co_spawn(io_,
                  AcceptConnections(std::move(acceptor),
                                    [&device, &journal](tcp::socket socket) {
                                        return Serve(std::move(socket), device, journal);
                                    }),
                  net::detached);
}

void DeviceServer::Close() {
    if (!acceptor_) return;
    boost::system::error_code ignored;
    acceptor_->close(ignored);
    acceptor_.reset();
    stream_.reset();
}

}  // namespace ostrand::sim

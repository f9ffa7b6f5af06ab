#include "sim/listening_acceptor.h"

#include <system_error>

namespace ostrand::sim {

std::shared_ptr<tcp::acceptor> OpenListeningAcceptor(net::io_context& io, const tcp::endpoint& endpoint,
                                                     const std::string& what) {
    auto acceptor = std::make_shared<tcp::acceptor>(io);
    boost::system::error_code error;
    acceptor->open(endpoint.protocol(), error);
    if (!error) acceptor->set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor->bind(endpoint, error);
    if (!error) acceptor->listen(net::socket_base::max_listen_connections, error);
    if (error) {
        throw std::system_error(error, what + " " + endpoint.address().to_string() + ":" +
                                           std::to_string(endpoint.port()));
    }
    return acceptor;
}

net::awaitable<void> AcceptConnections(std::shared_ptr<tcp::acceptor> acceptor, ConnectionServer serve) {
    while (acceptor->is_open()) {
        boost::system::error_code error;
        tcp::socket socket = co_await acceptor->async_accept(net::redirect_error(net::use_awaitable, error));
        if (error) {
            if (error == net::error::operation_aborted || !acceptor->is_open()) co_return;
            continue;
        }
        net::co_spawn(acceptor->get_executor(), serve(std::move(socket)), net::detached);
    }
}

}  // namespace ostrand::sim

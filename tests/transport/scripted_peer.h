#pragma once
// A device stand-in for channel tests: listens on a loopback address and runs
// one scripted handler per accepted connection on its own thread. Every wait
// is bounded, so a test that goes wrong fails instead of hanging.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp_socket.h"

namespace ostrand::test {

using namespace std::chrono_literals;

class ScriptedPeer {
public:
    using Handler = std::function<void(net::TcpSocket&)>;

    // Handlers run in order, one per connection; connections beyond them are
    // closed at once. Port 0 picks a free port.
    explicit ScriptedPeer(std::vector<Handler> handlers, std::string ip = "127.0.0.1", std::uint16_t port = 0);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    const std::string& Ip() const { return ip_; }
    std::uint16_t Port() const { return port_; }
    int Connections() const { return connections_.load(); }
    // Waits (bounded) until every handler has finished.
    bool WaitDone(std::chrono::milliseconds wait = 5000ms);

private:
    void Run();

    std::string ip_;
    std::uint16_t port_ = 0;
    std::optional<net::TcpListener> listener_;
    std::vector<Handler> handlers_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> finished_{0};
    std::thread thread_;
};

// ---- helpers for handlers ----

// Reads bytes until `count` have arrived, the peer closes or the wait ends.
std::string ReadBytes(net::TcpSocket& socket, std::size_t count, std::chrono::milliseconds wait = 3000ms);
// Reads one length-prefixed frame (empty when none arrives in time).
std::string ReadFrame(net::TcpSocket& socket, std::chrono::milliseconds wait = 3000ms);
// Reads everything until the other side closes or the wait ends.
std::string ReadUntilClosed(net::TcpSocket& socket, std::chrono::milliseconds wait = 3000ms);
// Sends bytes in separate segments with a pause between them.
void SendInPieces(net::TcpSocket& socket, const std::string& bytes, std::size_t pieces,
                  std::chrono::milliseconds pause = 20ms);

struct HttpRequestSeen {
    std::string requestLine;
    std::vector<std::string> headerLines;
    std::string body;
    bool complete = false;
    std::string Header(const std::string& name) const;  // value of the first header with that name
};
// Reads one HTTP request (head and Content-Length body).
HttpRequestSeen ReadHttpRequest(net::TcpSocket& socket, std::chrono::milliseconds wait = 3000ms);
std::string HttpResponse(int status, const std::string& body, bool keepAlive = false);

// A loopback address of its own for tests that need a fixed port (60005),
// distinct per process so parallel test runs do not collide.
std::string PrivateLoopbackAddress(int salt);

// A free port on 127.0.0.1 that nothing listens on (connections are refused).
std::uint16_t RefusingPort();

}  // namespace ostrand::test

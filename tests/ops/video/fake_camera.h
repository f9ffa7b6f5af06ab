#pragma once
// A camera stand-in that answers form commands by name on a loopback address:
// each command's HTTP status, body and delay, or silence until the camera
// goes. Every connection is served on its own thread and every wait is
// bounded, so a test that goes wrong fails instead of hanging.

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp_socket.h"

namespace ostrand::test {

struct FakeAnswer {
    int status = 200;
    std::string body = "?result=10000";
    std::chrono::milliseconds delay{0};
    bool silent = false;  // reads the request, never answers, keeps the connection
};

class FakeCamera {
public:
    using Answer = FakeAnswer;

    // Commands without an answer of their own get `fallback`.
    explicit FakeCamera(std::map<std::string, Answer> answers = {}, Answer fallback = {});
    ~FakeCamera();
    FakeCamera(const FakeCamera&) = delete;
    FakeCamera& operator=(const FakeCamera&) = delete;

    const std::string& Ip() const { return ip_; }
    std::uint16_t Port() const { return port_; }
    void SetAnswer(const std::string& command, Answer answer);
    // Command names in the order their requests arrived.
    std::vector<std::string> Commands() const;
    // The form bodies received for `command`, in order.
    std::vector<std::string> Bodies(const std::string& command) const;
    // The request heads (request line and header lines, "\r\n"-joined) received for `command`.
    std::vector<std::string> Heads(const std::string& command) const;
    void Clear();

private:
    void Accept();
    void Serve(net::TcpSocket socket);

    std::string ip_;
    std::uint16_t port_ = 0;
    std::optional<net::TcpListener> listener_;
    mutable std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    Answer fallback_;
    struct Seen {
        std::string command;
        std::string head;
        std::string body;
    };
    std::vector<Seen> seen_;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> served_;  // under mutex_
    std::thread acceptor_;
};

// A camera's form reply of `count` short keys ("?k0=0&k1=1..."), about `bytes` long at most.
std::string HugeFormBody(std::size_t bytes);

}  // namespace ostrand::test

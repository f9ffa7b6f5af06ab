#pragma once
// A loopback UDP peer driven by a script: it records every request it gets and
// answers each one with the datagrams the script returns, optionally spaced
// out in time. Stops by itself when destroyed.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/udp_socket.h"

namespace ostrand::testing {

struct PeerRequest {
    std::string bytes;
    std::string senderAddress;
    std::uint16_t senderPort = 0;
};

class ScriptedPeer {
public:
    // Returns the replies for one request (sent back to its sender in order).
    using Script = std::function<std::vector<std::string>(const PeerRequest&)>;

    ScriptedPeer(std::string address, Script script, std::chrono::milliseconds gap = {})
        : script_(std::move(script)), gap_(gap) {
        socket_ = UdpSocket::Open();
        socket_.Bind(address, 0);
        endpoint_ = UdpEndpoint{address, socket_.LocalPort()};
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedPeer() {
        stop_ = true;
        thread_.join();
    }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    const UdpEndpoint& Endpoint() const { return endpoint_; }
    std::vector<PeerRequest> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Run() {
        std::vector<std::uint8_t> buffer(2048);
        while (!stop_) {
            if (!socket_.WaitReadable(std::chrono::milliseconds(20))) continue;
            const auto datagram = socket_.Receive(buffer);
            if (!datagram) continue;
            PeerRequest request{std::string(buffer.begin(), buffer.begin() + static_cast<long>(datagram->length)),
                                datagram->senderAddress, datagram->senderPort};
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const UdpEndpoint back{request.senderAddress, request.senderPort};
            for (const auto& reply : script_(request)) {
                if (stop_) break;
                if (gap_.count() > 0) std::this_thread::sleep_for(gap_);
                socket_.SendTo(back, reply);
            }
        }
    }

    UdpSocket socket_;
    UdpEndpoint endpoint_;
    Script script_;
    std::chrono::milliseconds gap_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<PeerRequest> requests_;
    std::thread thread_;
};

}  // namespace ostrand::testing

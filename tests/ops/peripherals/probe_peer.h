#pragma once
// A temperature device on loopback for the probe tests: it answers every
// probe it receives with the scripted datagrams and keeps what it received.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/udp_socket.h"

namespace ostrand::test {

class ProbePeer {
public:
    explicit ProbePeer(std::vector<std::string> answers) : answers_(std::move(answers)) {
        socket_ = UdpSocket::Open();
        socket_.Bind("127.0.0.1", 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ProbePeer() {
        stop_ = true;
        thread_.join();
    }
    ProbePeer(const ProbePeer&) = delete;
    ProbePeer& operator=(const ProbePeer&) = delete;

    UdpEndpoint Endpoint() const { return {"127.0.0.1", socket_.LocalPort()}; }
    std::vector<std::string> Received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    void Serve() {
        std::vector<std::uint8_t> buffer(4096);
        while (!stop_) {
            if (!socket_.WaitReadable(std::chrono::milliseconds(20))) continue;
            const auto datagram = socket_.Receive(buffer);
            if (!datagram) continue;
            {
                std::lock_guard lock(mutex_);
                received_.emplace_back(reinterpret_cast<const char*>(buffer.data()), datagram->length);
            }
            for (const auto& answer : answers_)
                socket_.SendTo({datagram->senderAddress, datagram->senderPort}, answer);
        }
    }

    std::vector<std::string> answers_;
    UdpSocket socket_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// A "ProbeMatch" document with these values (an empty value leaves the
// element out).
inline std::string ProbeMatch(const std::string& type, const std::string& model, const std::string& ip,
                              const std::string& mac, const std::string& port = "8000",
                              const std::string& root = "ProbeMatch") {
    auto element = [](const std::string& name, const std::string& value) {
        return value.empty() ? std::string() : "<" + name + ">" + value + "</" + name + ">";
    };
    return R"(<?xml version="1.0" encoding="utf-8"?><)" + root + ">" + element("DeviceType", type) +
           element("DeviceDescription", model) + element("DeviceSN", "SN-" + ip) + element("SvcPort", port) +
           element("IPv4Address", ip) + element("MAC", mac) + "</" + root + ">";
}

}  // namespace ostrand::test

#pragma once
// The simulated devices' side of discovery: one socket answers "pc scan" with
// every device's record and one answers the HDS text search, each reply sent
// from the device's own address. Faults per device: silence on either
// protocol, replies of any length, a 13-character mac, repeated answers, and
// answers to everyone as a device on another subnet gives them.
// Runs on the simulator's io_context.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/device_record.h"
// GCC sees impossible null paths inside Asio's scheduler once it is inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnull-dereference"
#include "sim/asio.h"
#pragma GCC diagnostic pop

namespace ostrand::sim {

struct DiscoveryFaults {
    bool answerScan = true;
    bool answerHds = true;
    int scanReplyLength = static_cast<int>(DeviceRecord::kSize);  // bytes sent (0..1500), zero-padded
    bool longMac = false;  // mac text of 13 characters
    int repeat = 1;        // copies of every reply
    // A device whose address is on another subnet than the requester's has
    // no route back to it: it answers the scan to 255.255.255.255 and the HDS
    // search to the group, both on the requester's port. Only a responder
    // that joined the group (one in a private namespace) does so; on loopback
    // the answers stay unicast.
    bool answerToAll = false;

    friend bool operator==(const DiscoveryFaults&, const DiscoveryFaults&) = default;
};

struct DiscoveryEntry {
    std::string address;  // the device's own dotted IPv4 address (replies come from it)
    DeviceRecord record;
    DiscoveryFaults faults;
};

// The devices as they are at the moment a request arrives, so a device whose
// record changed (new address, name) answers the next scan with it.
using DiscoveryEntrySource = std::function<std::vector<DiscoveryEntry>()>;

struct DiscoveryResponderConfig {
    std::string bindAddress = "0.0.0.0";
    std::uint16_t scanPort = 60003;  // 0 picks a free port
    std::uint16_t hdsPort = 8002;    // 0 picks a free port
    // Group both sockets join (on the default interface); empty joins none,
    // which is what loopback tests want.
    std::string group = "239.255.255.250";
};

// "HDS/1.0 200 OK" with the MAC (colon-separated, lower case), IP, MASK,
// Gateway and Software-Version lines of the record.
std::string HdsReplyText(const DeviceRecord& record, std::int32_t sequence);
// The scan reply bytes a device with these faults sends.
std::vector<std::uint8_t> ScanReplyBytes(const DeviceRecord& record, const DiscoveryFaults& faults);

class DiscoveryResponder {
public:
    DiscoveryResponder(net::io_context& io, DiscoveryResponderConfig config, DiscoveryEntrySource source);
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // Opens and binds both sockets in the calling thread's network namespace
    // and starts answering. False (with a reason) when a socket cannot be set up.
    bool Start(std::string* error = nullptr);
    // Closes both sockets; call on the io_context's thread or after it stopped.
    void Stop();

    std::uint16_t ScanPort() const { return scanPort_; }
    std::uint16_t HdsPort() const { return hdsPort_; }
    std::size_t ScanRequests() const { return scanRequests_.load(); }
    std::size_t HdsRequests() const { return hdsRequests_.load(); }
    // Replies that could not be sent (the address is not local, buffers full).
    std::size_t SendFailures() const { return sendFailures_.load(); }

private:
    struct Listener;
    void Arm(Listener& listener);
    void Drain(Listener& listener);
    void AnswerScan(Listener& listener, const net::ip::udp::endpoint& peer);
    void AnswerHds(Listener& listener, const net::ip::udp::endpoint& peer, std::string_view request);
    struct OutgoingReply {
        std::string source;  // the device's address
        std::string bytes;
        net::ip::udp::endpoint destination;
    };
    // Where a device with `toAll` answers a request from `peer`.
    net::ip::udp::endpoint ReplyDestination(const net::ip::udp::endpoint& peer, bool toAll, bool scan) const;
    void SendAll(Listener& listener, const std::vector<OutgoingReply>& replies);

    net::io_context& io_;
    DiscoveryResponderConfig config_;
    DiscoveryEntrySource source_;
    std::unique_ptr<Listener> scan_;
    std::unique_ptr<Listener> hds_;
    std::uint16_t scanPort_ = 0;
    std::uint16_t hdsPort_ = 0;
    std::atomic<std::size_t> scanRequests_{0};
    std::atomic<std::size_t> hdsRequests_{0};
    std::atomic<std::size_t> sendFailures_{0};
};

}  // namespace ostrand::sim

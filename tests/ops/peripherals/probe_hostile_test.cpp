// The temperature-device probe among hostile senders on loopback: floods of
// answers or of garbage, answers from other addresses and ports than the
// probed one, and datagrams far past the receive limit. A run ends within
// maxCollectTime or after maxAnswers, and every genuine answer is kept.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "ops/peripherals/tempera_probe.h"
#include "probe_peer.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::ProbeMatch;
using SteadyClock = std::chrono::steady_clock;

// A device that answers the first probe it receives by running `script` with
// the prober's endpoint; other sockets of the script send from elsewhere.
class HostileProbeDevice {
public:
    using Script = std::function<void(UdpSocket& own, const UdpEndpoint& prober, const std::atomic<bool>& stop)>;

    explicit HostileProbeDevice(Script script) : script_(std::move(script)) {
        socket_ = UdpSocket::Open();
        socket_.Bind("127.0.0.1", 0);
        thread_ = std::thread([this] {
            std::vector<std::uint8_t> buffer(4096);
            const auto until = SteadyClock::now() + 5s;
            while (!stop_ && SteadyClock::now() < until) {
                if (!socket_.WaitReadable(20ms)) continue;
                const auto datagram = socket_.Receive(buffer);
                if (!datagram) continue;
                script_(socket_, UdpEndpoint{datagram->senderAddress, datagram->senderPort}, stop_);
                return;
            }
        });
    }
    ~HostileProbeDevice() {
        stop_ = true;
        thread_.join();
    }
    HostileProbeDevice(const HostileProbeDevice&) = delete;
    HostileProbeDevice& operator=(const HostileProbeDevice&) = delete;

    UdpEndpoint Endpoint() const { return {"127.0.0.1", socket_.LocalPort()}; }

private:
    Script script_;
    UdpSocket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Sends `make(i)` for i = 0, 1, ... until stopped or `most` has passed.
void Flood(UdpSocket& socket, const UdpEndpoint& to, const std::atomic<bool>& stop,
           const std::function<std::string(int)>& make, std::chrono::milliseconds most = 3s) {
    const auto until = SteadyClock::now() + most;
    for (int i = 0; !stop && SteadyClock::now() < until; ++i) {
        socket.SendTo(to, make(i));
        if (i % 64 == 63) std::this_thread::sleep_for(1ms);  // keeps the receive queue from only dropping
    }
}

std::string Answer(int host, const std::string& model = "M") {
    return ProbeMatch("1", model, "10.0.0." + std::to_string(host), "MAC" + std::to_string(host));
}

UdpSocket SenderOn(const std::string& address) {
    UdpSocket socket = UdpSocket::Open();
    socket.Bind(address, 0);
    return socket;
}

TEST(ProbeHostile, HostileSendersNeitherHoldTheRunNorDisplaceGenuineAnswers) {
    struct Case {
        const char* name;
        HostileProbeDevice::Script script;
        std::vector<std::string> ips;  // of the rows after sorting, in order
        std::vector<std::string> models;
    };
    const Case cases[] = {
        {"floods garbage after its answer",
         [](UdpSocket& own, const UdpEndpoint& to, const std::atomic<bool>& stop) {
             own.SendTo(to, Answer(7));
             Flood(own, to, stop, [](int i) { return "<garbage n=\"" + std::to_string(i) + "\">"; });
         },
         {"10.0.0.7"},
         {"M"}},
        {"floods answers of made-up devices",
         [](UdpSocket& own, const UdpEndpoint& to, const std::atomic<bool>& stop) {
             Flood(own, to, stop, [](int i) { return Answer(100 + i % 150); });
         },
         {},
         {}},
        {"is echoed by spoofers on other addresses and ports",
         [](UdpSocket& own, const UdpEndpoint& to, const std::atomic<bool>&) {
             own.SendTo(to, Answer(5, "genuine"));
             UdpSocket other = SenderOn("127.0.0.2");
             UdpSocket third = SenderOn("127.0.0.1");
             other.SendTo(to, Answer(5, "spoof"));  // the same address and MAC
             third.SendTo(to, Answer(6, "other"));
         },
         {"10.0.0.5", "10.0.0.6"},
         {"genuine", "other"}},
        {"sends datagrams past the receive limit",
         [](UdpSocket& own, const UdpEndpoint& to, const std::atomic<bool>&) {
             own.SendTo(to, std::string(60000, '<'));
             // An answer whose text ends at a zero within the limit, then junk.
             own.SendTo(to, Answer(8) + std::string(1, '\0') + std::string(30000, 'j'));
             // An answer that starts only near the limit, so the limit cuts it.
             own.SendTo(to, std::string(kProbeReceiveLimit - 10, ' ') + Answer(9));
             own.SendTo(to, std::string(kProbeReceiveLimit, 'x'));
             own.SendTo(to, Answer(3));
         },
         {"10.0.0.3", "10.0.0.8"},
         {"M", "M"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostileProbeDevice device(c.script);
        TemperaProbeConfig config;
        config.bindAddress = "127.0.0.1";
        config.group.clear();
        config.first.localPort = 0;
        config.first.destination = device.Endpoint();
        config.scanTimeOut = [] { return 150; };
        config.maxCollectTime = 400ms;
        config.maxAnswers = 20;
        const auto started = SteadyClock::now();
        const ProbeRun run = RunProbe(config, config.first, {});
        EXPECT_LT(SteadyClock::now() - started, 1s);
        EXPECT_TRUE(run.socketReady);
        EXPECT_LE(run.found.size(), config.maxAnswers);
        const auto rows = SortAndDeduplicate(run.found);
        if (c.ips.empty()) {
            EXPECT_EQ(run.found.size(), config.maxAnswers);  // a flood of answers stops at the bound
            continue;
        }
        std::vector<std::string> ips, models;
        for (const auto& row : rows) {
            ips.push_back(row.ipv4);
            models.push_back(row.model);
        }
        EXPECT_EQ(ips, c.ips);
        EXPECT_EQ(models, c.models);
    }
}

}  // namespace
}  // namespace ostrand

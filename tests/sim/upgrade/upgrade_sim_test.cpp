// The simulated devices' upgrade side: the receive-rate limit and where it
// comes from, and the kernel write status answered after a number of polls.

#include <gtest/gtest.h>

#include <chrono>

#include "../sim_test_support.h"
#include "platform/net/tcp_socket.h"
#include "sim/devsim_options.h"
#include "sim/simulator.h"
#include "transport/form_channel.h"

namespace ostrand::sim {
namespace {

using namespace std::chrono_literals;

TEST(UpgradeSim, ReceiveRateComesFromTheFleetStateOrTheCommandLine) {
    const char* arguments[] = {"ostrand-devsim", "--terminals", "2", "--receive-rate", "2097152"};
    int exitCode = -1;
    const auto options = ParseDevsimOptions(5, arguments, exitCode);
    ASSERT_TRUE(options);
    ASSERT_EQ(options->devices.size(), 2u);
    EXPECT_EQ(Device(options->devices[0]).ReceiveRate(), 2097152u);

    DeviceConfig own;
    own.address = "127.0.0.1";
    own.state["upgrade"] = {{"receiveRate", 1000}};
    EXPECT_EQ(Device(own).ReceiveRate(), 1000u);
    own.state = nlohmann::json::object();
    EXPECT_EQ(Device(own).ReceiveRate(), 0u);
}

TEST(UpgradeSim, ALimitedDeviceTakesAnUploadAtItsRate) {
    ScopedTransportTimeouts waits(test::ShortWaits());
    Simulator simulator;
    DeviceConfig config;
    config.address = test::AddressBlock() + "1";
    config.port = 18080;
    config.state["upgrade"] = {{"receiveRate", 2'000'000}, {"pollsUntilWritten", 3}};
    Device& device = simulator.AddDevice(config);
    simulator.Start();

    // 1 MB at 2 MB/s: about half a second, less the tenth of a second the
    // device may take at once.
    const std::string body(1'000'000, 'b');
    auto socket = ostrand::net::TcpSocket::Connect(device.AddressText(), 18080, 1s);
    ASSERT_TRUE(socket);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(socket->SendAll("POST /goform/formUploadFile?filename=x HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000\r\n\r\n" + body, 5s));
    ASSERT_EQ(socket->WaitReadable(5s), ostrand::net::WaitResult::Ready);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 350ms);
    EXPECT_LT(elapsed, 3s);
    EXPECT_EQ(device.ReceivedFiles().at(0).bytes.size(), body.size());

    CommandTarget target(device.AddressText(), 18080);
    std::vector<std::string> answers;
    for (int poll = 0; poll < 4; ++poll) {
        ParamMap request;
        ParamMap reply;
        ASSERT_EQ(PostFormCommandCoded(target, "CheckKernelWriteStatus", request, reply), kTransportOk);
        answers.push_back(reply["result"]);
    }
    EXPECT_EQ(answers, (std::vector<std::string>{"no", "no", "yes", "yes"}));
}

}  // namespace
}  // namespace ostrand::sim

// The reset and garbage faults: a device that aborts the connection after a
// request, and one that answers with noise. Both must end every channel's
// call with a failure, quickly (no wait runs to its end on a reset), and
// never with a success.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>

#include "platform/message_sink.h"
#include "sim/connection.h"
#include "sim/fleet_file.h"
#include "sim/simulator.h"
#include "../sim_test_support.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::sim {
namespace {

using namespace std::chrono_literals;

TEST(GarbageBytesTest, NoiseIsRepeatableDiffersBySeedAndNeverLooksLikeAReply) {
    EXPECT_EQ(GarbageBytes(7, 64), GarbageBytes(7, 64));
    EXPECT_NE(GarbageBytes(7, 64), GarbageBytes(8, 64));
    EXPECT_TRUE(GarbageBytes(1, 0).empty());
    std::set<char> firsts;
    for (std::uint64_t seed = 0; seed < 2000; ++seed) {
        const std::string bytes = GarbageBytes(seed, 1 + seed % 40);
        ASSERT_EQ(bytes.size(), 1 + seed % 40);
        firsts.insert(bytes[0]);
    }
    for (char forbidden : std::string("0123456789H<")) EXPECT_EQ(firsts.count(forbidden), 0u) << forbidden;
    EXPECT_GT(firsts.size(), 100u);  // still noise, not a constant
}

TEST(GarbageBytesTest, FleetFileAndDefaultsKnowBothFaults) {
    const FaultOptions parsed = ParseFaults(nlohmann::json{{"reset", true}, {"garbage", true}});
    EXPECT_TRUE(parsed.reset);
    EXPECT_TRUE(parsed.garbage);
    EXPECT_FALSE(FaultOptions{}.reset);
    EXPECT_FALSE(FaultOptions{}.garbage);
    EXPECT_THROW(ParseFaults(nlohmann::json{{"reset", "yes"}}), std::invalid_argument);
}

class ResetGarbageTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string block = test::AddressBlock();
        DeviceConfig terminal;
        terminal.address = block + "41";
        terminal.kind = DeviceKind::Terminal;
        terminal_ = &sim_.AddDevice(terminal);
        DeviceConfig camera;
        camera.address = block + "42";
        camera.kind = DeviceKind::Camera;
        camera.port = 18081;
        camera_ = &sim_.AddDevice(camera);
        sim_.Start();
    }
    void TearDown() override { sim_.Stop(); }

    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{test::ShortWaits()};
    Simulator sim_;
    Device* terminal_ = nullptr;
    Device* camera_ = nullptr;
};

TEST_F(ResetGarbageTest, EveryChannelFailsWithinItsWaits) {
    struct Case {
        const char* name;
        bool reset;
        bool tcp;
        std::set<TransportResult> expected;  // noise may or may not look like a frame's start
        std::chrono::milliseconds within;
    };
    // A reset ends the call at once; noise costs at most the reply waits
    // (three sends of 300 ms, or the HTTP reply's stall limit).
    const Case cases[] = {
        {"tcp reset", true, true, {kTransportReceiveFailed}, 500ms},
        {"tcp garbage", false, true, {kTransportReceiveFailed, kTransportUndecodable}, 2500ms},
        {"http reset", true, false, {kTransportFailed}, 500ms},
        {"http garbage", false, false, {kTransportFailed}, 2500ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device& device = c.tcp ? *terminal_ : *camera_;
        FaultOptions faults;
        faults.reset = c.reset;
        faults.garbage = !c.reset;
        sim_.SetFaults(device, faults);
        const int commandsBefore = device.CommandCount();
        ParamMap reply;
        const auto start = std::chrono::steady_clock::now();
        TransportResult result;
        if (c.tcp) {
            DeviceEndpoint endpoint{device.AddressText(), kTcpChannelPort};
            result = SendXmlCommandCoded(endpoint, {}, reply, 5000);
        } else {
            CommandTarget target(device.AddressText(), device.Port());
            result = GetFormCommandCoded(target, "getnetparam", reply);
        }
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(c.expected.count(result), 1u) << result;
        EXPECT_TRUE(reply.empty());
        EXPECT_LT(took, c.within);
        EXPECT_EQ(device.CommandCount(), commandsBefore);  // nothing was carried out
        // The device is healthy again once the fault is lifted.
        sim_.SetFaults(device, FaultOptions{});
        if (c.tcp) {
            DeviceEndpoint endpoint{device.AddressText(), kTcpChannelPort};
            EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportOk);
        } else {
            CommandTarget target(device.AddressText(), device.Port());
            EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
        }
    }
    EXPECT_TRUE(sink_.Texts().empty());  // coded calls show nothing
}

}  // namespace
}  // namespace ostrand::sim

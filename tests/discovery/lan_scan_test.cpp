// The scan and HDS exchanges against scripted peers on loopback: the
// destinations are 127.0.0.x ports, so nothing leaves the machine.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <memory>
#include <string>
#include <vector>

#include "discovery/search.h"
#include "platform/profile.h"
#include "scripted_peer.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using testing::PeerRequest;
using testing::ScriptedPeer;
using Steady = std::chrono::steady_clock;

std::string RecordBytes(const std::string& mac, const std::string& number, std::size_t length = 404) {
    DeviceRecord record;
    SetFieldText(record.mac, mac);
    SetFieldText(record.deviceNumber, number);
    SetFieldText(record.ip, "10.1.1.1");
    const auto bytes = record.ToBytes();
    std::string datagram(length, '\0');
    for (std::size_t i = 0; i < std::min(length, bytes.size()); ++i) datagram[i] = static_cast<char>(bytes[i]);
    return datagram;
}

std::string HdsText(const std::string& mac, const std::string& ip) {
    return "HDS/1.0 200 OK\r\nMAC=" + mac + "\r\nIP=" + ip + "\r\nMASK=255.0.0.0\r\nGateway=10.0.0.1\r\n"
           "Software-Version=V7\r\n\r\n";
}

DiscoveryConfig LoopbackConfig(std::vector<UdpEndpoint> scanDestinations, UdpEndpoint hdsDestination,
                               std::int32_t flags = 0, std::int32_t scanTimeOut = 100) {
    DiscoveryConfig config;
    config.settings = DiscoverySettings::Fixed(flags, scanTimeOut);
    config.bindAddresses = {"127.0.0.1"};
    config.scanLocalPort = 0;
    config.hdsLocalPort = 0;
    config.scanDestinations = std::move(scanDestinations);
    config.hdsDestination = std::move(hdsDestination);
    config.hdsWait = 100ms;
    config.receiveBufferBytes = 1 << 20;
    return config;
}

double MillisSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

TEST(ScanPassTest, RequestGoesToEveryDestinationAndRepliesAreChecked) {
    const auto script = [](const PeerRequest&) {
        return std::vector<std::string>{
            RecordBytes("00ab12cd34ef", "D1"),        // accepted, upper-cased
            RecordBytes("00ab12cd34ef", "D1"),        // duplicate
            RecordBytes("0011", "D2", 11),            // too short
            RecordBytes("0012", "D3", 505),           // too long
            RecordBytes("0013", "D4", 12),            // shortest accepted
            RecordBytes("0014", "D5", 504),           // longest accepted
            RecordBytes("0123456789ABC", "D6"),       // 13-character mac
        };
    };
    ScriptedPeer broadcast("127.0.0.2", script);
    ScriptedPeer multicast("127.0.0.3", script);
    auto config = LoopbackConfig({broadcast.Endpoint(), multicast.Endpoint()}, {"127.0.0.4", 9});
    std::vector<std::string> trace;
    config.trace = [&](std::string_view line) { trace.emplace_back(line); };

    auto sockets = OpenScanSockets(config);
    ASSERT_EQ(sockets.sockets.size(), 1u);
    auto table = std::make_unique<DeviceTable>();
    const auto stats = ScanPass(sockets.sockets[0], *table, config);

    for (const auto* peer : {&broadcast, &multicast}) {
        const auto requests = peer->Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].bytes, std::string("pc scan", 8));
    }
    EXPECT_EQ(stats.received, 14u);
    EXPECT_EQ(stats.rejected, 6u);
    ASSERT_EQ(table->count, 3);
    std::vector<std::string> macs;
    for (const auto& record : table->Valid()) macs.push_back(FieldText(record.mac));
    EXPECT_EQ(macs, (std::vector<std::string>{"00AB12CD34EF", "0013", "0014"}));

    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace[0], "bind res: 0, ip: 127.0.0.1, index: 0\n");
    EXPECT_EQ(trace[1].rfind("recv from 127.0.0.", 0), 0u) << trace[1];
    EXPECT_NE(trace[1].find("devIP: 10.1.1.1, devMac: 00AB12CD34EF"), std::string::npos) << trace[1];
}

TEST(ScanPassTest, PassEndsAfterOneQuietWait) {
    ScriptedPeer silent("127.0.0.2", [](const PeerRequest&) { return std::vector<std::string>{}; });
    auto config = LoopbackConfig({silent.Endpoint()}, {"127.0.0.4", 9}, 0, 150);
    auto sockets = OpenScanSockets(config);
    auto table = std::make_unique<DeviceTable>();

    auto start = Steady::now();
    ScanPass(sockets.sockets[0], *table, config);
    const double quiet = MillisSince(start);
    EXPECT_GE(quiet, 149);
    EXPECT_LT(quiet, 400);

    // Each reply starts the wait anew: four replies 100 ms apart keep the pass
    // going for at least 400 ms plus the quiet wait.
    ScriptedPeer slow(
        "127.0.0.3",
        [](const PeerRequest&) {
            return std::vector<std::string>{RecordBytes("01", "A"), RecordBytes("02", "B"),
                                            RecordBytes("03", "C"), RecordBytes("04", "D")};
        },
        100ms);
    config.scanDestinations = {slow.Endpoint()};
    start = Steady::now();
    ScanPass(sockets.sockets[0], *table, config);
    const double busy = MillisSince(start);
    EXPECT_EQ(table->count, 4);
    EXPECT_GE(busy, 549);
    EXPECT_LT(busy, 1000);

    // The setting is read again at every pass.
    std::int32_t setting = 60;
    config.settings.scanTimeOut = [&] { return setting; };
    config.scanDestinations = {silent.Endpoint()};
    start = Steady::now();
    ScanPass(sockets.sockets[0], *table, config);
    EXPECT_LT(MillisSince(start), 140);
    setting = 250;
    start = Steady::now();
    ScanPass(sockets.sockets[0], *table, config);
    EXPECT_GE(MillisSince(start), 249);
}

TEST(ScanPassTest, EndlessRepliesAreCutOffByTheCollectLimit) {
    ScriptedPeer chatty(
        "127.0.0.2",
        [](const PeerRequest&) { return std::vector<std::string>(200, RecordBytes("0A", "X")); }, 20ms);
    auto config = LoopbackConfig({chatty.Endpoint()}, {"127.0.0.4", 9}, 0, 100);
    config.maxCollectTime = 500ms;
    auto sockets = OpenScanSockets(config);
    auto table = std::make_unique<DeviceTable>();
    const auto start = Steady::now();
    const auto stats = ScanPass(sockets.sockets[0], *table, config);
    const double took = MillisSince(start);
    EXPECT_GE(took, 499);
    EXPECT_LT(took, 800);
    EXPECT_EQ(table->count, 1);
    EXPECT_GT(stats.duplicates, 10u);
}

// The bound holds for the whole Search, not per pass and socket: two sockets
// with two passes each plus the HDS requests end together at the bound.
TEST(ScanPassTest, EndlessRepliesEndTheWholeSearchAtTheBound) {
    ScriptedPeer chatty(
        "127.0.0.2",
        [](const PeerRequest&) { return std::vector<std::string>(400, RecordBytes("0A", "X")); }, 20ms);
    auto config = LoopbackConfig({chatty.Endpoint()}, {"127.0.0.4", 9}, 0, 100);
    config.bindAddresses = {"127.0.0.7", "127.0.0.8"};
    config.maxCollectTime = 500ms;
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    const auto start = Steady::now();
    const auto summary = RunSearch(session, *table);
    const double took = MillisSince(start);
    EXPECT_GE(took, 499);
    EXPECT_LT(took, 1500);  // per pass it would be four bounds and more
    EXPECT_EQ(summary.scanPasses, 1u);
    EXPECT_EQ(summary.hdsRequests, 0u);
    EXPECT_EQ(table->count, 1);
}

// Three local addresses, the flags of the "SimpleScan" setting.
class SearchFlagsTest : public ::testing::Test {
protected:
    SearchFlagsTest()
        : scanPeer("127.0.0.20", [](const PeerRequest& r) { return std::vector<std::string>{RecordBytes("0" + std::to_string(r.senderPort % 7), "S")}; }),
          hdsPeer("127.0.0.21", [](const PeerRequest& r) {
              return std::vector<std::string>{HdsText("aa:bb:" + std::to_string(r.senderPort), "10.9.9.9")};
          }) {}

    DiscoveryConfig Config(std::int32_t flags) {
        auto config = LoopbackConfig({scanPeer.Endpoint()}, hdsPeer.Endpoint(), flags, 40);
        config.hdsWait = 40ms;
        config.bindAddresses = {"127.0.0.11", "127.0.0.12", "127.0.0.13"};
        return config;
    }

    // Scan requests per sending address, in arrival order.
    std::vector<std::string> ScanSenders() const {
        std::vector<std::string> senders;
        for (const auto& r : scanPeer.Requests()) senders.push_back(r.senderAddress);
        return senders;
    }

    ScriptedPeer scanPeer;
    ScriptedPeer hdsPeer;
    std::unique_ptr<DeviceTable> table = std::make_unique<DeviceTable>();
};

TEST_F(SearchFlagsTest, NoFlagsTwoPassesOnEverySocketThenHds) {
    DiscoverySession session(Config(0));
    session.Open();
    ASSERT_EQ(session.Scan().sockets.size(), 3u);
    ASSERT_EQ(session.Hds().sockets.size(), 3u);
    const auto summary = RunSearch(session, *table);
    EXPECT_EQ(summary.scanPasses, 6u);
    EXPECT_EQ(ScanSenders(), (std::vector<std::string>{"127.0.0.11", "127.0.0.11", "127.0.0.12", "127.0.0.12",
                                                       "127.0.0.13", "127.0.0.13"}));
    EXPECT_EQ(hdsPeer.Requests().size(), 3u);
    EXPECT_EQ(summary.hdsDevices, 3u);
}

TEST_F(SearchFlagsTest, Bit0SkipsHds) {
    DiscoverySession session(Config(1));
    session.Open();
    RunSearch(session, *table);
    EXPECT_EQ(ScanSenders().size(), 6u);
    EXPECT_TRUE(hdsPeer.Requests().empty());
}

TEST_F(SearchFlagsTest, Bit1UsesOnlyTheFirstSocket) {
    DiscoverySession session(Config(2));
    session.Open();
    RunSearch(session, *table);
    EXPECT_EQ(ScanSenders(), (std::vector<std::string>{"127.0.0.11", "127.0.0.11"}));
    EXPECT_EQ(hdsPeer.Requests().size(), 3u);  // HDS is not affected
}

TEST_F(SearchFlagsTest, Bit2MakesOnePassPerSocket) {
    DiscoverySession session(Config(4));
    session.Open();
    RunSearch(session, *table);
    EXPECT_EQ(ScanSenders(), (std::vector<std::string>{"127.0.0.11", "127.0.0.12", "127.0.0.13"}));
}

TEST_F(SearchFlagsTest, SevenGivesOnePassOnTheFirstSocketAndNoHds) {
    DiscoverySession session(Config(7));
    session.Open();
    RunSearch(session, *table);
    EXPECT_EQ(ScanSenders(), (std::vector<std::string>{"127.0.0.11"}));
    EXPECT_TRUE(hdsPeer.Requests().empty());
}

TEST_F(SearchFlagsTest, Bit3OpensOneSocketOnAnyAddress) {
    auto config = Config(8);
    std::vector<std::string> trace;
    config.trace = [&](std::string_view line) { trace.emplace_back(line); };
    const auto sockets = OpenScanSockets(config);
    ASSERT_EQ(sockets.sockets.size(), 1u);
    EXPECT_EQ(sockets.sockets[0].LocalAddress(), "0.0.0.0");
    EXPECT_EQ(trace, (std::vector<std::string>{"bind res: 0, ip: 0.0.0.0, index: 0\n"}));
}

TEST_F(SearchFlagsTest, TableIsClearedAtEverySearch) {
    DiscoverySession session(Config(1));
    session.Open();
    DeviceRecord manual;
    SetFieldText(manual.mac, "192.168.0.7");
    table->Append(manual);
    RunSearch(session, *table);
    for (const auto& record : table->Valid()) EXPECT_NE(FieldText(record.mac), "192.168.0.7");
}

TEST(ScanSocketsTest, AtMostTenSocketsAndBindFailureIsTracedButKept) {
    DiscoveryConfig config;
    config.settings = DiscoverySettings::Fixed(0, 0);
    config.scanLocalPort = 0;
    for (int i = 1; i <= 12; ++i) config.bindAddresses.push_back("127.0.1." + std::to_string(i));
    EXPECT_EQ(OpenScanSockets(config).sockets.size(), 10u);

    // 192.0.2.1 is not ours: the bind fails, the socket is still used.
    std::vector<std::string> trace;
    config.bindAddresses = {"192.0.2.1"};
    config.trace = [&](std::string_view line) { trace.emplace_back(line); };
    EXPECT_EQ(OpenScanSockets(config).sockets.size(), 1u);
    EXPECT_EQ(trace, (std::vector<std::string>{"bind res: -1, ip: 192.0.2.1, index: 0\n"}));
}

TEST(HdsSearchTest, CSeqRunsOnAcrossSearchesOneRequestPerSocket) {
    std::vector<std::string> empty;
    ScriptedPeer hdsPeer("127.0.0.30", [](const PeerRequest&) {
        return std::vector<std::string>{HdsText("00:11:22:aa:bb:cc", "10.0.0.5")};
    });
    auto config = LoopbackConfig({}, hdsPeer.Endpoint(), 0, 20);
    config.bindAddresses = {"127.0.0.31", "127.0.0.32"};
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    RunSearch(session, *table);
    RunSearch(session, *table);

    const auto requests = hdsPeer.Requests();
    ASSERT_EQ(requests.size(), 4u);
    const auto& id = session.Hds().clientId;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(requests[static_cast<std::size_t>(i)].bytes, BuildHdsRequest(i + 1, id));
    EXPECT_EQ(requests[0].senderAddress, "127.0.0.31");
    EXPECT_EQ(requests[1].senderAddress, "127.0.0.32");
    EXPECT_EQ(session.Hds().sequence, 5);
    // both sockets got the same device: listed once
    ASSERT_EQ(table->count, 1);
    EXPECT_EQ(FieldText(table->records[0].mac), "001122AABBCC");
}

TEST(HdsSearchTest, DeviceFoundByScanIsNotListedAgain) {
    ScriptedPeer scanPeer("127.0.0.40", [](const PeerRequest&) {
        return std::vector<std::string>{RecordBytes("001122aabbcc", "CAM")};
    });
    ScriptedPeer hdsPeer("127.0.0.41", [](const PeerRequest&) {
        return std::vector<std::string>{HdsText("00:11:22:aa:bb:cc", "10.0.0.5"), HdsText("00:11:22:aa:bb:cd", "10.0.0.6")};
    });
    auto config = LoopbackConfig({scanPeer.Endpoint()}, hdsPeer.Endpoint(), 0, 40);
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    const auto summary = RunSearch(session, *table);
    EXPECT_EQ(summary.scanDevices, 1u);
    EXPECT_EQ(summary.hdsDevices, 1u);
    ASSERT_EQ(table->count, 2);
    EXPECT_EQ(FieldText(table->records[0].deviceNumber), "CAM");
    EXPECT_EQ(FieldText(table->records[1].ip), "10.0.0.6");
}

TEST(HdsSearchTest, WaitStartsAnewAfterEveryReply) {
    ScriptedPeer hdsPeer(
        "127.0.0.50",
        [](const PeerRequest&) {
            return std::vector<std::string>{HdsText("01", "1.1.1.1"), HdsText("02", "1.1.1.2"), HdsText("03", "1.1.1.3")};
        },
        80ms);
    auto config = LoopbackConfig({}, hdsPeer.Endpoint(), 0, 20);
    config.hdsWait = 120ms;
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    const auto start = Steady::now();
    RunSearch(session, *table);
    const double took = MillisSince(start);
    EXPECT_EQ(table->count, 3);
    EXPECT_GE(took, 3 * 80 + 120 - 1);
    EXPECT_LT(took, 800);
}

}  // namespace
}  // namespace ostrand

namespace ostrand {
namespace {

// The application reads both settings from its settings file, "SimpleScan" at
// every Search and "ScanTimeOut" at every pass, with 0 written back when missing.
TEST(DiscoverySettingsTest, ReadFromTheSettingsFileAtEveryCall) {
    char directory[] = "/tmp/ost-disc-settingsXXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);

    const auto settings = DiscoverySettings::FromProfile();
    EXPECT_EQ(settings.scanTimeOut(), 0);
    EXPECT_EQ(ReadIniString("ScanTimeOut", std::nullopt), "0");
    ASSERT_TRUE(WriteIniString("ScanTimeOut", "1500"));
    ASSERT_TRUE(WriteIniString("SimpleScan", "7"));
    EXPECT_EQ(settings.scanTimeOut(), 1500);
    EXPECT_EQ(settings.scanFlags(), 7);

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace ostrand

namespace ostrand {
namespace {

// Random datagrams of every length from 0 to 1500 through the sockets, as
// scan replies and as HDS replies: every one is received, nothing crashes and
// the table stays within its 5001 records.
TEST(RandomDatagramTest, EveryLengthThroughScanAndHds) {
    // Built before the clock starts: the peers only copy them out, so their
    // burst begins at once after the request.
    std::vector<std::string> datagrams;
    {
        std::mt19937 random(99);
        std::uniform_int_distribution<int> byte(0, 255);
        for (std::size_t length = 0; length <= 1500; ++length) {
            std::string datagram(length, '\0');
            for (auto& c : datagram) c = static_cast<char>(byte(random));
            if (length > 20 && length % 3 == 0) datagram.replace(0, 12, "MAC=" + std::to_string(length) + "\r\n");
            datagrams.push_back(std::move(datagram));
        }
    }
    const auto garbage = [&datagrams](const testing::PeerRequest&) { return datagrams; };
    testing::ScriptedPeer scanPeer("127.0.0.60", garbage);
    testing::ScriptedPeer hdsPeer("127.0.0.61", garbage);
    // Quiet waits with room for a peer thread that a loaded machine holds up.
    auto config = LoopbackConfig({scanPeer.Endpoint()}, hdsPeer.Endpoint(), 4, 500);
    config.receiveBufferBytes = 16 << 20;
    config.hdsWait = 500ms;
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    const auto summary = RunSearch(session, *table);
    EXPECT_EQ(summary.datagrams, 2u * 1501u);
    EXPECT_GT(table->count, 0);
    EXPECT_LE(table->count, 5001);
    for (const auto& record : table->Valid()) EXPECT_LE(FieldText(record.mac).size(), 16u);
}

}  // namespace
}  // namespace ostrand

// The simulated devices' responders against the real Search, on loopback.

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "discovery/search.h"
#include "sim_devices.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using testing::ResponderThread;
using testing::SimRecord;

sim::DiscoveryEntry Entry(int k, sim::DiscoveryFaults faults = {}) {
    const std::string address = "127.0.3." + std::to_string(k + 1);
    return {address, SimRecord(address, k), faults};
}

TEST(DiscoveryResponderTest, HdsReplyTextCarriesTheRecordKeys) {
    const auto record = SimRecord("10.77.1.1", 255);
    EXPECT_EQ(sim::HdsReplyText(record, 9),
              "HDS/1.0 200 OK\r\nCSeq:9\r\nMAC=02:aa:00:00:00:ff\r\nIP=10.77.1.1\r\nMASK=255.255.0.0\r\n"
              "Gateway=10.77.0.2\r\nSoftware-Version=V2.1.5\r\n\r\n");
}

TEST(DiscoveryResponderTest, FaultyAndHealthyDevicesThroughAWholeSearch) {
    std::vector<sim::DiscoveryEntry> entries = {
        // Without a group (loopback) answers to everyone stay unicast: nothing
        // is broadcast from the machine's own network.
        Entry(0, {.answerToAll = true}),
        Entry(1, {.scanReplyLength = 11}),
        Entry(2, {.scanReplyLength = 505}),
        Entry(3, {.scanReplyLength = 12}),
        Entry(4, {.scanReplyLength = 504}),
        Entry(5, {.longMac = true}),
        Entry(6, {.repeat = 3}),
        Entry(7, {.answerScan = false}),                     // HDS only
        Entry(8, {.answerScan = false, .answerHds = false}),  // silent
    };
    // Devices 1, 2 and 5 send bad scan replies but answer HDS correctly, so
    // they are found there; silence them on HDS to see the scan checks alone.
    for (int k : {1, 2, 5}) entries[static_cast<std::size_t>(k)].faults.answerHds = false;

    ResponderThread devices({.bindAddress = "127.0.0.1", .scanPort = 0, .hdsPort = 0, .group = ""}, entries);
    std::string error;
    ASSERT_TRUE(devices.Start(&error)) << error;

    DiscoveryConfig config;
    config.settings = DiscoverySettings::Fixed(0, 80);
    config.bindAddresses = {"127.0.0.1"};
    config.scanLocalPort = 0;
    config.hdsLocalPort = 0;
    config.scanDestinations = {{"127.0.0.1", devices.Responder().ScanPort()}};
    config.hdsDestination = {"127.0.0.1", devices.Responder().HdsPort()};
    config.hdsWait = 80ms;
    std::map<std::string, int> senders;
    config.trace = [&](std::string_view line) {
        const auto text = std::string(line);
        if (text.rfind("recv from ", 0) == 0) ++senders[text.substr(10, text.find(',') - 10)];
    };
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    const auto summary = RunSearch(session, *table);

    EXPECT_EQ(devices.Responder().ScanRequests(), 2u);
    EXPECT_EQ(devices.Responder().HdsRequests(), 1u);
    EXPECT_EQ(devices.Responder().SendFailures(), 0u);
    EXPECT_EQ(summary.scanDevices, 4u);
    EXPECT_EQ(summary.hdsDevices, 1u);

    std::vector<std::string> numbers;
    for (const auto& record : table->Valid()) numbers.push_back(FieldText(record.deviceNumber));
    // the 12-byte reply carries the mac alone, HDS devices have no number
    EXPECT_EQ(numbers, (std::vector<std::string>{"SIM0", "", "SIM4", "SIM6", ""}));
    EXPECT_EQ(FieldText(table->records[0].mac), "02AA00000000");
    EXPECT_EQ(FieldText(table->records[1].mac), "02AA00000003");
    EXPECT_EQ(FieldText(table->records[1].ip), "");
    EXPECT_EQ(FieldText(table->records[4].ip), "127.0.3.8");
    EXPECT_EQ(FieldText(table->records[4].mac), "02AA00000007");

    // Every accepted reply came from its device's own address; the repeating
    // device sent three copies per request, all traced.
    EXPECT_EQ(senders["127.0.3.1"], 2);
    EXPECT_EQ(senders["127.0.3.7"], 6);
    EXPECT_EQ(senders.count("127.0.3.2"), 0u);
}

}  // namespace
}  // namespace ostrand

// Searches with the application's own destinations (255.255.255.255:60003,
// 239.255.255.250:60003 and :8002) and ports, inside a private pair of
// network namespaces.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include <sched.h>

#include "discovery/search.h"
#include "sim/discovery/discovery_service.h"
#include "sim/simulator.h"
#include "sim_devices.h"
#include "virtual_lan.h"

namespace ostrand {
namespace {

using testing::NetnsScope;
using testing::ResponderThread;
using testing::SimRecord;
using testing::VirtualLan;

std::vector<sim::DiscoveryEntry> Fleet(int count) {
    std::vector<sim::DiscoveryEntry> entries;
    for (int k = 0; k < count; ++k) {
        const auto address = VirtualLan::DeviceAddress(k);
        entries.push_back({address, SimRecord(address, k), {}});
    }
    return entries;
}

DiscoveryConfig ApplicationDefaults() {
    DiscoveryConfig config;
    // The settings file's defaults ("SimpleScan" 0, "ScanTimeOut" 0) without
    // writing one into the test's working directory.
    config.settings = DiscoverySettings::Fixed(0, 0);
    return config;
}

class VirtualLanSearchTest : public ::testing::Test {
protected:
    void Up(int devices) {
        std::string reason;
        lan = VirtualLan::Create(devices, &reason);
        if (!lan) GTEST_SKIP() << reason;
    }
    void StartDevices(std::vector<sim::DiscoveryEntry> entries) {
        responder = std::make_unique<ResponderThread>(sim::DiscoveryResponderConfig{}, std::move(entries));
        NetnsScope inLan(lan->LanNamespace());
        ASSERT_TRUE(inLan.Entered());
        std::string error;
        ASSERT_TRUE(responder->Start(&error)) << error;
    }

    std::unique_ptr<VirtualLan> lan;
    std::unique_ptr<ResponderThread> responder;
};

TEST_F(VirtualLanSearchTest, EveryDeviceIsListedOnceWithDefaults) {
    Up(6);
    if (IsSkipped()) return;
    auto entries = Fleet(6);
    entries[4].faults.answerScan = false;  // answers HDS only
    entries[5].faults.repeat = 2;
    StartDevices(entries);

    NetnsScope inPc(lan->PcNamespace());
    ASSERT_TRUE(inPc.Entered());
    auto config = ApplicationDefaults();
    std::set<std::string> senders;
    config.trace = [&](std::string_view line) {
        const std::string text(line);
        if (text.rfind("recv from ", 0) == 0) senders.insert(text.substr(10, text.find(',') - 10));
    };
    DiscoverySession session(config);
    session.Open();
    EXPECT_EQ(LocalIpv4Addresses(), std::vector<std::string>{VirtualLan::PcAddress()});
    ASSERT_EQ(session.Scan().sockets.size(), 1u);  // the PC's one address
    EXPECT_EQ(session.Scan().sockets[0].LocalAddress(), VirtualLan::PcAddress());
    ASSERT_EQ(session.Hds().sockets.size(), 1u);
    auto table = std::make_unique<DeviceTable>();
    const auto summary = RunSearch(session, *table);

    EXPECT_EQ(responder->Responder().ScanRequests(), 4u);  // 2 passes x (broadcast + multicast)
    EXPECT_EQ(responder->Responder().HdsRequests(), 1u);
    EXPECT_EQ(summary.scanDevices, 5u);
    EXPECT_EQ(summary.hdsDevices, 1u);
    ASSERT_EQ(table->count, 6);
    std::set<std::string> ips;
    for (const auto& record : table->Valid()) ips.insert(FieldText(record.ip));
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(ips.contains(VirtualLan::DeviceAddress(k))) << k;
    EXPECT_EQ(FieldText(table->records[5].ip), VirtualLan::DeviceAddress(4));
    EXPECT_EQ(table->records[5].commandPort, 0);  // known from HDS only
    // Replies came from the devices' own addresses.
    EXPECT_EQ(senders.size(), 5u);
    EXPECT_TRUE(senders.contains(VirtualLan::DeviceAddress(0)));

    // A second Search finds the same devices again.
    RunSearch(session, *table);
    EXPECT_EQ(table->count, 6);
}

TEST_F(VirtualLanSearchTest, BindingToAnyAddressStillReachesEveryDevice) {
    Up(3);
    if (IsSkipped()) return;
    StartDevices(Fleet(3));
    NetnsScope inPc(lan->PcNamespace());
    auto config = ApplicationDefaults();
    config.settings = DiscoverySettings::Fixed(8 | 1, 0);
    DiscoverySession session(config);
    session.Open();
    ASSERT_EQ(session.Scan().sockets.size(), 1u);
    EXPECT_EQ(session.Scan().sockets[0].LocalAddress(), "0.0.0.0");
    auto table = std::make_unique<DeviceTable>();
    RunSearch(session, *table);
    EXPECT_EQ(table->count, 3);
}

// Devices on another subnet than the PC's have no route back to it: one
// answers the scan by broadcast (and HDS by multicast), another only the HDS
// search by multicast. With the default flags and destinations each is listed
// once; with bit 3 (one scan socket on 0.0.0.0) too.
TEST_F(VirtualLanSearchTest, DevicesOnAnotherSubnetAnswerByBroadcastAndMulticast) {
    for (const std::int32_t flags : {0, 8}) {
        SCOPED_TRACE("SimpleScan " + std::to_string(flags));
        responder.reset();
        lan.reset();
        Up(1);
        if (IsSkipped()) return;
        auto entries = Fleet(1);
        for (int k = 1; k <= 2; ++k) {
            const auto address = VirtualLan::OtherSubnetAddress(k);
            auto record = SimRecord(address, k);
            SetFieldText(record.subnetMask, "255.255.255.0");
            SetFieldText(record.gateway, "192.168.77.254");
            entries.push_back({address, record, {.answerToAll = true}});
        }
        entries[2].faults.answerScan = false;  // answers HDS only
        StartDevices(entries);

        NetnsScope inPc(lan->PcNamespace());
        ASSERT_TRUE(inPc.Entered());
        auto config = ApplicationDefaults();
        config.settings = DiscoverySettings::Fixed(flags, 0);
        DiscoverySession session(config);
        session.Open();
        auto table = std::make_unique<DeviceTable>();
        const auto summary = RunSearch(session, *table);

        EXPECT_EQ(summary.scanDevices, 2u);
        EXPECT_EQ(summary.hdsDevices, 1u);
        ASSERT_EQ(table->count, 3);
        std::map<std::string, std::int32_t> ports;  // ip -> commandPort
        for (const auto& record : table->Valid()) ports[FieldText(record.ip)] = record.commandPort;
        EXPECT_EQ(ports, (std::map<std::string, std::int32_t>{{VirtualLan::DeviceAddress(0), 80},
                                                              {VirtualLan::OtherSubnetAddress(1), 60005},
                                                              {VirtualLan::OtherSubnetAddress(2), 0}}));
    }
}

// The simulator's own devices, as ostrand-devsim serves them, through the
// discovery service: faults set per device address take effect at once.
TEST_F(VirtualLanSearchTest, SimulatorFleetAnswersThroughTheDiscoveryService) {
    Up(4);
    if (IsSkipped()) return;
    sim::Simulator simulator;
    for (int k = 0; k < 4; ++k) {
        sim::DeviceConfig device;
        device.address = VirtualLan::DeviceAddress(k);
        device.kind = k == 3 ? sim::DeviceKind::Terminal : sim::DeviceKind::Camera;
        device.deviceNumber = "FLEET" + std::to_string(k);
        simulator.AddDevice(device);
    }
    auto service = std::make_unique<sim::DiscoveryService>();
    auto& discovery = *service;
    discovery.SetFaults(VirtualLan::DeviceAddress(1), {.answerScan = false});
    discovery.SetFaults(VirtualLan::DeviceAddress(2), {.answerScan = false, .answerHds = false});
    simulator.AddService(std::move(service));
    {
        NetnsScope inLan(lan->LanNamespace());
        ASSERT_TRUE(inLan.Entered());
        simulator.Start();
    }
    ASSERT_TRUE(discovery.Error().empty()) << discovery.Error();

    NetnsScope inPc(lan->PcNamespace());
    DiscoverySession session(ApplicationDefaults());
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    RunSearch(session, *table);
    std::vector<std::string> found;
    for (const auto& record : table->Valid()) found.push_back(FieldText(record.ip) + "/" + FieldText(record.deviceNumber));
    EXPECT_EQ(found, (std::vector<std::string>{VirtualLan::DeviceAddress(0) + "/FLEET0",
                                               VirtualLan::DeviceAddress(3) + "/FLEET3",
                                               VirtualLan::DeviceAddress(1) + "/"}));
    EXPECT_EQ(table->records[1].commandPort, 60005);

    // The silent device speaks again from the next Search on.
    discovery.SetFaults(VirtualLan::DeviceAddress(2), {});
    RunSearch(session, *table);
    EXPECT_EQ(table->count, 4);
    simulator.Stop();
}

// A machine without any interface address but loopback searches from
// 127.0.0.1.
TEST(LocalAddressesTest, LoopbackOnlyWhenNothingElseExists) {
    std::vector<std::string> addresses;
    bool isolated = false;
    std::thread probe([&] {
        // A fresh namespace for this thread alone: only a loopback interface.
        isolated = unshare(CLONE_NEWNET) == 0;
        if (isolated) addresses = LocalIpv4Addresses();
    });
    probe.join();
    if (!isolated) GTEST_SKIP() << "cannot create a network namespace here";
    EXPECT_EQ(addresses, std::vector<std::string>{"127.0.0.1"});
}

// A full table's worth of devices answering at once through the real
// broadcast and multicast paths: all are listed, each once.
TEST_F(VirtualLanSearchTest, FiveThousandAndOneDevices) {
    constexpr int kDevices = 5001;
    Up(kDevices);
    if (IsSkipped()) return;
    StartDevices(Fleet(kDevices));
    NetnsScope inPc(lan->PcNamespace());
    // The destinations and ports are the application's; the quiet waits are
    // longer, as a responder starved of CPU (sanitizer builds, a busy
    // machine) may take longer than the default 200 ms to begin 5001 answers
    // and every answer is counted below.
    auto config = ApplicationDefaults();
    config.settings = DiscoverySettings::Fixed(0, 2000);
    config.hdsWait = std::chrono::seconds(2);
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();

    const auto start = std::chrono::steady_clock::now();
    const auto summary = RunSearch(session, *table);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    ASSERT_EQ(table->count, kDevices);
    std::set<std::string> macs;
    for (const auto& record : table->Valid()) macs.insert(FieldText(record.mac));
    EXPECT_EQ(macs.size(), static_cast<std::size_t>(kDevices));
    EXPECT_EQ(summary.datagrams, 5u * kDevices);  // 4 scan answers + 1 HDS answer each
    EXPECT_EQ(responder->Responder().SendFailures(), 0u);
    const double quietWaits = 2 * 2.0 + 2.0;
    // The time is reported, not asserted: bench/discovery measures it with the default waits.
    std::printf("Search of %d devices: %.3f s (%.2f x the quiet waits)\n", kDevices, seconds, seconds / quietWaits);
}

}  // namespace
}  // namespace ostrand

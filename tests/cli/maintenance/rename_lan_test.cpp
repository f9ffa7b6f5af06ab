// End to end inside a private virtual LAN: a device renamed and given a new
// number through ostrand-cli is listed with its new values by the next
// `ostrand-cli scan` (broadcast and multicast stay inside the namespaces).

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "../../discovery/virtual_lan.h"
#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ostrand::testing::NetnsScope;
using ostrand::testing::VirtualLan;

TEST(MaintenanceOnTheVirtualLan, RenamedDeviceIsListedByTheNextScan) {
    std::string reason;
    auto lan = VirtualLan::Create(2, &reason);
    if (!lan) GTEST_SKIP() << reason;
    const fs::path dir = fs::path(::testing::TempDir()) / ("maintenance_lan_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const nlohmann::json fleet = {
        {"devices",
         nlohmann::json::array({
             {{"kind", "camera"}, {"address", VirtualLan::DeviceAddress(0)}, {"port", 80}, {"name", "cam0"},
              {"number", "100000"}},
             {{"kind", "terminal"}, {"address", VirtualLan::DeviceAddress(1)}, {"name", "term1"},
              {"number", "100001"}},
         })}};
    std::ofstream(dir / "fleet.json") << fleet.dump();

    std::unique_ptr<BackgroundProcess> simulator;
    {
        NetnsScope inLan(lan->LanNamespace());
        ASSERT_TRUE(inLan.Entered());
        simulator = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{OSTRAND_DEVSIM_PATH, "--fleet", (dir / "fleet.json").string(), "--ready-file",
                                     (dir / "ready").string(), "--duration", "60"},
            (dir / "devsim.log").string());
    }
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!fs::exists(dir / "ready") && simulator->Running() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(fs::exists(dir / "ready"));

    NetnsScope inPc(lan->PcNamespace());
    ASSERT_TRUE(inPc.Entered());
    auto result = RunProcess({OSTRAND_CLI_PATH, "rename", "--target", VirtualLan::DeviceAddress(0) + ":80", "--target",
                              VirtualLan::DeviceAddress(1) + ":60005", "北门"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    result = RunProcess({OSTRAND_CLI_PATH, "set-id", "--ip", VirtualLan::DeviceAddress(1), "--port", "60005",
                         "12345678", "QZ-9"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;

    // The application's own destinations, with fixed scan settings so no
    // settings file is read or written.
    result = RunProcess({OSTRAND_CLI_PATH, "--json", "scan", "--flags", "0", "--wait-ms", "300"}, 30s);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto rows = nlohmann::json::parse(result.out);
    ASSERT_EQ(rows.size(), 2u) << result.out;
    for (const auto& row : rows) {
        EXPECT_EQ(row.at("Device Name"), "北门") << row.dump();
        if (row.at("IPAddress") == VirtualLan::DeviceAddress(1)) {
            EXPECT_EQ(row.at("Device ID"), "12345678");
            EXPECT_EQ(row.at("ProductModel"), "QZ-9");
        }
    }
    simulator.reset();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand::cli::test

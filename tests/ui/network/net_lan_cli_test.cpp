// End to end in a private virtual LAN: ostrand-cli gives a camera new network
// parameters, and the next scan lists them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "../../cli/process.h"
#include "../../discovery/virtual_lan.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using cli::test::BackgroundProcess;
using cli::test::ProcessResult;
using cli::test::RunProcess;
using testing::NetnsScope;
using testing::VirtualLan;

ProcessResult Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
    return RunProcess(arguments, 60s);
}

const nlohmann::json* Row(const nlohmann::json& rows, const std::string& mac) {
    for (const auto& row : rows) {
        if (row.value("MacAddress", "") == mac) return &row;
    }
    return nullptr;
}

TEST(NetworkParamsInVirtualLan, ScanListsTheNewValuesOfACamera) {
    std::string reason;
    auto lan = VirtualLan::Create(2, &reason);
    if (!lan) GTEST_SKIP() << reason;
    const fs::path dir = fs::path(::testing::TempDir()) / ("net_lan_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string camera = VirtualLan::DeviceAddress(0);
    const nlohmann::json fleet = {
        {"devices", nlohmann::json::array({
                        {{"kind", "camera"}, {"port", 80}, {"address", camera}, {"mac", "02AA00000001"},
                         {"settings", {{"gateway", "10.77.0.1"}, {"netmask", "255.255.0.0"}}},
                         {"state", {{"network", {{"netparam", {{"AutoIp", "no"}}}}}}}},
                        {{"kind", "terminal"}, {"address", VirtualLan::DeviceAddress(1)}, {"mac", "02AA00000002"}},
                    })}};
    std::ofstream(dir / "fleet.json") << fleet.dump(2);
    const fs::path ready = dir / "ready.txt";
    std::unique_ptr<BackgroundProcess> simulator;
    {
        NetnsScope inLan(lan->LanNamespace());
        ASSERT_TRUE(inLan.Entered());
        simulator = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{OSTRAND_DEVSIM_PATH, "--fleet", (dir / "fleet.json").string(), "--ready-file",
                                     ready.string(), "--duration", "60"},
            (dir / "devsim.log").string());
    }
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!fs::exists(ready) && simulator->Running() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(fs::exists(ready));

    NetnsScope inPc(lan->PcNamespace());
    ASSERT_TRUE(inPc.Entered());
    const auto set = Cli({"netparam", "set", "--ip", camera, "--port", "80", "--ipaddress", "10.77.5.5",
                          "--gateway", "10.77.0.254", "--mac", "02AA000000AB"});
    EXPECT_EQ(set.exitCode, 0) << set.out << set.err;
    EXPECT_EQ(set.out, "保存成功，设备即将重启\n");
    // The terminal takes only its master server; its addresses stay.
    const auto terminal = Cli({"netparam", "set", "--ip", VirtualLan::DeviceAddress(1), "--port", "60005",
                               "--master", "m.example.cn", "--master-port", "7000"});
    EXPECT_EQ(terminal.exitCode, 0) << terminal.err;

    const auto scan = Cli({"--json", "scan", "--flags", "0", "--wait-ms", "300"});
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    const auto rows = nlohmann::json::parse(scan.out, nullptr, false);
    ASSERT_TRUE(rows.is_array()) << scan.out;
    const nlohmann::json* changed = Row(rows, "02AA000000AB");
    ASSERT_NE(changed, nullptr) << scan.out;
    EXPECT_EQ((*changed)["IPAddress"], "10.77.5.5");
    EXPECT_EQ((*changed)["Gateway"], "10.77.0.254");
    EXPECT_EQ((*changed)["SubnetMask"], "255.255.0.0");
    const nlohmann::json* unchanged = Row(rows, "02AA00000002");
    ASSERT_NE(unchanged, nullptr) << scan.out;
    EXPECT_EQ((*unchanged)["IPAddress"], VirtualLan::DeviceAddress(1));

    const auto get = Cli({"netparam", "get", "--ip", VirtualLan::DeviceAddress(1), "--port", "60005"});
    EXPECT_NE(get.out.find("master=m.example.cn\nmaster-port=7000\n"), std::string::npos) << get.out;
    simulator.reset();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand

// "ostrand-cli tempera" end to end inside a private virtual LAN (scripts/lan):
// the probe with the application's own group and ports finds the simulated
// temperature devices, one is bound to a terminal, another changes its
// address and the next probe shows it.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// build/src/cli/ostrand-cli -> build; the build's cache names the sources.
fs::path SourceDir() {
    const fs::path build = fs::path(OSTRAND_CLI_PATH).parent_path().parent_path().parent_path();
    std::ifstream cache(build / "CMakeCache.txt");
    for (std::string line; std::getline(cache, line);) {
        const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    }
    return build.parent_path();
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

nlohmann::json ReadJson(const fs::path& path) {
    const auto text = ReadText(path);
    return nlohmann::json::parse(text, nullptr, false);
}

TEST(TemperaLan, ProbeBindAndAddressChangeInsideTheVirtualLan) {
    if (geteuid() != 0) GTEST_SKIP() << "network namespaces need root";
    const fs::path dir = fs::path(::testing::TempDir()) / ("tempera_lan_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // Device 0 is the terminal; 1 answers both probes with the strict model,
    // 2 only the first probe with another model (dropped: strict flag 1), 3
    // only the second probe (kept whatever it holds).
    std::ofstream(dir / "fleet.json") << R"({"devices": [
      {"kind": "terminal", "address": "10.77.1.1", "name": "T1"},
      {"kind": "terminal", "address": "10.77.1.2", "state": {"peripherals": {"tempera": {"serial": "SN-1"}}}},
      {"kind": "terminal", "address": "10.77.1.3",
       "state": {"peripherals": {"tempera": {"deviceType": "7", "model": "TM-2", "answerSecond": false}}}},
      {"kind": "terminal", "address": "10.77.1.4",
       "state": {"peripherals": {"tempera": {"deviceType": "7", "model": "TM-3", "serial": "SN-3", "answerFirst": false}}}}
    ]})";
    // The settings the dialog reads: strict models, 300 ms per probe.
    std::ofstream(dir / "ostrand.ini") << "[common]\r\nTemperaStrickV2=1\r\nScanTimeOut=300\r\n";
    const std::string cli = OSTRAND_CLI_PATH;
    const std::string script = "cd '" + dir.string() + "' && " +
                               cli + " --json tempera probe > probe1.json && " +
                               cli + " --json tempera bind --ip 10.77.1.1 --port 60005 --tempera-ip 10.77.1.2 "
                                     "--user admin --password pw > bind.json && " +
                               cli + " --json tempera set-ip --ip 10.77.1.4 --port 60005 --new-ip 10.77.9.9 "
                                     "> setip.json && " +
                               cli + " --json tempera probe > probe2.json";
    const fs::path build = fs::path(OSTRAND_CLI_PATH).parent_path().parent_path().parent_path();
    const auto run = RunProcess({"/bin/bash", (SourceDir() / "scripts/lan").string(), "--devices", "4", "--fleet",
                                 (dir / "fleet.json").string(), "--build", build.string(), "--", "/bin/sh", "-c",
                                 script},
                                60s);
    if (run.exitCode != 0 && run.err.find("cannot create network namespaces") != std::string::npos)
        GTEST_SKIP() << run.err;
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    const auto first = ReadJson(dir / "probe1.json");
    ASSERT_TRUE(first.is_array()) << ReadText(dir / "probe1.json");
    ASSERT_EQ(first.size(), 2u) << first.dump();
    EXPECT_EQ(first[0]["ip"], "10.77.1.2");
    EXPECT_EQ(first[0]["sn"], "SN-1");
    // The first probe's row is kept and takes the port the second probe's answer gives.
    EXPECT_EQ(first[0]["port"], "60005");
    EXPECT_EQ(first[1]["ip"], "10.77.1.4");
    EXPECT_EQ(first[1]["port"], "60005");

    const auto bind = ReadJson(dir / "bind.json");
    EXPECT_EQ(bind["result"], 0);
    EXPECT_EQ(bind["messages"], nlohmann::json::array({"绑定成功"}));
    EXPECT_EQ(bind["values"]["IP"], "10.77.1.2");

    const auto setIp = ReadJson(dir / "setip.json");
    EXPECT_EQ(setIp["result"], 0);
    EXPECT_EQ(setIp["messages"], nlohmann::json::array({"操作成功，请稍候重新搜索..."}));

    const auto second = ReadJson(dir / "probe2.json");
    ASSERT_EQ(second.size(), 2u) << second.dump();
    EXPECT_EQ(second[0]["ip"], "10.77.1.2");
    EXPECT_EQ(second[1]["ip"], "10.77.9.9");
    EXPECT_EQ(second[1]["sn"], "SN-3");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand::cli::test

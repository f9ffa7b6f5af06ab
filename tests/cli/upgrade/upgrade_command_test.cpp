// ostrand-cli upgrade against a running ostrand-devsim: three devices, one
// unreachable and one refusing the image.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <thread>

#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(UpgradeCommand, EveryStatusChangeIsPrintedAndOnlyAllSucceededExitsZero) {
    const unsigned pid = static_cast<unsigned>(getpid());
    const std::string block = ProcessAddressBlock();
    const fs::path dir = fs::path(testing::TempDir()) / ("cli_upgrade_" + std::to_string(pid));
    fs::create_directories(dir);
    const fs::path image = dir / "HW1_K9_1.2.3456_A";
    std::ofstream(image, std::ios::binary) << std::string(150'000, 'u');
    const nlohmann::json fleet = {
        {"devices", nlohmann::json::array({
                        {{"kind", "terminal"}, {"address", block + "101"}},
                        {{"kind", "camera"}, {"address", block + "102"}, {"port", 18080},
                         {"state", {{"upgrade", {{"uploadFault", "refuse"}}}}}},
                    })}};
    std::ofstream(dir / "fleet.json") << fleet.dump();
    const fs::path ready = dir / "ready.txt";
    BackgroundProcess simulator({OSTRAND_DEVSIM_PATH, "--fleet", (dir / "fleet.json").string(), "--ready-file",
                                 ready.string(), "--duration", "60", "--receive-rate", "20000000"},
                                (dir / "devsim.log").string());
    for (int i = 0; i < 2000 && !fs::exists(ready) && simulator.Running(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(ready));

    const std::string terminal = block + "101:60005";
    const std::string refusing = block + "102:18080";
    const std::string unreachable = block + "103:18080";
    ProcessResult run = RunProcess({OSTRAND_CLI_PATH, "upgrade", "--kind", "app", image.string(), "--target", terminal,
                                    "--target", refusing, "--target", unreachable, "--jobs", "2"});
    EXPECT_EQ(run.exitCode, 10) << run.err;
    for (const std::string& line :
         {terminal + "\t正在建立连接...", terminal + "\t文件上传中..",
          terminal + "\t上传成功，设备即将重启，请稍后重新搜索设备", refusing + "\t上传失败",
          unreachable + "\tIPC设备内核升级中,请等升级完成后在进行操作", std::string("3 devices: 1 succeeded, 2 failed")}) {
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    }

    run = RunProcess({OSTRAND_CLI_PATH, "--json", "upgrade", "--kind", "app", image.string(), "--target", terminal});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(document.is_object()) << run.out;
    EXPECT_EQ(document["succeeded"], 1);
    EXPECT_EQ(document["devices"][0]["sent"], 150'000);

    // A name the kind refuses sends nothing.
    run = RunProcess({OSTRAND_CLI_PATH, "upgrade", "--kind", "kernel", image.string(), "--target", terminal});
    EXPECT_EQ(run.exitCode, 9);
    EXPECT_NE(run.err.find("文件名，文件长度,内核版本,应用版本,以及硬件版本长度或版本有误!"), std::string::npos);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand::cli::test

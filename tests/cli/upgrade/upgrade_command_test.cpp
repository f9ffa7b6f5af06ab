// ostrand-cli upgrade against a running ostrand-devsim: status lines, the end
// line of each device with the reason of a failure, retries, targets files
// read from a pipe, and kernel writes that do not hold a --jobs place.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UpgradeCommand : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(testing::TempDir()) / ("cli_upgrade_" + std::to_string(getpid()) + "_" +
                                               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        block_ = ProcessAddressBlock();
    }
    void TearDown() override {
        simulator_.reset();
        fs::remove_all(dir_);
    }

    // Starts the simulator on these devices; every upload is paced at `rate` bytes/s.
    bool StartDevices(const nlohmann::json& devices, const std::string& rate) {
        std::ofstream(dir_ / "fleet.json") << nlohmann::json{{"devices", devices}}.dump();
        const fs::path ready = dir_ / "ready.txt";
        simulator_ = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{OSTRAND_DEVSIM_PATH, "--fleet", (dir_ / "fleet.json").string(), "--ready-file",
                                     ready.string(), "--duration", "60", "--receive-rate", rate},
            (dir_ / "devsim.log").string());
        for (int i = 0; i < 2000 && !fs::exists(ready) && simulator_->Running(); ++i) std::this_thread::sleep_for(10ms);
        return fs::exists(ready);
    }

    fs::path Image(const std::string& name, std::size_t size) {
        const fs::path image = dir_ / name;
        std::ofstream(image, std::ios::binary) << std::string(size, 'u');
        return image;
    }

    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
        return count;
    }

    fs::path dir_;
    std::string block_;
    std::unique_ptr<BackgroundProcess> simulator_;
};

TEST_F(UpgradeCommand, StatusLinesEndLinesWithReasonsRetriesAndOneJsonDocument) {
    ASSERT_TRUE(StartDevices(nlohmann::json::array({
                                 {{"kind", "terminal"}, {"address", block_ + "101"}},
                                 {{"kind", "camera"}, {"address", block_ + "102"}, {"port", 18080},
                                  {"state", {{"upgrade", {{"uploadFault", "refuse"}, {"uploadStatus", 503}}}}}},
                             }),
                             "20000000"));
    const fs::path image = Image("HW1_K9_1.2.3456_A", 150'000);
    const std::string terminal = block_ + "101:60005";
    const std::string refusing = block_ + "102:18080";
    const std::string unreachable = block_ + "103:18080";
    ProcessResult run = RunProcess({OSTRAND_CLI_PATH, "upgrade", "--kind", "app", image.string(), "--target", terminal,
                                    "--target", refusing, "--target", unreachable, "--jobs", "2", "--retry", "2"});
    EXPECT_EQ(run.exitCode, 10) << run.err;
    for (const std::string& line :
         {terminal + "\t正在建立连接...", terminal + "\t文件上传中..",
          terminal + "\t成功\t上传成功，设备即将重启，请稍后重新搜索设备",
          // The reason the worker logs is printed with the failure.
          refusing + "\t失败\t上传失败\treason=status 503",
          // The gate takes a device it cannot ask as busy; the reason tells which it was.
          unreachable + "\t失败\tIPC设备内核升级中,请等升级完成后在进行操作\treason=getUpdateKernelStatus: 失败",
          std::string("3 devices: 1 succeeded, 2 failed")}) {
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    }
    // --retry 2: the failed devices ran three times, the finished one once.
    EXPECT_EQ(Count(run.out, refusing + "\t正在建立连接..."), 3u) << run.out;
    EXPECT_EQ(Count(run.out, terminal + "\t正在建立连接..."), 1u) << run.out;

    run = RunProcess({OSTRAND_CLI_PATH, "--json", "upgrade", "--kind", "app", image.string(), "--target", terminal,
                      "--target", refusing});
    EXPECT_EQ(run.exitCode, 10) << run.err;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(document.is_object()) << run.out;
    EXPECT_EQ(document["succeeded"], 1);
    EXPECT_EQ(document["devices"][0]["bytes"], 150'000);
    EXPECT_EQ(document["devices"][0]["messages"].size(), 3u);
    EXPECT_EQ(document["devices"][1]["text"], "上传失败");
    EXPECT_EQ(document["devices"][1]["values"]["reason"], "status 503");

    // A name the kind refuses sends nothing: every device fails with the reason.
    run = RunProcess({OSTRAND_CLI_PATH, "upgrade", "--kind", "kernel", image.string(), "--target", terminal});
    EXPECT_EQ(run.exitCode, 9);
    EXPECT_NE(run.out.find(terminal + "\t失败\t文件名，文件长度,内核版本,应用版本,以及硬件版本长度或版本有误!\n"),
              std::string::npos)
        << run.out;
}

// Every row of a targets file read from a pipe is a target with its scanned
// version, or a failed line with its reason that counts in the summary.
TEST_F(UpgradeCommand, EveryRowOfAPipedTargetsFileIsATargetOrAFailedLine) {
    // Both cameras refuse the version check: only a legacy one (below
    // 5.1.0373 on port 80), which skips it, takes the image.
    const nlohmann::json refuseCheck = {{"upgrade", {{"checkresult", "3"}}}};
    ASSERT_TRUE(StartDevices(nlohmann::json::array({
                                 {{"kind", "camera"}, {"address", block_ + "111"}, {"port", 80}, {"state", refuseCheck}},
                                 {{"kind", "camera"}, {"address", block_ + "112"}, {"port", 80}, {"state", refuseCheck}},
                             }),
                             "20000000"));
    const fs::path image = Image("HW1_K9_1.2.3456_A", 20'000);
    struct Row {
        nlohmann::json scan;
        std::string line;  // the device's end line
    };
    const Row rows[] = {
        {{{"IPAddress", block_ + "111"}, {"Http Port", "80"}, {"Version", "IPC-5.1.0100"}},
         block_ + "111:80\t成功\t上传成功，设备即将重启，请稍后重新搜索设备"},
        {{{"IPAddress", block_ + "112"}, {"Http Port", "80"}, {"Version", "IPC-5.1.0400"}},
         block_ + "112:80\t失败\t硬件版本号不相等"},
        {{{"IPAddress", block_ + "113"}, {"Http Port", "0"}, {"Version", "IPC-5.1.0100"}},
         block_ + "113\t失败\tno command port: found only by the HDS search"},
        {{{"IPAddress", ""}, {"Http Port", "80"}}, "row 4\t失败\tno IP address"},
        {{{"IPAddress", block_ + "114"}, {"Http Port", "x"}}, block_ + "114\t失败\tno usable command port (\"x\")"},
    };
    nlohmann::json scan = nlohmann::json::array();
    for (const Row& row : rows) scan.push_back(row.scan);
    std::ofstream(dir_ / "scan.json") << scan.dump();
    const std::string command = "cat '" + (dir_ / "scan.json").string() + "' | '" + OSTRAND_CLI_PATH +
                                "' upgrade --kind app '" + image.string() + "' --targets-from /dev/stdin";
    const ProcessResult run = RunProcess({"/bin/sh", "-c", command});
    EXPECT_EQ(run.exitCode, 10) << run.err;  // the status of the first row that failed
    for (const Row& row : rows) EXPECT_NE(run.out.find(row.line + "\n"), std::string::npos) << row.line << "\n" << run.out;
    EXPECT_NE(run.out.find("5 devices: 1 succeeded, 4 failed\n"), std::string::npos) << run.out;
}

// With --jobs 2 the third device's transfer starts as soon as one of the first
// two has sent its image, not after their kernel writes (180 s each).
TEST_F(UpgradeCommand, KernelWritesDoNotHoldAJobsPlace) {
    nlohmann::json devices = nlohmann::json::array();
    for (int i = 1; i <= 3; ++i) devices.push_back({{"kind", "terminal"}, {"address", block_ + std::to_string(120 + i)}});
    // 200 kB at 400 kB/s: each transfer takes about half a second.
    ASSERT_TRUE(StartDevices(devices, "400000"));
    const fs::path image = Image("HW1_K9_1.2.3456_F", 200'000);
    const fs::path log = dir_ / "cli.log";
    BackgroundProcess cli({OSTRAND_CLI_PATH, "upgrade", "--kind", "kernel", image.string(), "--target",
                           block_ + "121:60005", "--target", block_ + "122:60005", "--target", block_ + "123:60005",
                           "--jobs", "2"},
                          log.string());
    const std::string writing = "\t内核烧写中,请勿断电......";
    std::string out;
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < end && cli.Running()) {
        std::ifstream in(log);
        out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (Count(out, writing) == 3) break;
        std::this_thread::sleep_for(50ms);
    }
    cli.Stop();
    const std::string third = block_ + "123:60005";
    ASSERT_NE(out.find(third + writing), std::string::npos) << out;
    // The place still bounds transfers: the third starts after one of the first two has sent its image.
    const std::size_t firstWriting =
        std::min(out.find(block_ + "121:60005" + writing), out.find(block_ + "122:60005" + writing));
    EXPECT_LT(firstWriting, out.find(third + "\t正在建立连接...")) << out;
}

}  // namespace
}  // namespace ostrand::cli::test

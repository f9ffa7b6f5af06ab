// ostrand-cli against a running ostrand-devsim: real processes, real sockets
// on loopback, output and exit statuses as scripts see them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string AddressBlock() {
    const unsigned pid = static_cast<unsigned>(getpid());
    return "127." + std::to_string(100 + (pid >> 8) % 150) + "." + std::to_string(pid & 0xff) + ".";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliRoundTrip : public testing::Test {
protected:
    static void SetUpTestSuite() {
        block_ = AddressBlock();
        dir_ = fs::path(testing::TempDir()) / ("cli_roundtrip_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        exportSource_.resize(300000);
        for (std::size_t i = 0; i < exportSource_.size(); ++i) {
            exportSource_[i] = static_cast<char>((i * 2654435761u) >> 24);
        }
        std::ofstream(dir_ / "users.bin", std::ios::binary) << exportSource_;

        const nlohmann::json fleet = {
            {"base", block_ + "1"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "terminal"}, {"name", "T1"},
                  {"replies", {{"5019", {{"server", "127.0.0.1"}}}}},
                  {"exports", {{"4", {{"file", (dir_ / "users.bin").string()}}}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"name", "门口"}},
                 {{"kind", "terminal"}, {"faults", {{"refuse", true}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"faults", {{"httpStatus", 404}}}},
                 {{"kind", "terminal"}, {"faults", {{"exportStatus", 2}, {"flatBare", true}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"faults", {{"downloadFailure", "nolog"}}}},
             })}};
        std::ofstream(dir_ / "fleet.json") << fleet.dump(2);

        const fs::path ready = dir_ / "ready.txt";
        simulator_ = new BackgroundProcess(
            {OSTRAND_DEVSIM_PATH, "--fleet", (dir_ / "fleet.json").string(), "--ready-file",
             ready.string(), "--duration", "120"},
            (dir_ / "devsim.log").string());
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (!fs::exists(ready) && simulator_->Running() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(10ms);
        }
        ready_ = fs::exists(ready);
    }
    static void TearDownTestSuite() {
        delete simulator_;
        simulator_ = nullptr;
        fs::remove_all(dir_);
    }
    void SetUp() override {
        ASSERT_TRUE(ready_) << ReadFile(dir_ / "devsim.log") << ReadFile(dir_ / "devsim.log.err");
    }

    static std::string Ip(int device) { return block_ + std::to_string(device); }
    static ProcessResult Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
        return RunProcess(arguments, 30s);
    }

    static inline std::string block_;
    static inline fs::path dir_;
    static inline std::string exportSource_;
    static inline BackgroundProcess* simulator_ = nullptr;
    static inline bool ready_ = false;
};

TEST_F(CliRoundTrip, GetOverTcpPrintsOneLinePerEntryInMapOrder) {
    const auto result = Cli({"get", "--ip", Ip(1), "--port", "60005", "getnetparam"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = Lines(result.out);
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "ipaddress=" + Ip(1)), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "result=10000"), lines.end());
}

TEST_F(CliRoundTrip, Utf8InGbkOnTheWireUtf8Out) {
    const auto post = Cli({"post", "--ip", Ip(2), "--port", "18080", "setDevName", "devname=前台=1"});
    ASSERT_EQ(post.exitCode, 0) << post.err;
    EXPECT_EQ(post.out, "result=10000\n");

    const auto get = Cli({"--json", "get", "--ip", Ip(2), "--port", "18080", "getnetparam"});
    ASSERT_EQ(get.exitCode, 0) << get.err;
    const auto document = nlohmann::json::parse(get.out);
    EXPECT_EQ(document.at("result"), 0);
    EXPECT_EQ(document.at("text"), "成功");
    EXPECT_EQ(document.at("reply").at("devname"), "前台=1");
    EXPECT_EQ(document.at("reply").at("ipaddress"), Ip(2));
}

TEST_F(CliRoundTrip, XmlAndFlatCommands) {
    const auto xml = Cli({"xml", "--ip", Ip(1), "--port", "60005", "--code", "5019"});
    ASSERT_EQ(xml.exitCode, 0) << xml.err;
    EXPECT_NE(xml.out.find("server=127.0.0.1\n"), std::string::npos);

    const auto flat = Cli({"flat", "--ip", Ip(5), "--port", "60005", "probe=1"});
    ASSERT_EQ(flat.exitCode, 0) << flat.err;
    EXPECT_NE(flat.out.find("cmdid=9001\n"), std::string::npos);
    EXPECT_NE(flat.out.find("result=10000\n"), std::string::npos);
}

TEST_F(CliRoundTrip, FilesTravelBothWays) {
    const fs::path exported = dir_ / "exported.bin";
    const auto exportRun = Cli({"export", "--ip", Ip(1), "--port", "60005", "--type", "4", exported.string()});
    ASSERT_EQ(exportRun.exitCode, 0) << exportRun.err;
    EXPECT_EQ(ReadFile(exported), exportSource_);
    EXPECT_NE(exportRun.out.find("bytes=300000\n"), std::string::npos);

    const fs::path log = dir_ / "log.tar.gz";
    const auto download = Cli({"download", "--ip", Ip(2), "--port", "18080", "--type", "2", log.string()});
    ASSERT_EQ(download.exitCode, 0) << download.err;
    const auto listing = RunProcess({"/bin/tar", "-tzf", log.string()});
    EXPECT_EQ(listing.exitCode, 0);
    EXPECT_EQ(listing.out, "LOG/vekIPC.log\n");

    const std::string upload = (dir_ / "users.bin").string();
    EXPECT_EQ(Cli({"upload", "--ip", Ip(2), "--port", "18080", upload, "--remote", "u.bin"}).exitCode, 0);
    EXPECT_EQ(Cli({"upload", "--ip", Ip(2), "--port", "18080", upload, "--image"}).exitCode, 0);
    const auto tcp = Cli({"upload", "--tcp", "--update-type", "app", "--ip", Ip(1), "--port", "60005", upload});
    EXPECT_EQ(tcp.exitCode, 0) << tcp.err;
}

TEST_F(CliRoundTrip, FailuresBecomeTheExitStatus) {
    const auto refused = Cli({"get", "--ip", Ip(3), "--port", "60005", "getnetparam"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("连接服务失败"), std::string::npos);

    const auto notFound = Cli({"--json", "get", "--ip", Ip(4), "--port", "18080", "getnetparam"});
    EXPECT_EQ(notFound.exitCode, 10);
    EXPECT_EQ(nlohmann::json::parse(notFound.out).at("text"), "失败");

    const fs::path busy = dir_ / "busy.bin";
    const auto exportRun = Cli({"export", "--ip", Ip(5), "--port", "60005", "--type", "4", busy.string()});
    EXPECT_EQ(exportRun.exitCode, 10);
    EXPECT_NE(exportRun.err.find("Other User is Exporting, Please waiting..."), std::string::npos);
    EXPECT_FALSE(fs::exists(busy));

    const fs::path noLog = dir_ / "nolog.tar.gz";
    const auto download = Cli({"download", "--ip", Ip(6), "--port", "18080", "--type", "2", noLog.string()});
    EXPECT_EQ(download.exitCode, 10);
    EXPECT_NE(download.err.find("不存在log文件，下载失败"), std::string::npos);
    EXPECT_FALSE(fs::exists(noLog));

    const auto upload = Cli({"upload", "--tcp", "--update-type", "app", "--ip", Ip(3), "--port",
                             "60005", (dir_ / "users.bin").string()});
    EXPECT_EQ(upload.exitCode, 1);
    EXPECT_NE(upload.err.find("连接服务器失败，上传失败"), std::string::npos);

    EXPECT_EQ(Cli({"xml", "--ip", Ip(1), "--port", "60005", "--code", "5019", "novalue"}).exitCode, 9);
    // Usage errors are CLI11's own (non-zero, nothing sent).
    EXPECT_NE(Cli({"get", "--ip", "not-an-ip", "--port", "1", "x"}).exitCode, 0);
    EXPECT_NE(Cli({"upload", "--tcp", "--ip", Ip(1), "--port", "60005",
                   (dir_ / "users.bin").string()}).exitCode, 0);
}

}  // namespace
}  // namespace ostrand::cli::test

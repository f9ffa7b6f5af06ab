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

#include "cli/exit_status.h"
#include "fleet_suite.h"
#include "../sim/sim_test_support.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A device value that, printed raw, would forge a line of its own.
constexpr const char* kForgedNote = "ok\nresult=10000\r\tx\\y\x01";

class CliRoundTrip : public FleetSuite<CliRoundTrip> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("cli_roundtrip");
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
                  {"replies", {{"5019", {{"server", "127.0.0.1"}}},
                               {"5020", {{"note", kForgedNote}}}}},
                  {"exports", {{"4", {{"file", (dir_ / "users.bin").string()}}}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"name", "门口"}},
                 {{"kind", "terminal"}, {"faults", {{"refuse", true}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"faults", {{"httpStatus", 404}}}},
                 {{"kind", "terminal"}, {"faults", {{"exportStatus", 2}, {"flatBare", true}}}},
                 {{"kind", "camera"}, {"port", 18080}, {"faults", {{"downloadFailure", "nolog"}}}},
             })}};
        ServeFleet(fleet);
    }

    static std::string Ip(int device) { return block_ + std::to_string(device); }
    static ProcessResult Cli(std::vector<std::string> arguments, const fs::path& workingDirectory = {}) {
        return RunCli(std::move(arguments), 30s, workingDirectory.string());
    }

    static inline std::string exportSource_;
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
    EXPECT_EQ(document.at("values").at("devname"), "前台=1");
    EXPECT_EQ(document.at("values").at("ipaddress"), Ip(2));
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
    EXPECT_EQ(sim::test::FileBytes(exported), exportSource_);
    EXPECT_NE(exportRun.out.find("bytes=300000\n"), std::string::npos);

    // Several devices: one file each, named by the device's address; none for a device not reached.
    const auto fleetRun = Cli({"export", "--target", Ip(1) + ":60005", "--target", Ip(3) + ":60005", "--type", "4",
                               (dir_ / "fleet.bin").string()});
    EXPECT_EQ(fleetRun.exitCode, 1) << fleetRun.out;
    const fs::path fromOne = dir_ / ("fleet_" + Ip(1) + "_60005.bin");
    EXPECT_EQ(sim::test::FileBytes(fromOne), exportSource_);
    EXPECT_NE(fleetRun.out.find(Ip(1) + ":60005\t成功\t成功\tfile=" + fromOne.string() + "\tbytes=300000\n"),
              std::string::npos)
        << fleetRun.out;
    EXPECT_FALSE(fs::exists(dir_ / ("fleet_" + Ip(3) + "_60005.bin")));
    EXPECT_FALSE(fs::exists(dir_ / "fleet.bin"));

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

}

TEST_F(CliRoundTrip, EveryUsageErrorHasOneStatusAndHelpListsEveryStatus) {
    const std::vector<std::vector<std::string>> usageErrors = {
        {"xml", "--ip", Ip(1), "--port", "60005", "--code", "5019", "novalue"},
        {"get", "--ip", "not-an-ip", "--port", "1", "x"},
        {"get", "--ip", Ip(1), "--port", "60005"},
        {"upload", "--tcp", "--ip", Ip(1), "--port", "60005", (dir_ / "users.bin").string()},
        {"upload", "--ip", Ip(2), "--port", "18080", (dir_ / "missing.bin").string()},
        {"scan", "--dest", "255.255.255.255"},
        {"scan", "--bind", "nowhere"},
        {"scan", "--hds-dest", "1.2.3.4:x"},
        {"--settings", (dir_ / "missing.ini").string(), "get", "--ip", Ip(1), "--port", "60005", "x"},
        {"--no-such-option", "get"},
        {},
    };
    for (const auto& arguments : usageErrors) {
        const auto run = Cli(arguments);
        EXPECT_EQ(run.exitCode, kUsageExitStatus) << testing::PrintToString(arguments) << run.err;
    }
    const auto help = Cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const int status : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kUsageExitStatus}) {
        const std::string entry = "  " + std::to_string(status) + (status < 10 ? "   " : "  ");
        EXPECT_NE(help.out.find(entry), std::string::npos) << "status " << status << " not in --help";
    }
}

TEST_F(CliRoundTrip, DeviceTextWithLineFeedsIsOneEscapedFieldAndExactInJson) {
    const auto plain = Cli({"xml", "--ip", Ip(1), "--port", "60005", "--code", "5020"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const auto lines = Lines(plain.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), R"(note=ok\nresult=10000\r\tx\\y\x01)"), lines.end())
        << plain.out;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "result=10000"), 1) << plain.out;

    const auto json = Cli({"--json", "xml", "--ip", Ip(1), "--port", "60005", "--code", "5020"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto reply = nlohmann::json::parse(json.out).at("values");
    EXPECT_EQ(reply.at("note"), kForgedNote);
}

TEST_F(CliRoundTrip, SettingsComeFromTheToolsFileAndNothingIsWritten) {
    const fs::path work = dir_ / "work";
    fs::create_directories(work);
    // Run from an empty folder: no file appears.
    ASSERT_EQ(Cli({"get", "--ip", Ip(1), "--port", "60005", "getnetparam"}, work).exitCode, 0);
    EXPECT_TRUE(fs::is_empty(work));

    // The tool's own settings file is read and left as it was: "SimpleScan" bit
    // 8 makes the scan bind the any-address, which its trace shows.
    const std::string settings = "[common]\nSimpleScan=13\nScanTimeOut=20\n";
    std::ofstream(work / "ostrand.ini") << settings;
    const std::vector<std::string> scan = {"scan", "--trace", "--bind", "127.0.0.1", "--dest", "127.0.0.1:9",
                                           "--hds-dest", "127.0.0.1:9"};
    const auto fromFile = Cli(scan, work);
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_NE(fromFile.err.find("ip: 0.0.0.0"), std::string::npos) << fromFile.err;
    EXPECT_EQ(sim::test::FileBytes(work / "ostrand.ini"), settings);

    // Options override the file.
    auto overridden = scan;
    overridden.insert(overridden.end(), {"--flags", "5"});
    const auto fromFlags = Cli(overridden, work);
    EXPECT_NE(fromFlags.err.find("ip: 127.0.0.1"), std::string::npos) << fromFlags.err;

    // --settings names another file; --write-defaults fills in what is missing.
    const fs::path other = dir_ / "other.ini";
    std::ofstream(other) << "[common]\nSimpleScan=5\n";
    auto named = scan;
    named.insert(named.begin(), {"--settings", other.string(), "--write-defaults"});
    const auto fromNamed = Cli(named, work);
    EXPECT_NE(fromNamed.err.find("ip: 127.0.0.1"), std::string::npos) << fromNamed.err;
    EXPECT_EQ(sim::test::FileBytes(other), "[common]\nSimpleScan=5\nConnTimeout=3\nScanTimeOut=0\n");
    EXPECT_EQ(sim::test::FileBytes(work / "ostrand.ini"), settings);
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ostrand::cli::test

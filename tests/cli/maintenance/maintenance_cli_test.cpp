// The maintenance subcommands of ostrand-cli against a running ostrand-devsim:
// one device by --ip/--port, many by --target/--targets-from, and the input
// they refuse without sending.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A refusal whose reason, printed raw, would end the line, claim success for
// a device that does not exist, and clear the terminal.
constexpr const char* kForgedReason = "占用\nresult=10000\n127.0.0.9:60005\t成功\t更新成功\x1b[2J\r";

nlohmann::json ForgingRefusals() {
    nlohmann::json refusals;
    for (const char* command : {"modifyDevDevMaskMessage", "modifyProductModel", "ModifyPasswd"}) {
        refusals[command] = kForgedReason;
    }
    return {{"maintenance", {{"refuse", refusals}}}};
}

class MaintenanceCli : public FleetSuite<MaintenanceCli> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("maintenance_cli");
        const nlohmann::json fleet = {
            {"base", block_ + "101"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "camera"}, {"port", 18082}, {"name", "门口"}, {"number", "100001"}},        // .101
                 {{"kind", "terminal"}, {"name", "T2"}, {"state", {{"maintenance", {{"password", "admin"}}}}}},  // .102
                 {{"kind", "camera"}, {"port", 80}},                                                   // .103
                 {{"kind", "camera"}, {"port", 80}},                                                   // .104
                 {{"kind", "terminal"}, {"faults", {{"refuse", true}}}},                               // .105
                 {{"kind", "terminal"}, {"faults", {{"malformed", true}}}},                            // .106
                 {{"kind", "camera"}, {"port", 18082},
                  {"state", {{"maintenance", {{"refuse", {{"modifyDeviceNumber", "编号已占用"}}}}}}}},  // .107
                 {{"kind", "terminal"}, {"faults", {{"dropConnection", true}}}},                      // .108
                 {{"kind", "terminal"}, {"state", ForgingRefusals()}},                                 // .109
                 {{"kind", "camera"}, {"port", 18082}, {"state", ForgingRefusals()}},                 // .110
             })}};
        ServeFleet(fleet);
    }
    static std::string Ip(int device) { return block_ + std::to_string(100 + device); }
    static ProcessResult Cli(std::vector<std::string> arguments) { return RunCli(std::move(arguments)); }
    static nlohmann::json Get(int device, const std::string& port) {
        const auto result = Cli({"--json", "get", "--ip", Ip(device), "--port", port, "getnetparam"});
        return nlohmann::json::parse(result.out).at("values");
    }
};

TEST_F(MaintenanceCli, RenameReachesTheDeviceAndBadNamesAreRefusedUnsent) {
    auto result = Cli({"rename", "--ip", Ip(1), "--port", "18082", "前台"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "更新成功\n");
    EXPECT_EQ(Get(1, "18082").at("devname"), "前台");

    // The rules' refusals are one escaped line on stderr; text GBK cannot hold is a usage error.
    struct Case {
        std::string name;
        int status;
        std::string shown;
    };
    const std::vector<Case> refused = {
        {std::string(31, 'n'), 9, "输入字符大于30或为空\n"},
        {"门口/北", 9, "名称［门口/北］中不能包含下列字符：\\n\\n    , < > ? * | \\\\ / : \n"},
        {"乗", 9, "名称［乗］中不能包含下列字符：\\n\\n    , < > ? * | \\\\ / : \n"},
        {"cam\xF0\x9F\x98\x80", 64, "ostrand-cli: new name \"cam\xF0\x9F\x98\x80\" is not UTF-8 text that GBK can hold\n"},
    };
    for (const Case& c : refused) {
        result = Cli({"rename", "--ip", Ip(1), "--port", "18082", c.name});
        EXPECT_EQ(result.exitCode, c.status) << c.name;
        EXPECT_EQ(result.err.substr(0, c.shown.size()), c.shown);
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    EXPECT_EQ(Get(1, "18082").at("devname"), "前台");
}

TEST_F(MaintenanceCli, SetIdPasswordAndJson) {
    auto result = Cli({"--json", "set-id", "--ip", Ip(2), "--port", "60005", "12345678", "QZ-T2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document.at("text"), "设置成功!");
    EXPECT_TRUE(document.at("succeeded").get<bool>());
    EXPECT_EQ(Get(2, "60005").at("deviceNumber"), "12345678");

    result = Cli({"set-id", "--ip", Ip(7), "--port", "18082", "123456", "QZ-7"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_EQ(result.err, "编号已占用\n设置失败!\n");

    // The terminal holds "admin" as sent in plain mode.
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "admin", "new"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_EQ(result.err, "更新失败\n");
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "--version", "TD-3.9.2000", "admin", "new"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "更新成功\n");
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "new", std::string(33, 'p')});
    EXPECT_EQ(result.exitCode, 9);
}

TEST_F(MaintenanceCli, TargetOptionsAreCheckedBeforeAnythingIsSent) {
    struct Case {
        std::vector<std::string> arguments;
        std::string errorPart;
    };
    const std::vector<Case> cases = {
        {{"reboot", "--target", "127.0.0.1"}, "IP:PORT"},
        {{"reboot", "--target", "127.0.0.1:0"}, "IP:PORT"},
        {{"reboot", "--target", "300.1.1.1:80"}, "IP:PORT"},
        {{"reboot"}, "--ip and --port"},
        {{"reboot", "--ip", Ip(3)}, "--ip and --port"},
        {{"sync-time", "--ip", Ip(3), "--port", "80", "--target", Ip(4) + ":80"}, "not both"},
        {{"rename", "--targets-from", (dir_ / "missing.json").string(), "x"}, "cannot read"},
        {{"set-id", "--target", Ip(3) + ":80", "--target", Ip(4) + ":80", "123456", "QZ-1"}, "name one device"},
    };
    for (const Case& c : cases) {
        const auto result = Cli(c.arguments);
        EXPECT_NE(result.exitCode, 0) << c.arguments[1];
        EXPECT_NE(result.err.find(c.errorPart), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    std::ofstream(dir_ / "bad.json") << "{\"not\": \"an array\"}";
    const auto result = Cli({"reboot", "--targets-from", (dir_ / "bad.json").string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("JSON array"), std::string::npos) << result.err;
}

TEST_F(MaintenanceCli, FleetFromAScanFileOneLinePerDeviceAndASummary) {
    // The shape `ostrand-cli scan --json` prints (only the two keys are read).
    const nlohmann::json scan = nlohmann::json::array({
        {{"IPAddress", Ip(3)}, {"Http Port", "80"}, {"Device Name", "a"}},
        {{"IPAddress", Ip(4)}, {"Http Port", "80"}, {"Device Name", "b"}},
    });
    std::ofstream(dir_ / "scan.json") << scan.dump();
    auto result = Cli({"sync-time", "--targets-from", (dir_ / "scan.json").string(), "--jobs", "2"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find(Ip(3) + ":80\t成功\t时间更新成功\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(Ip(4) + ":80\t成功\t时间更新成功\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("2 devices: 2 succeeded, 0 failed\n"), std::string::npos);
    EXPECT_EQ(Get(3, "80").at("year").get<std::string>().size(), 4u);

    // One device refuses connections, one answers garbage, one is not on port 80.
    result = Cli({"--json", "reboot", "--targets-from", (dir_ / "scan.json").string(), "--target",
                  Ip(5) + ":60005", "--target", Ip(6) + ":60005"});
    // The status of the first failed device in the order given: no connection.
    EXPECT_EQ(result.exitCode, 1);
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document.at("succeeded"), 2);
    EXPECT_EQ(document.at("failed"), 2);
    for (const auto& device : document.at("devices")) {
        const bool healthy = device.at("ip") == Ip(3) || device.at("ip") == Ip(4);
        EXPECT_EQ(device.at("succeeded"), healthy) << device.dump();
        // A failed device carries the channel's own text.
        if (!healthy) {
            EXPECT_FALSE(device.at("messages").empty()) << device.dump();
        }
    }

    // Refused before sending: the clock is set on port 80 only.
    result = Cli({"sync-time", "--target", Ip(1) + ":18082"});
    EXPECT_EQ(result.exitCode, 9);
    EXPECT_NE(result.out.find("\t失败\t该设备不支持该功能\n"), std::string::npos) << result.out;
}

TEST_F(MaintenanceCli, LogArchiveGetsItsEndingAndEachDeviceItsOwnFile) {
    auto result = Cli({"log", "--ip", Ip(1), "--port", "18082", (dir_ / "devlog").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string size = std::to_string(fs::file_size(dir_ / "devlog.tar.gz"));
    EXPECT_EQ(result.out, "file=" + (dir_ / "devlog.tar.gz").string() + "\nbytes=" + size + "\n下载成功\n");
    EXPECT_FALSE(fs::exists(dir_ / "devlog"));

    // Several devices: one archive each, the address before ".tar.gz"; a dead one fails on its own line.
    result = Cli({"log", "--target", Ip(1) + ":18082", "--target", Ip(2) + ":60005", "--target", Ip(5) + ":60005",
                  (dir_ / "fleet").string()});
    EXPECT_EQ(result.exitCode, 1) << result.out;
    for (const auto& [device, port] : {std::pair{1, "18082"}, std::pair{2, "60005"}}) {
        const fs::path archive = dir_ / ("fleet_" + Ip(device) + "_" + port + ".tar.gz");
        EXPECT_TRUE(fs::exists(archive)) << archive;
        EXPECT_NE(result.out.find(Ip(device) + ":" + port + "\t成功\t下载成功\tfile=" + archive.string() +
                                  "\tbytes="),
                  std::string::npos)
            << result.out;
    }
    EXPECT_NE(result.out.find(Ip(5) + ":60005\t失败\t"), std::string::npos) << result.out;
    EXPECT_FALSE(fs::exists(dir_ / ("fleet_" + Ip(5) + "_60005.tar.gz")));
    EXPECT_NE(result.out.find("3 devices: 2 succeeded, 1 failed\n"), std::string::npos) << result.out;
}

TEST_F(MaintenanceCli, GarbageGivesTheFailureTextNotACrash) {
    const auto result = Cli({"rename", "--ip", Ip(6), "--port", "60005", "x"});
    EXPECT_EQ(result.exitCode, 8);
    EXPECT_NE(result.err.find("更新失败\n"), std::string::npos) << result.err;
}

// Every subcommand here exits with its failure class's status from the one
// table, alone (--ip/--port) and in the fleet form (--target), and --json
// says whether anything was sent.
TEST_F(MaintenanceCli, EveryFailureClassHasItsExitStatus) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    const std::string upload = (dir_ / "upload.bin").string();
    std::ofstream(upload, std::ios::binary) << std::string(5000, 'u');
    const std::string out = (dir_ / "classes.bin").string();
    struct Case {
        int status;
        int device;  // the device the arguments are given to
        std::string port;
        std::vector<std::string> arguments;
    };
    std::vector<Case> cases;
    // No connection (5, 8: a device that refuses connections, one that drops them).
    for (const auto& [device, status] : {std::pair{5, 1}, std::pair{8, 5}}) {
        for (auto arguments : std::vector<std::vector<std::string>>{
                 {"post", "modifyDevDevMaskMessage", "newDevMaskMessage=x"},
                 {"xml", "--code", "5019"},
                 {"flat", "probe=1"},
                 {"export", "--type", "4", out},
                 {"download", "--type", "2", out},
                 {"log", out},
                 {"upload", "--tcp", "--update-type", "app", upload},
                 {"rename", "x"},
                 {"set-id", "123456", "QZ-1"},
                 {"passwd", "a", "b"},
             }) {
            cases.push_back({status, device, "60005", std::move(arguments)});
        }
    }
    // The device refused: the terminal over TCP, the camera over HTTP.
    for (const int device : {9, 10}) {
        const std::string port = device == 9 ? "60005" : "18082";
        cases.push_back({10, device, port, {"rename", "x"}});
        cases.push_back({10, device, port, {"set-id", "123456", "QZ-1"}});
        cases.push_back({10, device, port, {"passwd", "a", "b"}});
    }
    // Values the operation's checks or the form channel refuse: nothing is sent.
    cases.push_back({9, 1, "18082", {"rename", "门口/北"}});
    cases.push_back({9, 1, "18082", {"rename", "a&b"}});
    cases.push_back({9, 1, "18082", {"post", "modifyDevDevMaskMessage", "newDevMaskMessage=a&b"}});
    cases.push_back({9, 1, "18082", {"post", "bad name"}});
    cases.push_back({9, 1, "18082", {"set-id", "123", "QZ-1"}});
    cases.push_back({9, 1, "18082", {"passwd", "a", std::string(33, 'p')}});
    cases.push_back({9, 1, "18082", {"upload", upload, "--remote", "a b"}});
    // Text GBK cannot hold, and other usage errors: nothing is sent either.
    for (auto arguments : std::vector<std::vector<std::string>>{
             {"post", "x" + emoji},
             {"post", "setDevName", "devname=" + emoji},
             {"xml", "--code", "5019", "k=" + emoji},
             {"flat", emoji + "=1"},
             {"upload", upload, "--remote", emoji},
             {"upload", "--tcp", "--update-type", emoji, upload},
             {"rename", emoji},
             {"set-id", emoji, "QZ-1"},
             {"set-id", "123456", emoji},
             {"passwd", emoji, "b"},
             {"passwd", "--version", emoji, "a", "b"},
             {"xml", "--code", "5019", "novalue"},
             {"export", out},
             {"log"},
         }) {
        cases.push_back({64, 1, "18082", std::move(arguments)});
    }

    for (const Case& c : cases) {
        const std::string name = testing::PrintToString(c.arguments) + " on " + Ip(c.device) + ":" + c.port;
        auto alone = c.arguments;
        alone.insert(alone.begin() + 1, {"--ip", Ip(c.device), "--port", c.port});
        auto fleet = c.arguments;
        fleet.insert(fleet.begin() + 1, {"--target", Ip(c.device) + ":" + c.port});
        for (const auto& arguments : {alone, fleet}) {
            const auto plain = Cli(arguments);
            EXPECT_EQ(plain.exitCode, c.status) << name << "\n" << plain.out << plain.err;
            if (c.status == 64) {
                EXPECT_TRUE(plain.out.empty()) << name << plain.out;
            }
        }
        if (c.status == 64) continue;
        auto json = alone;
        json.insert(json.begin(), "--json");
        const auto run = Cli(json);
        const auto document = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_FALSE(document.is_discarded()) << name << run.out;
        EXPECT_EQ(document.value("result", -1), c.status) << name << run.out;
        EXPECT_EQ(document.value("sent", c.status == 9), c.status != 9) << name << run.out;
    }
}

// A reason the device gives for a refusal is one escaped field: it cannot end
// the line, add a device's line, or reach the terminal as a control sequence.
TEST_F(MaintenanceCli, RefusalReasonsCannotForgeLines) {
    const std::vector<std::vector<std::string>> runs = {
        {"rename", "--ip", Ip(9), "--port", "60005", "x"},
        {"rename", "--ip", Ip(10), "--port", "18082", "x"},
        {"rename", "--target", Ip(9) + ":60005", "--target", Ip(10) + ":18082", "x"},
        {"set-id", "--ip", Ip(9), "--port", "60005", "123456", "QZ-1"},
        {"set-id", "--target", Ip(10) + ":18082", "123456", "QZ-1"},
    };
    for (const auto& arguments : runs) {
        const auto result = Cli(arguments);
        const std::string name = testing::PrintToString(arguments);
        EXPECT_EQ(result.exitCode, 10) << name;
        for (const std::string& text : {result.out, result.err}) {
            EXPECT_EQ(text.find('\x1b'), std::string::npos) << name << text;
            EXPECT_EQ(text.find('\r'), std::string::npos) << name << text;
            for (const std::string& line : Lines(text)) {
                EXPECT_NE(line, "result=10000") << name << text;
                EXPECT_NE(line.rfind("127.0.0.9", 0), 0u) << name << text;
            }
        }
        // (The HTTP form channel joins the lines of a reply, so only the TCP one keeps the line feeds.)
        EXPECT_NE((result.out + result.err).find(R"(127.0.0.9:60005\t成功\t更新成功\x1b[2J\r)"), std::string::npos)
            << name << result.out << result.err;

        auto json = arguments;
        json.insert(json.begin(), "--json");
        const auto document = nlohmann::json::parse(Cli(json).out);
        const auto& device = document.contains("devices") ? document.at("devices").at(0) : document;
        EXPECT_NE(device.at("text").get<std::string>().find("127.0.0.9:60005\t成功\t更新成功\x1b[2J\r"),
                  std::string::npos)
            << document.dump();
    }
}

// Only a regular file is uploaded: a device node, a pipe or a folder is a
// usage error naming the path, before any device is reached.
TEST_F(MaintenanceCli, UploadTakesOnlyRegularFiles) {
    const fs::path fifo = dir_ / "upload.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), fifo.string(), dir_.string()}) {
        for (const auto& arguments : std::vector<std::vector<std::string>>{
                 {"upload", "--ip", Ip(1), "--port", "18082", path},
                 {"upload", "--image", "--target", Ip(1) + ":18082", path},
                 {"upload", "--tcp", "--update-type", "app", "--ip", Ip(2), "--port", "60005", path},
             }) {
            const auto started = std::chrono::steady_clock::now();
            const auto result = RunCli(arguments, 5s);
            EXPECT_EQ(result.exitCode, 64) << testing::PrintToString(arguments);
            EXPECT_NE(result.err.find("\"" + path + "\""), std::string::npos) << result.err;
            EXPECT_TRUE(result.out.empty()) << result.out;
            EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
        }
    }
}

}  // namespace
}  // namespace ostrand::cli::test

// ostrand-cli speakers, amps and tempera against a running ostrand-devsim:
// one table per rule — a failed channel is never a success, a device's text
// never forges a line, every failure exits with its class, and every text the
// dialog shows is printed.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A text that, printed raw, would end its line and start a forged success line.
const std::string kForged = "名\n127.9.9.9:60005\t成功\tforged=1";
const std::string kForgedEscaped = "名\\n127.9.9.9:60005\\t成功\\tforged=1";
// The same in ASCII, for the amplifiers' texts (the terminal sends them as they are).
const std::string kAsciiForged = "A\n127.9.9.9:60005\tok\tforged=1";
const std::string kAsciiEscaped = "A\\n127.9.9.9:60005\\tok\\tforged=1";

class PeripheralsCli : public FleetSuite<PeripheralsCli> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("peripherals_cli");
        const nlohmann::json speakers = {
            {"classes", {{{"id", "1"}, {"name", kForged}, {"speakers", "1,2"}}, {{"id", "2"}, {"name", "二班"}, {"speakers", "3"}}}},
            {"places", {{{"id", "9"}, {"name", "操场"}, {"speakers", "7"}, {"classId", "1"}, {"className", "一班"}}}}};
        const nlohmann::json amplifiers = {
            {"known", {{{"number", kAsciiForged}, {"state", "1"}, {"bind", "1"}, {"ip", "127.0.0.7"}}}},
            {"searchable", {{{"number", "AMP2"}, {"state", "1"}, {"bind", "0"}, {"ip", kAsciiForged}}}},
            {"classes", {{{"id", "1"}, {"name", kForged}, {"amplifier", "AMP1"}, {"channel", "1_"}},
                         {{"id", "2"}, {"name", "二班"}, {"amplifier", ""}, {"channel", ""}}}},
            {"oldBindingStays", true}};
        const nlohmann::json fleet = {
            {"base", block_ + "31"},
            {"devices",
             {{{"kind", "terminal"},
               {"state", {{"peripherals", {{"speakers", speakers}, {"amplifiers", amplifiers},
                                           {"boundTempera", {{"ip", "127.0.0.8"}}}}}}}},
              {{"kind", "terminal"}, {"faults", {{"refuse", true}}}},
              {{"kind", "terminal"}, {"faults", {{"dropConnection", true}}}},
              {{"kind", "terminal"},
               {"state", {{"peripherals", {{"speakers", speakers},
                                           {"refuse", {{"5040", {"1"}}, {"7008", {"2"}}}}}}}}}}}};
        ServeFleet(fleet);
    }
    // Devices: 0 answers, 1 refuses connections, 2 drops them unanswered, 3 refuses some handtypes.
    static std::string Ip(int device) { return block_ + std::to_string(31 + device); }
    static std::string Target(int device) { return Ip(device) + ":60005"; }
    static ProcessResult Cli(std::vector<std::string> arguments) { return RunCli(std::move(arguments), 40s); }
    // The subcommand words, then one device.
    static ProcessResult CliAt(int device, std::vector<std::string> arguments, std::size_t words = 2) {
        arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(words), {"--ip", Ip(device), "--port", "60005"});
        return Cli(std::move(arguments));
    }
};

// Settings the terminal takes without answering anything the operation reads:
// the channel's failure is still the command's failure.
TEST_F(PeripheralsCli, ASettingWhoseChannelFailedIsNoSuccess) {
    const std::vector<std::vector<std::string>> commands = {
        {"speakers", "band", "--set", "3"},
        {"speakers", "test", "--speaker", "2"},
        {"speakers", "volume", "--speaker", "3", "--set", "5"},
    };
    const struct {
        int device;
        int exitCode;
        const char* text;
    } devices[] = {{1, 1, "Connect Server Fail"}, {2, 5, "Recv Data Err"}};
    for (const auto& command : commands) {
        const auto delivered = CliAt(0, command);
        EXPECT_EQ(delivered.exitCode, 0) << command[1] << delivered.err;
        EXPECT_NE(delivered.out, "") << command[1];
        for (const auto& d : devices) {
            const auto run = CliAt(d.device, command);
            EXPECT_EQ(run.exitCode, d.exitCode) << command[1] << " " << d.text << run.out << run.err;
            EXPECT_EQ(run.out, "") << command[1] << " " << d.text;
            EXPECT_NE(run.err.find(d.text), std::string::npos) << command[1] << run.err;
        }
    }
    const auto fleet = Cli({"--no-upgrade-check", "speakers", "band", "--set", "4", "--target", Target(0), "--target",
                            Target(1)});
    EXPECT_EQ(fleet.exitCode, 1) << fleet.out << fleet.err;
    const auto lines = Lines(fleet.out);
    ASSERT_EQ(lines.size(), 3u) << fleet.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), Target(0) + "\t成功\t成功\taudiofreq=4"), lines.end()) << fleet.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), Target(1) + "\t失败\tConnect Server Fail"), lines.end()) << fleet.out;
    EXPECT_EQ(lines.back(), "2 devices: 1 succeeded, 1 failed");
}

// A UDP peer on loopback answering the temperature probe with one document.
class ProbeResponder {
public:
    explicit ProbeResponder(std::string answer) : answer_(std::move(answer)) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ProbeResponder() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    ProbeResponder(const ProbeResponder&) = delete;
    ProbeResponder& operator=(const ProbeResponder&) = delete;
    std::string Destination() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    void Serve() {
        char buffer[4096];
        for (int rounds = 0; !stop_ && rounds < 1000; ++rounds) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 20) <= 0) continue;
            sockaddr_in peer{};
            socklen_t length = sizeof peer;
            if (recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&peer), &length) <= 0) continue;
            sendto(fd_, answer_.data(), answer_.size(), 0, reinterpret_cast<sockaddr*>(&peer), length);
        }
    }
    std::string answer_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Device texts in lists: each stays one escaped field of its own row, exact in JSON.
TEST_F(PeripheralsCli, HostileDeviceTextsInListsStayOneField) {
    // The answer's XML condenses raw white space; character references keep it.
    const std::string forgedXml = "A&#10;127.9.9.9:60005&#9;ok&#9;forged=1";
    const std::string match = R"(<?xml version="1.0" encoding="utf-8"?><ProbeMatch><DeviceType>10754052</DeviceType>)"
                              "<DeviceDescription>" + forgedXml + "</DeviceDescription><DeviceSN>SN-1</DeviceSN>"
                              "<SvcPort>60005</SvcPort><IPv4Address>" + forgedXml + "</IPv4Address><MAC>02-AA</MAC>"
                              "</ProbeMatch>";
    ProbeResponder responder(match);
    const std::vector<std::string> probe = {"tempera", "probe", "--bind", "127.0.0.1", "--dest",
                                            responder.Destination(), "--dest", responder.Destination(),
                                            "--wait-ms", "300", "--strict", "0"};
    const struct {
        std::vector<std::string> arguments;
        bool device;           // --ip/--port of device 0 after the two words
        std::size_t rows;      // data rows of the list
        const char* column;    // a JSON column holding the hostile text
        const std::string& forged;
        const std::string& escaped;
    } cases[] = {
        {{"speakers", "list"}, true, 2, "name", kForged, kForgedEscaped},
        {{"amps", "list"}, true, 3, "number", kAsciiForged, kAsciiEscaped},
        {{"amps", "list"}, true, 3, "name", kForged, kForgedEscaped},
        {{"amps", "search"}, true, 2, "ip", kAsciiForged, kAsciiEscaped},
        {probe, false, 1, "ip", kAsciiForged, kAsciiEscaped},
    };
    for (const auto& c : cases) {
        const std::string what = c.arguments[0] + " " + c.arguments[1];
        const auto plain = c.device ? CliAt(0, c.arguments) : Cli(c.arguments);
        ASSERT_EQ(plain.exitCode, 0) << what << plain.err;
        const auto lines = Lines(plain.out);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("127.9.9.9"); }), 0)
            << what << plain.out;
        EXPECT_NE(plain.out.find(c.escaped), std::string::npos) << what << plain.out;
        // The header, then the rows; a single device's values come before them.
        const auto header = std::find_if(lines.begin(), lines.end(),
                                         [](const std::string& l) { return l.find('=') == std::string::npos; });
        EXPECT_EQ(static_cast<std::size_t>(lines.end() - header), c.rows + 1) << what << plain.out;

        std::vector<std::string> json = c.arguments;
        json.insert(json.begin(), "--json");
        const auto run = c.device ? CliAt(0, json, 3) : Cli(json);
        ASSERT_EQ(run.exitCode, 0) << what << run.err;
        const auto document = nlohmann::json::parse(run.out);
        const auto& rows = c.device ? document.at("rows") : document;
        ASSERT_EQ(rows.size(), c.rows) << what << run.out;
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const auto& row) { return row.at(c.column) == c.forged; }))
            << what << run.out;
    }
}

// The exit status of each class of failure, the same for every subcommand.
TEST_F(PeripheralsCli, EveryFailureExitsWithItsClass) {
    const struct {
        int device;
        std::vector<std::string> arguments;
        int exitCode;
        const char* text;  // part of stderr
    } cases[] = {
        {1, {"tempera", "get"}, 1, "Connect Server Fail"},
        {1, {"amps", "list"}, 1, "Connect Server Fail"},
        {2, {"speakers", "list"}, 5, "Recv Data Err"},
        {2, {"amps", "set-class", "--class", "1", "--amp", "AMP2", "--channel", "3"}, 5, "Recv Data Err"},
        {3, {"speakers", "set", "--id", "1", "--numbers", "4"}, 10, "设置失败"},
        {3, {"tempera", "bind", "--tempera-ip", "127.0.0.8"}, 10, "操作失败"},
        {0, {"speakers", "set", "--id", "1", "--numbers", "4,4"}, 9, "出现音箱号重复，请重新输入"},
        {0, {"amps", "list", "--version", "V6.8.226"}, 9, "版本不支持!"},
        {0, {"amps", "set-class", "--class", "77", "--amp", "AMP1", "--channel", "3"}, 9, "no class 77"},
        {0, {"speakers", "set", "--id", "\xe2\x82\xac\xf0\x9f\x98\x80", "--numbers", "4"}, 64, "GBK"},
    };
    for (const auto& c : cases) {
        const auto run = CliAt(c.device, c.arguments);
        const std::string what = c.arguments[0] + " " + c.arguments[1] + " on " + std::to_string(c.device);
        EXPECT_EQ(run.exitCode, c.exitCode) << what << run.out << run.err;
        EXPECT_NE(run.err.find(c.text), std::string::npos) << what << run.err;
    }
    const struct {
        std::vector<std::string> arguments;
        const char* text;
    } usage[] = {
        {{"tempera", "probe", "--dest", "127.0.0.1:1"}, "--dest twice"},
        {{"tempera", "probe", "--dest", "127.0.0.1", "--dest", "127.0.0.1:2"}, "ADDRESS:PORT"},
    };
    for (const auto& u : usage) {
        const auto run = Cli(u.arguments);
        EXPECT_EQ(run.exitCode, 64) << run.err;
        EXPECT_NE(run.err.find(u.text), std::string::npos) << run.err;
    }
}

// Every text the dialog shows is printed, success or not, in order.
TEST_F(PeripheralsCli, TheDialogsTextsArePrinted) {
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> lines;  // stdout, whole
    } cases[] = {
        // Class 1 moves from AMP1 to AMP3; the device keeps the old binding.
        {{"amps", "set-class", "--class", "1", "--amp", "AMP3", "--channel", "2_4"},
         {"netpowerno=AMP3", "channel=2_4", "设置成功，但原关系删除失败!"}},
        {{"tempera", "bind", "--tempera-ip", "127.0.0.9", "--user", "admin"}, {"IP=127.0.0.9", "绑定成功"}},
        {{"tempera", "get"}, {"IP=127.0.0.9", "获取成功"}},
    };
    for (const auto& c : cases) {
        const auto run = CliAt(0, c.arguments);
        EXPECT_EQ(run.exitCode, 0) << c.arguments[1] << run.err;
        EXPECT_EQ(Lines(run.out), c.lines) << c.arguments[1] << run.out;
    }
    const auto json = Cli({"--json", "amps", "set-class", "--ip", Ip(0), "--port", "60005", "--class", "2", "--amp",
                           "AMP3", "--channel", "5"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document.at("messages"), nlohmann::json::array({"设置成功!"}));
    EXPECT_EQ(document.at("values").at("netpowerno"), "AMP3");
}

// Each terminal's own version chooses its page, with many worked on at once.
TEST_F(PeripheralsCli, EachTerminalsVersionChoosesItsPage) {
    const nlohmann::json scan = nlohmann::json::array(
        {{{"IPAddress", Ip(0)}, {"Http Port", "60005"}, {"Version", "V6.8.237"}},
         {{"IPAddress", Ip(3)}, {"Http Port", "60005"}, {"Version", "V6.8.236"}}});
    std::ofstream(dir_ / "scan.json") << scan.dump();
    const auto run = Cli({"--json", "speakers", "list", "--targets-from", (dir_ / "scan.json").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto devices = nlohmann::json::parse(run.out).at("devices");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].at("values").at("places"), "1");
    EXPECT_EQ(devices[0].at("rows").at(0).at("name"), "操场");
    EXPECT_EQ(devices[0].at("rows").at(0).at("className"), "一班");
    EXPECT_EQ(devices[1].at("values").at("places"), "0");
    EXPECT_EQ(devices[1].at("rows").at(1).at("name"), "二班");
    // --version is the same for every device.
    const auto forced = Cli({"--json", "speakers", "list", "--version", "2.3.236", "--targets-from",
                             (dir_ / "scan.json").string()});
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(nlohmann::json::parse(forced.out).at("devices")[0].at("values").at("places"), "0");
}

}  // namespace
}  // namespace ostrand::cli::test

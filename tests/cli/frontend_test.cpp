// Every device subcommand of ostrand-cli through the one front end: against a
// device whose texts try to forge output lines, a device that refuses every
// command with such a text, a silent terminal and an address where nothing
// listens, in the single and the fleet form, plain and --json. One table of
// subcommands, one set of rules: no device text starts a line or a field of
// its own, --json is one JSON document, and each failure class has its exit
// status from the one table (which README and --help both list).

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <atomic>
#include <thread>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A device text that would print a line "FORGED=1" and a field "FORGED" of its
// own, and clear the terminal, if printed raw.
const std::string kHostile = "x\nFORGED=1\tFORGED\x1b[2J\r=y";

enum Device { Hostile, Refusing, Silent, Nobody };
enum Kind { Terminal, Camera };

struct Subcommand {
    std::vector<std::string> words;  // without the device options; "{gw}" is the devices' gateway
    Kind kind;
    // What a device that refuses every command ends it with: the raw commands
    // and the reboot read no "result", and a few reads take the page as it comes.
    std::set<int> refused = {10};
};

const std::set<int> kTakesAnyReply = {0};

// Every device subcommand, with arguments it takes as valid.
const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> table = {
        {{"get", "getnetparam"}, Terminal, kTakesAnyReply},
        {{"get", "getnetparam"}, Camera, kTakesAnyReply},
        {{"post", "setnetparam", "gateway={gw}"}, Camera, kTakesAnyReply},
        {{"reboot"}, Terminal, kTakesAnyReply},
        {{"reboot"}, Camera, kTakesAnyReply},
        {{"sync-time"}, Camera},
        {{"rename", "前台"}, Camera},
        {{"rename", "前台"}, Terminal},
        {{"passwd", "admin", "admin"}, Camera},
        {{"netparam", "get"}, Terminal, kTakesAnyReply},
        {{"netparam", "get"}, Camera, kTakesAnyReply},
        // The refused read leaves the page without an address, which the page's checks refuse.
        {{"netparam", "set", "--gateway", "{gw}"}, Camera, {9}},
        {{"ntp", "get"}, Terminal, kTakesAnyReply},
        {{"serial", "get"}, Terminal, kTakesAnyReply},
        {{"switches", "get"}, Terminal},
        {{"switches", "set", "--debuglog", "on"}, Terminal},
        {{"terminal", "get", "door"}, Terminal},
        {{"terminal", "get", "server"}, Terminal},
        {{"periods", "get"}, Terminal},
        {{"bind-ipc", "get"}, Terminal},
        {{"bind-qr", "get"}, Terminal},
        {{"card", "get"}, Terminal},
        {{"visitors", "search", "--version", "V6.8.240"}, Terminal},
        {{"tempera", "get"}, Terminal},
        {{"speakers", "list"}, Terminal, kTakesAnyReply},
        {{"amps", "list"}, Terminal, kTakesAnyReply},
        {{"camera", "get"}, Camera},
        {{"camera", "status"}, Camera},
        {{"ptz", "stop"}, Camera},
    };
    return table;
}

class FrontEnd : public FleetSuite<FrontEnd> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("frontend_cli");
        const nlohmann::json hostileSettings = {{"devname", kHostile}, {"note\n" + kHostile, kHostile}};
        const nlohmann::json refusing = {{"result", "10001"}, {"errmsg", kHostile}};
        const nlohmann::json fleet = {
            {"base", block_ + "1"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "terminal"}, {"settings", hostileSettings}},                  // .1
                 {{"kind", "camera"}, {"port", 80}, {"settings", hostileSettings}},      // .2
                 {{"kind", "terminal"}, {"faults", refusing}},                           // .3
                 {{"kind", "camera"}, {"port", 80}, {"faults", refusing}},               // .4
                 {{"kind", "terminal"}, {"faults", {{"silent", true}}}},                 // .5
             })}};
        ServeFleet(fleet);
    }
    static std::string Address(Device device, Kind kind) {
        switch (device) {
        case Hostile: return block_ + (kind == Terminal ? "1" : "2");
        case Refusing: return block_ + (kind == Terminal ? "3" : "4");
        case Silent: return block_ + "5";
        case Nobody: return block_ + "9";
        }
        return {};
    }
    static std::string Port(Kind kind) { return kind == Terminal ? "60005" : "80"; }
    static void AddWords(std::vector<std::string>& arguments, const Subcommand& subcommand) {
        for (const std::string& word : subcommand.words) {
            arguments.push_back(word == "{gw}" ? block_ + "254" : word);
            if (word.ends_with("={gw}")) arguments.back() = word.substr(0, word.size() - 4) + block_ + "254";
        }
    }
};

std::string Shown(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& word : arguments) line += (line.empty() ? "" : " ") + word;
    return line;
}

// No line and no tab-separated field of the output starts with the forged
// text, and no control character but the line feed and the tab is printed.
void ExpectNoForgedLine(const std::string& output, const std::string& what) {
    for (const char c : output) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_FALSE((byte < 0x20 && c != '\n' && c != '\t') || byte == 0x7f)
            << what << ": control byte " << static_cast<int>(byte) << " in\n" << output;
    }
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            EXPECT_NE(field.rfind("FORGED", 0), 0u) << what << ": forged field in line \"" << line << "\"";
        }
    }
}

struct Run {
    std::vector<std::string> arguments;
    ProcessResult result;
};

// Runs the command lines on a bounded number of threads, in order, so the
// ones given first (those a silent device holds for its whole wait) overlap.
std::vector<Run> RunAll(const std::vector<std::vector<std::string>>& commandLines) {
    constexpr std::size_t kAtOnce = 48;
    std::vector<Run> runs(commandLines.size());
    std::atomic<std::size_t> next{0};
    {
        std::vector<std::jthread> pool;
        for (std::size_t t = 0; t < std::min(kAtOnce, commandLines.size()); ++t) {
            pool.emplace_back([&] {
                for (std::size_t i = next++; i < commandLines.size(); i = next++) {
                    runs[i] = Run{commandLines[i], RunCli(commandLines[i], 120s)};
                }
            });
        }
    }
    return runs;
}

TEST_F(FrontEnd, EverySubcommandEscapesDeviceTextAndExitsByFailureClass) {
    struct Expectation {
        Device device;
        std::set<int> statuses;  // the exit statuses this class may end with
    };
    const std::vector<Expectation> classes = {
        {Silent, {5}},  // first: these runs take the channel's whole wait
        {Hostile, {0}},
        {Refusing, {10}},
        {Nobody, {1}},
    };
    std::vector<std::vector<std::string>> lines;
    std::vector<std::pair<std::set<int>, bool>> expected;  // statuses, json
    for (const Expectation& expectation : classes) {
        for (const Subcommand& subcommand : Subcommands()) {
            if (expectation.device == Silent && subcommand.kind == Camera) continue;
            for (const bool json : {false, true}) {
                std::vector<std::string> arguments;
                if (json) arguments.push_back("--json");
                AddWords(arguments, subcommand);
                arguments.insert(arguments.end(), {"--ip", Address(expectation.device, subcommand.kind), "--port",
                                                   Port(subcommand.kind)});
                lines.push_back(std::move(arguments));
                std::set<int> statuses = expectation.statuses;
                if (expectation.device == Refusing) statuses = subcommand.refused;
                // Over HTTP a connection that fails is a failed HTTP exchange.
                if (expectation.device == Nobody && subcommand.kind == Camera) statuses = {10};
                expected.emplace_back(statuses, json);
            }
        }
    }
    const auto runs = RunAll(lines);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& run = runs[i];
        const std::string what = Shown(run.arguments);
        const auto& [statuses, json] = expected[i];
        EXPECT_TRUE(statuses.contains(run.result.exitCode))
            << what << ": exit " << run.result.exitCode << "\nout: " << run.result.out << "\nerr: " << run.result.err;
        ExpectNoForgedLine(run.result.err, what + " (stderr)");
        if (json) {
            const auto document = nlohmann::json::parse(run.result.out, nullptr, false);
            EXPECT_FALSE(document.is_discarded()) << what << ": not one JSON document:\n" << run.result.out;
        } else {
            ExpectNoForgedLine(run.result.out, what);
        }
    }
}

TEST_F(FrontEnd, EverySubcommandTakesTheFleetFormWithALinePerDevice) {
    std::vector<std::vector<std::string>> lines;
    std::vector<const Subcommand*> of;
    for (const Subcommand& subcommand : Subcommands()) {
        for (const bool json : {false, true}) {
            std::vector<std::string> arguments;
            if (json) arguments.push_back("--json");
            AddWords(arguments, subcommand);
            for (const Device device : {Hostile, Refusing, Nobody}) {
                arguments.insert(arguments.end(),
                                 {"--target", Address(device, subcommand.kind) + ":" + Port(subcommand.kind)});
            }
            lines.push_back(std::move(arguments));
            of.push_back(&subcommand);
        }
    }
    const auto runs = RunAll(lines);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& run = runs[i];
        const Subcommand& subcommand = *of[i];
        const std::string what = Shown(run.arguments);
        const bool json = run.arguments.front() == "--json";
        // The first device that failed, in the order given, decides the exit status.
        // A command that changes the device asks first whether a kernel upgrade
        // runs; a reply without "updateStatus" counts as busy (10), as in the window.
        const std::set<std::string> changing = {"post", "reboot", "sync-time", "rename", "passwd"};
        const bool changes = changing.contains(subcommand.words[0]) ||
                             (subcommand.words.size() > 1 && subcommand.words[1] == "set");
        const bool refusalFails = changes || !subcommand.refused.contains(0);
        const int nobody = subcommand.kind == Terminal ? 1 : 10;
        const int status = changes ? 10 : refusalFails ? *subcommand.refused.begin() : nobody;
        const int succeeded = refusalFails ? 1 : 2;
        EXPECT_EQ(run.result.exitCode, status) << what << "\nout: " << run.result.out << "\nerr: " << run.result.err;
        if (json) {
            const auto document = nlohmann::json::parse(run.result.out, nullptr, false);
            ASSERT_TRUE(document.is_object()) << what << ":\n" << run.result.out;
            ASSERT_EQ(document.at("devices").size(), 3u) << what;
            EXPECT_EQ(document.at("succeeded"), succeeded) << what;
            EXPECT_EQ(document.at("devices")[2].at("result"), nobody) << what;
            continue;
        }
        ExpectNoForgedLine(run.result.out, what);
        const std::string summary =
            "3 devices: " + std::to_string(succeeded) + " succeeded, " + std::to_string(3 - succeeded) + " failed\n";
        EXPECT_NE(run.result.out.find(summary), std::string::npos) << what << ":\n" << run.result.out;
        const std::string deadLine = Address(Nobody, subcommand.kind) + ":" + Port(subcommand.kind) + "\t失败\t";
        EXPECT_NE(run.result.out.find(deadLine), std::string::npos) << what << ":\n" << run.result.out;
    }
}

TEST_F(FrontEnd, TargetRowsThatCannotBeReachedAreFailedLinesOfTheirOwn) {
    const nlohmann::json scan = nlohmann::json::array({
        {{"IPAddress", Address(Hostile, Terminal)}, {"Http Port", "60005"}},
        {{"IPAddress", "127.0.0.77"}, {"Http Port", "0"}},  // found only by the HDS search
        {{"Http Port", "80"}},
        {{"IPAddress", Address(Hostile, Terminal)}, {"Http Port", "60005"}},  // the same device again
    });
    const fs::path file = dir_ / "scan.json";
    std::ofstream(file) << scan.dump();
    // Through a pipe, read once, as from a regular file.
    const auto result = RunProcess({"/bin/sh", "-c",
                                    std::string("cat '") + file.string() + "' | '" + OSTRAND_CLI_PATH +
                                        "' netparam get --targets-from /dev/stdin"},
                                   30s);
    EXPECT_EQ(result.exitCode, 9) << result.out << result.err;
    EXPECT_NE(result.out.find("127.0.0.77\t失败\tno command port: found only by the HDS search\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("row 3\t失败\tno IP address\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("3 devices: 1 succeeded, 2 failed\n"), std::string::npos) << result.out;
}

TEST_F(FrontEnd, UsageErrorsExit64WithTheSubcommandsUsageBeforeAnythingIsSent) {
    const std::string device = Address(Hostile, Camera);
    const std::vector<std::vector<std::string>> cases = {
        {"rename", "--ip", device, "--port", "80", "\xF0\x9F\x98\x80"},  // GBK cannot hold it
        {"netparam", "get", "--ip", device},                             // no --port
        {"get", "--ip", device, "--port", "80", "--target", device + ":80", "getnetparam"},
        {"get", "--target", device, "getnetparam"},  // not IP:PORT
        {"get", "--targets-from", (dir_ / "missing.json").string(), "getnetparam"},
        {"no-such-command"},
    };
    for (const auto& arguments : cases) {
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 64) << Shown(arguments) << "\n" << result.err;
        EXPECT_TRUE(result.out.empty()) << Shown(arguments) << "\n" << result.out;
        EXPECT_NE(result.err.find("ostrand-cli: "), std::string::npos) << Shown(arguments) << "\n" << result.err;
    }
}

// README's exit table, --help's and the one the tool decides with are the same rows.
TEST(FrontEndHelp, ReadmeAndHelpListTheSameExitTable) {
    std::ifstream readme(fs::path(OSTRAND_SOURCE_DIR) / "README.md");
    ASSERT_TRUE(readme) << "README.md";
    std::map<int, std::string> readmeRows;
    const std::regex row(R"(^\| (\d+) \| (.+) \|$)");
    std::string line;
    bool inTable = false;
    while (std::getline(readme, line)) {
        if (line == "| status | meaning |") inTable = true;
        if (!inTable) continue;
        std::smatch match;
        if (std::regex_match(line, match, row)) readmeRows[std::stoi(match[1])] = match[2];
        if (line.empty() && !readmeRows.empty()) break;
    }
    const auto help = RunCli({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    std::map<int, std::string> helpRows;
    const std::regex helpRow(R"(^  (\d+) +(.+)$)");
    std::istringstream lines(help.out.substr(help.out.find("Exit status:")));
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_match(line, match, helpRow)) helpRows[std::stoi(match[1])] = match[2];
    }
    EXPECT_EQ(readmeRows, helpRows);
    EXPECT_EQ(helpRows.size(), 12u);
}

}  // namespace
}  // namespace ostrand::cli::test

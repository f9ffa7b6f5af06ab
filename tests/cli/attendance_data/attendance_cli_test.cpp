// ostrand-cli attendance users/records against a running ostrand-devsim.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct CsvCase {
    std::int32_t number;
    const char* card;
    const char* name;
    const char* line;  // the CSV line of the user
};
// The number column is the tool's own: never guarded. A card number or a name
// is guarded only when a spreadsheet would evaluate it as a formula.
constexpr CsvCase kCsvCases[] = {
    {-7, "+8613800000000", "-7", "-7,+8613800000000,-7\r\n"},
    {3, "-5", "+1.5", "3,-5,+1.5\r\n"},
    {4, "=1+2", "@SUM(A1)", "4,'=1+2,'@SUM(A1)\r\n"},
    {5, "+1-2", "-cmd|' /C calc'!A0", "5,'+1-2,'-cmd|' /C calc'!A0\r\n"},
    {6, "9", "=A1,B1", "6,9,\"'=A1,B1\"\r\n"},
};

// A user record whose name carries the characters the output formats must escape.
std::string UserRecord(std::int32_t number, const std::string& card, const std::string& name) {
    std::string record(100, '\0');
    std::memcpy(record.data(), &number, 4);
    std::memcpy(record.data() + 4, card.data(), card.size());
    std::memcpy(record.data() + 44, name.data(), name.size());
    return record;
}

class AttendanceDataCli : public FleetSuite<AttendanceDataCli> {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);  // the children show record times in UTC
        OpenFleet("attendance_cli");
        std::ofstream(dir_ / "users.bin", std::ios::binary)
            << std::string("\1\0\0\0", 4) + UserRecord(1, "7", "a\tb,\"c\"") + UserRecord(2, "8", "x\x01y");
        // Cells a spreadsheet would evaluate, and numbers it would only read.
        std::string guarded = std::string("\1\0\0\0", 4);
        for (const CsvCase& c : kCsvCases) guarded += UserRecord(c.number, c.card, c.name);
        std::ofstream(dir_ / "guarded.bin", std::ios::binary) << guarded;
        std::ofstream(dir_ / "empty.bin", std::ios::binary) << "";

        const nlohmann::json fleet = {
            {"base", block_ + "21"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "terminal"},
                  {"state", {{"attendance_data", {{"users", 12}, {"records", 300}, {"interval", 3600},
                                                  {"names", "mixed"}, {"emptyCardEvery", 5}}}}}},
                 {{"kind", "terminal"}, {"exports", {{"4", {{"file", (dir_ / "users.bin").string()}}}}}},
                 {{"kind", "terminal"},
                  {"state", {{"attendance_data", {{"users", 2}, {"records", 5}, {"failRecords", true}}}}}},
                 {{"kind", "terminal"}, {"exports", {{"4", {{"file", (dir_ / "guarded.bin").string()}}}}}},
                 {{"kind", "terminal"}, {"exports", {{"4", {{"file", (dir_ / "empty.bin").string()}}}}}},
             })}};
        ServeFleet(fleet);
    }
    static ProcessResult Cli(int device, const std::string& mac, std::vector<std::string> arguments) {
        const std::vector<std::string> target = {"--ip", block_ + std::to_string(20 + device), "--port",
                                                 "60005", "--mac", mac, "--data-dir", (dir_ / "data").string()};
        arguments.insert(arguments.end(), target.begin(), target.end());
        return RunCli(std::move(arguments));
    }
};

TEST_F(AttendanceDataCli, UsersInThreeFormats) {
    const auto plain = Cli(1, "00A1B2C3D4E1", {"attendance", "users"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const auto lines = Lines(plain.out);
    ASSERT_EQ(lines.size(), 11u);  // the header line; two of twelve users have no card number
    EXPECT_EQ(lines[0], "number\tcardNo\tname");
    EXPECT_EQ(lines[1], "1\t1\t张伟伟");
    EXPECT_EQ(lines[2], "2\t2\t王伟");  // a GBK name, printed in UTF-8

    const auto escaped = Cli(2, "00A1B2C3D4E2", {"--no-header", "attendance", "users"});
    ASSERT_EQ(escaped.exitCode, 0) << escaped.err;
    EXPECT_EQ(escaped.out, "1\t7\ta\\tb,\"c\"\n2\t8\tx\\x01y\n");

    const auto csv = Cli(2, "00A1B2C3D4E2", {"attendance", "users", "--csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(csv.out, "序号,卡号,持卡人姓名\r\n1,7,\"a\tb,\"\"c\"\"\"\r\n2,8,x\x01y\r\n");

    const auto json = Cli(2, "00A1B2C3D4E2", {"--json", "attendance", "users"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document.at("rows").size(), 2u);
    EXPECT_EQ(document.at("rows")[0].at("number"), "1");
    EXPECT_EQ(document.at("rows")[0].at("name"), "a\tb,\"c\"");

    EXPECT_EQ(Cli(2, "00A1B2C3D4E2", {"--json", "attendance", "users", "--csv"}).exitCode, 64);
}

TEST_F(AttendanceDataCli, ALowerCaseMacNamesTheSameFolderAsTheList) {
    ASSERT_EQ(Cli(1, "00A1B2C3D4EA", {"attendance", "users"}).exitCode, 0);
    const auto lower = Cli(1, "00a1b2c3d4ea", {"attendance", "users"});
    ASSERT_EQ(lower.exitCode, 0) << lower.err;
    EXPECT_TRUE(fs::exists(dir_ / "data" / "00A1B2C3D4EA" / "userinfo"));
    EXPECT_FALSE(fs::exists(dir_ / "data" / "00a1b2c3d4ea"));
}

TEST_F(AttendanceDataCli, CsvGuardsOnlyTextCellsThatAreFormulas) {
    const auto csv = Cli(4, "00A1B2C3D4E4", {"attendance", "users", "--csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    std::string expected = "序号,卡号,持卡人姓名\r\n";
    for (const CsvCase& c : kCsvCases) expected += c.line;
    EXPECT_EQ(csv.out, expected);
}

// Whatever a device's run ends with, --json prints exactly one JSON document.
TEST_F(AttendanceDataCli, JsonIsAlwaysOneDocument) {
    struct Case {
        int device;
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;  // one of the texts inside the document
    };
    const std::vector<std::string> noRecords = {"attendance", "records", "--from", "2030-01-01", "--to", "2030-01-02"};
    const Case cases[] = {
        {5, {"attendance", "users"}, 10, "读取用户信息文件异常!"},  // an empty user file
        {1, noRecords, 0, "对不起，没有找到符合条件的记录!"},
        {3, {"attendance", "records", "--from", "2024-03-01", "--to", "2024-03-02"}, 10, "下载打卡记录文件失败!"},
        {9, {"attendance", "users"}, 1, "下载用户信息文件失败!"},  // nobody there
    };
    for (const Case& c : cases) {
        auto arguments = c.arguments;
        arguments.insert(arguments.begin(), "--json");
        const auto run = Cli(c.device, "00A1B2C3D4E" + std::to_string(c.device), arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.device << run.err;
        const auto document = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(document.is_object()) << c.device << ": " << run.out;
        const auto& messages = document.at("messages");
        EXPECT_NE(std::find(messages.begin(), messages.end(), c.message), messages.end()) << document.dump();
    }
}

TEST_F(AttendanceDataCli, RecordsByCardLatestFirst) {
    const auto result = Cli(1, "00A1B2C3D4E1",
                            {"attendance", "records", "--from", "2024-03-01", "--to", "2024-03-02", "--card",
                             "9", "--card", "10", "--card", "11"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Card "11" sorts before "9"; user 10 has no card; each card latest first.
    EXPECT_EQ(result.out,
              "serial\tcardNo\tname\tstatus\ttime\n"
              "1\t11\t徐伟\t签退\t2024-03-02 14:00:00\n"
              "2\t11\t徐伟\t签退\t2024-03-02 02:00:00\n"
              "3\t11\t徐伟\t签退\t2024-03-01 14:00:00\n"
              "4\t11\t徐伟\t签退\t2024-03-01 02:00:00\n"
              "5\t9\t周伟\t签到\t2024-03-02 16:00:00\n"
              "6\t9\t周伟\t签到\t2024-03-02 04:00:00\n"
              "7\t9\t周伟\t签到\t2024-03-01 16:00:00\n"
              "8\t9\t周伟\t签到\t2024-03-01 04:00:00\n");

    const auto csv = Cli(1, "00A1B2C3D4E1",
                         {"attendance", "records", "--csv", "--from", "2024-03-01", "--to", "2024-03-01"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    EXPECT_EQ(Lines(csv.out).front(), "序号,卡号,持卡人,出勤状态,时间\r");

    // Nothing found is an answer: exit 0, the header line and the dialog's text.
    const auto none = Cli(1, "00A1B2C3D4E1", {"attendance", "records", "--from", "2030-01-01", "--to", "2030-01-02"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "serial\tcardNo\tname\tstatus\ttime\n对不起，没有找到符合条件的记录!\n");
}

TEST_F(AttendanceDataCli, FailuresExitWithTheirStatus) {
    const auto failed = Cli(3, "00A1B2C3D4E3", {"attendance", "records", "--from", "2024-03-01", "--to", "2024-03-02"});
    EXPECT_EQ(failed.exitCode, 10);
    EXPECT_NE(failed.err.find("下载打卡记录文件失败!"), std::string::npos);

    const auto badDate = Cli(1, "00A1B2C3D4E1", {"attendance", "records", "--from", "2024-3-1", "--to", "2024-03-02"});
    EXPECT_EQ(badDate.exitCode, 64);
}

// Several terminals at once: each in its own folder under --data-dir, named
// by the MAC of its row; a dead one fails on its own line.
TEST_F(AttendanceDataCli, FleetFormListsEveryDevicesRowsUnderItsAddress) {
    const nlohmann::json scan = nlohmann::json::array({
        {{"IPAddress", block_ + "22"}, {"Http Port", "60005"}, {"MacAddress", "00A1B2C3D4F2"}},
        {{"IPAddress", block_ + "29"}, {"Http Port", "60005"}, {"MacAddress", "00A1B2C3D4F9"}},
    });
    std::ofstream(dir_ / "targets.json") << scan.dump();
    const fs::path data = dir_ / "fleet_data";
    const auto run = RunCli({"attendance", "users", "--targets-from", (dir_ / "targets.json").string(),
                             "--data-dir", data.string()});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const std::string good = block_ + "22:60005";
    for (const std::string& line : {good + "\t成功\t成功", std::string("address\tnumber\tcardNo\tname"),
                                    good + "\t1\t7\ta\\tb,\"c\"", good + "\t2\t8\tx\\x01y",
                                    block_ + "29:60005\t失败\tConnect Server Fail; Connect Server Fail，Export Fail; "
                                                        "下载用户信息文件失败!",
                                    std::string("2 devices: 1 succeeded, 1 failed")}) {
        EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    }
    EXPECT_TRUE(fs::exists(data / "00A1B2C3D4F2" / "userinfo"));
    // --mac names one folder: it cannot serve several devices.
    EXPECT_EQ(RunCli({"attendance", "users", "--targets-from", (dir_ / "targets.json").string(), "--mac",
                      "00A1B2C3D4F2", "--data-dir", data.string()})
                  .exitCode,
              64);
}

}  // namespace
}  // namespace ostrand::cli::test

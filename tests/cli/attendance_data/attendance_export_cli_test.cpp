// ostrand-cli attendance users/records --export against a running
// ostrand-devsim, the files read back by xlrd.

#include <gtest/gtest.h>
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

constexpr const char* kMac = "00A1B2C3D4F1";

class AttendanceExportCli : public FleetSuite<AttendanceExportCli> {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        OpenFleet("attendance_export_cli");
        ip_ = block_ + "31";
        fs::create_directories(dir_ / "out");
        const nlohmann::json fleet = {
            {"base", ip_},
            {"devices", nlohmann::json::array({{{"kind", "terminal"},
                                                {"state", {{"attendance_data", {{"users", 12}, {"records", 300},
                                                                                {"interval", 3600}}}}}}})}};
        ServeFleet(fleet);
    }
    static ProcessResult Cli(std::vector<std::string> arguments) {
        const std::vector<std::string> target = {"--ip", ip_, "--port", "60005", "--mac", kMac,
                                                 "--data-dir", (dir_ / "data").string()};
        arguments.insert(arguments.end(), target.begin(), target.end());
        return RunCli(std::move(arguments));
    }

    // Row count, then the first data row, as xlrd reads them.
    static std::string Read(const std::string& path) {
        const auto result = RunProcess({"/usr/bin/python3", "-c",
                                        "import sys, xlrd\n"
                                        "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                        "print(s.nrows, '|'.join(str(v) for v in s.row_values(1)))",
                                        path},
                                       30s);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }

    static inline std::string ip_;
};

TEST_F(AttendanceExportCli, UsersAndRecordsToWorkbooks) {
    const auto users = Cli({"attendance", "users", "--export", (dir_ / "out" / "users").string()});
    ASSERT_EQ(users.exitCode, 0) << users.err;
    // The file written as a value, then the dialog's text.
    ASSERT_EQ(users.out.rfind("file1=", 0), 0u) << users.out;
    const std::string usersFile = users.out.substr(6, users.out.find('\n') - 6);
    EXPECT_EQ(usersFile.rfind((dir_ / "out" / "users_").string(), 0), 0u) << usersFile;
    EXPECT_EQ(users.out, "file1=" + usersFile + "\n向" + usersFile + "写入数据成功!\n");
    EXPECT_EQ(users.err, "");
    EXPECT_EQ(Read(usersFile), "13 1.0|1|张伟伟\n");

    const auto records = Cli({"--json", "attendance", "records", "--from", "2024-03-01", "--to", "2024-03-02",
                              "--card", "11", "--export", (dir_ / "out" / "records.xls").string()});
    ASSERT_EQ(records.exitCode, 0) << records.err;
    const auto document = nlohmann::json::parse(records.out);
    const auto files = document.at("files");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(document.at("values").at("file1"), files[0]);
    EXPECT_EQ(Read(files[0].get<std::string>()), "5 1.0|11|徐伟|签退|2024-03-02 14:00:00\n");
}

TEST_F(AttendanceExportCli, RefusalsWriteNothing) {
    const auto gone = Cli({"attendance", "users", "--export", (dir_ / "missing" / "users").string()});
    EXPECT_EQ(gone.exitCode, 10);
    EXPECT_EQ(gone.err, "向Excel写入数据失败!\n");
    EXPECT_FALSE(fs::exists(dir_ / "missing"));

    // Nothing found is an answer (exit 0, as without --export); no workbook is written.
    const auto none = Cli({"attendance", "records", "--from", "2030-01-01", "--to", "2030-01-02", "--export",
                           (dir_ / "out" / "none").string()});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "对不起，没有找到符合条件的记录!\n");

    EXPECT_EQ(Cli({"attendance", "users", "--csv", "--export", (dir_ / "out" / "x").string()}).exitCode, 64);
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
        EXPECT_EQ(entry.path().filename().string().rfind("none", 0), std::string::npos);
        EXPECT_EQ(entry.path().filename().string().rfind("x_", 0), std::string::npos);
    }
}

}  // namespace
}  // namespace ostrand::cli::test

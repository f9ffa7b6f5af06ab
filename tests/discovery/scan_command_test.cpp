// "ostrand-cli scan" against simulated devices on loopback.

#include "cli/scan_command.h"

#include "cli/device_report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "sim_devices.h"

namespace ostrand {
namespace {

using testing::ResponderThread;
using testing::SimRecord;

class ScanCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto terminal = SimRecord("127.0.4.2", 1);
        SetFieldText(terminal.deviceName, "\xC3\xC5\xBD\xFB");  // GBK "门禁" for a port-60005 device
        entries = {{"127.0.4.1", SimRecord("127.0.4.1", 0), {}}, {"127.0.4.2", terminal, {}}};
        devices = std::make_unique<ResponderThread>(
            sim::DiscoveryResponderConfig{.bindAddress = "127.0.0.1", .scanPort = 0, .hdsPort = 0, .group = ""},
            entries);
        std::string error;
        ASSERT_TRUE(devices->Start(&error)) << error;
        options.flags = 0;
        // The pass ends after this much silence; on a loaded machine the
        // devices' thread may need a good part of it before it answers.
        options.waitMs = 500;
        options.bindAddresses = {"127.0.0.1"};
        options.destinations = {"127.0.0.1:" + std::to_string(devices->Responder().ScanPort())};
        options.hdsDestination = "127.0.0.1:" + std::to_string(devices->Responder().HdsPort());
    }

    std::vector<sim::DiscoveryEntry> entries;
    std::unique_ptr<ResponderThread> devices;
    ScanCommandOptions options;
    std::ostringstream out, err;
};

TEST_F(ScanCommandTest, PrintsTheNineteenCellsOfEveryRowInUtf8) {
    ASSERT_EQ(RunScanCommand(options, out, err), 0) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::istringstream parts(line);
        for (std::string cell; std::getline(parts, cell, '\t');) cells.push_back(cell);
        if (!line.empty() && line.back() == '\t') cells.emplace_back();
        rows.push_back(cells);
    }
    // The header line first (the headers --json keys rows by), then one line per row.
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], ScanColumns());
    EXPECT_EQ(rows[0][0], "Num");
    EXPECT_EQ(rows[0][18], "Http Port");
    rows.erase(rows.begin());
    ASSERT_EQ(rows[0].size(), 19u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1], "否");
    EXPECT_EQ(rows[0][10], "127.0.4.1");
    EXPECT_EQ(rows[0][13], "02AA00000000");
    EXPECT_EQ(rows[0][17], "1.0.0.0-V2.1.0");
    EXPECT_EQ(rows[0][18], "80");
    EXPECT_EQ(rows[1][1], "是(考勤机)");
    EXPECT_EQ(rows[1][2], "门禁");
    EXPECT_EQ(rows[1][18], "60005");
}

TEST_F(ScanCommandTest, NoHeaderLeavesOnlyTheRows) {
    options.header = false;
    ASSERT_EQ(RunScanCommand(options, out, err), 0) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("1\t", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(ScanCommandTest, JsonIsKeyedByTheEnglishHeaders) {
    options.json = true;
    ASSERT_EQ(RunScanCommand(options, out, err), 0) << err.str();
    const auto rows = nlohmann::json::parse(out.str());
    ASSERT_TRUE(rows.is_array());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1]["IPAddress"], "127.0.4.2");
    EXPECT_EQ(rows[1]["Device Name"], "门禁");
    EXPECT_EQ(rows[1]["是否考勤设备"], "是(考勤机)");
    EXPECT_EQ(rows[0]["Num"], "1");
    EXPECT_EQ(rows[0].size(), 19u);
}

TEST_F(ScanCommandTest, BadDestinationIsRefusedBeforeAnythingIsSent) {
    options.destinations = {"255.255.255.255"};
    // A usage error: the front end prints it with the subcommand's usage and exits 64.
    try {
        RunScanCommand(options, out, err);
        ADD_FAILURE() << "a bad destination was taken";
    } catch (const cli::UsageError& error) {
        EXPECT_NE(std::string(error.what()).find("--dest"), std::string::npos);
    }
    EXPECT_EQ(devices->Responder().ScanRequests(), 0u);
}

}  // namespace
}  // namespace ostrand

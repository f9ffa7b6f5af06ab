// The device list written to .xls and .csv: which rows and headers go out, the
// CSV cell rules, and the workbook as a spreadsheet reader sees it.

#include "ops/shell/device_list_export.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "devices/device_table.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

std::string G(std::string_view utf8) { return Utf8ToGbk(utf8).value(); }

DeviceRecord Device(std::string_view gbkName, std::string_view number, std::int32_t attendType) {
    DeviceRecord r;
    SetFieldText(r.deviceName, gbkName);  // the TCP channel's devices name themselves in GBK
    SetFieldText(r.deviceNumber, number);
    SetFieldText(r.ip, "192.168.1.10");
    r.attendType = attendType;
    r.commandPort = 60005;
    return r;
}

std::unique_ptr<DeviceTable> Fleet() {
    auto table = std::make_unique<DeviceTable>();
    table->Append(Device(G("前门考勤"), "D001", 1));
    table->Append(Device("cam,\"west\"", "D002", 0));
    table->Append(Device(G("=HYPERLINK(\"x\")"), "D003", 2));
    return table;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ListExportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ostrand-list-export-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Every row of the first sheet as xlrd reads it, and the sheet's name.
    static nlohmann::json ReadWithXlrd(const fs::path& path) {
        const std::string command =
            "/usr/bin/python3 -c 'import sys, json, xlrd\n"
            "b = xlrd.open_workbook(sys.argv[1])\n"
            "s = b.sheet_by_index(0)\n"
            "print(json.dumps({\"name\": s.name, \"rows\": [s.row_values(i) for i in range(s.nrows)]}))' " +
            path.string() + " 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
        std::string out;
        char buffer[4096];
        while (pipe && fgets(buffer, sizeof buffer, pipe.get()) != nullptr) out += buffer;
        return nlohmann::json::parse(out, nullptr, false);
    }

    fs::path dir_;
};

TEST(ListSheet, HoldsTheShownRowsUnderTheGivenHeadersInUtf8) {
    const auto table = Fleet();
    struct Case {
        const char* what;
        ListFilter filter;
        std::function<bool(int)> shown;
        std::vector<std::string> numbers;  // column 3 of the exported rows, in order
    };
    const Case cases[] = {
        {"all rows", ListFilter::All, {}, {"D001", "D002", "D003"}},
        {"the attendance filter leaves out cameras", ListFilter::Attendance, {}, {"D001", "D003"}},
        {"hidden rows stay out", ListFilter::All, [](int row) { return row != 1; }, {"D001", "D003"}},
        {"nothing shown: only the header", ListFilter::All, [](int) { return false; }, {}},
    };
    for (const Case& c : cases) {
        DeviceList list;
        list.SetFilter(c.filter);
        list.FillDeviceList(*table, table->count);
        const ListSheet sheet = BuildListSheet(list, DeviceColumnHeaders(HeaderSet::Initial), c.shown);
        ASSERT_EQ(sheet.headers.size(), 19u) << c.what;
        EXPECT_EQ(sheet.headers[2], "设备名") << c.what;
        EXPECT_EQ(sheet.headers[18], "Http端口") << c.what;
        std::vector<std::string> numbers;
        for (const auto& row : sheet.rows) {
            ASSERT_EQ(row.size(), 19u) << c.what;
            numbers.push_back(row[kColDeviceNumber]);
        }
        EXPECT_EQ(numbers, c.numbers) << c.what;
        if (!sheet.rows.empty() && c.numbers.front() == "D001") {
            EXPECT_EQ(sheet.rows.front()[kColDeviceName], "前门考勤") << c.what;  // GBK cell converted
        }
    }
}

TEST(ListSheet, FormatFollowsTheExtension) {
    const std::pair<const char*, std::optional<ListFileFormat>> cases[] = {
        {"a/list.csv", ListFileFormat::Csv},       {"list.CSV", ListFileFormat::Csv},
        {"list.xls", ListFileFormat::Workbook},    {"list.XLS", ListFileFormat::Workbook},
        {"list.txt", std::nullopt},                {"list", std::nullopt},
        {"list.csv.bak", std::nullopt},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(ListFormatForPath(name), format) << name;
}

TEST(ListSheet, CsvQuotesSeparatorsAndDisarmsFormulas) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "plain"},
        {"前门", "前门"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"=1+2", "'=1+2"},
        {"+1", "+1"},  // plain numbers are read as numbers, never run
        {"-1", "-1"},
        {"+1+cmd", "'+1+cmd"},
        {"-1.5.2", "'-1.5.2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"=A1,B1", "\"'=A1,B1\""},
        {"1-2", "1-2"},
        {"", ""},
    };
    for (const auto& [cell, field] : cases) {
        const ListSheet sheet{{"h"}, {{cell}}};
        EXPECT_EQ(ListSheetCsv(sheet), std::string("\xEF\xBB\xBFh\r\n") + field + "\r\n") << cell;
    }
}

TEST_F(ListExportFiles, BothFormatsCarryHeaderAndRows) {
    const auto table = Fleet();
    DeviceList list;
    list.FillDeviceList(*table, table->count);
    const ListSheet sheet = BuildListSheet(list, DeviceColumnHeaders(HeaderSet::English));

    const fs::path csv = dir_ / "list.csv";
    ASSERT_EQ(SaveListSheet(sheet, csv, ListFileFormat::Csv), "");
    const std::string text = ReadAll(csv);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBFNum,是否考勤设备,Device Name,", 0), 0u) << text;
    EXPECT_NE(text.find(",\"cam,\"\"west\"\"\",D002,"), std::string::npos) << text;
    EXPECT_NE(text.find(",\"'=HYPERLINK(\"\"x\"\")\",D003,"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);

    const fs::path xls = dir_ / "list.xls";
    ASSERT_EQ(SaveListSheet(sheet, xls, ListFileFormat::Workbook), "");
    const nlohmann::json read = ReadWithXlrd(xls);
    ASSERT_FALSE(read.is_discarded()) << "xlrd could not read the workbook";
    EXPECT_EQ(read["name"], "设备列表");
    ASSERT_EQ(read["rows"].size(), 4u);
    for (std::size_t col = 0; col < 19; ++col) EXPECT_EQ(read["rows"][0][col], sheet.headers[col]) << col;
    for (std::size_t row = 0; row < sheet.rows.size(); ++row) {
        for (std::size_t col = 0; col < 19; ++col) {
            // The workbook keeps the cell as it is: no formula guard is needed there.
            EXPECT_EQ(read["rows"][row + 1][col], sheet.rows[row][col]) << row << "/" << col;
        }
    }
}

TEST_F(ListExportFiles, FailedWriteLeavesNothingAndKeepsTheOldFile) {
    const ListSheet sheet{{"h"}, {{"v"}}};
    EXPECT_EQ(SaveListSheet(sheet, dir_ / "missing" / "list.xls", ListFileFormat::Workbook), "创建文件失败!");
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    // A full sheet cannot hold more rows than 16-bit row numbers reach.
    ListSheet huge{{"h"}, std::vector<std::vector<std::string>>(65536, {"v"})};
    std::ofstream(dir_ / "old.xls") << "old";
    EXPECT_NE(SaveListSheet(huge, dir_ / "old.xls", ListFileFormat::Workbook), "");
    EXPECT_EQ(ReadAll(dir_ / "old.xls"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ostrand

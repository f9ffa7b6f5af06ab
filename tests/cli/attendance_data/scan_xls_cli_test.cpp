// "ostrand-cli scan --xls": the printed rows also go to a workbook, and a
// workbook that cannot be written is a failure, not a silent success.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(ScanToWorkbook, WritesTheHeaderRowOrFailsWithTheReason) {
    const fs::path dir = fs::path(testing::TempDir()) / ("scan_xls_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A destination nobody answers on: the list is empty, the file still has
    // its header row.
    const std::vector<std::string> scan = {OSTRAND_CLI_PATH, "scan", "--flags", "0", "--wait-ms", "100",
                                           "--dest", ProcessAddressBlock() + "9:9"};
    struct Case {
        fs::path file;
        int exitCode;
        const char* errText;
        const char* readBack;  // xlrd's rows and first header cell, or "" when no file may exist
    };
    const Case cases[] = {
        {dir / "list.xls", 0, "", "1 Num Http Port\n"},
        {dir / "missing" / "list.xls", 10, "创建文件失败!", ""},
    };
    for (const Case& c : cases) {
        auto arguments = scan;
        arguments.insert(arguments.end(), {"--xls", c.file.string()});
        const auto result = RunProcess(arguments, 30s);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.file << result.err;
        EXPECT_NE(result.err.find(c.errText), std::string::npos) << result.err;
        if (*c.readBack == '\0') {
            EXPECT_FALSE(fs::exists(c.file)) << c.file;
            continue;
        }
        const auto read = RunProcess({"/usr/bin/python3", "-c",
                                      "import sys, xlrd\n"
                                      "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                      "print(s.nrows, s.cell_value(0, 0), s.cell_value(0, 18))",
                                      c.file.string()},
                                     30s);
        EXPECT_EQ(read.out, c.readBack) << read.err;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand::cli::test

#include "platform/log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

#include "temp_dir.h"

namespace ostrand {
namespace {

using test::ReadWholeFile;
using test::TempWorkingDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Log, LineFormatAndAppendMode) {
    TempWorkingDir dir;
    test::WriteWholeFile("Log.txt", "earlier\n");
    ASSERT_TRUE(OpenLogFile());
    WriteLog(OSTRAND_LOG_MAIN_DLG, 42, "GetInitParam Unknow Exception occur!::%d", 5);
    CloseLogFile();
    EXPECT_EQ(ReadWholeFile("Log.txt"),
              "earlier\nFILE :ostrand\\ostrandDlg , LINE :42 , Log:GetInitParam Unknow Exception occur!::5 ||end\n");
}

TEST(Log, OverlongMessageIsCutAndTheLineStaysWhole) {
    TempWorkingDir dir;
    ASSERT_TRUE(OpenLogFile());
    const std::string longText(5000, 'x');
    WriteLog("m", 1, "%s", longText.c_str());
    WriteLog("m", 2, "next");
    CloseLogFile();
    const auto lines = Lines(ReadWholeFile("Log.txt"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size() + 1, kLogLineLimit);
    EXPECT_EQ(lines[0].rfind("FILE :m , LINE :1 , Log:xxx", 0), 0u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 6), " ||end");
    EXPECT_EQ(lines[1], "FILE :m , LINE :2 , Log:next ||end");
}

TEST(Log, LinesFromManyThreadsNeverInterleave) {
    TempWorkingDir dir;
    ASSERT_TRUE(OpenLogFile());
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            const std::string payload(300, static_cast<char>('a' + t));
            for (int i = 0; i < 200; ++i) WriteLog("worker", t, "%s", payload.c_str());
        });
    }
    for (auto& thread : threads) thread.join();
    CloseLogFile();
    const auto lines = Lines(ReadWholeFile("Log.txt"));
    ASSERT_EQ(lines.size(), 1600u);
    for (const auto& line : lines) {
        const auto start = line.find("Log:") + 4;
        const char c = line[start];
        EXPECT_EQ(line.substr(start, 300), std::string(300, c));
        EXPECT_EQ(line.substr(start + 300), " ||end");
    }
}

TEST(Log, WritingWithoutAnOpenLogIsHarmless) {
    CloseLogFile();
    WriteLog("m", 1, "dropped");
    EXPECT_FALSE(OpenLogFile("/nonexistent-dir/Log.txt"));
}

}  // namespace
}  // namespace ostrand

#include "devices/manual_entries.h"

#include <gtest/gtest.h>

#include <memory>

#include "../platform/temp_dir.h"
#include "devices/device_list.h"
#include "gbk.h"

namespace ostrand {
namespace {

using test::G;
using test::ReadWholeFile;
using test::WriteWholeFile;

constexpr const char* kFile = "manual.ini";

TEST(ManualEntries, TwoEntriesGiveTwoRows) {
    test::TempWorkingDir dir;
    WriteWholeFile(kFile,
                   "[common]\nConnTimeout=3\n"
                   "[Dev0]\nIP=192.168.5.20\n"
                   "[Dev1]\nIP=192.168.5.21\nPort=80\nAttType=0\nVer=3.1\nDevNo=D-21\n"
                   "[Dev3]\nIP=192.168.5.23\n");
    auto table = std::make_unique<DeviceTable>();
    ASSERT_EQ(LoadManualEntries(*table, kFile), 2);

    DeviceList list;
    list.FillDeviceList(*table, table->count);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, kColRowNumber), "1");
    EXPECT_EQ(list.Cell(1, kColRowNumber), "2");
    EXPECT_EQ(list.Cell(0, kColIp), "192.168.5.20");
    EXPECT_EQ(list.Cell(0, kColMac), "192.168.5.20");
    EXPECT_EQ(list.Cell(0, kColCommandPort), "60005");
    EXPECT_EQ(list.Cell(0, kColAttendKind), G("是(考勤机)"));
    EXPECT_EQ(list.Cell(0, kColDeviceNumber), "");
    EXPECT_EQ(list.Cell(1, kColCommandPort), "80");
    EXPECT_EQ(list.Cell(1, kColAttendKind), G("否"));
    EXPECT_EQ(list.Cell(1, kColVersion), "3.1");
    EXPECT_EQ(list.Cell(1, kColDeviceNumber), "D-21");
    EXPECT_EQ(list.Cell(1, kColSubnetMask), "");

    list.SetFilter(ListFilter::Monitoring);
    list.FillDeviceList(*table, table->count);
    ASSERT_EQ(list.RowCount(), 1);
    EXPECT_EQ(list.Cell(0, kColIp), "192.168.5.21");
    EXPECT_EQ(list.Cell(0, kColRowNumber), "1");

    // Defaults are written back for the entries that were read; Dev2 ended the list.
    const std::string file = ReadWholeFile(kFile);
    EXPECT_NE(file.find("[Dev0]\nIP=192.168.5.20\nPort=60005\nAttType=1\nVer=\nDevNo=\n"), std::string::npos)
        << file;
    EXPECT_NE(file.find("[Dev2]\nIP=\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[Dev3]\nIP=192.168.5.23\n"), std::string::npos);
    EXPECT_EQ(file.find("[Dev3]\nIP=192.168.5.23\nPort"), std::string::npos);
}

TEST(ManualEntries, FiftyEntriesAreLoadedAndDev50IsNeverRead) {
    test::TempWorkingDir dir;
    std::string content;
    for (int n = 0; n <= 50; ++n) {
        content += "[Dev" + std::to_string(n) + "]\nIP=10.0." + std::to_string(n) + ".1\n";
    }
    WriteWholeFile(kFile, content);
    auto table = std::make_unique<DeviceTable>();
    EXPECT_EQ(LoadManualEntries(*table, kFile), 50);
    EXPECT_EQ(FieldText(table->records[49].ip), "10.0.49.1");
    EXPECT_EQ(table->records[50], DeviceRecord{});
    const std::string file = ReadWholeFile(kFile);
    EXPECT_NE(file.find("[Dev49]\nIP=10.0.49.1\nPort=60005\n"), std::string::npos);
    EXPECT_EQ(file.substr(file.find("[Dev50]")), "[Dev50]\nIP=10.0.50.1\n");
}

TEST(ManualEntries, LongTextsAreCutToTheirFields) {
    test::TempWorkingDir dir;
    WriteWholeFile(kFile, "[Dev0]\nIP=1234567890.1234567890\nVer=" + std::string(40, 'v') +
                              "\nDevNo=" + std::string(30, 'n') + "\n");
    auto table = std::make_unique<DeviceTable>();
    ASSERT_EQ(LoadManualEntries(*table, kFile), 1);
    EXPECT_EQ(FieldText(table->records[0].ip), "1234567890.1234");
    EXPECT_EQ(FieldText(table->records[0].mac), "1234567890.1234");
    EXPECT_EQ(FieldText(table->records[0].version), std::string(23, 'v'));
    EXPECT_EQ(FieldText(table->records[0].deviceNumber), std::string(15, 'n'));
}

TEST(ManualEntries, MissingFileGivesNoEntriesAndAnEmptyDev0) {
    test::TempWorkingDir dir;
    auto table = std::make_unique<DeviceTable>();
    table->Append(DeviceRecord{});
    EXPECT_EQ(LoadManualEntries(*table, kFile), 0);
    EXPECT_EQ(table->count, 0);
    EXPECT_EQ(ReadWholeFile(kFile).find("[Dev0]"), 0u);
    EXPECT_NE(ReadWholeFile(kFile).find("IP="), std::string::npos);
}

}  // namespace
}  // namespace ostrand

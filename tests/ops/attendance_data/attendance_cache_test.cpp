// "Timer.ini" decides when a data file is fetched again, and the per-device
// folder is named only from a MAC of twelve hexadecimal digits.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ops/attendance_data/data_download.h"
#include "ops/attendance_data/time_stamp_cache.h"
#include "platform/message_sink.h"
#include "platform/profile.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
constexpr const char* kMac = "A1B2C3D4E5F6";

class AttendanceCache : public testing::Test {
protected:
    void SetUp() override {
        places_.root = fs::path(testing::TempDir()) / ("attendance_cache_" + std::to_string(::getpid()));
        fs::remove_all(places_.root);
        fs::create_directories(places_.root / kMac);
        std::ofstream(places_.root / kMac / "userinfo") << "copy";
        std::ofstream(places_.root / kMac / "attendinfo") << "copy";
    }
    void TearDown() override { fs::remove_all(places_.root); }

    void Cache(const char* key, const char* value) {
        ASSERT_TRUE(WriteIniString(key, value, places_.TimerIni().string(), kMac));
    }

    AttendanceDataPlaces places_;
};

TEST_F(AttendanceCache, StampsDecideTheDownload) {
    struct Case {
        const char* what;
        DataFile file;
        const char* cached;  // nullptr: no entry
        std::int32_t stamp;
        bool download;
    };
    const Case cases[] = {
        {"users: equal", DataFile::Users, "17", 17, false},
        {"users: different", DataFile::Users, "17", 18, true},
        {"users: no entry", DataFile::Users, nullptr, 17, true},
        {"users: empty entry", DataFile::Users, "", 17, true},
        {"users: 0 compared like any stamp", DataFile::Users, "17", 0, true},
        {"users: 0 equal to the cache", DataFile::Users, "0", 0, false},
        {"users: negative", DataFile::Users, nullptr, -1, false},
        {"records: equal", DataFile::Records, "17", 17, false},
        {"records: different", DataFile::Records, "17", 18, true},
        {"records: no entry", DataFile::Records, nullptr, 17, true},
        {"records: 0 never downloads", DataFile::Records, nullptr, 0, false},
        {"records: leading digits of the entry", DataFile::Records, " 17x", 17, false},
        {"users: equal, local copy gone", DataFile::Users, "17", 17, true},
        {"records: equal, local copy gone", DataFile::Records, "17", 17, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(places_.TimerIni());
        const char* key = c.file == DataFile::Users ? "UserTime" : "AttendTime";
        if (c.cached != nullptr) Cache(key, c.cached);
        if (std::string_view(c.what).ends_with("gone")) fs::remove(*places_.DataFilePath(kMac, c.file));
        EXPECT_EQ(NeedsDownload(c.file, kMac, c.stamp, places_), c.download);
    }
}

TEST_F(AttendanceCache, RememberedStampsEndTheDownloads) {
    EXPECT_TRUE(RememberTimeStamp(DataFile::Users, kMac, 5, places_));
    EXPECT_TRUE(RememberTimeStamp(DataFile::Records, kMac, 9, places_));
    EXPECT_TRUE(RememberTimeStamp(DataFile::Records, kMac, -3, places_));  // ignored
    EXPECT_FALSE(NeedsDownload(DataFile::Users, kMac, 5, places_));
    EXPECT_FALSE(NeedsDownload(DataFile::Records, kMac, 9, places_));
    EXPECT_TRUE(NeedsDownload(DataFile::Records, "A1B2C3D4E5F7", 9, places_));
    EXPECT_EQ(ReadIniString("AttendTime", std::nullopt, places_.TimerIni().string(), kMac), "9");
    EXPECT_EQ(ReadIniString("UserTime", std::nullopt, places_.TimerIni().string(), kMac), "5");
}

TEST_F(AttendanceCache, OnlyDeviceMacsNameFolders) {
    struct Case {
        const char* mac;
        bool usable;
    };
    const Case cases[] = {
        {"A1B2C3D4E5F6", true}, {"a1b2c3d4e5f6", true},  {"../../../tmp", false},
        {"A1B2C3D4E5F", false}, {"A1B2C3D4E5F60", false}, {"A1:B2:C3:D4:E5", false},
        {"A1B2C3D4E5G6", false}, {"", false},            {"/etc/passwd0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mac);
        EXPECT_EQ(IsDeviceMacText(c.mac), c.usable);
        EXPECT_EQ(places_.DeviceFolder(c.mac).has_value(), c.usable);
        if (!c.usable) {
            EXPECT_FALSE(RememberTimeStamp(DataFile::Users, c.mac, 1, places_));
            EXPECT_FALSE(NeedsDownload(DataFile::Users, c.mac, 1, places_));
        }
    }
    // A refused MAC stops the sequence before the device is asked or a folder made.
    RecordingMessageSink sink;
    ScopedMessageSink scoped(sink);
    const AttendanceDevice empty{{"127.0.0.1", 1}, ""};
    const AttendanceDevice hostile{{"127.0.0.1", 1}, "../../../tmp"};
    EXPECT_FALSE(OpenAttendanceData(empty, places_).has_value());
    EXPECT_FALSE(OpenAttendanceData(hostile, places_).has_value());
    EXPECT_FALSE(FetchAttendFile(hostile, places_));
    EXPECT_FALSE(FetchDataFile({"127.0.0.1", 1}, "../../../tmp", kUserFileExportType, places_));
    EXPECT_FALSE(FetchDataFile({"127.0.0.1", 1}, kMac, 2, places_));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"MAC地址为空，无法操作", kBadMacText, kBadMacText}));
    EXPECT_EQ(std::distance(fs::directory_iterator(places_.root), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace ostrand

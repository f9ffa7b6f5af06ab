// The user-list and record sequences against a simulated terminal: what is
// downloaded when, what a failed or cut download leaves behind.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ops/attendance_data/attend_query.h"
#include "ops/attendance_data/data_download.h"
#include "ops/attendance_data/record_file.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "sim/behaviours/attendance_data/attendance_data_state.h"
#include "attendance_file_bytes.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

constexpr const char* kMac = "00A1B2C3D4E5";

class AttendanceDownload : public testing::Test {
protected:
    void SetUp() override {
        TransportTimeouts waits = CurrentTransportTimeouts();
        waits.replyWait = 300ms;
        waits.replyRestWait = 300ms;
        waits.connectWait = 1000ms;
        waits.fileReceiveWait = 500ms;
        waits.exportIdleWaits = 2;
        waits_.emplace(waits);

        const int pid = static_cast<int>(::getpid());
        sim::DeviceConfig config;
        config.address = "127.67." + std::to_string(pid % 250 + 1) + "." + std::to_string(pid / 250 % 250 + 1);
        config.kind = sim::DeviceKind::Terminal;
        config.state["attendance_data"] =
            json{{"users", 4}, {"records", 40}, {"userStamp", 5}, {"recordStamp", 9}, {"interval", 3600}};
        device_ = &sim_.AddDevice(config);
        sim_.Start();
        places_.root = fs::path(testing::TempDir()) / ("attendance_download_" + std::to_string(pid));
        fs::remove_all(places_.root);
        terminal_ = {{device_->AddressText(), sim::kTcpChannelPort}, kMac};
    }
    void TearDown() override {
        sim_.Stop();
        fs::remove_all(places_.root);
    }

    std::size_t Exports() {
        std::size_t count = 0;
        for (const auto& entry : sim_.GetJournal().EntriesFor(device_->AddressText())) {
            count += entry.channel == "export";
        }
        return count;
    }
    void Change(const std::function<void(sim::AttendanceDataSetup&)>& change) {
        sim::ChangeAttendanceData(*device_, change);
    }
    std::string Cached(const char* key) {
        return ReadIniString(key, std::nullopt, places_.TimerIni().string(), kMac);
    }
    std::vector<AttendRow> Query(const std::vector<UserEntry>& users) {
        std::vector<AttendRow> rows;
        if (FetchAttendFile(terminal_, places_)) {
            ReadAttendFile({kMac, users, "2000-01-01", "2099-12-31"}, rows, places_);
        }
        return rows;
    }

    test::ScopedTimeZone utc_{"UTC0"};
    std::optional<ScopedTransportTimeouts> waits_;
    RecordingMessageSink sink_;
    ScopedMessageSink scoped_{sink_};
    sim::Simulator sim_;
    sim::Device* device_ = nullptr;
    AttendanceDataPlaces places_;
    AttendanceDevice terminal_;
};

TEST_F(AttendanceDownload, UserFileFetchedOnlyWhenItsStampChanges) {
    auto users = OpenAttendanceData(terminal_, places_);
    ASSERT_TRUE(users.has_value());
    ASSERT_EQ(users->size(), 4u);
    EXPECT_EQ((*users)[1].cardNo, "2");
    EXPECT_EQ((*users)[0].name, Utf8ToGbk(sim::GeneratedNameUtf8(0)));
    EXPECT_EQ(Cached("UserTime"), "5");
    EXPECT_EQ(Exports(), 1u);

    ASSERT_TRUE(OpenAttendanceData(terminal_, places_).has_value());  // same stamp: local copy
    EXPECT_EQ(Exports(), 1u);

    Change([](sim::AttendanceDataSetup& setup) { setup.users = 6, setup.userStamp = 0; });
    users = OpenAttendanceData(terminal_, places_);  // 0 is compared like any stamp
    ASSERT_TRUE(users.has_value());
    EXPECT_EQ(users->size(), 6u);
    EXPECT_EQ(Exports(), 2u);
    EXPECT_EQ(Cached("UserTime"), "0");
    EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(AttendanceDownload, FailedDownloadKeepsCopyAndCache) {
    ASSERT_TRUE(OpenAttendanceData(terminal_, places_).has_value());
    Change([](sim::AttendanceDataSetup& setup) { setup.userStamp = 6, setup.failUsers = true; });
    EXPECT_FALSE(OpenAttendanceData(terminal_, places_).has_value());
    ASSERT_FALSE(sink_.Texts().empty());
    EXPECT_EQ(sink_.Texts().back(), "下载用户信息文件失败!");
    EXPECT_EQ(Cached("UserTime"), "5");
    EXPECT_TRUE(fs::exists(*places_.DataFilePath(kMac, DataFile::Users)));
    EXPECT_FALSE(fs::exists(places_.root / kMac / "userinfo.download"));

    Change([](sim::AttendanceDataSetup& setup) { setup.failUsers = false; });
    ASSERT_TRUE(OpenAttendanceData(terminal_, places_).has_value());
    EXPECT_EQ(Cached("UserTime"), "6");
}

TEST_F(AttendanceDownload, CutUserFilesGiveTheirMessages) {
    struct Case {
        std::int64_t cut;
        const char* message;
    };
    const Case cases[] = {{0, "读取用户信息文件异常!"}, {3, "当前用户信息为空!"}, {104 + 3, nullptr}};
    std::int32_t stamp = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        sink_.Clear();
        Change([&](sim::AttendanceDataSetup& setup) { setup.cutUsers = c.cut, setup.userStamp = ++stamp; });
        const auto users = OpenAttendanceData(terminal_, places_);
        EXPECT_EQ(users.has_value(), c.message == nullptr);
        if (c.message != nullptr) {
            ASSERT_FALSE(sink_.Texts().empty());
            EXPECT_EQ(sink_.Texts().back(), c.message);
        }
    }
}

TEST_F(AttendanceDownload, RecordFileFollowsItsStamp) {
    const std::vector<UserEntry> all = {{1, "1", "A"}, {2, "2", "B"}, {3, "3", "C"}, {4, "4", "D"}};
    EXPECT_EQ(Query(all).size(), 40u);
    EXPECT_EQ(Cached("AttendTime"), "9");
    EXPECT_EQ(Query({{2, "2", "B"}}).size(), 10u);
    EXPECT_EQ(Exports(), 1u);

    // A stamp of 0 never fetches: the old copy answers.
    Change([](sim::AttendanceDataSetup& setup) { setup.records = 80, setup.recordStamp = 0; });
    EXPECT_EQ(Query(all).size(), 40u);
    EXPECT_EQ(Exports(), 1u);

    // A failed fetch ends the query and keeps the cache.
    Change([](sim::AttendanceDataSetup& setup) { setup.recordStamp = 10, setup.failRecords = true; });
    EXPECT_TRUE(Query(all).empty());
    EXPECT_EQ(sink_.Texts().back(), "下载打卡记录文件失败!");
    EXPECT_EQ(Cached("AttendTime"), "9");

    // A cut file is read up to its last whole record.
    Change([](sim::AttendanceDataSetup& setup) { setup.failRecords = false, setup.cutRecords = 28 + 60 * 7 + 59; });
    EXPECT_EQ(Query(all).size(), 7u);
    EXPECT_EQ(Cached("AttendTime"), "10");

    // The runner sees the download.
    Change([](sim::AttendanceDataSetup& setup) { setup.cutRecords = -1, setup.recordStamp = 11; });
    int runs = 0;
    EXPECT_TRUE(FetchAttendFile(terminal_, places_, [&](const std::function<void()>& download) {
        ++runs;
        download();
    }));
    EXPECT_EQ(runs, 1);
}

TEST_F(AttendanceDownload, QueryOfTickedUsers) {
    const auto users = OpenAttendanceData(terminal_, places_);
    ASSERT_TRUE(users.has_value());
    const std::vector<UserEntry> entries = UserEntriesFor(*users);
    struct Case {
        const char* what;
        std::vector<UserEntry> ticked;
        const char* from;
        const char* to;
        std::size_t rows;
    };
    const Case cases[] = {
        {"all users, all dates", entries, "2024-03-01", "2024-03-02", 40},
        {"one user", {entries[1]}, "2024-03-01", "2024-03-02", 10},
        {"one day", entries, "2024-03-02", "2024-03-02", 16},
        {"nobody ticked", {}, "2024-03-01", "2024-03-02", 0},
        {"reversed dates", entries, "2024-03-02", "2024-03-01", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.Clear();
        const auto groups = QueryAttendRows(terminal_, c.ticked, c.from, c.to, places_);
        ASSERT_TRUE(groups.has_value());
        std::size_t rows = 0;
        for (const auto& [card, group] : *groups) rows += group.size();
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(sink_.Texts().empty(), c.rows != 0);
        if (c.rows == 0) {
            EXPECT_EQ(sink_.Texts().back(), "对不起，没有找到符合条件的记录!");
        }
    }
    EXPECT_EQ(Exports(), 2u);  // users once, records once

    Change([](sim::AttendanceDataSetup& setup) { setup.recordStamp = 30, setup.failRecords = true; });
    EXPECT_FALSE(QueryAttendRows(terminal_, entries, "2024-03-01", "2024-03-02", places_).has_value());
}

TEST(AttendanceSearch, ExactCardNumbersInRowOrder) {
    const std::vector<UserEntry> entries = UserEntriesFor(
        {{1, "A100", "x"}, {2, "a100", "y"}, {3, "A100", "z"}, {4, "A1000", "w"}});
    EXPECT_EQ(FindUserRows(entries, "A100"), (std::vector<std::size_t>{0, 2}));
    EXPECT_TRUE(FindUserRows(entries, "a1000").empty());
    EXPECT_TRUE(FindUserRows(entries, "").empty());
    EXPECT_EQ(entries[3].key, 3);
    EXPECT_EQ(QueryDateText(0).size(), 10u);
}

}  // namespace
}  // namespace ostrand

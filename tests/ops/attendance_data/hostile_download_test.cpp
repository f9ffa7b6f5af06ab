// Attendance data from a terminal that misbehaves: a download that stalls
// half way, files whose bytes are nonsense. The tool never crashes, never
// waits past its bounds, says what went wrong, and keeps the copy and the
// time stamp it had.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "attendance_file_bytes.h"
#include "ops/attendance_data/attend_query.h"
#include "ops/attendance_data/data_download.h"
#include "ops/attendance_data/record_file.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "sim/behaviours/attendance_data/attendance_data_state.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kMac = "00A1B2C3D4E7";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class HostileAttendanceData : public testing::Test {
protected:
    void SetUp() override {
        TransportTimeouts waits = CurrentTransportTimeouts();
        waits.replyWait = 300ms;
        waits.replyRestWait = 300ms;
        waits.connectWait = 1000ms;
        waits.fileReceiveWait = 300ms;
        waits.exportIdleWaits = 2;
        waits_.emplace(waits);

        const int pid = static_cast<int>(::getpid());
        sim::DeviceConfig config;
        config.address = "127.71." + std::to_string(pid % 250 + 1) + "." + std::to_string(pid / 250 % 250 + 1);
        config.kind = sim::DeviceKind::Terminal;
        config.exportPacketSize = 128;  // several packets per file, so one can stall half way
        config.state["attendance_data"] = nlohmann::json{{"users", 6}, {"records", 40}, {"interval", 3600}};
        device_ = &sim_.AddDevice(config);
        sim_.Start();
        places_.root = fs::path(testing::TempDir()) / ("hostile_attendance_" + std::to_string(pid));
        fs::remove_all(places_.root);
        terminal_ = {{device_->AddressText(), sim::kTcpChannelPort}, kMac};
    }
    void TearDown() override {
        sim_.Stop();
        fs::remove_all(places_.root);
    }

    // The next query of the file's stamp reports a new one, so the tool fetches.
    void NewStamp(bool users) {
        sim::ChangeAttendanceData(*device_, [users](sim::AttendanceDataSetup& setup) {
            (users ? setup.userStamp : setup.recordStamp) += 1;
        });
    }
    std::string Cached(const char* key) {
        return ReadIniString(key, std::nullopt, places_.TimerIni().string(), kMac);
    }
    std::size_t QueryRows() {
        const auto users = OpenAttendanceData(terminal_, places_);
        if (!users) return 0;
        const auto groups = QueryAttendRows(terminal_, UserEntriesFor(*users), "2000-01-01", "2099-12-31", places_);
        std::size_t rows = 0;
        if (groups) {
            for (const auto& [card, group] : *groups) rows += group.size();
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

// A file that stops coming half way fails within the export's idle waits
// and leaves the previous copy and its stamp as they were.
TEST_F(HostileAttendanceData, StalledDownloadFailsInTimeAndKeepsThePreviousCopy) {
    ASSERT_EQ(QueryRows(), 40u);
    struct Case {
        bool users;
        DataFile file;
        const char* stampKey;
        const char* message;
    };
    const Case cases[] = {
        {true, DataFile::Users, "UserTime", "下载用户信息文件失败!"},
        {false, DataFile::Records, "AttendTime", "下载打卡记录文件失败!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stampKey);
        const fs::path copy = *places_.DataFilePath(kMac, c.file);
        const std::string before = ReadAll(copy);
        const std::string stamp = Cached(c.stampKey);
        ASSERT_FALSE(before.empty());
        sim::FaultOptions faults = device_->Faults();
        faults.exportStopAfter = 1;
        sim_.SetFaults(*device_, faults);
        NewStamp(c.users);
        sink_.Clear();

        const auto start = Clock::now();
        if (c.users) {
            EXPECT_FALSE(OpenAttendanceData(terminal_, places_).has_value());
        } else {
            EXPECT_FALSE(FetchAttendFile(terminal_, places_));
        }
        EXPECT_LT(Clock::now() - start, 5s) << "the stall held the tool past its waits";
        ASSERT_FALSE(sink_.Texts().empty());
        EXPECT_EQ(sink_.Texts().back(), c.message);
        EXPECT_EQ(ReadAll(copy), before) << "the previous copy was lost";
        EXPECT_EQ(Cached(c.stampKey), stamp);
        for (const auto& entry : fs::directory_iterator(copy.parent_path())) {
            EXPECT_TRUE(entry.path() == *places_.DataFilePath(kMac, DataFile::Users) ||
                        entry.path() == *places_.DataFilePath(kMac, DataFile::Records))
                << "left behind: " << entry.path();
        }

        faults.exportStopAfter = -1;
        sim_.SetFaults(*device_, faults);
    }
    // Once the device behaves, the next query fetches the new files.
    sink_.Clear();
    EXPECT_EQ(QueryRows(), 40u);
    EXPECT_TRUE(sink_.Texts().empty());
}

// Files whose bytes make no sense are read without a crash and without
// inventing records: what cannot be a record is not shown.
TEST_F(HostileAttendanceData, NonsenseFilesGiveNoInventedRecords) {
    ASSERT_EQ(QueryRows(), 40u);
    const std::string record = test::AttendRecord(1700000000, "1", 0);
    struct Case {
        const char* what;
        std::string records;  // the record file the device serves
    };
    const Case cases[] = {
        {"header only", test::AttendHeader(0, 0)},
        {"shorter than its header", std::string(7, '\x01')},
        {"negative block length", test::AttendHeader(0, 0).replace(4, 4, test::Int32Bytes(-5)) + record},
        {"block reaching beyond the end", test::AttendHeader(0, 0).replace(4, 4, test::Int32Bytes(1 << 30)) + record},
        {"all bytes 0xFF", std::string(5000, '\xFF')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewStamp(false);
        device_->SetExportFile(5, c.records);
        sink_.Clear();
        const auto start = Clock::now();
        const std::size_t rows = QueryRows();
        EXPECT_LT(Clock::now() - start, 5s);
        EXPECT_EQ(rows, 0u);
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"对不起，没有找到符合条件的记录!"});
        EXPECT_EQ(ReadAll(*places_.DataFilePath(kMac, DataFile::Records)), c.records) << "not the file served";
    }

    // A user file of nonsense: every user shown has a card number, and the
    // count cannot exceed what the bytes can hold.
    for (const char filler : {'\0', '\xFF', 'A'}) {
        SCOPED_TRACE(static_cast<int>(filler));
        NewStamp(true);
        const std::string nonsense = test::Int32Bytes(3) + std::string(1030, filler);
        device_->SetExportFile(4, nonsense);
        sink_.Clear();
        const auto users = OpenAttendanceData(terminal_, places_);
        if (!users) {
            EXPECT_FALSE(sink_.Texts().empty()) << "refused without a word";
            continue;
        }
        EXPECT_LE(users->size(), 11u);
        for (const auto& user : *users) EXPECT_FALSE(user.cardNo.empty());
    }
}

}  // namespace
}  // namespace ostrand

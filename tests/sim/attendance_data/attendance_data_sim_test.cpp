// Simulated terminals with generated user and record files: the bytes, the
// time-stamp command and the faults on request.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "sim/behaviours/attendance_data/attendance_data_state.h"
#include "sim/simulator.h"
#include "../sim_test_support.h"
#include "transport/file_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::sim {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::int32_t Int32At(const std::string& bytes, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

std::string TextAt(const std::string& bytes, std::size_t offset, std::size_t size) {
    const std::string field = bytes.substr(offset, size);
    return field.substr(0, field.find('\0'));
}

TEST(AttendanceDataFiles, GeneratedLayout) {
    AttendanceDataSetup setup = ParseAttendanceDataSetup(
        json{{"users", 5}, {"records", 7}, {"names", "mixed"}, {"emptyCardEvery", 4}, {"skip", 3}});
    const std::string users = MakeUserFile(setup);
    ASSERT_EQ(users.size(), 4u + 5 * 100);
    EXPECT_EQ(Int32At(users, 4 + 100), 2);
    EXPECT_EQ(TextAt(users, 4 + 100 + 4, 40), "2");
    EXPECT_EQ(TextAt(users, 4 + 300 + 4, 40), "");  // the fourth user has no card
    EXPECT_EQ(TextAt(users, 4 + 44, 30), GeneratedNameUtf8(0));                  // UTF-8
    EXPECT_EQ(TextAt(users, 4 + 100 + 44, 30), Utf8ToGbk(GeneratedNameUtf8(1)));  // GBK

    const std::string records = MakeRecordFile(setup);
    ASSERT_EQ(records.size(), 12u + 3 + 7 * 60);
    EXPECT_EQ(Int32At(records, 4), 3);
    const std::size_t second = 15 + 60;
    EXPECT_EQ(Int32At(records, second), GeneratedRecordTime(setup, 1));
    EXPECT_EQ(GeneratedRecordTime(setup, 1) - GeneratedRecordTime(setup, 0), 60);
    EXPECT_EQ(TextAt(records, second + 4, 40), GeneratedCard(setup, GeneratedRecordUser(setup, 1)));
    EXPECT_EQ(records[second + 44], 1);

    setup.cutRecords = 100;
    EXPECT_EQ(MakeRecordFile(setup).size(), 100u);

    setup = ParseAttendanceDataSetup(json{{"users", 1000}, {"records", kMaxGeneratedRows}});
    EXPECT_EQ(MakeRecordFile(setup).size(), 12u + 16 + 60 * static_cast<std::size_t>(kMaxGeneratedRows));
}

TEST(AttendanceDataFiles, FleetMistakesAreRefused) {
    const json mistakes[] = {
        json{{"records", kMaxGeneratedRows + 1}}, json{{"users", -1}}, json{{"names", "latin1"}},
        json{{"usres", 3}},                       json{{"from", "2024-3-1"}}, json{{"skip", -4}},
        json{{"records", "many"}},                json{{"records", 1000000}, {"interval", 86400}},
        json::array(),
    };
    for (const json& mistake : mistakes) {
        EXPECT_THROW(ParseAttendanceDataSetup(mistake), std::invalid_argument) << mistake.dump();
    }
    EXPECT_FALSE(ParseAttendanceDataSetup(json::object()).generate);
}

class AttendanceDataDevice : public testing::Test {
protected:
    void SetUp() override {
        DeviceConfig config;
        config.address = test::AddressBlock() + "40";
        config.kind = DeviceKind::Terminal;
        config.state["attendance_data"] =
            json{{"users", 3}, {"records", 10}, {"userStamp", 70}, {"recordStamp", 80}, {"stampStep", 1}};
        device_ = &sim_.AddDevice(config);
        sim_.Start();
        dir_ = fs::path(testing::TempDir()) / ("sim_attendance_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        sim_.Stop();
        fs::remove_all(dir_);
    }

    std::string Stamp(int fileType) {
        DeviceEndpoint endpoint{device_->AddressText(), kTcpChannelPort};
        ParamMap reply;
        if (SendXmlCommandCoded(endpoint, {{"FileType", std::to_string(fileType)}}, reply, 5023) != kTransportOk) {
            return "failed";
        }
        return reply["result"] == "10000" ? reply["TimeStamp"] : "refused";
    }

    bool Export(int type, std::string& bytes) {
        DeviceEndpoint endpoint{device_->AddressText(), kTcpChannelPort};
        const fs::path path = dir_ / ("export" + std::to_string(type));
        if (!ExportFileTcp(endpoint, path, static_cast<std::uint8_t>(type))) return false;
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        return true;
    }

    ScopedTransportTimeouts waits_{test::ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scoped_{sink_};
    Simulator sim_;
    Device* device_ = nullptr;
    fs::path dir_;
};

TEST_F(AttendanceDataDevice, StampsStepAndFilesFollowTheData) {
    EXPECT_EQ(Stamp(0), "70");
    EXPECT_EQ(Stamp(0), "71");
    EXPECT_EQ(Stamp(1), "80");
    EXPECT_EQ(Stamp(7), "refused");
    std::string records;
    ASSERT_TRUE(Export(5, records));
    EXPECT_EQ(records.size(), 12u + 16 + 10 * 60);

    ChangeAttendanceData(*device_, [](AttendanceDataSetup& setup) {
        setup.records += 5;
        setup.recordStamp = 200;
        setup.stampStep = 0;
    });
    EXPECT_EQ(Stamp(1), "200");
    EXPECT_EQ(Stamp(1), "200");
    ASSERT_TRUE(Export(5, records));
    EXPECT_EQ(records.size(), 12u + 16 + 15 * 60);
}

TEST_F(AttendanceDataDevice, DownloadFaultsOnRequest) {
    ChangeAttendanceData(*device_, [](AttendanceDataSetup& setup) {
        setup.failUsers = true;
        setup.cutRecords = 100;
    });
    std::string bytes;
    EXPECT_EQ(Stamp(0), "70");
    EXPECT_FALSE(Export(4, bytes));
    EXPECT_EQ(Stamp(1), "80");  // the record file downloads again, cut short
    ASSERT_TRUE(Export(5, bytes));
    EXPECT_EQ(bytes.size(), 100u);

    ChangeAttendanceData(*device_, [](AttendanceDataSetup& setup) { setup.failUsers = false; });
    EXPECT_EQ(Stamp(0), "71");
    ASSERT_TRUE(Export(4, bytes));
    EXPECT_EQ(bytes.size(), 4u + 3 * 100);
}

}  // namespace
}  // namespace ostrand::sim

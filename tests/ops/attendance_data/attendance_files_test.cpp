// The parsers, the filter and the name conversions of the attendance data
// files, on bytes written the way terminals write them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "attendance_file_bytes.h"
#include "ops/attendance_data/attend_groups.h"
#include "ops/attendance_data/name_text.h"
#include "ops/attendance_data/record_file.h"
#include "ops/attendance_data/user_file.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using test::AttendHeader;
using test::AttendRecord;
using test::Int32Bytes;
using test::UserRecord;

constexpr const char* kMac = "A1B2C3D4E5F6";

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value(); }

// The stored value of a time as the terminal writes it: the local time of a
// PC at UTC+8 read as if it were UTC.
std::int32_t Stored(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int32_t>(timegm(&tm));
}

class AttendanceFiles : public testing::Test {
protected:
    void SetUp() override {
        places_.root = fs::path(testing::TempDir()) / ("attendance_files_" + std::to_string(::getpid()));
        fs::create_directories(places_.root / kMac);
    }
    void TearDown() override {
        fs::remove_all(places_.root);
    }

    void Write(DataFile file, const std::string& bytes) {
        std::ofstream(*places_.DataFilePath(kMac, file), std::ios::binary | std::ios::trunc) << bytes;
    }

    test::ScopedTimeZone utc8_{"CST-8"};  // the PC at UTC+8
    AttendanceDataPlaces places_;
    RecordingMessageSink sink_;
    ScopedMessageSink scoped_{sink_};
};

TEST_F(AttendanceFiles, UserFileLengthsAndSkippedCards) {
    const std::string version = Int32Bytes(3);
    const std::string withRecords = version + UserRecord(1, "1001", "Li") + UserRecord(2, "", "nobody") +
                                    UserRecord(3, "1003", "Wang");
    struct Case {
        const char* what;
        std::string bytes;
        bool ok;
        std::vector<UserFileRecord> users;
    };
    // Two reads' worth of records and a short tail: the rules hold across reads.
    std::string manyReads = version;
    std::vector<UserFileRecord> manyUsers;
    for (int i = 1; i < 8192; ++i) {
        manyReads += UserRecord(i, std::to_string(i), "U");
        manyUsers.push_back({i, std::to_string(i), "U"});
    }
    manyReads += UserRecord(8192, "", "Zhao") + std::string("\x06\0\0\0" "77", 6);
    manyUsers.push_back({6, "77", "Zhao"});
    const Case cases[] = {
        {"empty file has no version", "", false, {}},
        {"records over several reads", manyReads, true, manyUsers},
        {"one byte of version", "\x01", true, {}},
        {"four bytes of version", version, true, {}},
        {"empty card number is skipped", withRecords, true, {{1, "1001", "Li"}, {3, "1003", "Wang"}}},
        // The short last record is completed from the skipped record's bytes.
        {"short record after a skipped one", version + UserRecord(5, "", "Zhao") + std::string("\x06\0\0\0" "77", 6),
         true, {{6, "77", "Zhao"}}},
        {"short record after a taken one", version + UserRecord(5, "55", "Zhao") + std::string("\x06\0\0\0" "77", 6),
         true, {{5, "55", "Zhao"}, {6, "77", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(DataFile::Users, c.bytes);
        std::vector<UserFileRecord> users;
        EXPECT_EQ(ReadUserFile(kMac, users, places_), c.ok);
        EXPECT_EQ(users, c.users);
    }
    std::vector<UserFileRecord> users;
    EXPECT_FALSE(ReadUserFile("0000000000AA", users, places_));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"打开userinfo文件失败!"});
}

TEST_F(AttendanceFiles, UserNamesBecomeGbk) {
    const std::string tenChinese = "张王李赵刘陈杨黄周吴";  // 30 bytes of UTF-8, then a NUL
    const std::string gbkName = Gbk("张三丰");          // not valid UTF-8
    struct Case {
        const char* what;
        std::string stored;
        std::string expected;
    };
    const Case cases[] = {
        {"ten Chinese characters in UTF-8", tenChinese, Gbk(tenChinese)},
        {"ASCII stays", "Smith", "Smith"},
        {"GBK stays", gbkName, gbkName},
        {"mixed UTF-8", "Li 李", Gbk("Li 李")},
        {"empty name", "", ""},
        // A name filling its field runs on into the bytes after it; the
        // conversion stops at the field's end.
        {"full field, UTF-8 after it", std::string(30, 'a') + "\xE6\x9D\x8E", std::string(30, 'a')},
        {"sequence cut by the field's end", std::string(28, 'a') + "\xE6\x9D\x8E", std::string(28, 'a') + "?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(DataFile::Users, Int32Bytes(1) + UserRecord(1, "9", c.stored));
        std::vector<UserFileRecord> users;
        ASSERT_TRUE(ReadUserFile(kMac, users, places_));
        ASSERT_EQ(users.size(), 1u);
        EXPECT_EQ(users[0].name, c.expected);
    }
    EXPECT_EQ(Gbk(tenChinese).size(), 20u);
}

TEST(AttendanceNameText, Utf8DetectionAndConversion) {
    struct Case {
        std::string bytes;
        bool utf8;
    };
    const Case detection[] = {
        {"", false},           {"abc", false},        {"\xE6\x9D\x8E", true},
        {"\xE6\x9D", false},   {"\x80", false},       {"\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true}, {"\xE6\x41\x8E", false},
    };
    for (const Case& c : detection) {
        EXPECT_EQ(IsNonAsciiUtf8(c.bytes.data(), c.bytes.size()), c.utf8) << c.bytes;
    }
    // A lead byte at the field's end reads no byte past the field.
    const std::string field = "ab\xE6";
    EXPECT_EQ(Utf8NameToAnsi(field, field.size()), "ab?");
    EXPECT_EQ(Utf8NameToAnsi(std::string_view("ab\xE6\x9D\x8E", 4), 3), "ab?");
    // Continuation bytes past n are still the field's own.
    const std::string li = "\xE6\x9D\x8E";
    EXPECT_EQ(Utf8NameToAnsi(li, 1), Gbk("李"));
    // A character GBK cannot hold becomes "?"; the rest is kept.
    EXPECT_EQ(Utf8NameToAnsi("\xEA\xB0\x80" "x", 4), "?x");
    EXPECT_EQ(AnsiToWide(Gbk("李")).value(), u"李");
    EXPECT_EQ(Utf8ToAnsi("李").value(), Gbk("李"));
}

TEST_F(AttendanceFiles, RecordFileLayout) {
    const std::string one = AttendRecord(Stored(2024, 3, 1), "1001", 1);
    const std::string two = AttendRecord(Stored(2024, 3, 2), "1001", 2);
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t rows;
    };
    const Case cases[] = {
        {"skipLength 0", AttendHeader(0, 0) + one + two, 2},
        {"block skipped", AttendHeader(33, 33) + one + two, 2},
        {"59 trailing bytes", AttendHeader(0, 0) + one + two + std::string(59, '\x01'), 2},
        {"block beyond the end", AttendHeader(500, 0) + one + two, 0},
        {"negative block length", AttendHeader(-60, 0) + one + two, 0},
        {"short header", std::string(7, '\0'), 0},
        {"empty file", "", 0},
    };
    AttendQuery query{kMac, {{1, "1001", "Li"}}, "2024-01-01", "2024-12-31"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(DataFile::Records, c.bytes);
        std::vector<AttendRow> rows;
        ReadAttendFile(query, rows, places_);
        EXPECT_EQ(rows.size(), c.rows);
    }
    EXPECT_TRUE(sink_.Texts().empty());

    // More records than one read chunk.
    std::string many = AttendHeader(0, 0);
    for (int i = 0; i < 12000; ++i) many += AttendRecord(Stored(2024, 3, 1, 0, 0, i), "1001", 1);
    Write(DataFile::Records, many);
    std::vector<AttendRow> rows;
    ReadAttendFile(query, rows, places_);
    ASSERT_EQ(rows.size(), 12000u);
    EXPECT_EQ(rows.back().time, "2024-03-01 03:19:59");

    query.mac = "0000000000AA";
    ReadAttendFile(query, rows, places_);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"打开attendinfo文件失败!"});
}

TEST_F(AttendanceFiles, TimeAndStatusTexts) {
    struct Case {
        std::int32_t stored;
        const char* text;
    };
    const Case cases[] = {
        {0, ""},
        {1, ""},
        {28799, ""},
        {28800, "1970-01-01 08:00:00"},
        {Stored(2024, 2, 29, 23, 59, 58), "2024-02-29 23:59:58"},
        {-5, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(AttendTimeText(c.stored), c.text) << c.stored;
    EXPECT_EQ(AttendStatusText(1), Gbk("签到"));
    EXPECT_EQ(AttendStatusText(2), Gbk("签退"));
    EXPECT_EQ(AttendStatusText(0), "");
    EXPECT_EQ(AttendStatusText(3), "");
}

TEST(AttendanceFilter, DatesAndCards) {
    const AttendQuery query{kMac, {{1, "1001", "Li"}, {2, "1002", "Wang"}, {3, "1001", "Li2"}},
                            "2024-03-01", "2024-03-31"};
    struct Case {
        const char* what;
        AttendQuery query;
        std::string time;
        std::string card;
        bool accepted;
        std::string name;
    };
    AttendQuery noStart = query;
    noStart.startDate.clear();
    AttendQuery reversed = query;
    std::swap(reversed.startDate, reversed.endDate);
    const Case cases[] = {
        {"first day", query, "2024-03-01 00:00:00", "1002", true, "Wang"},
        {"last day", query, "2024-03-31 23:59:59", "1002", true, "Wang"},
        {"day before", query, "2024-02-29 23:59:59", "1002", false, ""},
        {"day after", query, "2024-04-01 00:00:00", "1002", false, ""},
        {"no time", query, "", "1002", false, ""},
        {"card of no user", query, "2024-03-10 10:00:00", "1003", false, ""},
        {"last matching user's name", query, "2024-03-10 10:00:00", "1001", true, "Li2"},
        {"empty start date", noStart, "2024-03-10 10:00:00", "1002", false, ""},
        {"reversed dates", reversed, "2024-03-10 10:00:00", "1002", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AttendRow row{"", c.time, c.card, ""};
        EXPECT_EQ(MatchAttendRow(c.query, row), c.accepted);
        EXPECT_EQ(row.name, c.name);
    }
}

TEST(AttendanceGroups, CardTextOrderLatestFirst) {
    const std::vector<AttendRow> rows = {
        {"", "2024-03-01 08:00:00", "9", "A"},  {"", "2024-03-02 08:00:00", "10", "B"},
        {"", "2024-03-03 08:00:00", "9", "A"},  {"", "2024-03-01 07:00:00", "10", "B"},
        {"", "2024-03-02 08:00:00", "9", "A"},
    };
    const AttendGroups groups = GroupAttendRows(rows);
    std::vector<std::string> order;
    for (const auto& [card, group] : groups) {
        for (const AttendRow& row : group) order.push_back(card + " " + row.time);
    }
    EXPECT_EQ(order, (std::vector<std::string>{
                         "10 2024-03-02 08:00:00", "10 2024-03-01 07:00:00", "9 2024-03-03 08:00:00",
                         "9 2024-03-02 08:00:00", "9 2024-03-01 08:00:00"}));
}

}  // namespace
}  // namespace ostrand

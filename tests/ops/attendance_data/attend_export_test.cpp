// The part-wise .xls exports of the attendance windows: part names, part
// sizes, cell contents, and exports that fail half way.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "attendance_file_bytes.h"
#include "ops/attendance_data/attend_export.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value(); }

// 2026-12-10 15:00:00 UTC; the names are formed in the zone set below.
constexpr std::time_t kMoment = 1796914800;

class AttendExport : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(testing::TempDir()) / ("attend_export_" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Files in the folder, by name.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        if (!fs::exists(folder_)) return names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::ScopedTimeZone utc_{"UTC0"};
    fs::path folder_;
    RecordingMessageSink sink_;
    ScopedMessageSink scoped_{sink_};
};

TEST_F(AttendExport, PartNamesAreNeverShared) {
    struct Case {
        const char* what;
        std::vector<std::time_t> clock;       // one reading per part
        std::vector<std::string> onDisk;      // names present before the export
        std::vector<std::string> names;       // the names given, in order
    };
    const Case cases[] = {
        {"parts in different seconds", {kMoment, kMoment + 1},
         {}, {"x.xls_2026-12-10_150000.xls", "x.xls_2026-12-10_150001.xls"}},
        {"parts in the same second", {kMoment, kMoment, kMoment},
         {}, {"x.xls_2026-12-10_150000.xls", "x.xls_2026-12-10_150000_2.xls", "x.xls_2026-12-10_150000_3.xls"}},
        {"an earlier export of the same second", {kMoment},
         {"x.xls_2026-12-10_150000.xls"}, {"x.xls_2026-12-10_150000_2.xls"}},
        {"an export of that second still being written", {kMoment},
         {"x.xls_2026-12-10_150000.xls.partial"}, {"x.xls_2026-12-10_150000_2.xls"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        for (const std::string& name : c.onDisk) std::ofstream(folder_ / name) << "x";
        std::size_t reading = 0;
        ExportPartNamer namer(folder_ / "x.xls", [&] { return c.clock[reading++]; });
        for (const std::string& name : c.names) EXPECT_EQ(namer.Next(), folder_ / name);
    }
}

// A user export one row beyond a part: two parts, each with the header, the
// users' own numbers, the names as UTF-16 and an empty cell for no name.
TEST_F(AttendExport, UserListInPartsOfFiftyThousand) {
    std::vector<UserFileRecord> users;
    for (std::int32_t i = 0; i < 50001; ++i) users.push_back({1000 + i, "C" + std::to_string(i), Gbk("李四")});
    users.back().name.clear();

    const ExportResult result = ExportUserList(folder_ / "用户", users, [] { return kMoment; });
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.files.size(), 2u);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"用户_2026-12-10_150000.xls", "用户_2026-12-10_150000_2.xls"}));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"向" + result.files[1].string() + "写入数据成功!"});

    const std::size_t dataRows[] = {50000, 1};
    std::size_t user = 0;
    for (std::size_t part = 0; part < 2; ++part) {
        WorkbookFile workbook;
        ASSERT_TRUE(workbook.Load(result.files[part]));
        SheetGrid* grid = workbook.FindSheet(u"用户信息表");
        ASSERT_NE(grid, nullptr);
        ASSERT_EQ(grid->RowCount(), dataRows[part] + 1);
        EXPECT_EQ(grid->At(0, 2).WideText(), u"持卡人姓名");
        for (std::uint32_t row = 1; row < grid->RowCount(); ++row, ++user) {
            ASSERT_EQ(grid->At(row, 0).Integer(), users[user].number);
            ASSERT_EQ(grid->At(row, 1).Text(), users[user].cardNo);
        }
    }
    WorkbookFile first;
    ASSERT_TRUE(first.Load(result.files[0]));
    EXPECT_EQ(first.FirstSheet()->At(1, 2).WideText(), u"李四");
    WorkbookFile last;
    ASSERT_TRUE(last.Load(result.files[1]));
    EXPECT_TRUE(last.FirstSheet()->At(1, 2).IsEmpty());
}

// The records in the window's order (card text order, latest first) with a
// running number; a status neither sign-in nor sign-out leaves its cell empty;
// a card number with Chinese characters keeps them.
TEST_F(AttendExport, RecordsInWindowOrder) {
    const std::string name = Gbk("王五");
    AttendGroups groups = GroupAttendRows({
        {Gbk("签到"), "2026-12-01 08:00:00", "9", name},
        {"", "2026-12-02 09:00:00", "10", name},
        {Gbk("签退"), "2026-12-03 18:00:00", "9", name},
        {Gbk("签到"), "2026-12-04 07:00:00", Gbk("临时卡"), name},
    });
    const ExportResult result = ExportAttendRows(folder_ / "r", groups, [] { return kMoment; });
    ASSERT_TRUE(result.ok);
    ASSERT_EQ(result.files.size(), 1u);
    WorkbookFile workbook;
    ASSERT_TRUE(workbook.Load(result.files[0]));
    SheetGrid* grid = workbook.FindSheet(u"打卡记录表");
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->RowCount(), 5u);
    EXPECT_EQ(grid->At(4, 1).WideText(), u"临时卡");
    const struct {
        std::int32_t serial;
        const char* card;
        std::u16string status;
        const char* time;
    } rows[] = {{1, "10", u"", "2026-12-02 09:00:00"},
                {2, "9", u"签退", "2026-12-03 18:00:00"},
                {3, "9", u"签到", "2026-12-01 08:00:00"}};
    for (std::uint32_t r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(grid->At(r + 1, 0).Integer(), rows[r].serial);
        EXPECT_EQ(grid->At(r + 1, 1).Text(), rows[r].card);
        EXPECT_EQ(grid->At(r + 1, 2).WideText(), u"王五");
        EXPECT_EQ(grid->At(r + 1, 3).WideText(), rows[r].status);
        EXPECT_EQ(grid->At(r + 1, 4).Text(), rows[r].time);
    }
}

// Whatever stops an export, it says so and no part is left, neither with its
// .xls name nor half written.
TEST_F(AttendExport, FailureHalfWayLeavesNoPart) {
    struct Case {
        const char* what;
        std::size_t failAt;  // the row writer's call at which things go wrong
        bool removeFolder;   // the folder disappears (otherwise the writer refuses)
    };
    const Case cases[] = {
        {"folder missing from the start", 0, true},
        {"folder removed in the second part", 60000, true},
        {"a row refused in the third part", 110000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sink_.Clear();
        fs::create_directories(folder_);
        if (c.failAt == 0 && c.removeFolder) fs::remove_all(folder_);
        std::size_t calls = 0;
        const auto writeRow = [&](SheetGrid& grid, std::uint32_t row) {
            if (++calls == c.failAt) {
                if (!c.removeFolder) return false;
                fs::remove_all(folder_);
            }
            grid.Cell(row, 0)->SetInteger(static_cast<std::int32_t>(calls));
            return true;
        };
        const ExportResult result =
            ExportRows(folder_ / "r.xls", AttendRowsSheet(), 120000, writeRow, [] { return kMoment; });
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.files.empty());
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"向Excel写入数据失败!"});
        EXPECT_EQ(Listing(), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace ostrand

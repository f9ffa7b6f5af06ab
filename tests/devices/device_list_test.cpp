#include "devices/device_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "devices/device_columns.h"
#include "devices/device_table.h"
#include "gbk.h"

namespace ostrand {
namespace {

using test::G;

DeviceRecord Device(std::string_view number, std::int32_t attendType, std::int32_t port = 60005) {
    DeviceRecord r;
    SetFieldText(r.deviceNumber, number);
    SetFieldText(r.ip, "192.168.1.10");
    r.attendType = attendType;
    r.commandPort = port;
    return r;
}

std::unique_ptr<DeviceTable> TableOf(std::initializer_list<DeviceRecord> records) {
    auto table = std::make_unique<DeviceTable>();
    for (const auto& r : records) table->Append(r);
    return table;
}

TEST(DeviceRecordLayout, FieldsSitAtTheirOffsetsAndRoundTrip) {
    std::array<std::uint8_t, DeviceRecord::kSize> bytes{};
    std::memcpy(bytes.data() + 16, "10.0.0.7", 8);
    bytes[64] = 0x65;  // 60005 little-endian
    bytes[65] = 0xEA;
    std::memcpy(bytes.data() + 142, "cam", 3);
    bytes[316] = 0xFF;  // tfStatus -1
    bytes[317] = 0xFF;
    bytes[318] = 0xFF;
    bytes[319] = 0xFF;
    std::memcpy(bytes.data() + 384, "T-9", 3);
    bytes[400] = 2;

    const DeviceRecord r = DeviceRecord::FromBytes(bytes);
    EXPECT_EQ(FieldText(r.ip), "10.0.0.7");
    EXPECT_EQ(r.commandPort, 60005);
    EXPECT_EQ(FieldText(r.deviceName), "cam");
    EXPECT_EQ(r.tfStatus, -1);
    EXPECT_EQ(FieldText(r.attendTerminalNumber), "T-9");
    EXPECT_EQ(r.attendType, 2);
    EXPECT_EQ(r.ToBytes(), bytes);
}

TEST(DeviceCells, AttendanceKindAndTerminalNumber) {
    for (std::int32_t type : {0, 1, 2, 3, 4, -1}) {
        DeviceRecord r = Device("N", type);
        SetFieldText(r.attendTerminalNumber, "T100");
        const DeviceRow row = MakeDeviceRow(r, 1);
        const char* kind = type == 0 ? "否" : type == 1 ? "是(考勤机)" : "是(拍照IPC)";
        EXPECT_EQ(row[kColAttendKind], G(kind)) << type;
        EXPECT_EQ(row[kColTerminalNumber], type == 2 ? "T100" : "") << type;
    }
}

TEST(DeviceCells, ConnectionStates) {
    DeviceRecord r = Device("N", 1);
    r.attendServerStatus = 1;
    r.rs485Status = 7;
    DeviceRow row = MakeDeviceRow(r, 1);
    EXPECT_EQ(row[kColServerState], G("已连接"));
    EXPECT_EQ(row[kColRs485State], G("未连接"));
    r.attendServerStatus = -3;
    r.rs485Status = 0;
    row = MakeDeviceRow(r, 1);
    EXPECT_EQ(row[kColServerState], G("未连接"));
    EXPECT_EQ(row[kColRs485State], G("未知"));
}

TEST(DeviceCells, TfCardOfCamerasIsBuiltFromBits) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "不支持该功能"},       {-1, "未挂载未绑定"},     {1, "未插入未绑定"},
        {2, "已插入未绑定"},       {3, "已插入未绑定"},       {4, "未挂载已绑定"},
        {13, "未插入已绑定存在脏数据"}, {-2, "已插入已绑定存在脏数据"}, {8, "未挂载未绑定存在脏数据"},
    };
    for (const auto& [status, text] : cases) EXPECT_EQ(TfCardText(0, status), G(text)) << status;
}

TEST(DeviceCells, TfCardOfAttendanceDevicesIsAState) {
    EXPECT_EQ(TfCardText(1, 0), G("未知"));
    EXPECT_EQ(TfCardText(1, 1), G("正常"));
    EXPECT_EQ(TfCardText(1, 5), G("不正常"));
    EXPECT_EQ(TfCardText(2, -1), G("不正常"));
}

TEST(DeviceCells, NumbersVersionAndType) {
    DeviceRecord r = Device("N", 0, 80);
    r.webPort = 8080;
    r.videoChannels = 4;
    SetFieldText(r.versionPrefix, "K1");
    SetFieldText(r.version, "2.0.3");
    DeviceRow row = MakeDeviceRow(r, 12);
    EXPECT_EQ(row[kColRowNumber], "12");
    EXPECT_EQ(row[kColWebPort], "8080");
    EXPECT_EQ(row[kColVideoChannels], "4");
    EXPECT_EQ(row[kColVersion], "K1_2.0.3");
    EXPECT_EQ(row[kColCommandPort], "80");
    EXPECT_EQ(row[kColDeviceType], "1");
    r.deviceType = 7;
    EXPECT_EQ(MakeDeviceRow(r, 1)[kColDeviceType], "7");

    r.versionPrefix.fill('\0');
    std::memset(r.version.data(), 'v', r.version.size());  // fills its span, no terminator
    EXPECT_EQ(MakeDeviceRow(r, 1)[kColVersion], std::string(24, 'v'));
}

TEST(DeviceCells, NameIsConvertedFromUtf8ExceptOnTheTcpPort) {
    DeviceRecord r = Device("N", 0, 80);
    SetFieldText(r.deviceName, "前门摄像机");
    EXPECT_EQ(MakeDeviceRow(r, 1)[kColDeviceName], G("前门摄像机"));

    r.commandPort = 60005;
    SetFieldText(r.deviceName, G("前门"));
    EXPECT_EQ(MakeDeviceRow(r, 1)[kColDeviceName], G("前门"));
}

TEST(DeviceCells, InvalidUtf8NameIsShownWithoutFailing) {
    DeviceRecord r = Device("N", 0, 8000);
    SetFieldText(r.deviceName, std::string("ab\xFF\xC3(cd\xE4\xB8", 10));
    const std::string name = MakeDeviceRow(r, 1)[kColDeviceName];
    EXPECT_EQ(name.substr(0, 2), "ab");
    EXPECT_NE(name.find('?'), std::string::npos);
    EXPECT_NE(name.find("(cd"), std::string::npos);
}

TEST(DeviceCells, RecordWithoutAnyTerminatorShowsWholeSpans) {
    std::array<std::uint8_t, DeviceRecord::kSize> bytes;
    bytes.fill(0xE4);  // a UTF-8 lead byte everywhere: no NULs, malformed names
    DeviceRecord r = DeviceRecord::FromBytes(bytes);
    DeviceRow row = MakeDeviceRow(r, 1);
    EXPECT_EQ(row[kColIp].size(), 16u);
    EXPECT_EQ(row[kColDeviceNumber].size(), 16u);
    EXPECT_EQ(row[kColProductModel].size(), 60u);
    EXPECT_EQ(row[kColVersion].size(), 52u + 1u + 24u);
    EXPECT_FALSE(row[kColDeviceName].empty());

    bytes.fill('A');
    r = DeviceRecord::FromBytes(bytes);
    row = MakeDeviceRow(r, 1);
    EXPECT_EQ(row[kColDeviceName], std::string(102, 'A'));
    EXPECT_EQ(row[kColMac], std::string(16, 'A'));
}

TEST(DeviceListFill, FilterDecidesWhichRecordsAreShownAndNumbered) {
    auto table = TableOf({Device("CAM", 0), Device("TERM", 1), Device("CAP3", 3), Device("ODD4", 4),
                          Device("NEG", -1)});
    DeviceList list;
    list.FillDeviceList(*table, table->count);
    EXPECT_EQ(list.RowCount(), 5);

    list.SetFilter(ListFilter::Attendance);
    list.FillDeviceList(*table, table->count);
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Cell(0, kColDeviceNumber), "TERM");
    EXPECT_EQ(list.Cell(0, kColRowNumber), "1");
    EXPECT_EQ(list.Cell(3, kColDeviceNumber), "NEG");
    EXPECT_EQ(list.Cell(3, kColRowNumber), "4");

    list.SetFilter(ListFilter::Monitoring);
    list.FillDeviceList(*table, table->count);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Cell(0, kColDeviceNumber), "CAM");
    EXPECT_EQ(list.Cell(1, kColDeviceNumber), "ODD4");
    EXPECT_EQ(list.Cell(2, kColDeviceNumber), "NEG");
    EXPECT_EQ(list.NumberIndex().count("TERM"), 0u);
}

TEST(DeviceListFill, CountIsHonouredAndClamped) {
    auto table = TableOf({Device("A", 0), Device("B", 0), Device("C", 0)});
    DeviceList list;
    list.FillDeviceList(*table, 2);
    EXPECT_EQ(list.RowCount(), 2);
    list.FillDeviceList(*table, -5);
    EXPECT_EQ(list.RowCount(), 0);
    list.FillDeviceList(*table, 99999);
    EXPECT_EQ(list.RowCount(), static_cast<int>(DeviceTable::kCapacity));
}

TEST(DeviceTableTest, HoldsExactly5001Records) {
    auto table = std::make_unique<DeviceTable>();
    for (std::size_t i = 0; i < DeviceTable::kCapacity; ++i) ASSERT_TRUE(table->Append(Device("X", 0)));
    EXPECT_FALSE(table->Append(Device("Y", 0)));
    EXPECT_EQ(table->count, 5001);
    table->Clear();
    EXPECT_EQ(table->count, 0);
    EXPECT_EQ(table->records[5000], DeviceRecord{});
}

TEST(DeviceListFind, ExactThenFirstContainingKeyInOrder) {
    auto table = TableOf({Device("B0123", 0), Device("A1234", 0), Device("123", 0), Device("DUP", 0),
                          Device("DUP", 1)});
    DeviceList list;
    list.FillDeviceList(*table, table->count);

    EXPECT_EQ(list.FindByNumber("123").row, 2);  // exact wins over containing keys
    FindResult found = list.FindByNumber("23");
    EXPECT_EQ(found.status, FindStatus::Found);
    EXPECT_EQ(found.row, 2);  // "123" < "A1234" < "B0123"
    EXPECT_EQ(list.FindByNumber("0123").row, 0);
    EXPECT_EQ(list.FindByNumber("DUP").row, 4);  // the later row wins
    EXPECT_EQ(list.FindByNumber("").status, FindStatus::EmptyText);
    EXPECT_EQ(list.FindByNumber("zzz").status, FindStatus::NotFound);

    auto two = TableOf({Device("A1234", 0), Device("B0123", 0)});
    list.FillDeviceList(*two, two->count);
    EXPECT_EQ(list.FindByNumber("123").row, 0);
}

TEST(DeviceListFind, OnlyShownRowsAreFound) {
    auto table = TableOf({Device("CAM77", 0), Device("TERM1", 1)});
    DeviceList list;
    list.SetFilter(ListFilter::Attendance);
    list.FillDeviceList(*table, table->count);
    EXPECT_EQ(list.FindByNumber("CAM77").status, FindStatus::NotFound);
    EXPECT_EQ(list.FindByNumber("TERM").row, 0);
}

TEST(DeviceListFind, MatchNeverStartsInsideADoubleByteCharacter) {
    // GBK "诶" is 0xDA 0x41: its trail byte is an ASCII letter.
    const std::string key = G("诶") + "1";
    EXPECT_FALSE(ContainsGbk(key, "A1"));
    EXPECT_TRUE(ContainsGbk(key, G("诶")));
    EXPECT_TRUE(ContainsGbk(key, "1"));
    EXPECT_TRUE(ContainsGbk("xA1", "A1"));
}

TEST(DeviceListCopy, CellsAreTrimmedUnlessAModifierIsHeld) {
    DeviceRecord r = Device("a\t", 0);
    SetFieldText(r.productModel, "\n\tm o\t\n");
    auto table = TableOf({r, Device("b", 1)});
    DeviceList list;
    list.FillDeviceList(*table, table->count);

    const std::string plain = list.CopyText(false);
    const std::string raw = list.CopyText(true);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), 2);
    EXPECT_EQ(std::count(plain.begin(), plain.end(), '\t'), 2 * kDeviceColumnCount);
    EXPECT_EQ(plain.rfind("1\t" + G("否") + "\t\ta\tm o\t", 0), 0u);
    EXPECT_EQ(raw.rfind("1\t" + G("否") + "\t\ta\t\t\n\tm o\t\n\t", 0), 0u);
    EXPECT_EQ(plain.substr(plain.size() - 8), "\t60005\t\n");
    EXPECT_EQ(DeviceList().CopyText(false), "");
}

TEST(DeviceColumnsTest, HeadersForEachLanguage) {
    const auto& initial = DeviceColumnHeaders(HeaderSet::Initial);
    const auto& chinese = DeviceColumnHeaders(HeaderSet::Chinese);
    const auto& english = DeviceColumnHeaders(HeaderSet::English);
    EXPECT_EQ(initial[8], "485连线状态");
    EXPECT_EQ(chinese[8], "考勤机状态");
    EXPECT_EQ(english[8], "AttendSta");
    EXPECT_EQ(english[0], "Num");
    EXPECT_EQ(english[18], "Http Port");
    for (int col : {1, 5, 7}) EXPECT_EQ(english[col], initial[col]);
    for (int col = 0; col < kDeviceColumnCount; ++col) {
        if (col != 8) {
            EXPECT_EQ(chinese[col], initial[col]) << col;
        }
    }
    EXPECT_EQ(DeviceColumnWidths()[17], 400);
    EXPECT_EQ(DeviceColumnWidths()[18], 0);
}

TEST(CellIntTest, ReadsLikeAtoi) {
    EXPECT_EQ(CellInt("60005"), 60005);
    EXPECT_EQ(CellInt("  -12x"), -12);
    EXPECT_EQ(CellInt("x1"), 0);
    EXPECT_EQ(CellInt(""), 0);
    EXPECT_EQ(CellInt("99999999999999"), 2147483647);
}

}  // namespace
}  // namespace ostrand

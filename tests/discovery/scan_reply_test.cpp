#include "discovery/scan_reply.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace ostrand {
namespace {

DeviceRecord MakeRecord(const std::string& mac, const std::string& number) {
    DeviceRecord record;
    SetFieldText(record.mac, mac);
    SetFieldText(record.deviceNumber, number);
    SetFieldText(record.ip, "10.0.0.1");
    SetFieldText(record.version, "V2-1");
    record.videoChannels = 4;
    record.extraCount1 = 3;
    record.extraCount2 = 5;
    return record;
}

std::vector<std::uint8_t> Bytes(const DeviceRecord& record, std::size_t length = DeviceRecord::kSize) {
    const auto bytes = record.ToBytes();
    std::vector<std::uint8_t> datagram(length, 0);
    std::copy_n(bytes.begin(), std::min(length, bytes.size()), datagram.begin());
    return datagram;
}

class ScanReplyTest : public ::testing::Test {
protected:
    ScanReplyOutcome Add(const std::vector<std::uint8_t>& datagram) {
        return AddScanReply(*table, index, datagram);
    }
    std::unique_ptr<DeviceTable> table = std::make_unique<DeviceTable>();
    ScanDuplicateIndex index;
};

TEST_F(ScanReplyTest, LengthsOutside12To504AreIgnored) {
    const auto record = MakeRecord("00AB12CD34EF", "N1");
    EXPECT_EQ(Add(Bytes(record, 11)), ScanReplyOutcome::BadLength);
    EXPECT_EQ(Add(Bytes(record, 505)), ScanReplyOutcome::BadLength);
    EXPECT_EQ(Add(Bytes(record, 0)), ScanReplyOutcome::BadLength);
    EXPECT_EQ(table->count, 0);

    EXPECT_EQ(Add(Bytes(MakeRecord("A1", "N2"), 504)), ScanReplyOutcome::Appended);
    EXPECT_EQ(table->count, 1);
}

TEST_F(ScanReplyTest, TwelveByteReplyIsCompletedWithZerosAndNormalised) {
    std::vector<std::uint8_t> datagram = {'0', '0', 'a', 'b', '1', '2', 'c', 'd', '3', '4', 'e', 'f'};
    ASSERT_EQ(Add(datagram), ScanReplyOutcome::Appended);
    const auto& stored = table->records[0];
    EXPECT_EQ(FieldText(stored.mac), "00AB12CD34EF");
    EXPECT_EQ(FieldText(stored.ip), "");
    EXPECT_EQ(stored.videoChannels, 1);
    EXPECT_EQ(stored.extraCount1, 1);
    EXPECT_EQ(stored.extraCount2, 2);
    EXPECT_EQ(FieldText(stored.version), "1.0.0.0-");
    EXPECT_EQ(stored.attendType, 0);
    EXPECT_EQ(stored.commandPort, 0);
}

TEST_F(ScanReplyTest, MacIsUpperCasedAndThirteenCharactersDropTheReply) {
    ASSERT_EQ(Add(Bytes(MakeRecord("00ab12cd34ef", "N1"))), ScanReplyOutcome::Appended);
    EXPECT_EQ(FieldText(table->records[0].mac), "00AB12CD34EF");

    EXPECT_EQ(Add(Bytes(MakeRecord("00ab12cd34ef1", "N2"))), ScanReplyOutcome::LongMac);
    // A mac that runs over its field into the ip bytes is longer still.
    auto datagram = Bytes(MakeRecord("", "N3"));
    std::fill_n(datagram.begin(), 20, std::uint8_t{'A'});
    EXPECT_EQ(Add(datagram), ScanReplyOutcome::LongMac);
    EXPECT_EQ(table->count, 1);
}

TEST_F(ScanReplyTest, DuplicatesNeedTheSameNumberAndTheSameMac) {
    const auto record = MakeRecord("001122334455", "DEV1");
    EXPECT_EQ(Add(Bytes(record)), ScanReplyOutcome::Appended);
    // broadcast + multicast answers of two passes
    EXPECT_EQ(Add(Bytes(record)), ScanReplyOutcome::Duplicate);
    EXPECT_EQ(Add(Bytes(record, 300)), ScanReplyOutcome::Duplicate);
    // the mac is compared after upper-casing
    EXPECT_EQ(Add(Bytes(MakeRecord("001122334455", "DEV1"))), ScanReplyOutcome::Duplicate);
    EXPECT_EQ(Add(Bytes(MakeRecord("aabbcc", "X"))), ScanReplyOutcome::Appended);
    EXPECT_EQ(Add(Bytes(MakeRecord("AABBCC", "X"))), ScanReplyOutcome::Duplicate);

    EXPECT_EQ(Add(Bytes(MakeRecord("001122334466", "DEV1"))), ScanReplyOutcome::Appended);
    EXPECT_EQ(Add(Bytes(MakeRecord("001122334455", "DEV2"))), ScanReplyOutcome::Appended);
    EXPECT_EQ(table->count, 4);

    // An index rebuilt from the table (next pass) still knows them.
    ScanDuplicateIndex rebuilt;
    rebuilt.Rebuild(*table);
    EXPECT_TRUE(rebuilt.Contains(MakeRecord("001122334466", "DEV1")));
    EXPECT_FALSE(rebuilt.Contains(MakeRecord("001122334466", "DEV3")));
}

TEST_F(ScanReplyTest, CountsAndVersionAreNormalised) {
    auto record = MakeRecord("01", "A");
    record.videoChannels = -3;
    record.extraCount1 = 0;
    record.extraCount2 = -1;
    SetFieldText(record.version, "3.1.2");
    ASSERT_EQ(Add(Bytes(record)), ScanReplyOutcome::Appended);
    const auto& stored = table->records[0];
    EXPECT_EQ(stored.videoChannels, 1);
    EXPECT_EQ(stored.extraCount1, 1);
    EXPECT_EQ(stored.extraCount2, 2);
    EXPECT_EQ(FieldText(stored.version), "1.0.0.0-3.1.2");

    // Positive counts stay; versions with "-" stay.
    auto kept = MakeRecord("02", "B");
    SetFieldText(kept.version, "1.0.0.0-3.1.2");
    ASSERT_EQ(Add(Bytes(kept)), ScanReplyOutcome::Appended);
    EXPECT_EQ(table->records[1].videoChannels, 4);
    EXPECT_EQ(table->records[1].extraCount1, 3);
    EXPECT_EQ(table->records[1].extraCount2, 5);
    EXPECT_EQ(FieldText(table->records[1].version), "1.0.0.0-3.1.2");

    // A prefix means the version is never changed.
    auto prefixed = MakeRecord("03", "C");
    SetFieldText(prefixed.version, "2.0.3");
    SetFieldText(prefixed.versionPrefix, "K1");
    ASSERT_EQ(Add(Bytes(prefixed)), ScanReplyOutcome::Appended);
    EXPECT_EQ(FieldText(table->records[2].version), "2.0.3");

    // A 24-byte version without "-" is cut to the field.
    auto full = MakeRecord("04", "D");
    full.version.fill('9');
    ASSERT_EQ(Add(Bytes(full)), ScanReplyOutcome::Appended);
    EXPECT_EQ(FieldText(table->records[3].version), "1.0.0.0-999999999999999");
}

TEST_F(ScanReplyTest, TableKeepsTheFirst5001Devices) {
    for (int i = 0; i < 5001; ++i)
        ASSERT_EQ(Add(Bytes(MakeRecord("M" + std::to_string(i), "N"))), ScanReplyOutcome::Appended);
    EXPECT_EQ(Add(Bytes(MakeRecord("NEW", "N"))), ScanReplyOutcome::TableFull);
    EXPECT_EQ(table->count, 5001);
    EXPECT_EQ(FieldText(table->records[5000].mac), "M5000");
}

TEST(ScanReplyWaitTest, SettingGivesTheQuietWait) {
    using std::chrono::microseconds;
    EXPECT_EQ(ScanReplyWait(1500), microseconds(1'500'000));
    EXPECT_EQ(ScanReplyWait(1), microseconds(1000));
    EXPECT_EQ(ScanReplyWait(0), microseconds(500'000));
    EXPECT_EQ(ScanReplyWait(-5), microseconds(500'000));
}

// Random datagrams of every length a receive can deliver: nothing crashes,
// only acceptable lengths are appended and the table never passes 5001.
TEST(ScanReplyRandomTest, EveryLengthUpTo1500) {
    auto table = std::make_unique<DeviceTable>();
    // Close to full, so the limit is reached on the way.
    for (int i = 0; i < 4900; ++i) table->Append(MakeRecord("F" + std::to_string(i), "FULL"));
    ScanDuplicateIndex index;
    index.Rebuild(*table);
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    int appended = 0;
    for (int round = 0; round < 5; ++round) {
        for (std::size_t length = 0; length <= 1500; ++length) {
            std::vector<std::uint8_t> datagram(length);
            for (auto& b : datagram) b = static_cast<std::uint8_t>(byte(random));
            // Half the datagrams get a short mac so some pass the mac check.
            if (length > 8 && (length + static_cast<std::size_t>(round)) % 2 == 0) datagram[byte(random) % 8] = 0;
            const auto outcome = AddScanReply(*table, index, datagram);
            if (length < 12 || length > 504) {
                EXPECT_EQ(outcome, ScanReplyOutcome::BadLength) << length;
            }
            if (outcome == ScanReplyOutcome::Appended) ++appended;
            ASSERT_LE(table->count, 5001);
        }
    }
    EXPECT_EQ(table->count, 5001);
    EXPECT_EQ(appended, 101);
}

}  // namespace
}  // namespace ostrand

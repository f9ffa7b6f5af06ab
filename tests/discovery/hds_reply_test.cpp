#include "discovery/hds_reply.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "discovery/hds_search.h"

namespace ostrand {
namespace {

const std::string kReply =
    "HDS/1.0 200 OK\r\nCSeq:1\r\nMAC=00:11:22:aa:bb:cc\r\nIP=192.168.1.64\r\nMASK=255.255.255.0\r\n"
    "Gateway=192.168.1.1\r\nSoftware-Version=V5.4.0 build 160530\r\n\r\n";

TEST(HdsRequestTest, TextCarriesSequenceAndClientId) {
    EXPECT_EQ(BuildHdsRequest(7, "cdefghijklmnopqrcdefghijklmnopqr"),
              "SEARCH * HDS/1.0\r\nCSeq:7\r\nClient-ID:cdefghijklmnopqrcdefghijklmnopqr\r\n"
              "Accept-Type:text/HDP\r\nContent-Length:0\r\n\r\n");
}

TEST(HdsRequestTest, ClientIdIs32LettersFromCToR) {
    std::mt19937 random(1);
    bool sawC = false, sawR = false;
    for (int i = 0; i < 50; ++i) {
        const auto id = MakeHdsClientId(random);
        ASSERT_EQ(id.size(), 32u);
        for (char c : id) {
            ASSERT_GE(c, 'c');
            ASSERT_LE(c, 'r');
            sawC |= c == 'c';
            sawR |= c == 'r';
        }
    }
    EXPECT_TRUE(sawC && sawR);
    EXPECT_EQ(HdsSearchState::Create().sequence, 1);
}

TEST(HdsReplyTest, KeysFillTheRecordAndNothingElse) {
    const auto record = ParseHdsReply(kReply);
    EXPECT_EQ(FieldText(record.mac), "001122AABBCC");
    EXPECT_EQ(FieldText(record.ip), "192.168.1.64");
    EXPECT_EQ(FieldText(record.subnetMask), "255.255.255.0");
    EXPECT_EQ(FieldText(record.gateway), "192.168.1.1");
    EXPECT_EQ(FieldText(record.version), "V5.4.0 build 160530");
    DeviceRecord expected;
    expected.mac = record.mac;
    expected.ip = record.ip;
    expected.subnetMask = record.subnetMask;
    expected.gateway = record.gateway;
    expected.version = record.version;
    EXPECT_EQ(record, expected);
}

TEST(HdsReplyTest, ValueWithoutLineEndIsEmpty) {
    const auto record = ParseHdsReply("MAC=0A0B\r\nIP=1.2.3.4\r\nSoftware-Version=V1.2");
    EXPECT_EQ(FieldText(record.version), "");
    EXPECT_EQ(FieldText(record.ip), "1.2.3.4");
    EXPECT_EQ(HdsValue("IP=1.2.3.4", "IP="), "");
    EXPECT_EQ(HdsValue("MASK=1\r\n", "IP="), "");
}

TEST(HdsReplyTest, LongValuesAreCutToTheirFieldWithoutTerminator) {
    const auto record =
        ParseHdsReply("MAC=00:11:22:33:44:55:66:77:88:99\r\nIP=123.123.123.123.12345\r\n"
                      "Software-Version=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n");
    EXPECT_EQ(FieldText(record.ip), "123.123.123.123.");  // 16 of 20 bytes, no terminator
    EXPECT_EQ(record.ip[15], '.');
    EXPECT_EQ(FieldText(record.mac), "0011223344556677");
    EXPECT_EQ(FieldText(record.version), "ABCDEFGHIJKLMNOPQRSTUVWX");
}

TEST(HdsReplyTest, TextEndsAtTheFirstZeroByte) {
    const std::string reply = std::string("IP=1.1.1.1\r\n") + '\0' + "MAC=AA\r\n";
    EXPECT_EQ(FieldText(ParseHdsReply(reply).mac), "");
}

TEST(HdsMergeTest, MergesByMacAgainstScanAndEarlierReplies) {
    auto table = std::make_unique<DeviceTable>();
    DeviceRecord scanned;
    SetFieldText(scanned.mac, "001122AABBCC");
    SetFieldText(scanned.deviceNumber, "CAM1");
    scanned.commandPort = 80;
    table->Append(scanned);

    HdsMacIndex index;
    index.Rebuild(*table);
    EXPECT_EQ(MergeHdsReply(*table, index, kReply), HdsMergeOutcome::KnownMac);

    const std::string other = "MAC=00:11:22:aa:bb:cd\r\nIP=10.0.0.9\r\n";
    EXPECT_EQ(MergeHdsReply(*table, index, other), HdsMergeOutcome::Appended);
    EXPECT_EQ(MergeHdsReply(*table, index, other), HdsMergeOutcome::KnownMac);
    ASSERT_EQ(table->count, 2);
    const auto& added = table->records[1];
    EXPECT_EQ(FieldText(added.mac), "001122AABBCD");
    // no normalisation for HDS devices
    EXPECT_EQ(added.videoChannels, 0);
    EXPECT_EQ(added.commandPort, 0);
    EXPECT_EQ(added.attendType, 0);

    // Replies without a MAC: the first is listed, later ones are duplicates of it.
    EXPECT_EQ(MergeHdsReply(*table, index, "IP=1.2.3.4\r\n"), HdsMergeOutcome::Appended);
    EXPECT_EQ(MergeHdsReply(*table, index, "IP=1.2.3.5\r\n"), HdsMergeOutcome::KnownMac);
    EXPECT_EQ(table->count, 3);
}

TEST(HdsMergeTest, FullTableIgnoresReplies) {
    auto table = std::make_unique<DeviceTable>();
    for (int i = 0; i < 5001; ++i) {
        DeviceRecord record;
        SetFieldText(record.mac, "M" + std::to_string(i));
        table->Append(record);
    }
    HdsMacIndex index;
    index.Rebuild(*table);
    EXPECT_EQ(MergeHdsReply(*table, index, "MAC=FFFF\r\n"), HdsMergeOutcome::TableFull);
    EXPECT_EQ(table->count, 5001);
}

}  // namespace
}  // namespace ostrand

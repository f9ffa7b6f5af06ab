// Frame layouts of the TCP channels: what the tool writes and what it accepts.

#include <gtest/gtest.h>

#include "transport/frames.h"

namespace ostrand {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(FramesTest, CommandFrameWrapsDocumentWithLengthAndZeros) {
    EXPECT_EQ(BuildCommandFrame("<a/>"), Bytes({6, 0, 0, 0, 0}) + "<a/>" + Bytes({0}));
    EXPECT_EQ(BuildFlatFrame("<a/>"), Bytes({4, 0, 0, 0}) + "<a/>");
}

TEST(FramesTest, CommandDocumentIsLimitedToWhatArrived) {
    const std::string frame = BuildCommandFrame("<abc/>");
    EXPECT_EQ(CommandFrameDocument(frame), "<abc/>");
    EXPECT_EQ(CommandFrameDocument(frame.substr(0, 8)), "<ab");
    EXPECT_EQ(CommandFrameDocument(frame.substr(0, 4)), "");
    EXPECT_EQ(CommandFrameDocument(Bytes({1, 0, 0, 0, 0, 'x'})), "");
    EXPECT_EQ(CommandFrameDocument(Bytes({0xff, 0xff, 0xff, 0xff, 0, 'x'})), "");
}

TEST(FramesTest, ProbeTellsCompleteIncompleteAndInvalid) {
    EXPECT_EQ(ProbeFrame("ab", 100).state, FrameState::Incomplete);
    EXPECT_EQ(ProbeFrame(Bytes({2, 0, 0, 0, 1}), 100).state, FrameState::Incomplete);
    const FrameProbe complete = ProbeFrame(Bytes({2, 0, 0, 0, 1, 2, 3}), 100);
    EXPECT_EQ(complete.state, FrameState::Complete);
    EXPECT_EQ(complete.totalSize, 6u);
    EXPECT_EQ(ProbeFrame(Bytes({0xff, 0xff, 0xff, 0xff}), 100).state, FrameState::Invalid);
    EXPECT_EQ(ProbeFrame(Bytes({97, 0, 0, 0}), 100).state, FrameState::Invalid);
}

TEST(FramesTest, FlatReplyIsBareOrFramed) {
    EXPECT_TRUE(IsBareXmlReply("<?xml version"));
    EXPECT_FALSE(IsBareXmlReply("<?xml"));
    EXPECT_EQ(FlatReplyDocument("<?xml x?><a/>"), "<?xml x?><a/>");
    EXPECT_EQ(FlatReplyDocument(BuildFlatFrame("<a/>")), "<a/>");
    EXPECT_EQ(FlatReplyDocument("abc"), "");
}

TEST(FramesTest, UploadPacketsRoundTripAndCountRoundsUp) {
    EXPECT_EQ(UploadPacketCount(1), 1u);
    EXPECT_EQ(UploadPacketCount(65536), 1u);
    EXPECT_EQ(UploadPacketCount(65537), 2u);
    EXPECT_EQ(UploadPacketCount(131072), 2u);

    const std::string packet = BuildUploadPacket(7, "xyz");
    EXPECT_EQ(packet, Bytes({13, 0, 0, 0, 3, 7, 0, 0, 0, 3, 0, 0, 0}) + "xyz" + Bytes({0}));
    const auto parsed = ParseUploadPacket(packet);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->number, 7u);
    EXPECT_EQ(parsed->data, "xyz");
    EXPECT_FALSE(ParseUploadPacket(packet.substr(0, packet.size() - 1)));
    std::string lying = packet;
    lying[9] = 9;  // n larger than the frame
    EXPECT_FALSE(ParseUploadPacket(lying));

    EXPECT_TRUE(IsUploadAck(BuildUploadAck(true)));
    EXPECT_FALSE(IsUploadAck(BuildUploadAck(false)));
    EXPECT_FALSE(IsUploadAck(BuildUploadAck(true) + "x"));  // not exactly one frame
}

TEST(FramesTest, ExportFramesRoundTrip) {
    EXPECT_EQ(BuildExportRequest(5), Bytes({3, 0, 0, 0, 5, 1, 0}));
    EXPECT_EQ(ParseExportRequest(BuildExportRequest(4)), std::optional<std::uint8_t>(4));
    EXPECT_EQ(BuildExportAck(2, true), Bytes({4, 0, 0, 0, 2, 2, 1, 0}));
    const auto ack = ParseExportAck(BuildExportAck(4, false));
    ASSERT_TRUE(ack);
    EXPECT_FALSE(ack->last);

    const ExportBegin begin{5, 1, 0, 20971520, 81};
    const auto parsed = ParseExportBegin(BuildExportBegin(begin));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->totalSize, 20971520u);
    EXPECT_EQ(parsed->totalPackets, 81u);
    EXPECT_FALSE(ParseExportBegin(BuildExportBegin(begin).substr(0, 10)));

    const std::string data = BuildExportData(5, 3, "hello");
    const auto chunk = ParseExportData(data);
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->number, 3u);
    EXPECT_EQ(chunk->data, "hello");
    std::string lying = data;
    lying[10] = 50;
    EXPECT_FALSE(ParseExportData(lying));
}

TEST(FramesTest, InboundFramesAreClassified) {
    EXPECT_EQ(ClassifyInboundFrame(BuildCommandFrame("<a/>")), InboundFrameKind::Command);
    EXPECT_EQ(ClassifyInboundFrame(BuildFlatFrame("<a/>")), InboundFrameKind::Flat);
    EXPECT_EQ(ClassifyInboundFrame(BuildUploadPacket(1, "x")), InboundFrameKind::UploadPacket);
    EXPECT_EQ(ClassifyInboundFrame(BuildExportRequest(2)), InboundFrameKind::ExportRequest);
    EXPECT_EQ(ClassifyInboundFrame(BuildExportAck(2, true)), InboundFrameKind::ExportAck);
    EXPECT_EQ(ClassifyInboundFrame(Bytes({1, 0, 0, 0, 9})), InboundFrameKind::Unknown);
}

}  // namespace
}  // namespace ostrand

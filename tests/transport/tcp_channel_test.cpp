// The framed TCP command channel against scripted devices on loopback.

#include <gtest/gtest.h>

#include "platform/message_sink.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/frames.h"
#include "transport/tcp_channel.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::ScriptedPeer;

TransportTimeouts ShortWaits() { return test::ShortChannelWaits(); }

std::string ReplyFrame(const ParamMap& entries, CommandCode code = 5000) {
    return BuildCommandFrame(EncodeCommandXml(entries, code));
}

class TcpChannelTest : public ::testing::Test {
protected:
    ScopedTransportTimeouts waits_{ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
};

TEST_F(TcpChannelTest, RequestFrameCarriesTheCommandDocumentAndReplyIsDecoded) {
    std::string seen;
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        seen = test::ReadFrame(socket);
        socket.SendAll(ReplyFrame({{"result", "10000"}, {"name", "cam"}}));
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_TRUE(SendXmlCommand(endpoint, {{"b", "1"}, {"a", "2"}}, reply, 5021));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(seen, BuildCommandFrame(EncodeCommandXml({{"a", "2"}, {"b", "1"}}, 5021)));
    EXPECT_EQ(reply["result"], "10000");
    EXPECT_EQ(reply["name"], "cam");
    EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(TcpChannelTest, EmptyRequestStillSendsACompleteDocument) {
    std::string seen;
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        seen = test::ReadFrame(socket);
        socket.SendAll(ReplyFrame({}));  // no params: success, nothing added
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 7003), kTransportOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_NE(CommandFrameDocument(seen).find("<params />"), std::string_view::npos);
    EXPECT_TRUE(reply.empty());
}

TEST_F(TcpChannelTest, RefusedConnectionReportsConnectFailure) {
    DeviceEndpoint endpoint{"127.0.0.1", test::RefusingPort()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportConnectFailed);
    EXPECT_FALSE(SendXmlCommand(endpoint, {}, reply, 5000));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Connect Server Fail"});

    DeviceEndpoint notAnAddress{"device.local", 60005};
    EXPECT_EQ(SendXmlCommandCoded(notAnAddress, {}, reply, 5000), kTransportConnectFailed);
}

TEST_F(TcpChannelTest, SilentDeviceGetsThreeIdenticalSendsThenTimeout) {
    std::string seen;
    ScriptedPeer peer({[&](net::TcpSocket& socket) { seen = test::ReadUntilClosed(socket); }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendXmlCommand(endpoint, {{"k", "v"}}, reply, 5008));
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(peer.WaitDone());
    const std::string frame = BuildCommandFrame(EncodeCommandXml({{"k", "v"}}, 5008));
    EXPECT_EQ(seen, frame + frame + frame);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Recv Data Timeout！"});
    EXPECT_GE(took, 3 * 150ms);
    EXPECT_LT(took, 3s);
}

TEST_F(TcpChannelTest, LateReplyAfterResendIsTaken) {
    int frames = 0;
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        frames += !test::ReadFrame(socket).empty();
        frames += !test::ReadFrame(socket).empty();  // the resend after the first wait
        socket.SendAll(ReplyFrame({{"result", "10000"}}));
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(reply["result"], "10000");
}

TEST_F(TcpChannelTest, ReplySplitIntoManySegmentsIsJoined) {
    ParamMap big;
    for (int i = 0; i < 60; ++i) big["key" + std::to_string(i)] = std::string(60, 'v');
    const std::string frame = ReplyFrame(big);
    ASSERT_GT(frame.size(), 4000u);
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        test::ReadFrame(socket);
        test::SendInPieces(socket, frame, 6);
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportOk);
    EXPECT_EQ(reply, big);
}

TEST_F(TcpChannelTest, LengthArrivingByteByByteIsStillRead) {
    const std::string frame = ReplyFrame({{"result", "10000"}});
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        test::ReadFrame(socket);
        test::SendInPieces(socket, frame.substr(0, 3), 3, 10ms);
        socket.SendAll(frame.substr(3));
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportOk);
    EXPECT_EQ(reply["result"], "10000");
}

TEST_F(TcpChannelTest, PartialReplyThenSilenceEndsWithinTheWait) {
    const std::string frame = ReplyFrame({{"result", "10000"}});
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        test::ReadFrame(socket);
        socket.SendAll(frame.substr(0, frame.size() / 2));
        test::ReadUntilClosed(socket);
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendXmlCommand(endpoint, {}, reply, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"xml data is Err"});
}

TEST_F(TcpChannelTest, BadRepliesGiveTheirResults) {
    ScriptedPeer peer({
        [](net::TcpSocket& socket) {
            test::ReadFrame(socket);
            socket.SendAll(BuildCommandFrame("this is not xml"));
        },
        [](net::TcpSocket& socket) { test::ReadFrame(socket); },  // closes without a reply
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportUndecodable);
    EXPECT_FALSE(SendXmlCommand(endpoint, {}, reply, 5000));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Recv Data Err"});
}

TEST_F(TcpChannelTest, RequestTooLargeForItsFrameIsRefusedUnsent) {
    ScriptedPeer peer({[](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 300ms); }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {{"data", std::string(2000, 'x')}}, reply, 5000),
              kTransportBadParameter);
    EXPECT_TRUE(sink_.Texts().empty());  // the coded call's caller shows the result
    EXPECT_FALSE(SendXmlCommand(endpoint, {{"data", std::string(2000, 'x')}}, reply, 5000));
    EXPECT_EQ(sink_.Texts().size(), 1u);
    EXPECT_EQ(peer.Connections(), 0);
}

TEST_F(TcpChannelTest, FlatExchangeTakesFramedAndBareReplies) {
    const std::string document = "<?xml version=\"1.0\" encoding=\"GBK\" ?><Probe><uuid>u1</uuid></Probe>";
    std::string seen;
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {
            seen = test::ReadFrame(socket);
            test::SendInPieces(socket, BuildFlatFrame(document), 3);
        },
        [&](net::TcpSocket& socket) {
            test::ReadFrame(socket);
            test::SendInPieces(socket, document, 2);
        },
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap framed;
    EXPECT_EQ(SendFlatXmlCommand(framed, endpoint, {{"ip", "1.2.3.4"}}), kTransportOk);
    EXPECT_EQ(seen, BuildFlatFrame(EncodeFlatXml({{"ip", "1.2.3.4"}})));
    EXPECT_EQ(framed["Probe"], "root");
    EXPECT_EQ(framed["uuid"], "u1");

    ParamMap bare;
    EXPECT_EQ(SendFlatXmlCommand(bare, endpoint, {}), kTransportOk);
    EXPECT_EQ(bare["uuid"], "u1");
}

TEST_F(TcpChannelTest, FlatExchangeWithSilentDeviceSucceedsEmptyAfterOneSend) {
    std::string seen;
    ScriptedPeer silent({[&](net::TcpSocket& socket) { seen = test::ReadUntilClosed(socket); }});
    DeviceEndpoint endpoint{silent.Ip(), silent.Port()};
    ParamMap reply;
    EXPECT_EQ(SendFlatXmlCommand(reply, endpoint, {}), kTransportOk);
    ASSERT_TRUE(silent.WaitDone());
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(seen, BuildFlatFrame(EncodeFlatXml({})));  // sent once, never again
}

TEST_F(TcpChannelTest, FlatExchangeWithBrokenReplyIsUndecodable) {
    ScriptedPeer peer({[](net::TcpSocket& socket) {
        test::ReadFrame(socket);
        socket.SendAll(BuildFlatFrame("<broken"));
    }});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    ParamMap reply;
    EXPECT_EQ(SendFlatXmlCommand(reply, endpoint, {}), kTransportUndecodable);
}

}  // namespace
}  // namespace ostrand

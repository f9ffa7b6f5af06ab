// The HTTP form channel and its switch to TCP, against scripted devices.

#include <gtest/gtest.h>

#include "platform/message_sink.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/form_channel.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::HttpRequestSeen;
using test::ScriptedPeer;

TransportTimeouts ShortWaits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.httpFormReceiveTimeout = 1000ms;
    return timeouts;
}

const std::string kFixedPair = std::string(kFixedFormKey) + "=" + kFixedFormValue;

class FormChannelTest : public ::testing::Test {
protected:
    ScopedTransportTimeouts waits_{ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
};

ScriptedPeer::Handler Answer(HttpRequestSeen& seen, int status, std::string body) {
    return [&seen, status, body](net::TcpSocket& socket) {
        seen = test::ReadHttpRequest(socket);
        socket.SendAll(test::HttpResponse(status, body));
    };
}

TEST_F(FormChannelTest, PostSendsRequestLineSingleHeaderAndBodyWithTheFixedPair) {
    HttpRequestSeen seen;
    ScriptedPeer peer({Answer(seen, 200, "?result=10000&errmsg=ok\n")});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap request{{"devname", "x"}};
    ParamMap reply;
    EXPECT_TRUE(PostFormCommand(target, "setDeviceName", request, reply));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(seen.requestLine, "POST /goform/setDeviceName HTTP/1.1");
    EXPECT_EQ(seen.Header("Content-Type"), "application/x-www-form-urlencoded;");
    EXPECT_EQ(seen.Header("Accept"), "");
    EXPECT_EQ(seen.body, "?" + kFixedPair + "&devname=x");
    EXPECT_EQ(request[kFixedFormKey], kFixedFormValue);  // the pair stays in the caller's map
    EXPECT_EQ(reply["result"], "10000");
    EXPECT_EQ(reply["errmsg"], "ok");
}

TEST_F(FormChannelTest, EmptyPostCarriesOnlyTheFixedPairAndBodyIsUtf8) {
    HttpRequestSeen empty;
    HttpRequestSeen chinese;
    ScriptedPeer peer({Answer(empty, 200, ""), Answer(chinese, 200, "")});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap request;
    ParamMap reply;
    EXPECT_EQ(PostFormCommandCoded(target, "httpRestart", request, reply), kTransportOk);
    ParamMap named{{"devname", "\xd6\xd0"}};  // GBK for U+4E2D
    EXPECT_EQ(PostFormCommandCoded(target, "x", named, reply), kTransportOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(empty.body, "?" + kFixedPair);
    EXPECT_EQ(chinese.body, "?" + kFixedPair + "&devname=\xe4\xb8\xad");
    EXPECT_TRUE(reply.empty());  // an empty 200 adds nothing
}

TEST_F(FormChannelTest, GetHasNoBodyAndJoinsReplyLines) {
    HttpRequestSeen seen;
    ScriptedPeer peer({Answer(seen, 200, "?ip=1.2.3.4&\r\nmask=255.0.0.0\n")});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap reply;
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(seen.requestLine, "GET /goform/getnetparam HTTP/1.1");
    EXPECT_EQ(seen.Header("Content-Type"), "application/x-www-form-urlencoded;");
    EXPECT_EQ(seen.body, "");
    EXPECT_EQ(reply["ip"], "1.2.3.4");
    EXPECT_EQ(reply["mask"], "255.0.0.0");
}

TEST_F(FormChannelTest, ErrorStatusIsReportedOnlyByPost) {
    HttpRequestSeen seen;
    ScriptedPeer peer({Answer(seen, 404, "?result=10000"), Answer(seen, 404, ""), Answer(seen, 500, ""),
                       Answer(seen, 404, "")});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap request;
    ParamMap reply;
    EXPECT_FALSE(PostFormCommand(target, "a", request, reply));
    EXPECT_EQ(PostFormCommandCoded(target, "a", request, reply), kTransportFailed);
    EXPECT_FALSE(GetFormCommand(target, "a", reply));
    EXPECT_EQ(GetFormCommandCoded(target, "a", reply), kTransportFailed);
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"POST出错，错误码：404"});
}

TEST_F(FormChannelTest, HttpLayerFailureIsShownOnlyByBoolCalls) {
    CommandTarget target("127.0.0.1", test::RefusingPort());
    CommandTarget portZero("127.0.0.1", 0);  // a device found only by the HDS search
    ParamMap request;
    ParamMap reply;
    std::string detail;
    EXPECT_EQ(PostFormCommandCoded(target, "a", request, reply, &detail), kTransportFailed);
    EXPECT_NE(detail.find("onnect"), std::string::npos) << detail;
    EXPECT_EQ(GetFormCommandCoded(portZero, "a", reply), kTransportFailed);
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_FALSE(GetFormCommand(target, "a", reply));
    const auto texts = sink_.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("onnect"), std::string::npos) << texts[0];
}

TEST_F(FormChannelTest, EmptyIpOrNameIsABadParameterWithoutMessage) {
    CommandTarget noIp("", 80);
    CommandTarget target("127.0.0.1", 80);
    ParamMap request;
    ParamMap reply;
    EXPECT_EQ(PostFormCommandCoded(noIp, "a", request, reply), kTransportBadParameter);
    EXPECT_EQ(GetFormCommandCoded(target, "", reply), kTransportBadParameter);
    EXPECT_FALSE(PostFormCommand(target, "", request, reply));
    EXPECT_FALSE(PostFormNoReply(noIp, "httpRestart"));
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_TRUE(request.empty());
}

TEST_F(FormChannelTest, InjectingOrOversizedRequestsAreRefusedUnsent) {
    ScriptedPeer peer({[](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 300ms); }});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap reply;
    ParamMap ampersandValue{{"name", "a&admin=1"}};
    ParamMap equalsKey{{"na=me", "1"}};
    ParamMap tooLong{{"name", std::string(960, 'x')}};
    EXPECT_EQ(PostFormCommandCoded(target, "a", ampersandValue, reply), kTransportBadParameter);
    EXPECT_FALSE(PostFormCommand(target, "a", equalsKey, reply));
    EXPECT_EQ(PostFormCommandCoded(target, "a", tooLong, reply), kTransportBadParameter);
    EXPECT_EQ(sink_.Texts().size(), 1u);  // only the bool call shows its refusal
    EXPECT_EQ(peer.Connections(), 0);

    // "=" inside a value travels as it is.
    HttpRequestSeen seen;
    ScriptedPeer accepting({Answer(seen, 200, "")});
    CommandTarget other(accepting.Ip(), accepting.Port());
    ParamMap equalsValue{{"expr", "a=b"}};
    EXPECT_EQ(PostFormCommandCoded(other, "a", equalsValue, reply), kTransportOk);
    ASSERT_TRUE(accepting.WaitDone());
    EXPECT_EQ(seen.body, "?" + kFixedPair + "&expr=a=b");
}

TEST_F(FormChannelTest, Port60005MapsNamedCommandsToTcpAndOthersFallThroughToHttp) {
    const std::string ip = test::PrivateLoopbackAddress(7);
    std::string tcpFrame;
    HttpRequestSeen httpSeen;
    ScriptedPeer peer(
        {[&](net::TcpSocket& socket) {
             tcpFrame = test::ReadFrame(socket);
             socket.SendAll(BuildCommandFrame(EncodeCommandXml({{"result", "10000"}}, 5000)));
         },
         [&](net::TcpSocket& socket) {
             tcpFrame += test::ReadFrame(socket);
             socket.SendAll(BuildCommandFrame(EncodeCommandXml({{"result", "10000"}}, 5001)));
         },
         Answer(httpSeen, 200, "?result=10000")},
        ip, static_cast<std::uint16_t>(kTcpCommandPort));
    ASSERT_EQ(peer.Port(), kTcpCommandPort);
    CommandTarget target(ip, kTcpCommandPort);

    ParamMap reply;
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
    ParamMap request{{"ip", "1.2.3.4"}};
    EXPECT_TRUE(PostFormCommand(target, "setnetparam_v1", request, reply));
    EXPECT_EQ(request.count(kFixedFormKey), 0u);  // TCP requests do not carry the pair

    ParamMap fallThrough;
    EXPECT_TRUE(PostFormCommand(target, "getdevinfo", fallThrough, reply));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(tcpFrame, BuildCommandFrame(EncodeCommandXml({{"result", "10000"}}, 5000)) +
                            BuildCommandFrame(EncodeCommandXml({{"ip", "1.2.3.4"}}, 5001)));
    EXPECT_EQ(httpSeen.requestLine, "POST /goform/getdevinfo HTTP/1.1");
}

TEST_F(FormChannelTest, NoReplyPostReturnsAtOnceFromASilentDevice) {
    HttpRequestSeen seen;
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        seen = test::ReadHttpRequest(socket);
        test::ReadUntilClosed(socket, 2s);  // never answers
    }});
    CommandTarget target(peer.Ip(), peer.Port());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(PostFormNoReply(target, "httpRestart"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(seen.requestLine, "POST /goform/httpRestart HTTP/1.1");
    EXPECT_EQ(seen.Header("Content-Length"), "0");

    CommandTarget refused("127.0.0.1", test::RefusingPort());
    EXPECT_FALSE(PostFormNoReply(refused, "httpRestart"));
    EXPECT_EQ(sink_.Texts().size(), 1u);
}

TEST_F(FormChannelTest, RebootNamesTheHostAsEveryOtherRequestDoes) {
    const std::string ip = test::PrivateLoopbackAddress(13);
    HttpRequestSeen reboot;
    HttpRequestSeen get;
    ScriptedPeer peer({[&](net::TcpSocket& socket) { reboot = test::ReadHttpRequest(socket); },
                       Answer(get, 200, "")},
                      ip, 80);
    ASSERT_EQ(peer.Port(), 80);
    CommandTarget target(ip, 80);
    EXPECT_TRUE(PostFormNoReply(target, "httpRestart"));
    ParamMap reply;
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(get.Header("Host"), ip);
    EXPECT_EQ(reboot.Header("Host"), ip);
}

TEST(TransportResultTextTest, EveryResultHasItsText) {
    EXPECT_STREQ(TransportResultText(0), "成功");
    EXPECT_STREQ(TransportResultText(1), "连接服务失败");
    EXPECT_STREQ(TransportResultText(5), "接收返回消息失败");
    EXPECT_STREQ(TransportResultText(9), "参数错误");
    EXPECT_STREQ(TransportResultText(10), "失败");
    EXPECT_STREQ(TransportResultText(3), "未知错误");
}

}  // namespace
}  // namespace ostrand

namespace ostrand {
namespace {

TEST(FormChannelLimits, OverlongReplyEndsTheCommand) {
    RecordingMessageSink sink;
    ScopedMessageSink scope(sink);
    HttpRequestSeen seen;
    ScriptedPeer peer({Answer(seen, 200, "?a=" + std::string((16u << 20) + 10, 'x'))});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap reply;
    std::string detail;
    EXPECT_EQ(GetFormCommandCoded(target, "big", reply, &detail), kTransportFailed);
    EXPECT_TRUE(reply.empty());
    EXPECT_TRUE(sink.Texts().empty());
    EXPECT_NE(detail.find("longer than 16777216 bytes"), std::string::npos) << detail;
}

}  // namespace
}  // namespace ostrand

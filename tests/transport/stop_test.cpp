// The channels' waits under a raised stop: each kind of wait ends soon after
// the raise and the call fails as it does when the device does not answer at
// that point. An installed stop that is never raised changes nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/net/http_stream.h"
#include "platform/net/tcp_socket.h"
#include "platform/stop_signal.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kPeerIp = "127.61.0.1";
// From the raise to the call's return. Every wait here is 30 s long, so only
// the stop can end it this soon.
constexpr auto kPromptly = 400ms;
constexpr auto kRaiseAfter = 200ms;

TransportTimeouts LongWaits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.replyWait = 30s;
    timeouts.replyRestWait = 30s;
    timeouts.connectWait = 30s;
    timeouts.fileConnectWait = 30s;
    timeouts.fileReceiveWait = 30s;
    timeouts.httpConnectTimeout = 30s;
    timeouts.httpConnectBackoff = 30s;
    timeouts.httpFormReceiveTimeout = 30s;
    timeouts.httpFormDeadline = 60s;
    return timeouts;
}

// A device that takes the connection and never says a word.
test::ScriptedPeer::Handler Silent() {
    return [](net::TcpSocket& socket) { (void)test::ReadUntilClosed(socket, 5000ms); };
}

// A listener whose accept queue is full: a further connection's SYN goes
// unanswered, as for a device that is switched off.
struct FullListener {
    net::TcpListener listener;
    std::vector<net::TcpSocket> queued;

    FullListener() {
        listener = *net::TcpListener::Listen(kPeerIp, 0, 0);
        for (int i = 0; i < 8; ++i) {
            auto socket = net::TcpSocket::Connect(kPeerIp, listener.Port(), 100ms);
            if (!socket) return;  // the queue is full
            queued.push_back(std::move(*socket));
        }
    }
};

struct StopCase {
    const char* wait;
    bool silentPeer;  // else a full listener
    // Runs the call against the port; returns what the caller sees.
    std::function<std::string(std::uint16_t port)> call;
    std::string expected;
};

std::string Coded(TransportResult result) { return "result " + std::to_string(result); }

std::string LastMessage(const RecordingMessageSink& sink) {
    const auto texts = sink.Texts();
    return texts.empty() ? std::string("no message") : texts.back();
}

TEST(StopTest, EveryWaitEndsAtTheRaiseWithTheSilentDevicesFailure) {
    const std::vector<StopCase> cases = {
        {"TCP command reply", true,
         [](std::uint16_t port) {
             DeviceEndpoint endpoint{kPeerIp, port};
             ParamMap reply;
             return Coded(SendXmlCommandCoded(endpoint, {{"result", "10000"}}, reply, 5000));
         },
         Coded(kTransportReceiveFailed)},
        {"TCP command reply, shown", true,
         [](std::uint16_t port) {
             RecordingMessageSink sink;
             ScopedMessageSink installed(sink);
             DeviceEndpoint endpoint{kPeerIp, port};
             ParamMap reply;
             (void)SendXmlCommand(endpoint, {{"result", "10000"}}, reply, 5000);
             return LastMessage(sink);
         },
         "Recv Data Timeout！"},
        {"TCP connect", false,
         [](std::uint16_t port) {
             DeviceEndpoint endpoint{kPeerIp, port};
             ParamMap reply;
             return Coded(SendXmlCommandCoded(endpoint, {}, reply, 5000));
         },
         Coded(kTransportConnectFailed)},
        {"TCP flat reply", true,
         [](std::uint16_t port) {
             DeviceEndpoint endpoint{kPeerIp, port};
             ParamMap reply;
             const TransportResult result = SendFlatXmlCommand(reply, endpoint, {{"a", "1"}});
             return Coded(result) + (reply.empty() ? "" : ", a reply");
         },
         Coded(kTransportOk)},
        {"TCP export begin reply", true,
         [](std::uint16_t port) {
             RecordingMessageSink sink;
             ScopedMessageSink installed(sink);
             DeviceEndpoint endpoint{kPeerIp, port};
             const auto path = std::filesystem::temp_directory_path() / "ostrand_stop_export.bin";
             (void)ExportFileTcp(endpoint, path, 1);
             return LastMessage(sink);
         },
         "Recv Data Timeout，Export Fail"},
        {"HTTP form reply", true,
         [](std::uint16_t port) {
             CommandTarget target(kPeerIp, port);
             ParamMap reply;
             return Coded(GetFormCommandCoded(target, "getnetparam", reply));
         },
         Coded(kTransportFailed)},
        {"HTTP form connect", false,
         [](std::uint16_t port) {
             CommandTarget target(kPeerIp, port);
             ParamMap reply;
             return Coded(GetFormCommandCoded(target, "getnetparam", reply));
         },
         Coded(kTransportFailed)},
        {"HTTP connect back-off", true,
         [](std::uint16_t) {
             // Refused at once, then the 30 s back-off before the retry.
             CommandTarget target("127.0.0.1", test::RefusingPort());
             ParamMap reply;
             return Coded(GetFormCommandCoded(target, "getnetparam", reply));
         },
         Coded(kTransportFailed)},
        {"HTTP upload answer", true,
         [](std::uint16_t port) {
             RecordingMessageSink sink;
             ScopedMessageSink installed(sink);
             const auto path = std::filesystem::temp_directory_path() / "ostrand_stop_upload.bin";
             std::ofstream(path, std::ios::binary) << std::string(4096, 'u');
             const bool sent = UploadFileHttp(kPeerIp, port, path, "app.tar");
             std::filesystem::remove(path);
             return std::string(sent ? "sent" : "not sent: ") + LastMessage(sink);
         },
         "not sent: InternetException occur!\r\nno reply from 127.61.0.1"},
        {"HTTP stream head", true,
         [](std::uint16_t port) {
             net::HttpStream stream(-1);  // the thread's stop
             net::HttpStreamRequest request;
             request.url = "http://" + std::string(kPeerIp) + ":" + std::to_string(port) + "/video";
             const auto error = stream.Open(request, SteadyClock::now() + 30s);
             return std::string(error == net::HttpStreamError::Stopped ? "stopped" : "not stopped");
         },
         "stopped"},
        {"clock sleep", true,
         [](std::uint16_t) {
             SystemClock clock;
             clock.SleepFor(30s);
             return std::string("slept");
         },
         "slept"},
    };
    ScopedTransportTimeouts waits(LongWaits());
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.wait);
        std::optional<test::ScriptedPeer> peer;
        std::optional<FullListener> full;
        std::uint16_t port = 0;
        if (c.silentPeer) {
            peer.emplace(std::vector<test::ScriptedPeer::Handler>{Silent(), Silent(), Silent()}, kPeerIp);
            port = peer->Port();
        } else {
            full.emplace();
            port = full->listener.Port();
        }
        StopSignal stop;
        SteadyClock::time_point raised{};
        std::thread raiser([&] {
            std::this_thread::sleep_for(kRaiseAfter);
            raised = SteadyClock::now();
            stop.Raise();
        });
        std::string result;
        bool noted = false;
        {
            ScopedStop installed(stop);
            result = c.call(port);
            noted = installed.Stopped();
        }
        const auto returned = SteadyClock::now();
        raiser.join();
        EXPECT_EQ(result, c.expected);
        EXPECT_TRUE(noted) << "the wait did not note the stop";
        EXPECT_LT(returned - raised, kPromptly);
        EXPECT_EQ(CurrentStop(), nullptr);
    }
}

// Under a stop that nobody raises the exchanges are those without one: the
// same request on the wire and the same reply (HTTP runs another loop then).
TEST(StopTest, AnUnraisedStopChangesNeitherBytesNorResults) {
    ScopedTransportTimeouts waits(test::ShortChannelWaits());
    const auto exchange = [](bool underStop) {
        std::string seen;
        test::ScriptedPeer peer(
            {[&seen](net::TcpSocket& socket) {
                const test::HttpRequestSeen request = test::ReadHttpRequest(socket);
                seen = request.requestLine;
                for (const std::string& line : request.headerLines) seen += "|" + line;
                (void)socket.SendAll(test::HttpResponse(200, "?result=10000&ip=10.0.0.7"));
            }},
            kPeerIp);
        StopSignal stop;
        std::optional<ScopedStop> installed;
        if (underStop) installed.emplace(stop);
        CommandTarget target(kPeerIp, peer.Port());
        ParamMap reply;
        const TransportResult result = GetFormCommandCoded(target, "getnetparam", reply);
        EXPECT_TRUE(peer.WaitDone());
        const bool stopped = installed && installed->Stopped();
        // The port differs per peer; the Host header is compared without it.
        const std::string port = ":" + std::to_string(peer.Port());
        for (auto at = seen.find(port); at != std::string::npos; at = seen.find(port)) seen.erase(at, port.size());
        return seen + " => " + Coded(result) + " " + reply["ip"] + (stopped ? " stopped" : "");
    };
    const std::string without = exchange(false);
    EXPECT_NE(without.find("GET /goform/getnetparam HTTP/1.1"), std::string::npos) << without;
    EXPECT_EQ(exchange(true), without);
}

// Guards nest, and a wait notes the stop only in the guard it ran under.
TEST(StopTest, ScopedStopsNestAndNoteTheirOwnStops) {
    StopSignal outer;
    StopSignal inner;
    ScopedStop outerScope(outer);
    EXPECT_EQ(CurrentStop(), &outer);
    {
        ScopedStop innerScope(inner);
        EXPECT_EQ(CurrentStopDescriptor(), inner.Descriptor());
        inner.Raise();
        EXPECT_TRUE(CurrentStopRaised());
        SystemClock().SleepFor(10s);  // ends at once
        EXPECT_TRUE(innerScope.Stopped());
    }
    EXPECT_EQ(CurrentStop(), &outer);
    EXPECT_FALSE(CurrentStopRaised());
    EXPECT_FALSE(outerScope.Stopped());
    bool otherThreadSees = true;
    std::thread([&] { otherThreadSees = CurrentStop() != nullptr; }).join();
    EXPECT_FALSE(otherThreadSees);
}

}  // namespace
}  // namespace ostrand

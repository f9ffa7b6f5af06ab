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
#include "platform/stop_signal.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kPeerIp = "127.61.0.1";

// Every wait 30 s, so only the stop can end a call within kPromptly of it.
constexpr auto kPromptly = 400ms;
TransportTimeouts LongWaits() {
    TransportTimeouts t = test::ShortChannelWaits();
    t.replyWait = t.replyRestWait = t.fileReceiveWait = 30s;
    t.connectWait = t.fileConnectWait = 30s;
    t.httpConnectTimeout = t.httpConnectBackoff = t.httpFormReceiveTimeout = 30s;
    t.httpFormDeadline = 60s;
    return t;
}

// A listener whose accept queue is full: a further SYN goes unanswered, as
// for a device that is switched off.
struct FullListener {
    net::TcpListener listener = *net::TcpListener::Listen(kPeerIp, 0, 0);
    std::vector<net::TcpSocket> queued;
    FullListener() {
        while (queued.size() < 8) {
            auto socket = net::TcpSocket::Connect(kPeerIp, listener.Port(), 100ms);
            if (!socket) break;
            queued.push_back(std::move(*socket));
        }
    }
};

std::string Coded(TransportResult result) { return "result " + std::to_string(result); }

// The last message a call showed.
std::string Shown(const std::function<void()>& call) {
    RecordingMessageSink sink;
    ScopedMessageSink installed(sink);
    call();
    return sink.Texts().empty() ? "no message" : sink.Texts().back();
}

TEST(StopTest, EveryWaitEndsAtTheRaiseWithTheSilentDevicesFailure) {
    struct Case {
        const char* wait;
        bool silentPeer;  // else a full listener
        std::function<std::string(std::uint16_t port)> call;
        std::string expected;
    };
    const auto command = [](std::uint16_t port) {
        DeviceEndpoint endpoint{kPeerIp, port};
        ParamMap reply;
        return Coded(SendXmlCommandCoded(endpoint, {{"result", "10000"}}, reply, 5000));
    };
    const auto form = [](std::uint16_t port) {
        CommandTarget target(kPeerIp, port);
        ParamMap reply;
        return Coded(GetFormCommandCoded(target, "getnetparam", reply));
    };
    const std::vector<Case> cases = {
        {"TCP command reply (three sends)", true, command, Coded(kTransportReceiveFailed)},
        {"TCP connect", false, command, Coded(kTransportConnectFailed)},
        {"TCP flat reply", true,
         [](std::uint16_t port) {
             DeviceEndpoint endpoint{kPeerIp, port};
             ParamMap reply;
             return Coded(SendFlatXmlCommand(reply, endpoint, {{"a", "1"}})) + (reply.empty() ? "" : " + reply");
         },
         Coded(kTransportOk)},
        {"TCP export begin reply", true,
         [](std::uint16_t port) {
             DeviceEndpoint endpoint{kPeerIp, port};
             return Shown([&] { (void)ExportFileTcp(endpoint, fs::temp_directory_path() / "ostrand_stop.bin", 1); });
         },
         "Recv Data Timeout，Export Fail"},
        {"HTTP form reply", true, form, Coded(kTransportFailed)},
        {"HTTP form connect", false, form, Coded(kTransportFailed)},
        // Refused at once, then the 30 s back-off before the retry.
        {"HTTP connect back-off", true, [&](std::uint16_t) { return form(test::RefusingPort()); },
         Coded(kTransportFailed)},
        {"HTTP upload answer", true,
         [](std::uint16_t port) {
             const fs::path path = fs::temp_directory_path() / "ostrand_stop_upload.bin";
             std::ofstream(path, std::ios::binary) << std::string(4096, 'u');
             const std::string shown = Shown([&] { (void)UploadFileHttp(kPeerIp, port, path, "app.tar"); });
             fs::remove(path);
             return shown;
         },
         "InternetException occur!\r\nno reply from 127.61.0.1"},
        {"HTTP stream head", true,
         [](std::uint16_t port) {
             net::HttpStream stream(-1);  // takes the thread's stop
             net::HttpStreamRequest request;
             request.url = "http://" + std::string(kPeerIp) + ":" + std::to_string(port) + "/video";
             const bool stopped = stream.Open(request, SteadyClock::now() + 30s) == net::HttpStreamError::Stopped;
             return std::string(stopped ? "stopped" : "not stopped");
         },
         "stopped"},
    };
    ScopedTransportTimeouts waits(LongWaits());
    const auto silent = [](net::TcpSocket& socket) { (void)test::ReadUntilClosed(socket, 5000ms); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wait);
        std::optional<test::ScriptedPeer> peer;
        std::optional<FullListener> full;
        if (c.silentPeer) {
            peer.emplace(std::vector<test::ScriptedPeer::Handler>{silent, silent}, kPeerIp);
        } else {
            full.emplace();
        }
        StopSignal stop;
        SteadyClock::time_point raised{};
        std::thread raiser([&] {
            std::this_thread::sleep_for(200ms);
            raised = SteadyClock::now();
            stop.Raise();
        });
        std::string result;
        bool noted = false;
        {
            ScopedStop installed(stop);
            result = c.call(peer ? peer->Port() : full->listener.Port());
            noted = installed.Stopped();
        }
        const auto returned = SteadyClock::now();
        raiser.join();
        EXPECT_EQ(result, c.expected);
        EXPECT_TRUE(noted);
        EXPECT_LT(returned - raised, kPromptly);
    }
}

// Under a stop nobody raises, HTTP runs its own loop instead of libcurl's:
// the request on the wire and the reply are the same.
TEST(StopTest, AnUnraisedStopChangesNeitherBytesNorResults) {
    ScopedTransportTimeouts waits(test::ShortChannelWaits());
    const auto exchange = [](bool underStop) {
        std::string seen;
        test::ScriptedPeer peer({[&seen](net::TcpSocket& socket) {
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
        const std::string port = ":" + std::to_string(peer.Port());  // in the Host header, differs per peer
        for (auto at = seen.find(port); at != std::string::npos; at = seen.find(port)) seen.erase(at, port.size());
        return seen + " => " + Coded(result) + " " + reply["ip"];
    };
    const std::string without = exchange(false);
    EXPECT_NE(without.find("GET /goform/getnetparam HTTP/1.1"), std::string::npos) << without;
    EXPECT_EQ(exchange(true), without);
}

// Guards nest per thread; a wait notes the stop only in the guard it ran under.
TEST(StopTest, ScopedStopsNestPerThread) {
    StopSignal outer;
    StopSignal inner;
    ScopedStop outerScope(outer);
    {
        ScopedStop innerScope(inner);
        inner.Raise();
        SystemClock().SleepFor(10s);  // ends at once
        EXPECT_TRUE(innerScope.Stopped());
    }
    EXPECT_EQ(CurrentStop(), &outer);
    EXPECT_FALSE(CurrentStopRaised());
    EXPECT_FALSE(outerScope.Stopped());
    const StopSignal* seenElsewhere = &outer;
    std::thread([&] { seenElsewhere = CurrentStop(); }).join();
    EXPECT_EQ(seenElsewhere, nullptr);
}

}  // namespace
}  // namespace ostrand

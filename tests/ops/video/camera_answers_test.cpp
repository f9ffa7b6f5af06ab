// What a camera's answers do to one action of the preview: an HTTP status is
// an answer (shown, and the next command goes out), no answer ends the
// action, one deadline bounds every command of it, replies keep only the keys
// the action reads, and the status poll fails only when its call fails and
// never holds up a stop.

#include <gtest/gtest.h>

#include <atomic>

#include "fake_camera.h"
#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/ptz_control.h"
#include "ops/video/status_poller.h"
#include "platform/message_sink.h"
#include "transport/form_codec.h"
#include "transport/transport_settings.h"

namespace ostrand::video {
namespace {

using namespace std::chrono_literals;
using test::FakeCamera;
using Clock = std::chrono::steady_clock;

constexpr const char* kOpeningReads[] = {"getvideoparam", "getpwfreque",  "getvideocolparam", "getawbgain",
                                         "getAutoAwbType", "getNDsen",    "getBitRate",       "getFrate",
                                         "getAutoRate",    "getaudio",    "getPSKeyValue",    "getkeyframe"};

TransportTimeouts Waits(std::chrono::milliseconds formDeadline = 3000ms) {
    TransportTimeouts waits;
    waits.httpConnectTimeout = 1000ms;
    waits.httpConnectRetries = 0;
    waits.httpFormReceiveTimeout = 2000ms;
    waits.httpFormDeadline = formDeadline;
    return waits;
}

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::size_t SentCount(const WriteResult& result) {
    return static_cast<std::size_t>(
        std::count_if(result.sent.begin(), result.sent.end(), [](const CommandOutcome& o) { return !o.skipped; }));
}

class CameraAnswers : public ::testing::Test {
protected:
    RecordingMessageSink sink_;
    ScopedMessageSink sinkScope_{sink_};
};

TEST_F(CameraAnswers, AnHttpStatusIsAnAnswerAndNoAnswerEndsTheAction) {
    struct Row {
        const char* name;
        const char* failing;
        FakeCamera::Answer answer;
        std::size_t sent;          // commands that went out
        bool statusMessage;        // "POST出错，错误码：404" shown (else the HTTP layer's text)
        int lightness;             // what the colour read left on the slider
    };
    FakeCamera::Answer notFound;
    notFound.status = 404;
    notFound.body = "<html>404</html>";
    FakeCamera::Answer silent;
    silent.silent = true;
    const Row rows[] = {
        {"older firmware without getpwfreque", "getpwfreque", notFound, 12, true, 100},
        {"no colour read", "getvideocolparam", notFound, 12, true, 50},
        {"silent first read", "getvideoparam", silent, 1, false, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedTransportTimeouts waits(Waits(500ms));
        FakeCamera camera({{row.failing, row.answer}, {"getvideocolparam", {200, "?lightness=255", 0ms, false}}},
                          {200, "?result=10000&mode=2&vsize=12", 0ms, false});
        CommandTarget target(camera.Ip(), camera.Port());
        CameraTuning tuning(target, 0);
        tuning.ShowFailures(true);
        sink_.Clear();
        const WriteResult read = tuning.ReadAll(ReadOrder::Opening);
        ASSERT_EQ(read.sent.size(), 12u);
        EXPECT_EQ(SentCount(read), row.sent);
        EXPECT_EQ(camera.Commands().size(), row.sent);
        EXPECT_EQ(tuning.Shown().colour[0], row.lightness);
        const std::vector<std::string> shown = sink_.Texts();
        ASSERT_EQ(shown.size(), 1u);
        if (row.statusMessage) {
            EXPECT_EQ(shown[0], "POST出错，错误码：404");
            EXPECT_FALSE(read.NoAnswer());
            // The reads after the failing one were used.
            EXPECT_EQ(tuning.Shown().resolution, Resolution::Hd720);
        } else {
            EXPECT_FALSE(shown[0].empty());
            EXPECT_EQ(shown[0].rfind("POST", 0), std::string::npos);
            EXPECT_TRUE(read.NothingAnswered());
        }
    }
}

TEST_F(CameraAnswers, WritesShowTheStatusTheCameraAnswered) {
    ScopedTransportTimeouts waits(Waits());
    FakeCamera camera({{"setcolorparm", {404, "", 0ms, false}}, {"setptzparam", {500, "", 0ms, false}}});
    CommandTarget target(camera.Ip(), camera.Port());
    CameraTuning tuning(target, 0);
    tuning.ShowFailures(true);
    const WriteResult colour = tuning.SetColour(ColourControl::Hue, 40);
    EXPECT_EQ(colour.sent.at(0).httpStatus, 404);
    const CommandOutcome ptz = SendPtzStop(target);
    EXPECT_EQ(ShownFailure(ptz), "POST出错，错误码：500");
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"POST出错，错误码：404"});
    // A status on a GET is reported by its caller, as the form channel's GetFormCommand does.
    CommandOutcome get = GetCommand(target, "setcolorparm");
    EXPECT_EQ(get.httpStatus, 404);
    EXPECT_EQ(ShownFailure(get), "");
}

// The exchange is the form channel's own request: request line, headers and body.
TEST_F(CameraAnswers, RequestsAreTheFormChannelsBytes) {
    ScopedTransportTimeouts waits(Waits());
    FakeCamera camera;
    CommandTarget target(camera.Ip(), camera.Port());
    for (const bool post : {true, false}) {
        camera.Clear();
        ParamMap request{{"channel", "1"}, {"setcolortype", "hue"}, {"setvalue", "40"}};
        ParamMap reply;
        if (post) {
            ParamMap copy = request;
            PostFormCommandCoded(target, "setcolorparm", copy, reply);
            PostCommand(target, "setcolorparm", request);
        } else {
            GetFormCommandCoded(target, "setcolorparm", reply);
            GetCommand(target, "setcolorparm");
        }
        const std::vector<std::string> heads = camera.Heads("setcolorparm");
        const std::vector<std::string> bodies = camera.Bodies("setcolorparm");
        ASSERT_EQ(heads.size(), 2u);
        EXPECT_EQ(heads[0], heads[1]);
        EXPECT_EQ(bodies[0], bodies[1]);
    }
}

TEST_F(CameraAnswers, RepliesKeepOnlyTheKeysReadAsTheDecoderReadsThem) {
    const std::string bodies[] = {"?a=1&x=2&b=3", "?a=b=c&x", "?x=1&a=", "?a=1&a=2", "a=1", "", "?x=\xb5\x3d&a=9",
                                  "?result=10001&errmsg=busy&zz=1", "?a=1&"};
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body);
        ParamMap all;
        DecodeFormBody(body, all);
        ParamMap expected;
        std::size_t left = 0;
        for (const auto& [key, value] : all) {
            if (key == "a" || key == "b" || key == "result" || key == "errmsg") {
                expected[key] = value;
            } else {
                ++left;
            }
        }
        ParamMap kept;
        std::size_t dropped = 0;
        const std::vector<std::string_view> keys = {"a", "b", "result", "errmsg"};
        EXPECT_EQ(DecodeFormBody(body, kept, keys, dropped), DecodeFormBody(body, all));
        EXPECT_EQ(kept, expected);
        EXPECT_EQ(dropped > 0, left > 0);
    }
}

TEST_F(CameraAnswers, OneDeadlineBoundsTheWholeAction) {
    struct Row {
        const char* name;
        FakeCamera::Answer answer;
        std::chrono::milliseconds formDeadline;
        bool allSent;
    };
    // A reply as large as the client collects, with the read's keys at its end.
    FakeCamera::Answer huge{200, test::HugeFormBody((16u << 20) - 4096) + "&lightness=255&mode=3&dsen=400", 0ms,
                            false};
    const Row rows[] = {
        {"slow camera: 150 ms a read", {200, "?result=10000&mode=2", 150ms, false}, 700ms, false},
        // Generous: this row is about memory, and sanitizer builds read 16 MiB slowly.
        {"every read a 16 MiB form", huge, 120000ms, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedTransportTimeouts waits(Waits(row.formDeadline));
        FakeCamera camera({}, row.answer);
        CommandTarget target(camera.Ip(), camera.Port());
        CameraTuning tuning(target, 0);
        const auto start = Clock::now();
        const WriteResult read = tuning.ReadAll(ReadOrder::Opening);
        const long long took = MsSince(start);
        for (const CommandOutcome& outcome : read.sent) EXPECT_LE(outcome.reply.size(), 7u) << outcome.command;
        if (row.allSent) {
            EXPECT_TRUE(read.Succeeded()) << read.FailureText();
            EXPECT_EQ(tuning.Shown().colour[0], 100);
            EXPECT_EQ(tuning.Shown().awbMode, 1);
            EXPECT_EQ(tuning.Shown().day, 400);
            EXPECT_GT(read.sent[0].dropped, 100'000u);
        } else {
            EXPECT_LT(took, row.formDeadline.count() + 400);
            EXPECT_LT(SentCount(read), 12u);
            EXPECT_TRUE(read.sent.back().skipped);
            EXPECT_TRUE(read.NoAnswer());
        }
    }
}

TEST_F(CameraAnswers, AStatusCheckFailsOnlyWhenItsCallFails) {
    struct Row {
        const char* name;
        FakeCamera::Answer answer;
        bool failed;
        DeviceStatusTexts texts;
    };
    const Row rows[] = {
        {"refused in its result, fields given", {200, "?result=10001&sdstatus=yes&AlarmKey2=no", 0ms, false}, false,
         {"已插入", "版本不支持", "版本不支持", "UP"}},
        {"answered", {200, "?sdstatus=no&resetbtnstatus=yes", 0ms, false}, false,
         {"未插入", "DOWN", "版本不支持", "版本不支持"}},
        {"HTTP status", {404, "?sdstatus=yes", 0ms, false}, true, UnknownStatusTexts()},
    };
    ScopedTransportTimeouts waits(Waits());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeCamera camera({{"sdcheck", row.answer}});
        CommandTarget target(camera.Ip(), camera.Port());
        const StatusPoll poll = PollDeviceStatus(target, Language::Chinese);
        EXPECT_EQ(poll.Failed(), row.failed);
        EXPECT_EQ(poll.texts, row.texts);
    }
}

TEST_F(CameraAnswers, StoppingThePollDoesNotWaitForASilentCamera) {
    ScopedTransportTimeouts waits(Waits(3000ms));
    FakeCamera camera({{"sdcheck", {200, "", 0ms, true}}});
    std::atomic<int> reports{0};
    auto poller = std::make_unique<DeviceStatusPoller>(CommandTarget(camera.Ip(), camera.Port()), Language::Chinese,
                                                       [&reports](const StatusPoll&) { ++reports; });
    const auto asked = Clock::now() + 2s;
    while (camera.Commands().empty() && Clock::now() < asked) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(camera.Commands().size(), 1u);
    const auto start = Clock::now();
    poller->Stop();
    EXPECT_LT(MsSince(start), DeviceStatusPoller::kStopWait.count() + 300);
    // The exchange under way was ended with the poll: its thread is over, not left behind.
    EXPECT_FALSE(poller->Running());
    poller.reset();
    // Nothing is reported afterwards.
    std::this_thread::sleep_for(3300ms);
    EXPECT_EQ(reports.load(), 0);
}

}  // namespace
}  // namespace ostrand::video

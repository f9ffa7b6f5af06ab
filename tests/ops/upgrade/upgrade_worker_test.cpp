// The upgrade workers against simulated devices, with a clock that passes the
// minutes of a kernel upgrade in an instant.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "../../sim/sim_test_support.h"
#include "../../platform/temp_dir.h"
#include "ops/upgrade/upgrade_run.h"
#include "platform/app_state.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/message_sink.h"
#include "sim/behaviours/upgrade/upgrade_sim_state.h"
#include "sim/simulator.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using sim::DeviceKind;

const std::string kConnecting = "正在建立连接...";
const std::string kAppDone = "上传成功，设备即将重启，请稍后重新搜索设备";
const std::string kWriting = "内核烧写中,请勿断电......";

struct RecordingRow : UpgradeRowSink {
    void Status(const std::string& text, RowPhase phase) override {
        texts.push_back(text);
        last = phase;
    }
    void Progress(std::uint64_t sentBytes, std::uint64_t totalBytes) override {
        EXPECT_GE(sentBytes, sent);
        sent = sentBytes;
        total = totalBytes;
    }
    std::vector<std::string> texts;
    RowPhase last = RowPhase::Idle;
    std::uint64_t sent = 0;
    std::uint64_t total = 0;
};

std::string TestImage(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xff);
    return bytes;
}

class UpgradeWorkerTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }

    sim::Device& Add(DeviceKind kind, std::uint16_t port, nlohmann::json upgrade = nlohmann::json::object(),
                     std::string version = "V1.0.0") {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(++hosts_);
        config.kind = kind;
        config.port = port;
        config.version = std::move(version);
        config.state["upgrade"] = std::move(upgrade);
        return simulator_.AddDevice(std::move(config));
    }

    static UpgradeDevice Of(const sim::Device& device) {
        return {device.AddressText(), device.Port(), "N1", "dev", FieldText(device.Record().version)};
    }

    UpgradePackage Package(UpgradeKind kind, std::size_t size) {
        UpgradePackage package;
        package.kind = kind;
        package.versions = {"HW1", "K9", "1.2.3456"};
        package.fileName = kind == UpgradeKind::Kernel ? "HW1_K9_1.2.3456_F" : "HW1_K9_1.2.3456_A";
        package.image = std::make_shared<const std::string>(TestImage(size));
        return package;
    }

    RecordingRow Run(const UpgradePackage& package, const sim::Device& device) {
        RecordingRow row;
        RunUpgradeWorker(package, Of(device), row);
        return row;
    }

    // The device files a TCP upload after its last acknowledgement, so the
    // test waits (bounded) for it.
    static std::string Received(const sim::Device& device) {
        for (int i = 0; i < 200 && device.ReceivedFiles().empty(); ++i) std::this_thread::sleep_for(10ms);
        const auto files = device.ReceivedFiles();
        return files.empty() ? std::string() : files.back().bytes;
    }

    std::string JournalIn(const sim::Device& device) {
        std::string all;
        for (const auto& entry : simulator_.GetJournal().EntriesFor(device.AddressText())) all += entry.in;
        return all;
    }

    Clock::Duration Elapsed() { return clock_.Now() - Clock::TimePoint{}; }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    ManualClock clock_;
    ScopedClock clockGuard_{clock_};
    RecordingMessageSink messages_;
    ScopedMessageSink messagesGuard_{messages_};
    sim::Simulator simulator_;
    int hosts_ = 0;
};

TEST_F(UpgradeWorkerTest, SuccessfulPathsOfBothKindsOnEveryChannel) {
    auto& terminal = Add(DeviceKind::Terminal, 0);
    auto& camera8080 = Add(DeviceKind::Camera, 8080, {}, "IPC-1.0.0000");
    auto& kernelTerminal = Add(DeviceKind::Terminal, 0);
    auto& kernel8080 = Add(DeviceKind::Camera, 8080);
    auto& kernel80 = Add(DeviceKind::Camera, 80, {{"pollsUntilWritten", 1}});
    simulator_.Start();
    const UpgradePackage app = Package(UpgradeKind::Application, 200'000);
    const UpgradePackage kernel = Package(UpgradeKind::Kernel, 1'000'000);

    RecordingRow row = Run(app, terminal);
    EXPECT_EQ(row.texts, (std::vector<std::string>{kConnecting, "文件上传中..", kAppDone}));
    EXPECT_EQ(row.last, RowPhase::Succeeded);
    EXPECT_EQ(row.sent, 200'000u);
    EXPECT_TRUE(Received(terminal) == *app.image) << Received(terminal).size();
    // The new version shows in the next scan reply and in the settings.
    EXPECT_EQ(FieldText(terminal.Record().version), "1.2.3456");

    row = Run(app, camera8080);
    EXPECT_EQ(row.texts, (std::vector<std::string>{kConnecting, kAppDone}));
    EXPECT_TRUE(Received(camera8080) == *app.image) << Received(camera8080).size();
    EXPECT_EQ(camera8080.ReceivedFiles().back().name, "HW1_K9_1.2.3456_A");
    EXPECT_EQ(camera8080.Setting("version"), "IPC-1.2.3456");

    row = Run(kernel, kernelTerminal);
    EXPECT_EQ(row.texts, (std::vector<std::string>{kConnecting, "文件上传中..", kWriting, "内核升级结束，等待重启"}));
    EXPECT_EQ(Elapsed(), 180s);

    row = Run(kernel, kernel8080);
    EXPECT_EQ(row.texts, (std::vector<std::string>{kConnecting, "正在上传文件,请等待......", kWriting, kWriting}));
    EXPECT_EQ(row.last, RowPhase::Succeeded);
    EXPECT_EQ(Elapsed(), 360s);
    EXPECT_TRUE(Received(kernel8080) == *kernel.image) << Received(kernel8080).size();
    EXPECT_EQ(JournalIn(kernel8080).find("CheckKernelWriteStatus"), std::string::npos);
    EXPECT_EQ(kernel8080.Setting("kernelver"), "K9");

    row = Run(kernel, kernel80);
    EXPECT_EQ(row.texts.back(), "升级完成，稍后重启，完成内核升级");
    EXPECT_EQ(Elapsed(), 420s);  // the 60 s wait, then "yes" at the first poll
    EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(UpgradeWorkerTest, ImagesArriveWholeHoweverTheWebServerAnswersUploads) {
    // Four full chunks and a remainder: every chunk after the first meets the
    // connection the way the server left it.
    const UpgradePackage kernel = Package(UpgradeKind::Kernel, 4u << 20);
    const UpgradePackage app = Package(UpgradeKind::Application, 3u << 20);
    const struct {
        const char* style;
        const UpgradePackage& package;
    } cases[] = {
        {"keepalive", kernel}, {"http10", kernel}, {"close", kernel}, {"continue", kernel},
        {"http10", app},       {"continue", app},
    };
    std::vector<sim::Device*> devices;
    for (const auto& c : cases) devices.push_back(&Add(DeviceKind::Camera, 8080, {{"uploadAnswer", c.style}}));
    simulator_.Start();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(std::string(cases[i].style) + (&cases[i].package == &kernel ? " kernel" : " application"));
        const RecordingRow row = Run(cases[i].package, *devices[i]);
        EXPECT_EQ(row.last, RowPhase::Succeeded) << (row.texts.empty() ? "" : row.texts.back());
        EXPECT_EQ(row.sent, cases[i].package.image->size());
        EXPECT_TRUE(Received(*devices[i]) == *cases[i].package.image) << Received(*devices[i]).size();
    }
    EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(UpgradeWorkerTest, KernelWriteIsPolledAtMost301Times) {
    auto& late = Add(DeviceKind::Camera, 80, {{"pollsUntilWritten", 301}});
    auto& never = Add(DeviceKind::Camera, 80, {{"pollsUntilWritten", -1}});
    simulator_.Start();
    const UpgradePackage kernel = Package(UpgradeKind::Kernel, 1000);

    EXPECT_EQ(Run(kernel, late).texts.back(), "升级完成，稍后重启，完成内核升级");
    EXPECT_EQ(Elapsed(), 60s + 300s);
    const RecordingRow row = Run(kernel, never);
    EXPECT_EQ(row.texts.back(), "还没烧写完成，设备Flash存在问题");
    EXPECT_EQ(row.last, RowPhase::Failed);
    EXPECT_EQ(Elapsed(), 2 * (60s + 300s));
    const int polls = sim::WithUpgradeState(never, [](sim::UpgradeSimState& s) { return s.polls; });
    EXPECT_EQ(polls, 301);
}

TEST_F(UpgradeWorkerTest, RefusalsEndTheRowBeforeTheImageIsSent) {
    struct Case {
        UpgradeKind kind;
        nlohmann::json upgrade;
        std::string text;
    };
    const Case cases[] = {
        {UpgradeKind::Application, {{"checkresult", "3"}}, "硬件版本号不相等"},
        {UpgradeKind::Kernel, {{"checkresult", "2"}}, "内核版本号不匹配"},
        {UpgradeKind::Application, {{"checkresult", "1"}}, "应用程序版本号小于当前版本"},
        {UpgradeKind::Kernel, {{"kernelResult", "InfErr"}}, "升级消息有误"},
        {UpgradeKind::Kernel, {{"kernelResult", "VerOld"}}, "内核版本太旧"},
        {UpgradeKind::Kernel, {{"kernelResult", "ClnErr"}}, "设备内存不足"},
    };
    std::vector<sim::Device*> devices;
    for (const Case& c : cases) devices.push_back(&Add(DeviceKind::Camera, 8080, c.upgrade));
    auto& busy = Add(DeviceKind::Terminal, 0);
    auto& gone = Add(DeviceKind::Camera, 8080);
    sim::DeviceConfig failing;
    simulator_.Start();
    sim::FaultOptions refuse;
    refuse.refuse = true;
    simulator_.SetFaults(gone, refuse);
    busy.SetSetting("updateStatus", "1");

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const RecordingRow row = Run(Package(cases[i].kind, 5000), *devices[i]);
        EXPECT_EQ(row.texts.back(), cases[i].text);
        EXPECT_EQ(row.last, RowPhase::Failed);
        EXPECT_TRUE(devices[i]->ReceivedFiles().empty()) << cases[i].text;
    }
    const std::string busyText = "IPC设备内核升级中,请等升级完成后在进行操作";
    EXPECT_EQ(Run(Package(UpgradeKind::Application, 10), busy).texts, (std::vector<std::string>{kConnecting, busyText}));
    EXPECT_EQ(Run(Package(UpgradeKind::Kernel, 10), gone).texts.back(), busyText);

    // Without its image a worker says so and sends nothing.
    UpgradePackage unread = Package(UpgradeKind::Application, 10);
    unread.image.reset();
    const std::size_t exchanges = simulator_.GetJournal().Entries().size();
    EXPECT_EQ(Run(unread, *devices[0]).texts, std::vector<std::string>{"读取升级文件失败"});
    EXPECT_EQ(simulator_.GetJournal().Entries().size(), exchanges);
}

TEST_F(UpgradeWorkerTest, LegacyDevicesSkipTheCheckAndNameTheirKernel) {
    // A refusing version check would end the row if it ran.
    auto& legacy = Add(DeviceKind::Camera, 80, {{"checkresult", "3"}}, "IPC-5.1.0372");
    auto& current = Add(DeviceKind::Camera, 80, {}, "IPC-5.1.0373");
    simulator_.Start();
    const UpgradePackage kernel = Package(UpgradeKind::Kernel, 2000);
    EXPECT_EQ(Run(kernel, legacy).last, RowPhase::Succeeded);
    EXPECT_EQ(Run(kernel, current).last, RowPhase::Succeeded);
    const std::string legacyIn = JournalIn(legacy);
    EXPECT_EQ(legacyIn.find("checkallversion"), std::string::npos);
    EXPECT_NE(legacyIn.find("kernelVer=K9"), std::string::npos);
    EXPECT_NE(legacyIn.find("kernelFlag=C7E21B94-F05D-4a3c-9E61-1.2.3456"), std::string::npos);
    EXPECT_NE(legacyIn.find("kernelSize=2000"), std::string::npos);
    const std::string currentIn = JournalIn(current);
    EXPECT_NE(currentIn.find("checkvek=0&hardver=HW1&kernelver=K9"), std::string::npos);
    EXPECT_EQ(currentIn.find("kernelVer="), std::string::npos);
}

TEST_F(UpgradeWorkerTest, UploadFaultsEndTheRowAsFailed) {
    TransportTimeouts waits = sim::test::ShortWaits();
    waits.httpReceiveTimeout = 400ms;
    waits.fileReceiveWait = 400ms;
    ScopedTransportTimeouts shortStall(waits);
    struct Case {
        DeviceKind kind;
        const char* fault;
    };
    const Case cases[] = {{DeviceKind::Camera, "reset"},   {DeviceKind::Camera, "stall"},
                          {DeviceKind::Camera, "refuse"},  {DeviceKind::Terminal, "reset"},
                          {DeviceKind::Terminal, "stall"}, {DeviceKind::Terminal, "refuse"}};
    std::vector<sim::Device*> devices;
    for (const Case& c : cases) {
        devices.push_back(&Add(c.kind, c.kind == DeviceKind::Camera ? 8080 : 0,
                               {{"uploadFault", c.fault}, {"uploadFaultAfter", 300'000}}));
    }
    simulator_.Start();
    const UpgradePackage app = Package(UpgradeKind::Application, 1'000'000);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const RecordingRow row = Run(app, *devices[i]);
        EXPECT_EQ(row.last, RowPhase::Failed) << cases[i].fault;
        EXPECT_NE(row.texts.back().find("上传失败"), std::string::npos) << row.texts.back();
        const auto files = devices[i]->ReceivedFiles();
        EXPECT_TRUE(files.empty() || !files.back().complete) << cases[i].fault;
    }
    EXPECT_TRUE(messages_.Texts().empty());
}

TEST_F(UpgradeWorkerTest, StatusTextsFollowTheLanguageAndUnsafeNamesAreRefused) {
    auto& camera = Add(DeviceKind::Camera, 8080, {{"checkresult", "3"}});
    auto& kernelCamera = Add(DeviceKind::Camera, 8080, {{"kernelResult", "ClnErr"}});
    auto& other = Add(DeviceKind::Camera, 8080);
    simulator_.Start();
    SetUiLanguage(Language::English);
    EXPECT_EQ(Run(Package(UpgradeKind::Application, 10), camera).texts,
              (std::vector<std::string>{"Connecting...", "Hardware version not match"}));
    camera.WithState<sim::UpgradeSimState>([](sim::UpgradeSimState& s) { s.checkResult = "0"; });
    EXPECT_EQ(Run(Package(UpgradeKind::Kernel, 10), kernelCamera).texts,
              (std::vector<std::string>{"Connect.....", "The memory of device is not enough"}));
    UpgradePackage spaced = Package(UpgradeKind::Application, 10);
    spaced.fileName = "HW 1_K9_1.2.3456_A";
    EXPECT_EQ(Run(spaced, other).texts.back(), "参数错误");
    EXPECT_TRUE(other.ReceivedFiles().empty());
    SetUiLanguage(Language::Chinese);
    // A version piece that cannot travel in a form is refused before anything
    // is sent, and the row says so rather than blaming the network.
    for (const UpgradeKind kind : {UpgradeKind::Application, UpgradeKind::Kernel}) {
        UpgradePackage ampersand = Package(kind, 10);
        (kind == UpgradeKind::Kernel ? ampersand.versions.kernel : ampersand.versions.hardware) = "K&9";
        EXPECT_EQ(Run(ampersand, other).texts.back(), "参数错误");
    }
    EXPECT_TRUE(other.ReceivedFiles().empty());
}

// Three devices at once: one cannot be reached, one refuses the image.
class RecordingObserver : public UpgradeObserver {
public:
    void OnStatus(std::size_t, const std::string&, RowPhase) override { ++statuses; }
    void OnProgress(std::size_t, std::uint64_t, std::uint64_t) override {}
    void OnBatchEnded() override { ++batches; }
    std::atomic<int> statuses{0};
    std::atomic<int> batches{0};
};

TEST_F(UpgradeWorkerTest, ThreeDevicesOneUnreachableOneRefusingThenRetry) {
    test::TempWorkingDir dir;
    const std::filesystem::path path = dir.Path() / "HW1_K9_1.2.3456_A";
    const std::string image = TestImage(300'000);
    std::ofstream(path, std::ios::binary) << image;

    auto& good = Add(DeviceKind::Terminal, 0);
    auto& unreachable = Add(DeviceKind::Camera, 8080);
    auto& refusing = Add(DeviceKind::Camera, 8080, {{"uploadFault", "refuse"}, {"uploadStatus", 503}});
    simulator_.Start();
    sim::FaultOptions refuse;
    refuse.refuse = true;
    simulator_.SetFaults(unreachable, refuse);

    RecordingObserver observer;
    UpgradeRun run(UpgradeKind::Application, {"HW1", "K9", "1.2.3456"}, path,
                   {Of(good), Of(unreachable), Of(refusing)}, observer);
    ASSERT_TRUE(run.Start());
    EXPECT_FALSE(run.Start());  // one batch at a time
    run.Wait();
    EXPECT_EQ(run.Row(0).text, kAppDone);
    EXPECT_EQ(run.Row(0).sent, image.size());
    EXPECT_EQ(run.Row(1).text, "IPC设备内核升级中,请等升级完成后在进行操作");
    EXPECT_EQ(run.Row(2).text, "上传失败");
    EXPECT_EQ(run.FailedRows(), (std::vector<std::size_t>{1, 2}));

    refusing.WithState<sim::UpgradeSimState>([](sim::UpgradeSimState& s) { s.fault = {}; });
    ASSERT_TRUE(run.RetryFailed());
    run.Wait();
    EXPECT_EQ(run.Row(2).text, kAppDone);
    EXPECT_EQ(run.FailedRows(), std::vector<std::size_t>{1});
    simulator_.SetFaults(unreachable, sim::FaultOptions{});
    ASSERT_TRUE(run.RetryFailed());
    run.Wait();
    EXPECT_TRUE(run.FailedRows().empty());
    EXPECT_FALSE(run.RetryFailed());  // nothing left to retry, and no batch of every row
    EXPECT_EQ(good.ReceivedFiles().size(), 1u);
    EXPECT_TRUE(Received(refusing) == image) << Received(refusing).size();
    EXPECT_EQ(good.ReceivedFiles().size(), 1u);  // a retry leaves the finished rows alone
    // The watcher reports each batch's end once it is really over.
    for (int i = 0; i < 100 && observer.batches < 3; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(observer.batches, 3);
}

}  // namespace
}  // namespace ostrand

namespace ostrand {
namespace {

// A row whose display fails once at a chosen text, as a failing status write
// would interrupt a worker.
struct ThrowingRow : RecordingRow {
    explicit ThrowingRow(std::string at) : throwAt(std::move(at)) {}
    void Status(const std::string& text, RowPhase phase) override {
        if (text == throwAt) {
            throwAt.clear();
            throw std::runtime_error("status write failed");
        }
        RecordingRow::Status(text, phase);
    }
    std::string throwAt;
};

TEST_F(UpgradeWorkerTest, UnexpectedFailuresAreLoggedAndEndOnlyTheirRow) {
    test::TempWorkingDir dir;
    ASSERT_TRUE(OpenLogFile("Log.txt"));
    struct Case {
        UpgradeKind kind;
        nlohmann::json upgrade;
        std::string throwAt;
        std::string logged;
        std::string finalText;
    };
    const Case cases[] = {
        {UpgradeKind::Application, {{"checkresult", "3"}}, "硬件版本号不相等", "checkallversion Unknow Exception occur!::",
         "通知设备升级失败,对方网络无法到达"},
        {UpgradeKind::Kernel, {{"kernelResult", "InfErr"}}, "升级消息有误", "UpdateKernel Unknow Exception occur!::",
         "通知设备升级失败,对方网络无法到达"},
        {UpgradeKind::Application, {}, kConnecting, "Unknow Exception occur!::", "升级意外中止"},
    };
    std::vector<sim::Device*> devices;
    for (const Case& c : cases) devices.push_back(&Add(DeviceKind::Camera, 8080, c.upgrade));
    simulator_.Start();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ThrowingRow row(cases[i].throwAt);
        RunUpgradeWorker(Package(cases[i].kind, 100), Of(*devices[i]), row);
        EXPECT_EQ(row.texts.back(), cases[i].finalText);
        EXPECT_EQ(row.last, RowPhase::Failed);
    }
    CloseLogFile();
    const std::string log = test::ReadWholeFile("Log.txt");
    for (const Case& c : cases) {
        EXPECT_NE(log.find("FILE :ostrand\\UpdateRateDlg , LINE :"), std::string::npos);
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.logged << "\n" << log;
    }
}

}  // namespace
}  // namespace ostrand

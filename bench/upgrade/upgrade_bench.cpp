// An application image of 4 MiB to 1, 10 and 100 simulated devices at once,
// half over HTTP and half over the TCP channel, every device taking at most
// 2 MiB/s. Reports the wall time and how much the tool's peak resident memory
// grew. Run it inside a private network namespace (unshare -n).

#include <benchmark/benchmark.h>
#include "figures.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ops/upgrade/upgrade_run.h"
#include "platform/clock.h"
#include "transport/form_channel.h"

extern char** environ;

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kImageSize = 4u << 20;
constexpr std::uint64_t kReceiveRate = 2u << 20;
constexpr std::uint16_t kCameraPort = 18080;

// The simulator as a child process, ended with SIGTERM.
class Devsim {
public:
    Devsim(int terminals, int cameras, const fs::path& dir, const std::string& uploadAnswer) {
        const fs::path ready = dir / "ready.txt";
        fs::remove(ready);
        std::vector<std::string> args = {OSTRAND_DEVSIM_PATH,   "--terminals",   std::to_string(terminals),
                                         "--cameras",           std::to_string(cameras),
                                         "--camera-port",       std::to_string(kCameraPort),
                                         "--base",              "127.40.0.1",
                                         "--receive-rate",      std::to_string(kReceiveRate),
                                         "--journal-limit",     "0",
                                         "--ready-file",        ready.string(),
                                         "--duration",          "600",
                                         "--upload-answer",     uploadAnswer};
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("ostrand-devsim could not be started");
        }
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 3000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(10ms);
        if (!fs::exists(ready)) throw std::runtime_error("ostrand-devsim did not get ready");
    }
    ~Devsim() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }

private:
    pid_t pid_ = -1;
};

long ProcStatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    }
    return 0;
}

// Starts a new peak: the kernel's high-water mark is reset to the current size.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

class Silent final : public UpgradeObserver {
public:
    void OnStatus(std::size_t, const std::string&, RowPhase) override {}
    void OnProgress(std::size_t, std::uint64_t, std::uint64_t) override {}
    void OnBatchEnded() override {}
};

// How the cameras' web servers answer the uploads (the kernel image's chunks
// meet each way of leaving a connection).
const char* const kUploadAnswers[] = {"keepalive", "http10", "continue"};

void BM_UpgradeFleet(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string uploadAnswer = kUploadAnswers[state.range(1)];
    const UpgradeKind kind = state.range(2) == 0 ? UpgradeKind::Application : UpgradeKind::Kernel;
    const int terminals = count / 2;
    const int cameras = count - terminals;
    const fs::path dir = fs::temp_directory_path() / ("upgrade_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path image = dir / (kind == UpgradeKind::Application ? "HW1_K1_1.2.3456_A" : "HW1_K1_1.2.3456_F");
    {
        std::string bytes(kImageSize, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4093);
        std::ofstream(image, std::ios::binary) << bytes;
    }
    Devsim devsim(terminals, cameras, dir, uploadAnswer);
    // Devices are numbered from the base: terminals first, then cameras.
    std::vector<UpgradeDevice> devices;
    for (int i = 0; i < count; ++i) {
        const std::string ip = "127.40." + std::to_string((i + 1) / 256) + "." + std::to_string((i + 1) % 256);
        devices.push_back({ip, i < terminals ? 60005 : kCameraPort, "", "", "V1.0.0"});
    }
    // The tool has spoken to devices before an upgrade starts: the HTTP
    // client's one-time set-up is not the upgrade's.
    {
        CommandTarget warm(devices.back().ip, devices.back().port);
        ParamMap reply;
        (void)GetFormCommandCoded(warm, "getUpdateKernelStatus", reply);
    }
    // A kernel upgrade ends with minutes of waiting for the device's flash:
    // those pass at once, the transfers keep their real time.
    ManualClock flashWaits;
    std::optional<ScopedClock> skipFlashWaits;
    if (kind == UpgradeKind::Kernel) skipFlashWaits.emplace(flashWaits);
    int succeeded = 0;
    long growthKb = 0;
    for (auto _ : state) {
        ResetPeak();
        const long before = ProcStatusKb("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        Silent silent;
        {
            UpgradeRun run(kind, {"HW1", "K1", "1.2.3456"}, image, devices, silent);
            run.Start();
            run.Wait();
            succeeded = static_cast<int>(devices.size() - run.FailedRows().size());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        growthKb = ProcStatusKb("VmHWM:") - before;
    }
    state.counters["devices"] = count;
    state.counters["succeeded"] = succeeded;
    state.counters["peak_growth_MiB"] = static_cast<double>(growthKb) / 1024.0;
    state.counters["image_MiB"] = static_cast<double>(kImageSize) / (1 << 20);
    fs::remove_all(dir);
}

// Arguments: devices, the web servers' way of answering uploads, application (0) or kernel (1).
BENCHMARK(BM_UpgradeFleet)
    ->Args({1, 0, 0})
    ->Args({10, 0, 0})
    ->Args({100, 0, 0})
    ->Args({10, 1, 1})
    ->Args({10, 2, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Every device takes the image at its own rate, so 100 devices take about as
// long as one.
const bool kFigures =
    bench::AddFigure({"upgrade of 100 devices (4 MiB at 2 MiB/s each)", {"BM_UpgradeFleet/100/0/0", "ms"}, 1, "ms", "-",
                      {"BM_UpgradeFleet/1/0/0", "ms"}}) &&
    bench::AddFigure({"upgrade of 100 devices vs one device", {"BM_UpgradeFleet/100/0/0", "ms"}, 1, "x", "<=2",
                      {"BM_UpgradeFleet/1/0/0", "ms"}, false, true}) &&
    bench::AddFigure({"upgrade of 100 devices: peak memory growth", {"BM_UpgradeFleet/100/0/0", "peak_growth_MiB"}, 1,
                      "MiB"}) &&
    bench::AddFigure({"kernel upgrade of 10 devices answering HTTP/1.0 and closing: devices that succeeded",
                      {"BM_UpgradeFleet/10/1/1", "succeeded"}, 1, "devices", ">=10"}) &&
    bench::AddFigure({"kernel upgrade of 10 devices sending 100 Continue: devices that succeeded",
                      {"BM_UpgradeFleet/10/2/1", "succeeded"}, 1, "devices", ">=10"});

}  // namespace
}  // namespace ostrand

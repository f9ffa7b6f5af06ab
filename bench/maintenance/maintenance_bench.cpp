// Device commands on many devices at once: `ostrand-cli sync-time`, `reboot`
// and `netparam get` with the default --jobs against simulated devices that
// each answer after 200 ms. With the devices worked on in parallel, 200
// devices take about as long as one.

#include <benchmark/benchmark.h>
#include "figures.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/simulator.h"

extern char** environ;

namespace {

using namespace ostrand::sim;
namespace fs = std::filesystem;

constexpr int kDevices = 200;
constexpr int kReplyDelayMs = 200;

// 200 cameras on port 80 and 200 terminals on 60005, every one slow to answer.
struct Fleet {
    Fleet() {
        const unsigned pid = static_cast<unsigned>(getpid());
        const std::string block = "127." + std::to_string(100 + (pid >> 8) % 150) + ".";
        const unsigned third = pid & 0xfe;
        FaultOptions slow;
        slow.replyDelayMs = kReplyDelayMs;
        for (int k = 0; k < kDevices; ++k) {
            DeviceConfig camera;
            camera.address = block + std::to_string(third) + "." + std::to_string(k + 1);
            camera.kind = DeviceKind::Camera;
            camera.port = 80;
            camera.faults = slow;
            cameras.push_back(camera.address);
            sim.AddDevice(camera);
            DeviceConfig terminal;
            terminal.address = block + std::to_string(third + 1) + "." + std::to_string(k + 1);
            terminal.kind = DeviceKind::Terminal;
            terminal.faults = slow;
            terminals.push_back(terminal.address);
            sim.AddDevice(terminal);
        }
        sim.GetJournal().SetCaptureLimit(64);
        sim.Start();
        dir = fs::temp_directory_path() / ("maintenance_bench_" + std::to_string(pid));
        fs::create_directories(dir);
    }
    ~Fleet() {
        sim.Stop();
        fs::remove_all(dir);
    }
    // A scan-shaped targets file with the first `count` devices.
    std::string TargetsFile(const std::vector<std::string>& addresses, int port, int count) {
        auto rows = nlohmann::json::array();
        for (int k = 0; k < count; ++k) rows.push_back({{"IPAddress", addresses[k]}, {"Http Port", std::to_string(port)}});
        const fs::path path = dir / ("targets_" + std::to_string(port) + "_" + std::to_string(count) + ".json");
        std::ofstream(path) << rows.dump();
        return path.string();
    }

    Simulator sim;
    std::vector<std::string> cameras;
    std::vector<std::string> terminals;
    fs::path dir;
};

Fleet& TheFleet() {
    static Fleet fleet;
    return fleet;
}

// Runs ostrand-cli to its end; its output is discarded.
int RunCli(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start ostrand-cli");
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RunFleetCommand(benchmark::State& state, std::vector<std::string> command, bool cameras) {
    Fleet& fleet = TheFleet();
    const int count = static_cast<int>(state.range(0));
    const std::string targets =
        cameras ? fleet.TargetsFile(fleet.cameras, 80, count) : fleet.TargetsFile(fleet.terminals, 60005, count);
    for (auto _ : state) {
        std::vector<std::string> arguments{OSTRAND_CLI_PATH};
        arguments.insert(arguments.end(), command.begin(), command.end());
        arguments.insert(arguments.end(), {"--targets-from", targets});
        const int status = RunCli(arguments);
        if (status != 0) state.SkipWithError("ostrand-cli failed");
    }
    state.counters["devices"] = count;
}

void BM_SyncTimeFleet(benchmark::State& state) { RunFleetCommand(state, {"sync-time"}, true); }
void BM_RebootFleet(benchmark::State& state) { RunFleetCommand(state, {"reboot"}, false); }
void BM_NetparamGetFleet(benchmark::State& state) { RunFleetCommand(state, {"netparam", "get"}, false); }

BENCHMARK(BM_SyncTimeFleet)->Arg(1)->Arg(kDevices)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RebootFleet)->Arg(1)->Arg(kDevices)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NetparamGetFleet)->Arg(1)->Arg(kDevices)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Set against the same command on one device: with the devices worked on in
// parallel the ratio stays near 1.
bool AddFleetFigures(const std::string& command, const std::string& run) {
    const std::string fleet = run + "/" + std::to_string(kDevices);
    const std::string devices = std::to_string(kDevices) + " devices";
    const ostrand::bench::FigureSource one{run + "/1", "ms"};
    return ostrand::bench::AddFigure({command + " on " + devices + " (default --jobs)", {fleet, "ms"}, 1, "ms", "-", one}) &&
           ostrand::bench::AddFigure({command + " on " + devices + " vs one device", {fleet, "ms"}, 1, "x", "<=2", one,
                                      false, true});
}
const bool kFigures = AddFleetFigures("sync-time", "BM_SyncTimeFleet") && AddFleetFigures("reboot", "BM_RebootFleet") &&
                      AddFleetFigures("netparam get", "BM_NetparamGetFleet");

}  // namespace

// Device channels against the simulator on loopback: commands per second on
// the framed TCP channel and the HTTP form channel, and the throughput of the
// TCP export and of the uploads.

#include <benchmark/benchmark.h>
#include "figures.h"
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace {

using namespace ostrand;
using namespace ostrand::sim;
namespace fs = std::filesystem;

constexpr std::uint16_t kHttpPort = 18090;
constexpr std::size_t kTransferSize = 20u << 20;  // 20 MiB

// One simulator for the whole run: a terminal and a camera on addresses of
// this process's own block.
struct Bench {
    Bench() {
        const unsigned pid = static_cast<unsigned>(getpid());
        const std::string block =
            "127." + std::to_string(100 + (pid >> 8) % 150) + "." + std::to_string(pid & 0xff) + ".";
        DeviceConfig terminalConfig;
        terminalConfig.address = block + "1";
        terminalConfig.kind = DeviceKind::Terminal;
        terminalConfig.exports[5] = std::string(kTransferSize, 'r');
        terminalConfig.exportPacketSize = 65536;
        terminal = &sim.AddDevice(terminalConfig);
        DeviceConfig cameraConfig;
        cameraConfig.address = block + "2";
        cameraConfig.kind = DeviceKind::Camera;
        cameraConfig.port = kHttpPort;
        camera = &sim.AddDevice(cameraConfig);
        // Transfers of many megabytes are counted, not kept.
        sim.GetJournal().SetCaptureLimit(256);
        sim.Start();
        dir = fs::temp_directory_path() / ("channels_bench_" + std::to_string(pid));
        fs::create_directories(dir);
        upload = dir / "upload.bin";
        std::ofstream(upload, std::ios::binary) << std::string(kTransferSize, 'u');
        SetMessageSink(&sink);
    }
    ~Bench() {
        SetMessageSink(nullptr);
        sim.Stop();
        fs::remove_all(dir);
    }
    // Keeps the journal and the received files from growing over the iterations.
    void Forget() {
        sim.GetJournal().Clear();
        terminal->ClearReceivedFiles();
        camera->ClearReceivedFiles();
    }

    Simulator sim;
    Device* terminal = nullptr;
    Device* camera = nullptr;
    fs::path dir;
    fs::path upload;
    RecordingMessageSink sink;
};

Bench& Shared() {
    static Bench bench;
    return bench;
}

// Repeats one command and reports commands per second.
template <typename Command>
void RunCommands(benchmark::State& state, Command command) {
    Bench& bench = Shared();
    for (auto _ : state) {
        ParamMap reply;
        if (command(bench, reply) != kTransportOk) {
            state.SkipWithError("command failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    bench.Forget();
    state.counters["commands/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void BM_TcpCommand(benchmark::State& state) {
    const ParamMap request{{"result", "10000"}};
    RunCommands(state, [&request](Bench& bench, ParamMap& reply) {
        DeviceEndpoint endpoint{bench.terminal->AddressText(), kTcpChannelPort};
        return SendXmlCommandCoded(endpoint, request, reply, 5000);
    });
}
BENCHMARK(BM_TcpCommand)->UseRealTime()->MinTime(2.0);

void BM_HttpCommand(benchmark::State& state) {
    RunCommands(state, [](Bench& bench, ParamMap& reply) {
        CommandTarget target(bench.camera->AddressText(), kHttpPort);
        return GetFormCommandCoded(target, "getnetparam", reply);
    });
}
BENCHMARK(BM_HttpCommand)->UseRealTime()->MinTime(2.0);

void BM_Export20MiB(benchmark::State& state) {
    Bench& bench = Shared();
    DeviceEndpoint endpoint{bench.terminal->AddressText(), kTcpChannelPort};
    const fs::path path = bench.dir / "export.bin";
    for (auto _ : state) {
        if (!ExportFileTcp(endpoint, path, 5)) {
            state.SkipWithError("export failed");
            break;
        }
    }
    bench.Forget();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTransferSize));
}
BENCHMARK(BM_Export20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Repeats one 20 MiB upload, dropping what the device received each time.
template <typename Upload>
void RunUploads(benchmark::State& state, Upload upload) {
    Bench& bench = Shared();
    for (auto _ : state) {
        if (!upload(bench)) {
            state.SkipWithError("upload failed");
            break;
        }
        bench.Forget();
    }
    bench.Forget();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTransferSize));
}

void BM_UploadTcp20MiB(benchmark::State& state) {
    RunUploads(state, [](Bench& bench) {
        DeviceEndpoint endpoint{bench.terminal->AddressText(), kTcpChannelPort};
        return SendUploadHeader(endpoint, bench.upload, "app") == kUploadOk &&
               SendUploadPackets(endpoint, bench.upload) == kUploadOk;
    });
}
BENCHMARK(BM_UploadTcp20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_UploadHttp20MiB(benchmark::State& state) {
    RunUploads(state, [](Bench& bench) {
        return UploadFileHttp(bench.camera->AddressText(), kHttpPort, bench.upload, "app.bin");
    });
}
BENCHMARK(BM_UploadHttp20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_UploadImageHttp20MiB(benchmark::State& state) {
    RunUploads(state, [](Bench& bench) {
        return UploadImageHttp(bench.camera->AddressText(), kHttpPort, bench.upload, "kernel.img");
    });
}
BENCHMARK(BM_UploadImageHttp20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

using bench::AddFigure;
constexpr double kMega = 1e-6;  // bytes/s to MB/s
const bool kFigures =
    AddFigure({"TCP commands per second (loopback, simulator)", {"BM_TcpCommand", "commands/s"}, 1, "1/s", ">=10000"}) &&
    AddFigure({"HTTP commands per second (loopback, simulator)", {"BM_HttpCommand", "commands/s"}, 1, "1/s", ">=5000"}) &&
    AddFigure({"TCP export of 20 MiB", {"BM_Export20MiB", "bytes_per_second"}, kMega, "MB/s", ">=1000"}) &&
    AddFigure({"TCP upload of 20 MiB", {"BM_UploadTcp20MiB", "bytes_per_second"}, kMega, "MB/s"}) &&
    AddFigure({"HTTP upload of 20 MiB", {"BM_UploadHttp20MiB", "bytes_per_second"}, kMega, "MB/s"}) &&
    AddFigure({"HTTP image upload of 20 MiB", {"BM_UploadImageHttp20MiB", "bytes_per_second"}, kMega, "MB/s"});

}  // namespace

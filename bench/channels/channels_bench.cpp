// Device channels against the simulator on loopback: commands per second on
// the framed TCP channel and the HTTP form channel, and the throughput of the
// TCP export and of the uploads. The TCP command and the export are also run
// with bare sockets (bare_peers.h), the peer their figures are set against.

#include <benchmark/benchmark.h>
#include "figures.h"
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "bare_peers.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/frames.h"
#include "transport/tcp_channel.h"
#include "transport/xml_codec.h"

namespace {

using namespace ostrand;
using namespace ostrand::sim;
namespace fs = std::filesystem;

constexpr std::uint16_t kHttpPort = 18090;
constexpr std::size_t kTransferSize = 20u << 20;  // 20 MiB
constexpr std::size_t kExportPacketSize = 65536;
constexpr std::uint8_t kExportType = 5;
constexpr CommandCode kBenchCode = 5000;
const ParamMap kBenchRequest{{"result", "10000"}};

std::vector<std::string> ExportPackets(const std::string& file) {
    std::vector<std::string> packets;
    for (std::size_t offset = 0; offset < file.size(); offset += kExportPacketSize) {
        const auto number = static_cast<std::uint32_t>(packets.size() + 1);
        packets.push_back(BuildExportData(kExportType, number, std::string_view(file).substr(offset, kExportPacketSize)));
    }
    return packets;
}

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
        terminalConfig.exports[kExportType] = std::string(kTransferSize, 'r');
        terminalConfig.exportPacketSize = kExportPacketSize;
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
        // The bare server answers with the bytes the simulated terminal sends.
        ParamMap reply;
        DeviceEndpoint endpoint{terminal->AddressText(), kTcpChannelPort};
        if (SendXmlCommandCoded(endpoint, kBenchRequest, reply, kBenchCode) != kTransportOk) {
            std::fprintf(stderr, "the simulated terminal does not answer\n");
        }
        bareIp = block + "3";
        bare = std::make_unique<bench::BareServer>(
            bareIp, BuildCommandFrame(EncodeCommandXml(reply, kBenchCode)), BuildExportRequest(kExportType),
            ExportPackets(terminalConfig.exports[kExportType]));
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
    std::string bareIp;
    std::unique_ptr<bench::BareServer> bare;
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
    RunCommands(state, [](Bench& bench, ParamMap& reply) {
        DeviceEndpoint endpoint{bench.terminal->AddressText(), kTcpChannelPort};
        return SendXmlCommandCoded(endpoint, kBenchRequest, reply, kBenchCode);
    });
}
BENCHMARK(BM_TcpCommand)->UseRealTime()->MinTime(2.0);

// The same exchange without the tool or the simulator: the request is built
// once and the reply is canned.
TransportResult BareCommandTo(const std::string& ip, std::uint16_t port) {
    static const std::string request = BuildCommandFrame(EncodeCommandXml(kBenchRequest, kBenchCode));
    return bench::BareCommand(ip, port, request) ? kTransportOk : kTransportFailed;
}

void BM_BareTcpCommand(benchmark::State& state) {
    RunCommands(state, [](Bench& bench, ParamMap&) { return BareCommandTo(bench.bareIp, bench.bare->Port()); });
}
BENCHMARK(BM_BareTcpCommand)->UseRealTime()->MinTime(2.0);

// Each side against the other's bare counterpart: the tool's command against
// the bare server, and the bare client against the simulated terminal, so the
// report shows which side a shortfall comes from.
void BM_TcpCommandToBareServer(benchmark::State& state) {
    RunCommands(state, [](Bench& bench, ParamMap& reply) {
        DeviceEndpoint endpoint{bench.bareIp, bench.bare->Port()};
        return SendXmlCommandCoded(endpoint, kBenchRequest, reply, kBenchCode);
    });
}
BENCHMARK(BM_TcpCommandToBareServer)->UseRealTime()->MinTime(2.0);

void BM_BareTcpCommandToSimulator(benchmark::State& state) {
    RunCommands(state, [](Bench& bench, ParamMap&) {
        return BareCommandTo(bench.terminal->AddressText(), kTcpChannelPort);
    });
}
BENCHMARK(BM_BareTcpCommandToSimulator)->UseRealTime()->MinTime(2.0);

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
        if (!ExportFileTcp(endpoint, path, kExportType)) {
            state.SkipWithError("export failed");
            break;
        }
    }
    bench.Forget();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTransferSize));
}
BENCHMARK(BM_Export20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BareExport20MiB(benchmark::State& state) {
    Bench& bench = Shared();
    const std::string request = BuildExportRequest(kExportType);
    const std::string ack = BuildExportAck(kExportType, false);
    const std::size_t packets = (kTransferSize + kExportPacketSize - 1) / kExportPacketSize;
    const fs::path path = bench.dir / "bare-export.bin";
    for (auto _ : state) {
        if (!bench::BareExport(bench.bareIp, bench.bare->Port(), request, ack, packets, path)) {
            state.SkipWithError("bare export failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTransferSize));
}
BENCHMARK(BM_BareExport20MiB)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

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
    AddFigure({"TCP commands per second (loopback, simulator; peer: bare sockets)", {"BM_TcpCommand", "commands/s"}, 1, "1/s", ">=10000",
               {"BM_BareTcpCommand", "commands/s"}}) &&
    AddFigure({"TCP commands per second, bare sockets (this machine's ceiling)", {"BM_BareTcpCommand", "commands/s"}, 1, "1/s"}) &&
    AddFigure({"TCP commands per second, the tool against a bare server", {"BM_TcpCommandToBareServer", "commands/s"}, 1, "1/s", "-",
               {"BM_BareTcpCommand", "commands/s"}}) &&
    AddFigure({"TCP commands per second, a bare client against the simulator", {"BM_BareTcpCommandToSimulator", "commands/s"}, 1, "1/s", "-",
               {"BM_BareTcpCommand", "commands/s"}}) &&
    AddFigure({"HTTP commands per second (loopback, simulator)", {"BM_HttpCommand", "commands/s"}, 1, "1/s", ">=5000"}) &&
    AddFigure({"TCP export of 20 MiB (peer: bare sockets)", {"BM_Export20MiB", "bytes_per_second"}, kMega, "MB/s", ">=1000",
               {"BM_BareExport20MiB", "bytes_per_second"}}) &&
    AddFigure({"TCP export of 20 MiB, bare sockets (this machine's ceiling)", {"BM_BareExport20MiB", "bytes_per_second"}, kMega, "MB/s"}) &&
    AddFigure({"TCP upload of 20 MiB", {"BM_UploadTcp20MiB", "bytes_per_second"}, kMega, "MB/s"}) &&
    AddFigure({"HTTP upload of 20 MiB", {"BM_UploadHttp20MiB", "bytes_per_second"}, kMega, "MB/s"}) &&
    AddFigure({"HTTP image upload of 20 MiB", {"BM_UploadImageHttp20MiB", "bytes_per_second"}, kMega, "MB/s"});

}  // namespace

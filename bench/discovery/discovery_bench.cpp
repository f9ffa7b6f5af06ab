// How long a Search takes against a full table's worth of devices, compared
// with the sum of its quiet waits (two scan passes of 500 ms and one HDS wait
// of 200 ms with the defaults). The devices answer on loopback, aimed at by
// destination, so the figure needs neither root nor a network namespace.

#include <benchmark/benchmark.h>
#include "figures.h"

#include <chrono>
#include <memory>
#include <thread>

#include "discovery/search.h"
#include "sim/discovery/discovery_responder.h"

namespace ostrand {
namespace {

std::vector<sim::DiscoveryEntry> LoopbackFleet(int count) {
    std::vector<sim::DiscoveryEntry> entries;
    for (int k = 0; k < count; ++k) {
        const std::string address =
            "127.0." + std::to_string(100 + k / 250) + "." + std::to_string(1 + k % 250);
        DeviceRecord record;
        char mac[16];
        std::snprintf(mac, sizeof mac, "02aa%08x", static_cast<unsigned>(k));
        SetFieldText(record.mac, mac);
        SetFieldText(record.ip, address);
        SetFieldText(record.deviceNumber, "B" + std::to_string(k));
        SetFieldText(record.version, "V3.0.1");
        record.commandPort = 80;
        entries.push_back({address, record, {}});
    }
    return entries;
}

void BM_SearchFullTable(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    sim::net::io_context io;
    const auto fleet = LoopbackFleet(devices);
    sim::DiscoveryResponder responder(io, {.bindAddress = "127.0.0.1", .scanPort = 0, .hdsPort = 0, .group = ""},
                                      [&fleet] { return fleet; });
    std::string error;
    if (!responder.Start(&error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::thread server([&io] {
        auto guard = sim::net::make_work_guard(io);
        io.run();
    });

    DiscoveryConfig config;
    config.settings = DiscoverySettings::Fixed(0, 0);  // the defaults: 500 ms quiet waits
    config.bindAddresses = {"127.0.0.1"};
    config.scanLocalPort = 0;
    config.hdsLocalPort = 0;
    config.scanDestinations = {{"127.0.0.1", responder.ScanPort()}};
    config.hdsDestination = {"127.0.0.1", responder.HdsPort()};
    DiscoverySession session(config);
    session.Open();
    auto table = std::make_unique<DeviceTable>();

    double ratio = 0;
    std::int32_t found = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        RunSearch(session, *table);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ratio = seconds / (2 * 0.5 + 0.2);
        found = table->count;
        state.SetIterationTime(seconds);
    }
    state.counters["devices"] = found;
    state.counters["x_quiet_waits"] = ratio;
    state.counters["quiet_waits_ms"] = (2 * 0.5 + 0.2) * 1000;
    io.stop();
    server.join();
}
BENCHMARK(BM_SearchFullTable)->Arg(5001)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The Search's own floor is its quiet waits; the figure is how far above it
// the whole Search of a full table ends.
const bool kSearchFigures =
    bench::AddFigure({"Search of 5001 devices", {"BM_SearchFullTable/5001", "ms"}, 1, "ms", "-",
                      {"BM_SearchFullTable/5001", "quiet_waits_ms"}}) &&
    bench::AddFigure({"Search of 5001 devices vs its quiet waits", {"BM_SearchFullTable/5001", "ms"}, 1, "x",
                      "<=1.5", {"BM_SearchFullTable/5001", "quiet_waits_ms"}, false, true});

// Checking and appending the replies of one pass, without the network.
void BM_ScanRepliesIntoTable(benchmark::State& state) {
    const auto fleet = LoopbackFleet(5001);
    std::vector<std::array<std::uint8_t, DeviceRecord::kSize>> replies;
    for (const auto& entry : fleet) replies.push_back(entry.record.ToBytes());
    auto table = std::make_unique<DeviceTable>();
    for (auto _ : state) {
        table->Clear();
        ScanDuplicateIndex index;
        for (int copy = 0; copy < 2; ++copy)
            for (const auto& reply : replies) AddScanReply(*table, index, reply);
        benchmark::DoNotOptimize(table->count);
    }
    state.SetItemsProcessed(state.iterations() * 2 * static_cast<std::int64_t>(replies.size()));
}
BENCHMARK(BM_ScanRepliesIntoTable)->Unit(benchmark::kMillisecond);

const bool kScanFigures = bench::AddFigure(
    {"scan replies into the table (2 x 5001)", {"BM_ScanRepliesIntoTable", "cpu_ms"}, 1, "ms"});

}  // namespace
}  // namespace ostrand

#include <benchmark/benchmark.h>
#include "figures.h"

#include <memory>
#include <string>

#include "devices/device_list.h"
#include "devices/device_table.h"

namespace ostrand {
namespace {

// A full table of mixed devices, with UTF-8 names on the HTTP ports so the name
// conversion is part of what is measured.
std::unique_ptr<DeviceTable> FullTable() {
    auto table = std::make_unique<DeviceTable>();
    for (std::size_t i = 0; i < DeviceTable::kCapacity; ++i) {
        DeviceRecord r;
        const std::string n = std::to_string(i);
        SetFieldText(r.deviceNumber, "SN" + n);
        SetFieldText(r.ip, "10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250));
        SetFieldText(r.mac, "00AABBCC" + n);
        SetFieldText(r.subnetMask, "255.255.0.0");
        SetFieldText(r.gateway, "10.1.0.1");
        SetFieldText(r.version, "2.3.1." + n);
        SetFieldText(r.productModel, "M-100");
        r.attendType = static_cast<std::int32_t>(i % 4);
        r.commandPort = (i % 3 == 0) ? 60005 : 80;
        SetFieldText(r.deviceName, r.commandPort == 80 ? "前门摄像机" + n : "Gate" + n);
        if (i % 5 == 0) SetFieldText(r.versionPrefix, "K1");
        r.tfStatus = static_cast<std::int32_t>(i % 16);
        table->Append(r);
    }
    return table;
}

void BM_FillDeviceList(benchmark::State& state) {
    const auto table = FullTable();
    DeviceList list;
    list.SetFilter(static_cast<ListFilter>(state.range(0)));
    for (auto _ : state) {
        list.FillDeviceList(*table, table->count);
        benchmark::DoNotOptimize(list.RowCount());
    }
    state.SetItemsProcessed(state.iterations() * table->count);
}
BENCHMARK(BM_FillDeviceList)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

const bool kFigures =
    bench::AddFigure({"device list filled with 5001 devices (all)", {"BM_FillDeviceList/0", "cpu_ms"}, 1, "ms"}) &&
    bench::AddFigure({"device list filled with 5001 devices (filtered)", {"BM_FillDeviceList/1", "cpu_ms"}, 1, "ms"});

}  // namespace
}  // namespace ostrand

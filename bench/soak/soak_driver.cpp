// The window side of the soak: runs the operations the dialogs run, many at
// once, against a simulated fleet, and reports every failure with its text,
// the longest operation of each kind against its bound and its own and the
// simulator's memory as the run goes on. Afterwards the main window must still
// answer: a Search round finds the fleet and a dialog opens and closes.
//
// Output, one record a line ("|"-separated, read by bench/soak/run):
//   RSS|<operations done>|<driver kB>|<simulator kB>
//   KIND|<kind>|<operations>|<failures>|<longest ms>|<bound ms>
//   FAILTEXT|<kind>|<count>|<text>
//   NOTEXT|<kind>|<count>          failures without a usable text
//   HANG|<kind>|<ms>|<device>       an operation beyond its bound
//   AFTER|<check>|ok|<detail>  or  AFTER|<check>|FAIL|<detail>
//   TOTAL|<operations>|<seconds>

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "soak_ops.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"

namespace ostrand::soak {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long RssKb(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

struct Planned {
    std::size_t kind;
    std::size_t device;
    std::uint64_t serial;
};

struct KindStats {
    std::uint64_t ops = 0;
    std::uint64_t failures = 0;
    std::uint64_t uninformative = 0;
    std::int64_t longestMs = 0;
    std::map<std::string, std::uint64_t> texts;
};

// What each worker is doing, for the hang watch.
struct InFlight {
    std::atomic<std::int64_t> startedMs{-1};
    std::atomic<std::size_t> op{0};
};

std::int64_t NowMs(Clock::time_point origin) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin).count();
}

// Opens the network dialog of `ip`'s row through the main window and closes it
// once it shows; true when it showed.
bool OpenAndCloseDialog(CostrandDlg& window, const std::string& ip, std::string& detail) {
    int row = -1;
    for (int r = 0; r < window.List().RowCount(); ++r) {
        if (window.List().Cell(r, 10) == ip) row = r;
    }
    if (row < 0) {
        detail = "no row for " + ip;
        return false;
    }
    window.ListView()->selectRow(row);
    QString shown;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == &window || !modal->isVisible()) return;
        if (shown.isEmpty()) shown = modal->metaObject()->className();
        modal->close();
    });
    closer.start(50);
    const auto start = Clock::now();
    window.Button(static_cast<int>(CommandId::NetworkParams))->click();
    closer.stop();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    detail = shown.isEmpty() ? "no dialog showed" : shown.toStdString() + " opened and closed in " +
                                                        std::to_string(ms) + " ms";
    return !shown.isEmpty();
}

int Run(int argc, char** argv) {
    CLI::App app{"soak driver: the dialogs' operations against a simulated fleet"};
    std::string devicesPath, simPid, workDir = "soak-work", checkIp;
    std::uint64_t perKind = 200, sampleEvery = 500, seed = 16;
    unsigned threads = 16;
    std::uint16_t scanPort = 60003, hdsPort = 8002;
    bool skipWindow = false;
    app.add_option("--devices", devicesPath, "the simulator's device list (its ready file)")->required();
    app.add_option("--per-kind", perKind, "operations of every kind");
    app.add_option("--threads", threads, "operations at once")->check(CLI::Range(1u, 256u));
    app.add_option("--sample-every", sampleEvery, "operations between memory samples")->check(CLI::Range(1u, 1u << 30));
    app.add_option("--sim-pid", simPid, "the simulator's process id, for its memory");
    app.add_option("--seed", seed, "seed of the device choice");
    app.add_option("--work-dir", workDir, "scratch folder");
    app.add_option("--check-ip", checkIp, "a healthy device whose dialog the final check opens");
    app.add_option("--scan-port", scanPort, "the simulator's scan port");
    app.add_option("--hds-port", hdsPort, "the simulator's HDS port");
    app.add_flag("--skip-window", skipWindow, "no window check after the run");
    CLI11_PARSE(app, argc, argv);

    QApplication qt(argc, argv);
    ThreadRoutingSink sink;
    SetMessageSink(&sink);
    SetUiLanguage(Language::Chinese);
    InstallSoakWaits();
    std::filesystem::create_directories(workDir);

    std::ifstream listFile(devicesPath);
    std::stringstream listText;
    listText << listFile.rdbuf();
    const std::vector<SimDevice> devices = ParseDeviceList(listText.str());
    if (devices.empty()) {
        std::cerr << "soak_driver: no devices in " << devicesPath << "\n";
        return 2;
    }
    const auto& kinds = AllOpKinds();

    // A mixed schedule: every kind perKind times on devices it is meant for.
    std::mt19937_64 random(seed);
    std::vector<Planned> plan;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        std::vector<std::size_t> eligible;
        for (std::size_t d = 0; d < devices.size(); ++d) {
            if (Accepts(kinds[k].targets, devices[d])) eligible.push_back(d);
        }
        if (eligible.empty()) continue;
        for (std::uint64_t i = 0; i < perKind; ++i) {
            plan.push_back({k, eligible[random() % eligible.size()], plan.size()});
        }
    }
    std::shuffle(plan.begin(), plan.end(), random);

    const auto bound = ExchangeBound();
    std::vector<KindStats> stats(kinds.size());
    std::mutex statsMutex;
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> done{0};
    std::vector<InFlight> inFlight(threads);
    const auto origin = Clock::now();
    const std::string self = std::to_string(::getpid());

    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (;;) {
                const std::size_t index = next.fetch_add(1);
                if (index >= plan.size()) break;
                const Planned& p = plan[index];
                const OpKind& kind = kinds[p.kind];
                const OpContext context{std::filesystem::path(workDir) / ("t" + std::to_string(t)), p.serial};
                std::filesystem::create_directories(context.workDir);
                inFlight[t].op = index;
                inFlight[t].startedMs = NowMs(origin);
                const auto start = Clock::now();
                OpResult result;
                try {
                    result = kind.run(devices[p.device], context);
                } catch (const std::exception& e) {
                    result = {false, std::string("exception: ") + e.what()};
                }
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
                inFlight[t].startedMs = -1;
                {
                    std::lock_guard lock(statsMutex);
                    KindStats& s = stats[p.kind];
                    ++s.ops;
                    s.longestMs = std::max<std::int64_t>(s.longestMs, ms);
                    if (!result.ok) {
                        ++s.failures;
                        if (IsUninformative(result.text)) ++s.uninformative;
                        ++s.texts[result.text];
                    }
                    if (ms > kind.exchanges * bound.count()) {
                        std::cout << "HANG|" << kind.name << "|" << ms << "|" << devices[p.device].ip << "\n";
                    }
                }
                ++done;
            }
        });
    }

    // Memory samples and the hang watch, until every worker has ended.
    std::uint64_t nextSample = 0;
    std::vector<bool> reported(threads, false);
    for (;;) {
        const std::uint64_t count = done.load();
        if (count >= nextSample) {
            std::cout << "RSS|" << count << "|" << RssKb(self) << "|" << (simPid.empty() ? -1 : RssKb(simPid))
                      << std::endl;
            nextSample = (count / sampleEvery + 1) * sampleEvery;
        }
        if (count >= plan.size()) break;
        for (unsigned t = 0; t < threads; ++t) {
            const std::int64_t started = inFlight[t].startedMs.load();
            const OpKind& kind = kinds[plan[std::min(inFlight[t].op.load(), plan.size() - 1)].kind];
            const std::int64_t limit = 3 * kind.exchanges * bound.count();
            if (started >= 0 && NowMs(origin) - started > limit) {
                // Stuck far beyond any wait: a hang. Report and end the run.
                std::cout << "HANG|" << kind.name << "|" << NowMs(origin) - started << "|stuck" << std::endl;
                std::_Exit(3);
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    for (auto& worker : workers) worker.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - origin).count();
    std::cout << "RSS|" << done.load() << "|" << RssKb(self) << "|" << (simPid.empty() ? -1 : RssKb(simPid)) << "\n";

    int status = 0;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const KindStats& s = stats[k];
        std::cout << "KIND|" << kinds[k].name << "|" << s.ops << "|" << s.failures << "|" << s.longestMs << "|"
                  << kinds[k].exchanges * bound.count() << "\n";
        for (const auto& [text, count] : s.texts) {
            std::string oneLine = text;
            std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
            std::cout << "FAILTEXT|" << kinds[k].name << "|" << count << "|" << oneLine << "\n";
        }
        if (s.uninformative != 0) {
            std::cout << "NOTEXT|" << kinds[k].name << "|" << s.uninformative << "\n";
            status = 1;
        }
    }
    std::cout << "TOTAL|" << done.load() << "|" << seconds << std::endl;

    if (!skipWindow) {
        DiscoveryConfig discovery;
        discovery.bindAddresses = {"127.0.0.1"};
        discovery.scanLocalPort = 0;
        discovery.hdsLocalPort = 0;
        discovery.scanDestinations = {{"127.0.0.1", scanPort}};
        discovery.hdsDestination = {"127.0.0.1", hdsPort};
        discovery.hdsWait = 200ms;
        discovery.maxCollectTime = 10s;
        discovery.receiveBufferBytes = 4 << 20;
        CostrandDlg window(discovery);
        QObject::connect(&window, &CostrandDlg::CommandPassedGates, &window,
                         [&window](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, &window, args); });
        window.show();
        ThreadMessages shown;  // texts the window shows on this thread
        const auto searchStart = Clock::now();
        window.Button(1001)->click();
        const auto searchMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - searchStart).count();
        const int rows = window.List().RowCount();
        const bool searchOk = rows == static_cast<int>(devices.size());
        std::cout << "AFTER|search|" << (searchOk ? "ok" : "FAIL") << "|" << rows << " of " << devices.size()
                  << " devices listed in " << searchMs << " ms" << std::endl;
        if (!searchOk) status = 1;
        if (!checkIp.empty()) {
            std::string detail;
            const bool dialogOk = OpenAndCloseDialog(window, checkIp, detail);
            std::cout << "AFTER|dialog|" << (dialogOk ? "ok" : "FAIL") << "|" << detail << std::endl;
            if (!dialogOk) status = 1;
        }
        for (const std::string& text : shown.Texts()) std::cout << "AFTER|message||" << text << "\n";
        window.close();
    }
    SetMessageSink(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
    return status;
}

}  // namespace
}  // namespace ostrand::soak

int main(int argc, char** argv) { return ostrand::soak::Run(argc, argv); }

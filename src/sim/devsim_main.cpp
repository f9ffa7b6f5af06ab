// ostrand-devsim: serves a fleet of simulated devices until interrupted.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>

#include "sim/devsim_options.h"
#include "sim/discovery/discovery_service.h"
#include "sim/probe/probe_service.h"
#include "sim/simulator.h"

namespace {

using namespace ostrand::sim;

// Exchanges the standalone simulator keeps in memory (the open ones always),
// and received files per device: nothing in this process reads them back.
constexpr std::size_t kStandaloneJournalEntries = 1000;
constexpr std::size_t kStandaloneReceivedFiles = 1;

// Thousands of devices need as many listening sockets.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    auto options = ParseDevsimOptions(argc, argv, exitCode);
    if (!options) return exitCode;

    if (options->listOnly) {
        for (const DeviceConfig& config : options->devices) std::cout << DescribeDevice(config) << "\n";
        return 0;
    }

    RaiseDescriptorLimit();
    Simulator simulator;
    std::ofstream journalFile;
    const auto start = std::chrono::steady_clock::now();
    simulator.GetJournal().SetCaptureLimit(options->journalLimit);
    // Nothing in this process reads past exchanges back (the --journal file
    // is written as the bytes pass), so only a few are kept: a simulator
    // serving for hours must not grow with every connection.
    simulator.GetJournal().SetRetention(kStandaloneJournalEntries);
    if (!options->journalPath.empty()) {
        journalFile.open(options->journalPath, std::ios::app);
        if (!journalFile) {
            std::cerr << "ostrand-devsim: cannot write " << options->journalPath << "\n";
            return 2;
        }
        simulator.GetJournal().SetObserver(
            [&journalFile, start](const JournalEntry& entry, bool incoming, std::string_view bytes) {
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                journalFile << ms << " #" << entry.id << " " << entry.device << ":" << entry.port
                            << " " << entry.channel << " " << (incoming ? "in " : "out ")
                            << entry.peer << " " << HexText(bytes) << "\n";
                journalFile.flush();
            });
    }

    try {
        for (DeviceConfig& config : options->devices) {
            config.keptReceivedFiles = kStandaloneReceivedFiles;
            simulator.AddDevice(std::move(config));
        }
        simulator.AddService(std::make_unique<DiscoveryService>());
        simulator.AddService(std::make_unique<ProbeService>());
        simulator.Open();
    } catch (const std::exception& e) {
        std::cerr << "ostrand-devsim: " << e.what() << "\n";
        return 1;
    }

    net::signal_set signals(simulator.Context(), SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code& error, int) {
        if (!error) simulator.Stop();
    });
    net::steady_timer deadline(simulator.Context());
    if (options->durationSeconds > 0) {
        deadline.expires_after(std::chrono::milliseconds(
            static_cast<std::int64_t>(options->durationSeconds * 1000)));
        deadline.async_wait([&](const boost::system::error_code& error) {
            if (!error) simulator.Stop();
        });
    }

    std::string list;
    for (const auto& device : simulator.Devices().Devices()) {
        list += DescribeDevice(device->Config()) + "\n";
    }
    std::cout << list << "ostrand-devsim: " << simulator.Devices().Size()
              << " devices listening\n" << std::flush;
    if (!options->readyPath.empty()) {
        // Written whole under another name and renamed, so a reader never sees half of it.
        const std::string partial = options->readyPath + ".part";
        {
            std::ofstream ready(partial, std::ios::trunc);
            ready << list;
        }
        std::rename(partial.c_str(), options->readyPath.c_str());
    }
    simulator.Run();
    return 0;
}

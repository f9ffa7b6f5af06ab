#include "cli/scan_command.h"

#include "cli/commands.h"
#include "cli/device_report.h"
#include "cli/output_printer.h"

#include <algorithm>
#include <iostream>
#include <memory>

#include "devices/device_columns.h"
#include "discovery/search.h"
#include "ops/shell/device_list_export.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

std::vector<std::vector<std::string>> ScanRows(const DeviceList& list) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(std::max(list.RowCount(), 0)));
    for (int row = 0; row < list.RowCount(); ++row) {
        std::vector<std::string> cells;
        cells.reserve(kDeviceColumnCount);
        for (int column = 0; column < kDeviceColumnCount; ++column) {
            cells.push_back(GbkToUtf8Lossy(list.Cell(row, column)));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

}  // namespace

std::vector<std::string> ScanColumns() {
    const auto& headers = DeviceColumnHeaders(HeaderSet::English);
    return {headers.begin(), headers.end()};
}

int RunScanCommand(const ScanCommandOptions& options, std::ostream& out, std::ostream& err) {
    DiscoveryConfig config;
    if (options.flags) {
        const auto flags = *options.flags;
        config.settings.scanFlags = [flags] { return flags; };
    }
    if (options.waitMs) {
        const auto wait = *options.waitMs;
        config.settings.scanTimeOut = [wait] { return wait; };
    }
    config.bindAddresses = options.bindAddresses;
    if (!options.destinations.empty()) {
        config.scanDestinations.clear();
        for (const auto& text : options.destinations) {
            const auto endpoint = ParseUdpEndpoint(text);
            if (!endpoint) throw cli::UsageError("--dest needs ADDRESS:PORT, not \"" + text + "\"");
            config.scanDestinations.push_back(*endpoint);
        }
    }
    if (!options.hdsDestination.empty()) {
        const auto endpoint = ParseUdpEndpoint(options.hdsDestination);
        if (!endpoint) {
            throw cli::UsageError("--hds-dest needs ADDRESS:PORT, not \"" + options.hdsDestination + "\"");
        }
        config.hdsDestination = *endpoint;
    }
    for (const auto& address : options.bindAddresses) {
        if (!ParseUdpEndpoint(address + ":1")) {
            throw cli::UsageError("--bind needs an IPv4 address, not \"" + address + "\"");
        }
    }
    if (options.trace) config.trace = StderrDiscoveryTrace();

    DiscoverySession session(std::move(config));
    session.Open();
    auto table = std::make_unique<DeviceTable>();
    RunSearch(session, *table);
    DeviceList list;
    list.FillDeviceList(*table, table->count);
    cli::OutputPrinter({options.json, options.header, false}, {}, out, err).PrintTable(ScanColumns(), ScanRows(list));
    if (!options.xlsPath.empty()) {
        const std::string failure = SaveListSheet(BuildListSheet(list, DeviceColumnHeaders(HeaderSet::English)),
                                                  options.xlsPath, ListFileFormat::Workbook);
        if (!failure.empty()) {
            err << "ostrand-cli scan: " << failure << " (" << options.xlsPath << ")\n";
            return cli::kFailedExitStatus;  // the export failed
        }
    }
    return 0;
}

}  // namespace ostrand

namespace ostrand::cli {

void AddScanCommand(CLI::App& app, CliAction& action) {
    auto options = std::make_shared<ScanCommandOptions>();
    auto* scan = app.add_subcommand(
        "scan", "search the LAN like the Search button and print the device list (a header line, then 19 "
                "tab-separated columns; with --json one array of objects keyed by the headers)");
    scan->add_option("--flags", options->flags, "\"SimpleScan\" bits (default: the settings file's)");
    scan->add_option("--wait-ms", options->waitMs, "quiet wait of a scan pass in ms (default: \"ScanTimeOut\")");
    // Bad addresses are usage errors, refused while the command line is read.
    const CLI::Validator endpoint(
        [](std::string& text) {
            return ParseUdpEndpoint(text) ? std::string() : "needs ADDRESS:PORT, not \"" + text + "\"";
        },
        "ADDRESS:PORT");
    scan->add_option("--bind", options->bindAddresses, "local address to search from (repeatable)")
        ->check(CLI::ValidIPV4);
    scan->add_option("--dest", options->destinations,
                     "scan destination ADDRESS:PORT (repeatable; default 255.255.255.255:60003 and "
                     "239.255.255.250:60003)")
        ->check(endpoint);
    scan->add_option("--hds-dest", options->hdsDestination, "HDS destination (default 239.255.255.250:8002)")
        ->check(endpoint);
    scan->add_flag("--trace", options->trace, "diagnostic lines on stderr");
    scan->add_option("--xls", options->xlsPath,
                     "also write the rows to this .xls workbook (header row: the English column headers)");
    scan->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            ScanCommandOptions run = *options;
            run.json = settings.json;
            run.header = settings.header;
            return RunScanCommand(run, std::cout, std::cerr);
        };
    });
}

}  // namespace ostrand::cli

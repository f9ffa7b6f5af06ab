// ostrand-cli ntp get --ip IP --port PORT
// ostrand-cli ntp set (--ip IP --port PORT | --target IP:PORT ... | --targets-from FILE)
//     ENTRY=SERVER[:PORT] ...
//
// A set reads the device's NTP table (5027), stores each named entry into it
// and sends the whole table back (5026), as the dialog's 修改 and 确定 do.

#include <charconv>
#include <iostream>

#include "cli/commands.h"
#include "cli/net_cli_support.h"
#include "ops/maintenance/ntp_servers.h"

namespace ostrand::cli {
namespace {

struct NtpEdit {
    int entry = 0;
    std::string server;               // GBK
    std::optional<std::string> port;  // absent: keep the table's
};

std::optional<NtpEdit> ParseNtpEdit(const std::string& text) {
    const std::size_t equals = text.find('=');
    NtpEdit edit;
    const char* end = text.data() + (equals == std::string::npos ? 0 : equals);
    const auto parsed = std::from_chars(text.data(), end, edit.entry);
    if (equals == std::string::npos || parsed.ec != std::errc() || parsed.ptr != end || edit.entry < 0 ||
        edit.entry >= kNtpEntryCount) {
        std::cerr << "ostrand-cli: \"" << text << "\" is not ENTRY=SERVER[:PORT] with ENTRY 0.."
                  << kNtpEntryCount - 1 << "\n";
        return std::nullopt;
    }
    std::string value = text.substr(equals + 1);
    if (const std::size_t colon = value.rfind(':'); colon != std::string::npos) {
        const std::string port = value.substr(colon + 1);
        if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) {
            std::cerr << "ostrand-cli: the port of \"" << text << "\" is not a number\n";
            return std::nullopt;
        }
        edit.port = port;
        value.resize(colon);
    }
    auto server = DeviceText(value, "NTP server");
    if (!server) return std::nullopt;
    edit.server = *server;
    return edit;
}

}  // namespace

void AddNtpCommand(CLI::App& app, CliAction& action) {
    struct Options {
        NetDeviceOptions get;
        NetDeviceOptions set;
        std::vector<std::string> edits;
    };
    auto options = std::make_shared<Options>();
    CLI::App* group = app.add_subcommand("ntp", "the device's five NTP servers (codes 5027 / 5026)");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand("get", "print the NTP table as KEY=VALUE lines");
    AddNetReadOptions(*get, options->get);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return RunNetRead(options->get, settings, [](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                ParamMap table;
                NetCliOutcome outcome;
                outcome.status = LoadNtpTable(endpoint, table) ? 0 : kRefusedExitStatus;
                outcome.values.assign(table.begin(), table.end());
                return outcome;
            });
        };
    });

    CLI::App* set = group->add_subcommand(
        "set", "change NTP entries, e.g. 0=pool.ntp.org:123 2=10.0.0.5 (without :PORT the port is kept); "
               "the other entries keep the device's values");
    AddNetWriteOptions(*set, options->set);
    set->add_option("ENTRY=SERVER[:PORT]", options->edits, "entries 0..4 to change")->required();
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            std::vector<NtpEdit> edits;
            for (const std::string& text : options->edits) {
                auto edit = ParseNtpEdit(text);
                if (!edit) return kBadValueExitStatus;
                edits.push_back(std::move(*edit));
            }
            return RunNetWrite(options->set, settings, "", [edits](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                NetCliOutcome outcome;
                ParamMap table;
                // Without the device's table a save would drop the entries
                // not named here.
                if (!LoadNtpTable(endpoint, table)) {
                    outcome.status = kRefusedExitStatus;
                    return outcome;
                }
                for (const NtpEdit& edit : edits) {
                    NtpEntry entry = NtpEntryOf(table, edit.entry);
                    entry.server = edit.server;
                    if (edit.port) entry.port = *edit.port;
                    StoreNtpEntry(table, edit.entry, entry);
                }
                outcome.status = SaveNtpTable(endpoint, table) ? 0 : kRefusedExitStatus;
                return outcome;
            });
        };
    });
}

}  // namespace ostrand::cli

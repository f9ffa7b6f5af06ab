// ostrand-cli ntp get DEVICES
// ostrand-cli ntp set DEVICES ENTRY=SERVER[:PORT] ...
//
// A set reads the device's NTP table (5027), stores each named entry into it
// and sends the whole table back (5026), as the dialog's 修改 and 确定 do.

#include <charconv>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/ntp_servers.h"

namespace ostrand::cli {
namespace {

struct NtpEdit {
    int entry = 0;
    std::string server;               // GBK
    std::optional<std::string> port;  // absent: keep the table's
};

// "ENTRY=SERVER[:PORT]" with ENTRY 0..4; a usage error otherwise.
NtpEdit ParseNtpEdit(const std::string& text) {
    const std::size_t equals = text.find('=');
    NtpEdit edit;
    const char* end = text.data() + (equals == std::string::npos ? 0 : equals);
    const auto parsed = std::from_chars(text.data(), end, edit.entry);
    if (equals == std::string::npos || parsed.ec != std::errc() || parsed.ptr != end || edit.entry < 0 ||
        edit.entry >= kNtpEntryCount) {
        throw UsageError("\"" + text + "\" is not ENTRY=SERVER[:PORT] with ENTRY 0.." +
                         std::to_string(kNtpEntryCount - 1));
    }
    std::string value = text.substr(equals + 1);
    if (const std::size_t colon = value.rfind(':'); colon != std::string::npos) {
        const std::string port = value.substr(colon + 1);
        if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos) {
            throw UsageError("the port of \"" + text + "\" is not a number");
        }
        edit.port = port;
        value.resize(colon);
    }
    edit.server = GbkArgument(value, "NTP server");
    return edit;
}

}  // namespace

void AddNtpCommand(CLI::App& app, CliAction& action) {
    auto texts = std::make_shared<std::vector<std::string>>();
    CLI::App* group = app.add_subcommand("ntp", "the device's five NTP servers (codes 5027 / 5026)");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand("get", "print the NTP table as KEY=VALUE lines");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            ParamMap table;
            DeviceReport report;
            report.status = LoadNtpTable(endpoint, table) ? 0 : kFailedExitStatus;
            report.AddReply(table);
            return report;
        };
    });

    CLI::App* set = group->add_subcommand(
        "set", "change NTP entries, e.g. 0=pool.ntp.org:123 2=10.0.0.5 (without :PORT the port is kept); "
               "the other entries keep the device's values");
    set->add_option("ENTRY=SERVER[:PORT]", *texts, "entries 0..4 to change")->required();
    DeviceCommand(*set, action, ChangesDevice(), [texts](const CliSettings&) -> DeviceJob {
        std::vector<NtpEdit> edits;
        for (const std::string& text : *texts) edits.push_back(ParseNtpEdit(text));
        return [edits](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            DeviceReport report;
            ParamMap table;
            // Without the device's table a save would drop the entries not
            // named here.
            if (!LoadNtpTable(endpoint, table)) {
                report.status = kFailedExitStatus;
                return report;
            }
            for (const NtpEdit& edit : edits) {
                NtpEntry entry = NtpEntryOf(table, edit.entry);
                entry.server = edit.server;
                if (edit.port) entry.port = *edit.port;
                StoreNtpEntry(table, edit.entry, entry);
            }
            report.status = SaveNtpTable(endpoint, table) ? 0 : kFailedExitStatus;
            return report;
        };
    });
}

}  // namespace ostrand::cli

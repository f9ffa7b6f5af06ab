// ostrand-cli netparam get DEVICES
// ostrand-cli netparam set DEVICES
//     [--static-ip on|off] [--ipaddress A] [--gateway A] [--dns A] [--mac HEX]
//     [--master TEXT | --no-master] [--master-port N] [--3g no|unicon|evdo]
//
// A set reads the device's page first, changes the named fields as the
// dialog's user would, and saves the page with the dialog's checks.

#include <algorithm>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/network_params.h"
#include "platform/message_sink.h"

namespace ostrand::cli {
namespace {

struct NetEdits {
    std::string staticIp, ip, gateway, dns, mac, master, masterPort, open3g;
    bool noMaster = false;
};

const char* OnOffText(bool on) { return on ? "on" : "off"; }

bool IsOn(const std::string& text) { return text == "on" || text == "1"; }

const char* Open3gText(const NetPageFields& fields) {
    if (!fields.open3g) return "no";
    switch (fields.operatorChoice) {
    case Net3gOperator::Unicom: return "unicon";
    case Net3gOperator::Telecom: return "evdo";
    case Net3gOperator::None: break;
    }
    return "on";
}

std::vector<std::pair<std::string, std::string>> PageValues(const NetPageFields& f) {
    std::string mac;
    for (const std::string& field : f.mac) mac += field;
    return {{"static-ip", OnOffText(f.staticIp)}, {"ipaddress", f.ip},       {"subnetmask", f.mask},
            {"gateway", f.gateway},              {"dns", f.dns},             {"mac", mac},
            {"self-built", OnOffText(f.selfBuilt)}, {"master", f.master},    {"master-port", f.masterPort},
            {"3g", Open3gText(f)}};
}

// The MAC as twelve hexadecimal digits, with or without ":" / "-" between
// the pairs; nullopt for anything else.
std::optional<std::array<std::string, 6>> MacPairs(std::string text) {
    if (text.size() == 17) {
        for (std::size_t i = 2; i < 17; i += 3) {
            if (text[i] != ':' && text[i] != '-') return std::nullopt;
        }
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ':' || c == '-'; }),
                   text.end());
    }
    if (text.size() != 12) return std::nullopt;
    std::array<std::string, 6> pairs;
    for (std::size_t i = 0; i < 6; ++i) {
        pairs[i] = text.substr(2 * i, 2);
        if (!IsMacField(pairs[i])) return std::nullopt;
    }
    return pairs;
}

// Refuses an edit of a field the page does not let the user change.
bool Editable(bool enabled, const char* what) {
    if (!enabled) ShowMessage(std::string(what) + "在此设备上不可修改，未发送");
    return enabled;
}

// Applies the edits to a loaded page; false (after a message) when one
// cannot be made on this device.
bool ApplyEdits(NetPageFields& fields, const NetEdits& edits) {
    if (!edits.staticIp.empty()) {
        const bool on = IsOn(edits.staticIp);
        if (on != fields.staticIp && !Editable(fields.staticIpEnabled, "静态IP开关")) return false;
        SetStaticIp(fields, on);
    }
    const auto address = [](std::string& field, bool enabled, const std::string& value, const char* what) {
        if (value.empty()) return true;
        if (!Editable(enabled, what)) return false;
        field = value;
        return true;
    };
    if (!address(fields.ip, fields.ipEnabled, edits.ip, "IP地址") ||
        !address(fields.gateway, fields.gatewayEnabled, edits.gateway, "网关") ||
        !address(fields.dns, fields.dnsEnabled, edits.dns, "DNS服务器")) {
        return false;
    }
    if (!edits.mac.empty()) {
        const auto pairs = *MacPairs(edits.mac);
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            if (pairs[i] != fields.mac[i] && !Editable(fields.macEnabled[i], "MAC地址的第一段")) return false;
        }
        fields.mac = pairs;
    }
    if (edits.noMaster) SetSelfBuilt(fields, false);
    if (!edits.master.empty()) {
        SetSelfBuilt(fields, true);
        fields.master = edits.master;
    }
    if (!edits.masterPort.empty()) {
        if (!Editable(fields.masterPortEnabled, "主控端口")) return false;
        fields.masterPort = edits.masterPort;
    }
    if (!edits.open3g.empty()) {
        SetOpen3g(fields, edits.open3g != "no");
        fields.operatorChoice = edits.open3g == "unicon"  ? Net3gOperator::Unicom
                                : edits.open3g == "evdo" ? Net3gOperator::Telecom
                                                         : Net3gOperator::None;
    }
    return true;
}

// Checks the option texts before any device is asked; a usage error names
// the first that is wrong.
NetEdits DeviceEdits(const NetEdits& utf8) {
    NetEdits edits = utf8;
    for (const auto& [text, name] : {std::pair{&edits.ip, "--ipaddress"}, std::pair{&edits.gateway, "--gateway"},
                                     std::pair{&edits.dns, "--dns"}}) {
        if (!text->empty() && !IsDottedQuad(*text)) {
            throw UsageError(std::string(name) + " takes a dotted IPv4 address, not \"" + *text + "\"");
        }
    }
    if (!edits.mac.empty() && !MacPairs(edits.mac)) {
        throw UsageError("--mac takes twelve hexadecimal digits (pairs may be separated by : or -)");
    }
    if (!edits.master.empty() && edits.noMaster) throw UsageError("--master and --no-master exclude each other");
    edits.master = GbkArgument(edits.master, "--master");
    edits.masterPort = GbkArgument(edits.masterPort, "--master-port");
    return edits;
}

DeviceReport NetReport(TransportResult result) {
    DeviceReport report;
    report.status = StatusOfTransport(result);
    return report;
}

}  // namespace

void AddNetparamCommand(CLI::App& app, CliAction& action) {
    struct Options {
        NetEdits edits;
    };
    auto options = std::make_shared<Options>();
    CLI::App* group = app.add_subcommand("netparam", "network parameters (getnetparam / setnetparam)");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand("get", "print the device's network page as KEY=VALUE lines");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            NetPageFields fields;
            DeviceReport report = NetReport(LoadNetworkPage(target, fields));
            if (report.Succeeded()) {
                for (const auto& [key, value] : PageValues(fields)) report.AddDeviceValue(key, value);
            }
            return report;
        };
    });

    CLI::App* set = group->add_subcommand(
        "set",
        "change fields of the network page and save it; fields not named keep the device's values. "
        "Off port 80 only the master server, its port and the 3G mode can be changed.");
    NetEdits& e = options->edits;
    set->add_option("--static-ip", e.staticIp, "on: fixed address; off: obtained automatically (port 80)")
        ->check(CLI::IsMember({"on", "off", "1", "0"}));
    set->add_option("--ipaddress", e.ip, "IP address (port 80, static IP on; one device only)");
    set->add_option("--gateway", e.gateway, "gateway, in the IP address's segment (port 80, static IP on)");
    set->add_option("--dns", e.dns, "DNS server (port 80, static IP on)");
    set->add_option("--mac", e.mac, "MAC, 12 hex digits; its first pair cannot change (port 80; one device only)");
    set->add_option("--master", e.master,
                    "self-built master servers: up to 4 IPs or domain names separated by ';', at most 75 bytes");
    set->add_flag("--no-master", e.noMaster, "no self-built master server (sends 0.0.0.0 and 8006)");
    set->add_option("--master-port", e.masterPort, "master server port (with a self-built master server)");
    set->add_option("--3g", e.open3g, "3G mode")->check(CLI::IsMember({"no", "unicon", "evdo"}));
    DeviceCommand(*set, action, ChangesDevice(),
                  [options](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
                      const NetEdits edits = DeviceEdits(options->edits);
                      const char* perDevice = !edits.ip.empty() ? "--ipaddress" : !edits.mac.empty() ? "--mac" : nullptr;
                      if (perDevice != nullptr && devices.targets.size() > 1) {
                          throw UsageError(std::string(perDevice) +
                                           " is different for every device; give one device only");
                      }
                      return [edits](const FleetTarget& device) {
                          CommandTarget target(device.ip, device.port);
                          NetPageFields fields;
                          // Without the device's page nothing is saved: the page would
                          // send values the user never saw.
                          DeviceReport report = NetReport(LoadNetworkPage(target, fields));
                          if (!report.Succeeded()) return report;
                          if (!ApplyEdits(fields, edits)) return NetReport(kTransportBadParameter);
                          return NetReport(SaveNetworkPage(target, fields));
                      };
                  });
}

}  // namespace ostrand::cli

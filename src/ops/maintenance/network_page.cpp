#include "ops/maintenance/network_page.h"

#include <algorithm>
#include <iterator>

#include "platform/app_state.h"

namespace ostrand {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The dot-separated pieces of a dotted quad as numbers; false when there are
// not exactly four pieces of one to three digits.
bool QuadPieces(std::string_view text, std::array<int, 4>& pieces) {
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string_view piece =
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (piece.empty() || piece.size() > 3 || count == 4) return false;
        int value = 0;
        for (char c : piece) {
            if (!IsDigit(c)) return false;
            value = value * 10 + (c - '0');
        }
        pieces[count++] = value;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return count == 4;
}

// An address field holds nothing usable: empty, all zero, or not a quad.
bool IsUnsetAddress(std::string_view text) { return text == "0.0.0.0" || !IsDottedQuad(text); }

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string ReplyValue(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

void SetAddressFieldsEnabled(NetPageFields& fields, bool enabled) {
    fields.ipEnabled = enabled;
    fields.gatewayEnabled = enabled;
    fields.dnsEnabled = enabled;
    fields.maskEnabled = false;
}

NetCollectResult Refuse(std::string message) {
    NetCollectResult result;
    result.message = std::move(message);
    return result;
}

}  // namespace

bool IsDottedIpv4(std::string_view text) {
    std::array<int, 4> pieces{};
    if (!QuadPieces(text, pieces)) return false;
    return pieces[0] <= 254 && pieces[1] <= 255 && pieces[2] <= 255 && pieces[3] <= 255;
}

bool IsDottedQuad(std::string_view text) {
    std::array<int, 4> pieces{};
    if (!QuadPieces(text, pieces)) return false;
    return std::all_of(pieces.begin(), pieces.end(), [](int piece) { return piece <= 255; });
}

std::vector<std::string> SplitAtChar(std::string_view text, char separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) {
            ++i;  // a two-byte character: its trail byte is never a separator
            continue;
        }
        if (text[i] == separator) {
            items.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    items.emplace_back(text.substr(start));
    return items;
}

bool IsMasterServerItem(std::string_view item) {
    static constexpr std::string_view kSuffixes[] = {
        ".com", ".net", ".org",  ".edu", ".mil",  ".gov",    ".biz",
        ".info", ".name", ".pro", ".aero", ".coop", ".museum", ".cn",
    };
    if (IsDottedIpv4(item)) return true;
    return std::any_of(std::begin(kSuffixes), std::end(kSuffixes),
                       [item](std::string_view suffix) { return EndsWith(item, suffix); });
}

bool InSameSegment(std::string_view ip, std::string_view gateway) {
    int dots = 0;
    for (std::size_t i = 0; i < ip.size(); ++i) {
        if (i >= gateway.size() || ip[i] != gateway[i]) return false;
        if (ip[i] == '.' && ++dots == 2) return true;
    }
    return ip.size() == gateway.size();
}

bool IsMacField(std::string_view field) {
    const auto hex = [](char c) {
        return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    return field.size() == 2 && hex(field[0]) && hex(field[1]);
}

void FillFromReply(NetPageFields& fields, const ParamMap& reply, std::int32_t commandPort) {
    const std::string ip = ReplyValue(reply, "ipaddress");
    if (!ip.empty()) fields.ip = ip;
    // A device that reports its mask gets it back; the page never edits it.
    const std::string mask = ReplyValue(reply, "subnetmaskaddress");
    fields.mask = IsDottedQuad(mask) && mask != "0.0.0.0" ? mask : kDefaultNetMask;
    fields.maskEnabled = false;
    const std::string gateway = ReplyValue(reply, "gateway");
    if (!gateway.empty()) fields.gateway = gateway;
    const std::string dns = ReplyValue(reply, "dnsaddress");
    if (!dns.empty()) fields.dns = dns;

    if (commandPort != 80) {
        fields.macEnabled.fill(false);
        fields.staticIp = false;
        fields.staticIpEnabled = false;
        SetAddressFieldsEnabled(fields, false);
    } else {
        const std::string mac = ReplyValue(reply, "macaddress");
        if (!mac.empty()) {
            for (std::size_t i = 0; i < fields.mac.size(); ++i) {
                fields.mac[i] = 2 * i < mac.size() ? mac.substr(2 * i, 2) : std::string();
            }
            fields.macEnabled[0] = false;
        }
        const std::string autoIp = ReplyValue(reply, "AutoIp");
        if (autoIp == "yes") {
            fields.staticIp = false;
            SetAddressFieldsEnabled(fields, false);
        } else if (autoIp == "no") {
            fields.staticIp = true;
            SetAddressFieldsEnabled(fields, true);
        }
        const std::string open3g = ReplyValue(reply, "Open3G");
        if (open3g == "unicon" || open3g == "evdo") {
            fields.open3g = true;
            fields.operatorChoice = open3g == "unicon" ? Net3gOperator::Unicom : Net3gOperator::Telecom;
            fields.operatorsEnabled = true;
        } else {
            fields.open3g = false;
            fields.operatorsEnabled = false;
        }
    }

    const std::string masterIp = ReplyValue(reply, "MasterIp");
    if (!masterIp.empty()) {
        const std::string all = ReplyValue(reply, "AllMsterIp");
        fields.master = all.empty() ? masterIp : all;
    }
    if (masterIp == "0.0.0.0") {
        fields.masterEnabled = false;
        fields.masterPortEnabled = false;
        fields.selfBuilt = false;
    } else {
        fields.selfBuilt = true;
    }
    const std::string port = ReplyValue(reply, "MasterPort");
    fields.masterPort = port.empty() ? kDefaultMasterPort : port;
}

void SetStaticIp(NetPageFields& fields, bool on) {
    fields.staticIp = on;
    SetAddressFieldsEnabled(fields, on);
}

void SetOpen3g(NetPageFields& fields, bool on) {
    fields.open3g = on;
    fields.operatorsEnabled = on;
}

void SetSelfBuilt(NetPageFields& fields, bool on) {
    fields.selfBuilt = on;
    fields.masterEnabled = on;
    fields.masterPortEnabled = on;
    if (on) fields.master.clear();
}

NetCollectResult CollectRequest(const NetPageFields& fields, std::int32_t commandPort) {
    NetCollectResult result;
    ParamMap& request = result.request;
    if (commandPort == 80) {
        if (IsUnsetAddress(fields.ip)) return Refuse("IP is NULL");
        request["ipaddress"] = fields.ip;
        if (IsUnsetAddress(fields.mask)) return Refuse("Mask is NULL");
        request["subnetmaskaddress"] = fields.mask;
        if (IsUnsetAddress(fields.gateway)) return Refuse("GateWay is NULL");
        if (!InSameSegment(fields.ip, fields.gateway)) {
            return Refuse(Tr("IP和网关不在同一网段，设置失败", "IP and GateWay in different network segment"));
        }
        request["gateway"] = fields.gateway;
        if (IsUnsetAddress(fields.dns)) return Refuse("dns is null");
        request["dnsaddress"] = fields.dns;
    }

    if (fields.selfBuilt) {
        if (fields.master.size() > kMaxMasterTextBytes) {
            return Refuse(Tr("输入的主控服务器地址超过75个字符", "Master Server Address is too long"));
        }
        const std::vector<std::string> items = SplitAtChar(fields.master, ';');
        if (items.size() > kMaxMasterItems) {
            return Refuse(Tr("输入的域名地址超过4个", "Master Server Address is more than 4"));
        }
        if (!std::all_of(items.begin(), items.end(), [](const std::string& item) { return IsMasterServerItem(item); })) {
            return Refuse(Tr("控制服务器存在有误地址，请检查输入的地址是否符合IP地址格式或者域名格式!",
                             "Master Server Address is Error"));
        }
        request["MasterIp"] = fields.master;
        request["MasterPort"] = fields.masterPort;
    } else {
        request["MasterIp"] = "0.0.0.0";
        request["MasterPort"] = kDefaultMasterPort;
    }

    if (commandPort == 80) {
        std::string mac;
        for (const std::string& field : fields.mac) {
            if (!IsMacField(field)) return Refuse("mac error");
            mac += field;
        }
        request["macaddress"] = mac;
    }

    request["staticIP"] = fields.staticIp ? "0" : "1";
    if (!fields.open3g) {
        request["Open3G"] = "no";
    } else if (fields.operatorChoice == Net3gOperator::Unicom) {
        request["Open3G"] = "unicon";
    } else if (fields.operatorChoice == Net3gOperator::Telecom) {
        request["Open3G"] = "evdo";
    } else {
        return Refuse("请选择3G打开类型");
    }
    result.ok = true;
    return result;
}

}  // namespace ostrand

#include "devices/device_selection.h"

#include <algorithm>

#include "platform/app_state.h"
#include "platform/message_sink.h"

namespace ostrand {

bool SelectionGate(std::span<const int> selectedRows, std::int32_t& selectedRow) {
    if (selectedRows.empty()) {
        ShowMessage(Tr("请在类表中单击选择要配置的设备", "Please Select Item"));
        return false;
    }
    selectedRow = *std::min_element(selectedRows.begin(), selectedRows.end());
    return true;
}

bool ConfirmedVideoIps::Contains(std::string_view ip) const {
    return std::find(ips_.begin(), ips_.end(), ip) != ips_.end();
}

bool ConfirmedVideoIps::Confirm(std::string_view ip) {
    if (Contains(ip)) return true;
    ips_.emplace_back(ip);
    return AskYesNo(Tr("请确定设备的网段和PC端网段是否一样",
                       "Please make sure the PC and device on the same network segment"),
                    Tr("网段", "Segment"));
}

std::string DeviceWebAddress(std::string_view ip, std::string_view webPortText) {
    std::string address = "http://";
    address += ip;
    if (webPortText != "0") {
        address += ':';
        address += webPortText;
    }
    return address;
}

bool IsPlainHostText(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
               c == '-';
    });
}

RowAction ActivateRow(const DeviceRow& row, ConfirmedVideoIps& confirmed) {
    RowAction action;
    action.ip = row[kColIp];
    action.port = CellInt(row[kColCommandPort]);
    if (action.port == kVideoCommandPort) {
        action.channels = CellInt(row[kColVideoChannels]);
        if (action.ip.empty()) {
            ShowMessage("IP is Null");
            return action;
        }
        if (!confirmed.Confirm(action.ip)) return action;
        action.kind = RowAction::Kind::VideoPreview;
        return action;
    }
    if (!IsPlainHostText(action.ip)) return action;
    action.kind = RowAction::Kind::WebPage;
    action.address = DeviceWebAddress(action.ip, row[kColWebPort]);
    return action;
}

}  // namespace ostrand

#pragma once
// What the main window does with the selected row, without any toolkit: the
// selection gate every command runs first, and the double-click action (the
// device's web page, or the video preview after the same-segment question).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_list.h"

namespace ostrand {

// No row selected: shows "请在类表中单击选择要配置的设备" / "Please Select Item"
// and returns false. Otherwise the lowest selected row becomes `selectedRow`
// (the caller deselects the others) and the result is true.
bool SelectionGate(std::span<const int> selectedRows, std::int32_t& selectedRow);

// IPs for which the same-segment question was asked. Grows for the life of the
// main window; each IP is asked about once, whatever the answer.
class ConfirmedVideoIps {
public:
    bool Contains(std::string_view ip) const;
    // True when the preview may open: the IP was asked about before, or it is
    // new and the user answers Yes to the same-segment question.
    bool Confirm(std::string_view ip);
    std::size_t Size() const { return ips_.size(); }

private:
    std::vector<std::string> ips_;
};

// "http://<ip>" when the web port text is "0", else "http://<ip>:<port>".
std::string DeviceWebAddress(std::string_view ip, std::string_view webPortText);

// True for a text that can only name a host: letters, digits, "." and "-". An
// IP field a device filled with "@", "/" or ":" would make the browser open
// some other address.
bool IsPlainHostText(std::string_view text);

struct RowAction {
    enum class Kind { None, VideoPreview, WebPage };
    Kind kind = Kind::None;
    std::string ip;           // GBK as in the row
    std::int32_t port = 0;
    std::int32_t channels = 0;
    std::string address;      // for WebPage
};

// The action for an activated (double-clicked) row. Port 80 with an empty IP
// shows "IP is Null"; a new port-80 IP asks the same-segment question and a No
// gives Kind::None. Another port opens the web page only for a plain host text.
RowAction ActivateRow(const DeviceRow& row, ConfirmedVideoIps& confirmed);

}  // namespace ostrand

#include "ops/maintenance/network_params.h"

#include "platform/app_state.h"
#include "platform/message_sink.h"

namespace ostrand {

TransportResult LoadConfigPage(CommandTarget& target, std::string_view loadCommand, ParamMap& reply) {
    if (loadCommand.empty()) return kTransportOk;
    const TransportResult result = GetFormCommandCoded(target, loadCommand, reply);
    if (result != kTransportOk) ShowMessage(TransportResultText(result));
    return result;
}

void ShowSaveFailed() { ShowMessage(Tr("保存失败", "Save Fail")); }

TransportResult SaveConfigPage(CommandTarget& target, std::string_view saveCommand, ParamMap request) {
    ParamMap reply;
    const TransportResult result = PostFormCommandCoded(target, saveCommand, request, reply);
    if (result != kTransportOk) {
        ShowMessage(TransportResultText(result));
        ShowSaveFailed();
        return result;
    }
    if (target.port == 80) {
        ShowMessage(Tr("保存成功，设备即将重启", "Save Succ,System Rebooting..."));
    } else {
        ShowMessage(Tr("保存成功", "Save Succ"));
    }
    return kTransportOk;
}

TransportResult SaveNetworkPage(CommandTarget& target, const NetPageFields& fields) {
    NetCollectResult collected = CollectRequest(fields, target.port);
    if (!collected.ok) {
        ShowMessage(collected.message);
        ShowSaveFailed();
        return kTransportBadParameter;
    }
    return SaveConfigPage(target, kNetSaveCommand, std::move(collected.request));
}

TransportResult LoadNetworkPage(CommandTarget& target, NetPageFields& fields) {
    ParamMap reply;
    const TransportResult result = LoadConfigPage(target, kNetLoadCommand, reply);
    fields = NetPageFields{};
    FillFromReply(fields, reply, target.port);
    return result;
}

}  // namespace ostrand

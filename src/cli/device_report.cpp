#include "cli/device_report.h"

#include "cli/cli_common.h"
#include "cli/exit_status.h"
#include "ops/attendance/terminal_exchange.h"
#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

void DeviceReport::AddDeviceValue(std::string key, const std::string& gbk) {
    values.emplace_back(std::move(key), OutputText(gbk));
}

void DeviceReport::AddReply(const ParamMap& reply) {
    for (const auto& [key, value] : reply) values.emplace_back(OutputText(key), OutputText(value));
}

DeviceReport DeviceReport::Failure(int status, std::string message) {
    DeviceReport report;
    report.status = status == 0 ? kFailedExitStatus : status;
    report.sent = report.status != kBadValueExitStatus && report.status != kUsageExitStatus;
    report.Show(std::move(message));
    return report;
}

int StatusOfTransport(TransportResult result) {
    return result >= 0 && result <= kFailedExitStatus ? static_cast<int>(result) : kFailedExitStatus;
}

DeviceReport ReportOf(const MaintenanceOutcome& outcome) {
    DeviceReport report;
    report.status = outcome.succeeded ? 0 : (outcome.result != 0 ? StatusOfTransport(outcome.result) : kFailedExitStatus);
    report.sent = outcome.sent;
    report.messages = outcome.messages;
    if (report.messages.empty() && !outcome.text.empty() && !outcome.succeeded) report.text = outcome.text;
    if (!outcome.reply.empty()) {
        nlohmann::ordered_json reply = nlohmann::ordered_json::object();
        for (const auto& [key, value] : outcome.reply) reply[OutputText(key)] = OutputText(value);
        report.extra["reply"] = std::move(reply);
    }
    return report;
}

DeviceReport ReportOf(const TerminalOutcome& outcome, Fields values) {
    DeviceReport report;
    switch (outcome.status) {
    case TerminalOutcome::Status::Done: report.status = 0; break;
    case TerminalOutcome::Status::Refused: report.status = kBadValueExitStatus; break;
    case TerminalOutcome::Status::DeviceRefused: report.status = kFailedExitStatus; break;
    case TerminalOutcome::Status::TransportFailed:
        report.status = outcome.transport != 0 ? StatusOfTransport(outcome.transport) : kFailedExitStatus;
        break;
    }
    report.sent = outcome.Sent();
    report.messages = outcome.messages;
    if (report.status == 0) report.values = std::move(values);
    return report;
}

std::string OutcomeText(TransportResult result, const std::string& detail) {
    std::string text = TransportResultText(result);
    if (result != 0 && !detail.empty()) text += ": " + detail;
    return text;
}

}  // namespace ostrand::cli

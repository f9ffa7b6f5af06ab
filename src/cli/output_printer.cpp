#include "cli/output_printer.h"

#include <ostream>

#include "cli/exit_status.h"
#include "cli/plain_field.h"
#include "transport/form_channel.h"

namespace ostrand::cli {
namespace {

std::string Joined(const std::vector<std::string>& texts) {
    std::string line;
    for (const std::string& text : texts) {
        if (text.empty()) continue;
        if (!line.empty()) line += "; ";
        line += text;
    }
    return line;
}

std::string RowLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line.push_back('\t');
        line += PlainField(cells[i]);
    }
    return line;
}

nlohmann::ordered_json RowsJson(const std::vector<std::string>& columns,
                                const std::vector<std::vector<std::string>>& rows) {
    auto array = nlohmann::ordered_json::array();
    for (const auto& row : rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (std::size_t i = 0; i < row.size(); ++i) {
            object[i < columns.size() ? columns[i] : "column" + std::to_string(i + 1)] = row[i];
        }
        array.push_back(std::move(object));
    }
    return array;
}

}  // namespace

std::string JsonText(const nlohmann::ordered_json& document) {
    return document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string SummaryText(const DeviceReport& report) {
    if (!report.text.empty()) return report.text;
    std::string joined = Joined(report.messages);
    if (joined.empty() && report.status > 0 && report.status <= kFailedExitStatus) {
        joined = TransportResultText(report.status);
    }
    if (joined.empty() && report.status == 0) joined = TransportResultText(0);
    return joined;
}

OutputPrinter::OutputPrinter(const OutputStyle& style, const CommandShape& shape, std::ostream& out,
                             std::ostream& err)
    : style_(style), shape_(shape), out_(out), err_(err) {}

nlohmann::ordered_json OutputPrinter::DeviceJson(const FleetTarget& target, const DeviceReport& report) const {
    nlohmann::ordered_json object;
    if (!target.ip.empty()) {
        object["ip"] = target.ip;
        object["port"] = target.port;
    } else {
        object["target"] = target.Label();
    }
    object["succeeded"] = report.Succeeded();
    object["result"] = report.status;
    object["sent"] = report.sent;
    object["text"] = SummaryText(report);
    object["messages"] = report.messages;
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& [key, value] : report.values) values[key] = value;
    object["values"] = std::move(values);
    if (!shape_.columns.empty()) object["rows"] = RowsJson(shape_.columns, report.rows);
    for (const auto& [key, value] : report.extra.items()) object[key] = value;
    return object;
}

void OutputPrinter::PrintRows(const std::string& prefix, const DeviceReport& report) {
    if (shape_.columns.empty()) return;
    // A device that failed before it listed anything prints no list at all.
    if (report.rows.empty() && !report.Succeeded()) return;
    if (style_.header && !headerPrinted_) {
        headerPrinted_ = true;
        out_ << (prefix.empty() ? "" : "address\t") << RowLine(shape_.columns) << '\n';
    }
    for (const auto& row : report.rows) out_ << prefix << RowLine(row) << '\n';
}

void OutputPrinter::PrintCsvRows(const DeviceReport& report) {
    if (!report.Succeeded()) return;
    if (style_.header) out_ << CsvLine(shape_.csv.header);
    for (const auto& row : report.rows) out_ << CsvLine(row, shape_.csv.kinds);
}

void OutputPrinter::PrintSingle(const FleetTarget& target, const DeviceReport& report) {
    std::lock_guard lock(mutex_);
    if (style_.csv) {
        // Standard output holds the CSV alone; every text goes to stderr.
        PrintCsvRows(report);
        out_.flush();
        if (report.messages.empty() && !report.Succeeded()) err_ << PlainField(SummaryText(report)) << '\n';
        for (const std::string& message : report.messages) err_ << PlainField(message) << '\n';
        err_.flush();
        return;
    }
    if (style_.json) {
        out_ << JsonText(DeviceJson(target, report)) << '\n';
        out_.flush();
        return;
    }
    for (const auto& [key, value] : report.values) out_ << PlainField(key, "=") << '=' << PlainField(value) << '\n';
    PrintRows({}, report);
    out_.flush();
    std::ostream& texts = report.Succeeded() ? out_ : err_;
    if (report.messages.empty()) {
        if (!report.Succeeded()) texts << PlainField(SummaryText(report)) << '\n';
    } else {
        for (const std::string& message : report.messages) texts << PlainField(message) << '\n';
    }
    texts.flush();
}

void OutputPrinter::PrintFleetLine(const FleetTarget& target, const DeviceReport& report) {
    if (style_.json) return;
    std::lock_guard lock(mutex_);
    const std::string address = PlainField(target.Label());
    out_ << address << '\t' << (report.Succeeded() ? "成功" : "失败") << '\t' << PlainField(SummaryText(report));
    for (const auto& [key, value] : report.values) out_ << '\t' << PlainField(key, "=") << '=' << PlainField(value);
    out_ << '\n';
    PrintRows(address + '\t', report);
    out_.flush();
}

void OutputPrinter::PrintFleetEnd(const std::vector<FleetTarget>& targets, const std::vector<DeviceReport>& reports) {
    std::size_t succeeded = 0;
    for (const DeviceReport& report : reports) succeeded += report.Succeeded() ? 1 : 0;
    const std::size_t failed = reports.size() - succeeded;
    std::lock_guard lock(mutex_);
    if (style_.json) {
        auto devices = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < targets.size() && i < reports.size(); ++i) {
            devices.push_back(DeviceJson(targets[i], reports[i]));
        }
        nlohmann::ordered_json document;
        document["devices"] = std::move(devices);
        document["succeeded"] = succeeded;
        document["failed"] = failed;
        out_ << JsonText(document) << '\n';
    } else {
        out_ << reports.size() << " devices: " << succeeded << " succeeded, " << failed << " failed\n";
    }
    out_.flush();
}

void OutputPrinter::PrintProgress(const FleetTarget& target, const std::string& text) {
    if (style_.json) return;
    std::lock_guard lock(mutex_);
    out_ << PlainField(target.Label()) << '\t' << PlainField(text) << '\n';
    out_.flush();
}

void OutputPrinter::PrintTable(const std::vector<std::string>& columns,
                               const std::vector<std::vector<std::string>>& rows) {
    std::lock_guard lock(mutex_);
    out_ << (style_.json ? TableJson(columns, rows) : TableText(columns, rows, style_.header));
    out_.flush();
}

void OutputPrinter::PrintFailure(int status, const std::string& text) {
    if (!style_.json) return;
    std::lock_guard lock(mutex_);
    nlohmann::ordered_json document;
    document["succeeded"] = false;
    document["result"] = status;
    document["sent"] = false;
    document["text"] = text;
    out_ << JsonText(document) << '\n';
    out_.flush();
}

std::string TableText(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                      bool header) {
    std::string text;
    if (header) text += RowLine(columns) + '\n';
    for (const auto& row : rows) text += RowLine(row) + '\n';
    return text;
}

std::string TableJson(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows) {
    return RowsJson(columns, rows).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

}  // namespace ostrand::cli

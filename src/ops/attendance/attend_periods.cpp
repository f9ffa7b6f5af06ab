#include "ops/attendance/attend_periods.h"

#include <cstdio>

#include "ops/attendance/list_fields.h"

namespace ostrand {

PeriodTable PeriodsFromReply(const ParamMap& reply) {
    PeriodTable table;
    const auto types = SplitFields(ReplyValue(reply, "AttendType"), '&');
    const auto begins = SplitFields(ReplyValue(reply, "BeginTime"), '&');
    const auto ends = SplitFields(ReplyValue(reply, "EndTime"), '&');
    for (std::size_t i = 0; i < types.size() && i < table.size(); ++i) {
        if (types[i].empty()) continue;
        const int type = AtoiValue(types[i]);
        AttendPeriod& period = table[i];
        if (type == kPeriodSignIn || type == kPeriodSignOut) {
            period.type = type;
            if (!FieldAt(begins, i).empty()) period.begin = FieldAt(begins, i);
            if (!FieldAt(ends, i).empty()) period.end = FieldAt(ends, i);
        } else {
            period = AttendPeriod{};
        }
    }
    return table;
}

ParamMap PeriodsRequest(const PeriodTable& table) {
    std::string types, begins, ends;
    for (std::size_t i = 0; i < table.size(); ++i) {
        types += std::to_string(table[i].type);
        begins += table[i].begin.empty() ? "00:00" : table[i].begin;
        ends += table[i].end.empty() ? "00:00" : table[i].end;
        if (i + 1 < table.size()) {
            types += '&';
            begins += '&';
            ends += '&';
        }
    }
    return {{"AttendType", types}, {"BeginTime", begins}, {"EndTime", ends}};
}

PeriodTime PickerTime(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return {};
    const int hour = AtoiValue(text.substr(0, colon));
    const int minute = AtoiValue(text.substr(colon + 1));
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return {};
    return {hour, minute};
}

std::optional<PeriodTime> ParsePeriodTime(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && (text[i] < '0' || text[i] > '9')) return std::nullopt;
    }
    const PeriodTime time{AtoiValue(text.substr(0, colon)), AtoiValue(text.substr(colon + 1))};
    if (time.hour > 23 || time.minute > 59) return std::nullopt;
    return time;
}

std::string FormatPeriodTime(PeriodTime time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

const char* PeriodTypeName(int type) {
    switch (type) {
    case kPeriodInvalid: return "无效";
    case kPeriodSignIn: return "签到";
    case kPeriodSignOut: return "签退";
    default: return nullptr;
    }
}

namespace {

std::string Span(const std::string& begin, const std::string& end) { return begin + "-" + end; }

}  // namespace

PeriodChange ModifyPeriod(PeriodTable& table, int index, int type, PeriodTime begin, PeriodTime end) {
    if (index < 0 || index >= kAttendPeriodCount) return {false, "选择的时间段有误"};
    if (PeriodTypeName(type) == nullptr) return {false, "出勤类型不正确"};
    const std::string b = FormatPeriodTime(begin);
    const std::string e = FormatPeriodTime(end);
    // Zero-padded "HH:MM" texts order by time under byte-wise comparison.
    for (int j = 0; j < kAttendPeriodCount; ++j) {
        const AttendPeriod& other = table[static_cast<std::size_t>(j)];
        if (j == index || other.type == kPeriodInvalid) continue;
        const std::string& pb = other.begin;
        const std::string& pe = other.end;
        if (pb < b && pe >= b) {
            return {false, "开始时间" + b + "和时间段" + std::to_string(j) + "的时间" + DeviceTextForDisplay(Span(pb, pe)) +
                               "重叠，请重新输入"};
        }
        if (pb <= e && pe > e) {
            return {false, "结束时间" + e + "和时间段" + std::to_string(j) + "的时间" + DeviceTextForDisplay(Span(pb, pe)) +
                               "重叠，请重新输入"};
        }
        if (pb >= b && pe <= e) {
            return {false, "时间" + Span(b, e) + "包含时间段" + std::to_string(j) + "的时间" +
                               DeviceTextForDisplay(Span(pb, pe)) + "，请重新输入"};
        }
    }
    if (b > e) return {false, "开始时间不能大于结束时间，请重新输入"};
    table[static_cast<std::size_t>(index)] = AttendPeriod{type, b, e};
    return {true, "修改时间段" + std::to_string(index) + "的时间" + Span(b, e) + "为" +
                      PeriodTypeName(type) + "状态"};
}

PeriodsRead ReadPeriods(const DeviceEndpoint& endpoint) {
    PeriodsRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetAttendPeriodsCode, read.outcome);
    read.table = PeriodsFromReply(exchange.reply);
    if (exchange.Ok()) read.unusable = UnusableReplyText(exchange.reply, {"AttendType", "BeginTime", "EndTime"}, true);
    return read;
}

TerminalOutcome WritePeriods(const DeviceEndpoint& endpoint, const PeriodTable& table) {
    TerminalOutcome outcome;
    const Exchange exchange =
        SendTerminalCommand(endpoint, PeriodsRequest(table), kSetAttendPeriodsCode, outcome);
    if (ResultIsSuccess(exchange.reply)) {
        outcome.status = TerminalOutcome::Status::Done;
        outcome.Add("设置成功!");
    } else {
        if (outcome.Succeeded()) outcome.status = TerminalOutcome::Status::DeviceRefused;
        outcome.Add("设置失败!");
    }
    return outcome;
}

}  // namespace ostrand

#pragma once
// The terminal's table of 16 attendance periods: each a sign-in, sign-out or
// invalid period with a begin and an end time of day ("HH:MM"). The table is
// read whole, edited locally one period at a time under the overlap rules,
// and sent whole.

#include <array>
#include <optional>
#include <string>

#include "ops/attendance/terminal_exchange.h"

namespace ostrand {

inline constexpr CommandCode kSetAttendPeriodsCode = 5035;
inline constexpr CommandCode kGetAttendPeriodsCode = 5036;
inline constexpr int kAttendPeriodCount = 16;

enum AttendPeriodType : int { kPeriodInvalid = 0, kPeriodSignIn = 1, kPeriodSignOut = 2 };

struct AttendPeriod {
    int type = kPeriodInvalid;
    std::string begin;  // empty or "HH:MM" (a device may send other texts)
    std::string end;

    friend bool operator==(const AttendPeriod&, const AttendPeriod&) = default;
};
using PeriodTable = std::array<AttendPeriod, kAttendPeriodCount>;

// The table a 5036 reply describes. A missing begin or end piece reads as empty;
// pieces past the 16th are ignored; a type other than 1 or 2 is an invalid
// period without times.
PeriodTable PeriodsFromReply(const ParamMap& reply);
// "AttendType", "BeginTime", "EndTime": 16 entries joined by "&", empty times
// sent as "00:00".
ParamMap PeriodsRequest(const PeriodTable& table);

// A time of day as the pickers hold it.
struct PeriodTime {
    int hour = 0;
    int minute = 0;
    friend bool operator==(const PeriodTime&, const PeriodTime&) = default;
};
// A stored text read as "%d:%d" for the pickers: an empty text, a missing
// minute, or an hour or minute outside the day give 00:00 (the stored text
// itself stays until the period is modified).
PeriodTime PickerTime(const std::string& text);
// A typed "H:MM" text with an hour 0..23 and a minute 0..59; nullopt otherwise.
std::optional<PeriodTime> ParsePeriodTime(const std::string& text);
std::string FormatPeriodTime(PeriodTime time);  // "%02d:%02d"
// "签到", "签退", "无效"; nullptr for another type.
const char* PeriodTypeName(int type);

// "修改": checks the selection, the type and the overlaps with every other
// valid period, then the order of begin and end, and stores the period.
// The message (UTF-8) is the refusal or the confirmation.
struct PeriodChange {
    bool applied = false;
    std::string message;
};
PeriodChange ModifyPeriod(PeriodTable& table, int index, int type, PeriodTime begin, PeriodTime end);

struct PeriodsRead {
    TerminalOutcome outcome;
    PeriodTable table;  // all invalid after a failed read
    // Why the reply is not the terminal's table (UTF-8): a "result" other
    // than "10000", or a reply without the three lists. Empty when it is the
    // table, and after a failed exchange (the outcome tells). The dialog
    // shows the table either way; a write that keeps the periods it does not
    // change cannot start from it.
    std::string unusable;
};
PeriodsRead ReadPeriods(const DeviceEndpoint& endpoint);
TerminalOutcome WritePeriods(const DeviceEndpoint& endpoint, const PeriodTable& table);

}  // namespace ostrand

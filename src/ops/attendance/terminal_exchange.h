#pragma once
// One command to an attendance terminal and the outcome its front ends show.
// Every terminal command is a numeric code on the framed TCP channel; the
// operations here return what happened (texts, values, status) instead of
// showing anything, so the dialogs and the command-line tool share them.

#include <initializer_list>
#include <string>
#include <vector>

#include "transport/command_code.h"
#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {

// What an operation ended with. `messages` (UTF-8) are shown in order, each in
// its own message box or line.
struct TerminalOutcome {
    enum class Status {
        Done,            // the device carried it out (or a read succeeded)
        Refused,         // a check of the typed values failed; nothing was sent
        DeviceRefused,   // the device answered with a refusal
        TransportFailed  // no usable reply
    };
    Status status = Status::Done;
    TransportResult transport = kTransportOk;
    std::vector<std::string> messages;

    bool Succeeded() const { return status == Status::Done; }
    bool Sent() const { return status != Status::Refused; }
    void Add(std::string text) { messages.push_back(std::move(text)); }
    static TerminalOutcome Refusal(std::string text);
};

// One exchange through the coded call. On a transport failure the reply is
// emptied and the result's text is added to `outcome` (the message the flag
// form of the call shows), with TransportFailed as its status.
struct Exchange {
    TransportResult result = kTransportOk;
    ParamMap reply;
    bool Ok() const { return result == kTransportOk; }
};
Exchange SendTerminalCommand(const DeviceEndpoint& endpoint, const ParamMap& request,
                             CommandCode code, TerminalOutcome& outcome);

// A reply value, empty when the key is missing.
std::string ReplyValue(const ParamMap& reply, const char* key);

// Convention A: the reply's "result" equals "10000" as text.
bool ResultIsSuccess(const ParamMap& reply);

// Convention B of the 7000-series commands: after a transport failure nothing
// more is added; otherwise a "result" of 10000 (read as a number) is success
// and any other shows "errmsg" or, when that is empty, `fallback`. A set adds
// `successText` on success. Returns true on success.
bool JudgeCodedReply(const Exchange& exchange, TerminalOutcome& outcome, const char* fallback,
                     const char* successText = nullptr);

// Why a read's reply cannot stand for the device's page (UTF-8): its "result"
// is not "10000" (absent counts only when `resultRequired`), with the device's
// "errmsg" where it sent one, or one of `keys` is missing. Empty when it can.
std::string UnusableReplyText(const ParamMap& reply, std::initializer_list<const char*> keys,
                              bool resultRequired);

// Device text (GBK) for a message or a widget.
std::string DeviceTextForDisplay(const std::string& gbk);

}  // namespace ostrand

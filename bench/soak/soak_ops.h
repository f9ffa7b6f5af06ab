#pragma once
// The operations the soak driver runs against a simulated fleet: one entry per
// kind, each calling the same operation a dialog calls for its device, with
// what it ended with reduced to success or a failure text. The texts a
// failure shows through the message sink are collected per thread, so
// operations on many threads keep their own.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_sink.h"

namespace ostrand::soak {

// One line of the simulator's device list: "address port kind number name".
struct SimDevice {
    std::string ip;
    int port = 0;
    std::string kind;  // "terminal", "capture", "camera"
    std::string number;
    std::string name;
    bool SpeaksTcp() const { return port == 60005; }
};
// Parses the simulator's list; malformed lines are skipped.
std::vector<SimDevice> ParseDeviceList(std::string_view text);

// Which devices an operation is meant for, as the dialogs gate them.
enum class Targets { Any, TcpChannel, Terminal, Camera };
bool Accepts(Targets targets, const SimDevice& device);

struct OpResult {
    bool ok = false;
    std::string text;  // UTF-8; a failure's texts joined with " / "
};

struct OpContext {
    std::filesystem::path workDir;  // scratch files of this operation
    std::uint64_t serial = 0;       // the operation's number, for varied inputs
};

struct OpKind {
    const char* name;
    Targets targets;
    int exchanges;  // the most device exchanges one operation makes (its time bound)
    std::function<OpResult(const SimDevice&, const OpContext&)> run;
};

// Every kind the driver runs.
const std::vector<OpKind>& AllOpKinds();

// The most one exchange may take under the waits the driver installs
// (connect, every resend and the rest of a reply, or an HTTP exchange's
// deadline), plus scheduling slack; an operation's bound is this times its
// exchanges.
std::chrono::milliseconds ExchangeBound();
// Installs the short waits the bound is computed from.
void InstallSoakWaits();

// A failure text that tells the user nothing: empty, or "unknown".
bool IsUninformative(std::string_view text);

// Records the texts shown on the calling thread while it lives.
class ThreadMessages {
public:
    ThreadMessages();
    ~ThreadMessages();
    ThreadMessages(const ThreadMessages&) = delete;
    ThreadMessages& operator=(const ThreadMessages&) = delete;
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    std::vector<std::string> texts_;
    std::vector<std::string>* previous_;
};

// The process-wide sink that hands every text to the calling thread's
// ThreadMessages (texts outside one are dropped). Install it once.
class ThreadRoutingSink final : public MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
};

}  // namespace ostrand::soak

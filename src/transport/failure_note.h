#pragma once
// The channel calls that answer only true or false (and show their own
// message) still know why they failed. They note the result here, per thread,
// so a front end that reports a numeric status (the command line's exit
// status) tells a refused connection from a silent device without asking every
// operation to carry the number through.

#include <optional>

#include "transport/tcp_channel.h"

namespace ostrand {

// Called by the channels when a call fails; a no-op unless a watch is open on
// this thread.
void NoteTransportFailure(TransportResult result);

// Collects the failures noted on this thread while it lives. Watches nest; the
// inner one sees only its own calls.
class TransportFailureWatch {
public:
    TransportFailureWatch();
    ~TransportFailureWatch();
    TransportFailureWatch(const TransportFailureWatch&) = delete;
    TransportFailureWatch& operator=(const TransportFailureWatch&) = delete;

    // The result of the last failed call, if any failed.
    std::optional<TransportResult> Last() const { return last_; }

private:
    friend void NoteTransportFailure(TransportResult result);
    TransportFailureWatch* outer_;
    std::optional<TransportResult> last_;
};

}  // namespace ostrand

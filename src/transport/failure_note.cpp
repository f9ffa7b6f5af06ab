#include "transport/failure_note.h"

namespace ostrand {
namespace {
thread_local TransportFailureWatch* t_watch = nullptr;
}  // namespace

void NoteTransportFailure(TransportResult result) {
    if (t_watch != nullptr && result != kTransportOk) t_watch->last_ = result;
}

TransportFailureWatch::TransportFailureWatch() : outer_(t_watch) { t_watch = this; }

TransportFailureWatch::~TransportFailureWatch() { t_watch = outer_; }

}  // namespace ostrand

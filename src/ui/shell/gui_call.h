#pragma once
// Worker threads reach the GUI thread (for a message box, a question) only
// through CallOnGuiThread. It waits for the GUI thread like a blocking queued
// call, but a modal wait that is winding down can release it: once the event
// loops have been told to end (quit, session end) the GUI thread waits for its
// worker without serving windows, and a worker then gets "not shown" at once
// instead of waiting for a window nobody will answer.

#include <QObject>

#include <functional>

namespace ostrand {

// Runs `call` on the thread of `context` and waits for it. True when it ran;
// false, without running it, when calls are refused (see RefuseGuiCalls).
// From the context's own thread the call runs at once.
bool CallOnGuiThread(QObject* context, const std::function<void()>& call);

// While one lives, calls from other threads are refused, and those still
// queued are released unrun. A call already running finishes.
class RefuseGuiCalls {
public:
    RefuseGuiCalls();
    ~RefuseGuiCalls();
    RefuseGuiCalls(const RefuseGuiCalls&) = delete;
    RefuseGuiCalls& operator=(const RefuseGuiCalls&) = delete;
};

}  // namespace ostrand

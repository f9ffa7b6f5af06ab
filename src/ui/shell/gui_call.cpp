#include "ui/shell/gui_call.h"

#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace ostrand {
namespace {

struct PendingCall {
    bool started = false;
    bool finished = false;
    bool released = false;
};

struct GuiCalls {
    std::mutex mutex;
    std::condition_variable changed;
    int refusing = 0;
    std::set<std::shared_ptr<PendingCall>> pending;
};

GuiCalls& Calls() {
    static GuiCalls calls;
    return calls;
}

}  // namespace

bool CallOnGuiThread(QObject* context, const std::function<void()>& call) {
    if (context == nullptr) return false;
    if (QThread::currentThread() == context->thread()) {
        call();
        return true;
    }
    GuiCalls& calls = Calls();
    auto pending = std::make_shared<PendingCall>();
    {
        std::lock_guard lock(calls.mutex);
        if (calls.refusing > 0) return false;
        calls.pending.insert(pending);
    }
    // `call` lives in this frame, which waits until the call finished or was
    // released; a released call is never started, so the reference is not
    // used after the frame is gone.
    QMetaObject::invokeMethod(
        context,
        [pending, &call] {
            GuiCalls& shared = Calls();
            {
                std::lock_guard lock(shared.mutex);
                if (pending->released) return;
                pending->started = true;
            }
            try {
                call();
            } catch (...) {
                // Nothing may leave through the event loop; the caller sees the call as run.
            }
            {
                std::lock_guard lock(shared.mutex);
                pending->finished = true;
            }
            shared.changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(calls.mutex);
    calls.changed.wait(lock, [&] { return pending->finished || pending->released; });
    calls.pending.erase(pending);
    return pending->finished;
}

RefuseGuiCalls::RefuseGuiCalls() {
    GuiCalls& calls = Calls();
    {
        std::lock_guard lock(calls.mutex);
        ++calls.refusing;
        for (const auto& pending : calls.pending)
            if (!pending->started) pending->released = true;
    }
    calls.changed.notify_all();
}

RefuseGuiCalls::~RefuseGuiCalls() {
    GuiCalls& calls = Calls();
    std::lock_guard lock(calls.mutex);
    --calls.refusing;
}

}  // namespace ostrand

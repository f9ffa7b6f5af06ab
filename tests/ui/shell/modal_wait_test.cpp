// The modal-wait helpers when the program ends or the window closes while
// their work runs: the GUI thread never waits for a worker that waits for it,
// and a window is not closed (or deleted) under its running work.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/message_sink.h"
#include "ui/qt_message_sink.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using Helper = std::function<void(QWidget*, const std::function<void()>&)>;

struct NamedHelper {
    const char* name;
    Helper run;
};

const NamedHelper kHelpers[] = {
    {"RunModalWork", [](QWidget* w, const std::function<void()>& work) { RunModalWork(w, work); }},
    {"RunWithProgress",
     [](QWidget* w, const std::function<void()>& work) { RunWithProgress(w, ProgressMode::Search, work); }},
};

// Waits on the worker (bounded) until `done` holds.
bool WaitFor(const std::atomic<bool>& done) {
    for (int i = 0; i < 1000 && !done; ++i) std::this_thread::sleep_for(5ms);
    return done;
}

// The event loops are told to end while the worker's question is on screen;
// the worker then asks once more. Both questions get No, the helper returns
// and the application's loop ends.
TEST(ModalWaitTest, EndingTheEventLoopsWhileTheWorkerAsksEndsCleanly) {
    for (const auto& helper : kHelpers) {
        SCOPED_TRACE(helper.name);
        QtMessageSink sink;
        ScopedMessageSink installed(sink);
        QWidget window;
        window.show();
        std::atomic<bool> exited{false};
        bool firstAnswer = true;
        bool secondAnswer = true;
        bool returned = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr || exited) return;
            exited = true;
            QCoreApplication::exit(0);  // as a session end does
        });
        probe.start(5);
        QTimer::singleShot(0, [&] {
            helper.run(&window, [&] {
                firstAnswer = AskYesNo("first?");
                WaitFor(exited);
                secondAnswer = AskYesNo("second?");
            });
            returned = true;
        });
        QApplication::exec();
        probe.stop();
        EXPECT_TRUE(exited.load());
        EXPECT_TRUE(returned);
        EXPECT_FALSE(firstAnswer);
        EXPECT_FALSE(secondAnswer);
        EXPECT_TRUE(window.isEnabled());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// A window closed while its work runs stays open (and alive) until the work
// has ended; the close then goes through.
TEST(ModalWaitTest, CloseIsHeldUntilTheWorkEnds) {
    for (const auto& helper : kHelpers) {
        SCOPED_TRACE(helper.name);
        auto* window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QWidget> guarded(window);
        window->show();
        std::atomic<bool> closeTried{false};
        bool openAfterClose = false;
        QTimer::singleShot(20, [&] {
            window->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const QWidget* alive = guarded.data();
            openAfterClose = alive != nullptr && alive->isVisible();
            closeTried = true;
        });
        helper.run(window, [&] { WaitFor(closeTried); });
        EXPECT_TRUE(closeTried.load());
        EXPECT_TRUE(openAfterClose);
        ASSERT_TRUE(guarded);
        for (int i = 0; i < 20 && guarded; ++i) {
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_FALSE(guarded);  // closed and deleted once the work ended
    }
}

// A progress window's parent deleted under the work takes the window with it;
// the helper notices instead of using either.
TEST(ModalWaitTest, ParentDeletedDuringProgressIsNotTouched) {
    auto* window = new QWidget;
    window->show();
    std::atomic<bool> deleted{false};
    QTimer::singleShot(20, [&] {
        delete window;
        deleted = true;
    });
    RunWithProgress(window, ProgressMode::Search, [&] { WaitFor(deleted); });
    EXPECT_TRUE(deleted.load());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace ostrand

#include "ui/shell/progress_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/app_state.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

TEST(ProgressDlg, SearchModeTitleTextAndOneStepPerTick) {
    ProgressDlg dialog(ProgressMode::Search);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("搜索设备"));
    EXPECT_EQ(dialog.Text(), QString::fromUtf8("正在搜索,请等待......"));
    for (int i = 1; i <= 29; ++i) {
        dialog.Tick();
        EXPECT_EQ(dialog.Position(), i);
    }
    dialog.Tick();
    EXPECT_EQ(dialog.Position(), 0);
    EXPECT_EQ(dialog.findChild<QProgressBar*>("progress1006")->maximum(), 30);
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(157, 185, 200));
}

TEST(ProgressDlg, OtherModesStepTwiceAndFollowTheLanguage) {
    SetUiLanguage(Language::English);
    ProgressDlg restore(ProgressMode::RestoreDefaults);
    ProgressDlg import(ProgressMode::Import);
    SetUiLanguage(Language::Chinese);
    EXPECT_EQ(restore.windowTitle(), "Set Default");
    EXPECT_EQ(import.Text(), "Importing,please wait....");
    restore.Tick();
    restore.Tick();
    EXPECT_EQ(restore.Position(), 4);
}

TEST(ProgressDlg, UserCannotCloseIt) {
    ProgressDlg dialog(ProgressMode::Search);
    dialog.show();
    QApplication::processEvents();
    dialog.reject();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.close());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.Finish();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
}

TEST(RunWithProgress, AnInstantOperationStillClosesTheWindow) {
    for (int i = 0; i < 20; ++i) {
        std::atomic<int> runs{0};
        RunWithProgress(nullptr, ProgressMode::Search, [&] { ++runs; });
        EXPECT_EQ(runs.load(), 1);
    }
}

TEST(RunWithProgress, ShowsTheWindowWhileTheWorkRuns) {
    std::atomic<bool> sawWindow{false};
    std::atomic<bool> release{false};
    // Watches from the GUI thread's event loop for the open window.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<ProgressDlg*>(widget);
            if (dialog != nullptr && dialog->isVisible()) {
                sawWindow = true;
                QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
                dialog->grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/progress-window.png");
                release = true;
            }
        }
    });
    probe.start(10);
    RunWithProgress(nullptr, ProgressMode::Search, [&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!release && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    probe.stop();
    EXPECT_TRUE(sawWindow.load());
}

TEST(RunWithProgress, ErrorsOfTheWorkReachTheCaller) {
    EXPECT_THROW(RunWithProgress(nullptr, ProgressMode::Import, [] { throw std::runtime_error("x"); }),
                 std::runtime_error);
}

TEST(RunModalWork, WindowTakesNoInputMeanwhile) {
    QWidget window;
    window.show();
    bool enabledDuringWork = true;
    std::atomic<bool> done{false};
    RunModalWork(&window, [&] { done = true; });
    EXPECT_TRUE(done.load());
    EXPECT_TRUE(window.isEnabled());
    QTimer::singleShot(0, [&] { enabledDuringWork = window.isEnabled(); });
    RunModalWork(&window, [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
    EXPECT_FALSE(enabledDuringWork);
    EXPECT_TRUE(window.isEnabled());
}

}  // namespace
}  // namespace ostrand

int main(int argc, char** argv) {
    // Test discovery runs the executable without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "app/costrand_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "../platform/temp_dir.h"
#include "../ui/loopback_discovery.h"
#include "platform/log.h"
#include "platform/profile.h"
#include "ui/costrand_dlg.h"

namespace ostrand {
namespace {

using test::ReadWholeFile;

// Closes the main window as soon as it is shown; counts how many it saw.
class MainWindowCloser {
public:
    MainWindowCloser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dlg = qobject_cast<CostrandDlg*>(widget); dlg && dlg->isVisible()) {
                    ++closed_;
                    dlg->close();
                }
            }
        });
        timer_.start(10);
    }
    int Closed() const { return closed_; }

private:
    QTimer timer_;
    int closed_ = 0;
};

TEST(CostrandAppTest, FirstRunWritesTheDefaultsAndExitsWithOne) {
    test::TempWorkingDir dir;
    RecordingMessageSink sink;
    MainWindowCloser closer;
    CostrandApp app(sink, test::LoopbackDiscoveryConfig());
    EXPECT_EQ(app.Run(), 1);
    CloseLogFile();
    EXPECT_EQ(closer.Closed(), 1);
    EXPECT_TRUE(std::filesystem::is_regular_file("Log.txt"));
    const std::string settings = ReadWholeFile(SettingsFileName());
    EXPECT_EQ(settings, "[common]\nConnTimeout=3\nCompat=0\nSimpleScan=0\n[Dev0]\nIP=\n");
    EXPECT_TRUE(sink.Entries().empty());
}

TEST(CostrandAppTest, LogThatCannotBeOpenedEndsBeforeTheWindow) {
    test::TempWorkingDir dir;
    std::filesystem::create_directory("Log.txt");  // a directory cannot be opened for appending
    RecordingMessageSink sink;
    MainWindowCloser closer;
    CostrandApp app(sink, test::LoopbackDiscoveryConfig());
    EXPECT_EQ(app.Run(), CostrandApp::kExitLogFailed);
    ASSERT_EQ(sink.Entries().size(), 1u);
    EXPECT_EQ(sink.Entries()[0].text, "log.txt打开失败");
    EXPECT_EQ(sink.Entries()[0].caption, "错误");
    QTest::qWait(30);
    EXPECT_EQ(closer.Closed(), 0);
    EXPECT_FALSE(std::filesystem::exists(SettingsFileName()));
}

// True when the program can be started in a network namespace of its own.
bool CanIsolateNetwork() {
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-rn"), QStringLiteral("true")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

// The real program in an empty directory: it creates ostrand.ini and Log.txt
// while its window opens. The window stays open, so the test ends the process.
// The program opens its discovery sockets on the machine's addresses, so it
// runs in a network namespace of its own where only a loopback exists.
TEST(OstrandProgramTest, FirstRunInAnEmptyDirectory) {
    if (!CanIsolateNetwork()) GTEST_SKIP() << "no private network namespace available";
    test::TempWorkingDir dir;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(QString::fromStdString(dir.Path().string()));
    program.start(QStringLiteral("unshare"), {QStringLiteral("-rn"), QStringLiteral(OSTRAND_EXECUTABLE)});
    ASSERT_TRUE(program.waitForStarted(10000));

    const auto settingsDone = [] {
        return ReadWholeFile("ostrand.ini").find("[Dev0]\nIP=\n") != std::string::npos;
    };
    const bool written = QTest::qWaitFor(settingsDone, 20000);
    const bool stillRunning = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished(10000);

    ASSERT_TRUE(written);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(ReadWholeFile("ostrand.ini"), "[common]\nConnTimeout=3\nCompat=0\nSimpleScan=0\n[Dev0]\nIP=\n");
    EXPECT_TRUE(std::filesystem::is_regular_file("Log.txt"));
}

}  // namespace
}  // namespace ostrand

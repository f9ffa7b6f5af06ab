#include "ui/qt_message_sink.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

namespace ostrand {
namespace {

// Answers the next message box the GUI thread shows and remembers its texts.
struct BoxAnswerer {
    QString text;
    QString caption;
    void AnswerWith(QMessageBox::StandardButton button) {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [this, timer, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            text = box->text();
            caption = box->windowTitle();
            box->button(button)->click();
            timer->stop();
            timer->deleteLater();
        });
        timer->start(10);
    }
};

TEST(QtMessageSinkTest, WorkerThreadWaitsForTheAnswerShownOnTheGuiThread) {
    QtMessageSink sink;
    BoxAnswerer answerer;
    answerer.AnswerWith(QMessageBox::Yes);
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = sink.AskYesNo("网段?", "网段") ? 1 : 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer != -1; }, 10000));
    worker.join();
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(answerer.text, "网段?");
    EXPECT_EQ(answerer.caption, "网段");
}

TEST(QtMessageSinkTest, MessageOnTheGuiThreadAndNoAnswer) {
    QtMessageSink sink;
    BoxAnswerer answerer;
    answerer.AnswerWith(QMessageBox::Ok);
    sink.ShowMessage("log.txt打开失败", "错误");
    EXPECT_EQ(answerer.text, "log.txt打开失败");
    EXPECT_EQ(answerer.caption, "错误");

    answerer.AnswerWith(QMessageBox::No);
    EXPECT_FALSE(sink.AskYesNo("q", ""));
    EXPECT_EQ(answerer.caption, QCoreApplication::applicationName());
}

}  // namespace
}  // namespace ostrand

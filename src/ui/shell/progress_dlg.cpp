#include "ui/shell/progress_dlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace ostrand {

ProgressDlg::ProgressDlg(ProgressMode mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    // No system menu and no close button: the operation closes the window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    const ProgressTexts texts = ProgressTextsFor(mode);
    setWindowTitle(QString::fromUtf8(texts.title));
    text_ = new QLabel(QString::fromUtf8(texts.text), this);
    text_->setObjectName("text1008");
    text_->setAttribute(Qt::WA_TranslucentBackground);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress1006");
    bar_->setRange(0, kProgressRange);
    bar_->setValue(0);
    bar_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(bar_);
    setMinimumWidth(320);

    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(kProgressBackgroundRed, kProgressBackgroundGreen,
                                                 kProgressBackgroundBlue));
    setPalette(background);
    setAutoFillBackground(true);

    timer_ = new QTimer(this);
    timer_->setInterval(kProgressTickMs);
    connect(timer_, &QTimer::timeout, this, &ProgressDlg::Tick);
    timer_->start();
}

QString ProgressDlg::Text() const { return text_->text(); }

void ProgressDlg::Tick() {
    bar_->show();
    position_ = NextProgressPosition(mode_, position_);
    bar_->setValue(position_);
}

void ProgressDlg::Finish() {
    finishing_ = true;
    timer_->stop();
    done(1);
}

void ProgressDlg::reject() {
    if (finishing_) QDialog::reject();
}

void ProgressDlg::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

namespace {

// Runs the work on its own thread; `onFinished` is called on the GUI thread
// through the event loop once the work has ended.
class WorkThread {
public:
    explicit WorkThread(const std::function<void()>& work)
        : thread_(QThread::create([this, &work] {
              try {
                  work();
              } catch (...) {
                  error_ = std::current_exception();
              }
          })) {}
    ~WorkThread() {
        thread_->wait();
        delete thread_;
    }
    WorkThread(const WorkThread&) = delete;
    WorkThread& operator=(const WorkThread&) = delete;

    QThread* Thread() const { return thread_; }
    void RethrowError() const {
        if (error_) std::rethrow_exception(error_);
    }

private:
    std::exception_ptr error_;
    QThread* thread_;
};

}  // namespace

void RunWithProgress(QWidget* parent, ProgressMode mode, const std::function<void()>& work) {
    ProgressDlg dialog(mode, parent);
    {
        WorkThread worker(work);
        // Queued: if the work ends before exec() runs, the event waits in the
        // queue and the window's own loop delivers it, so the window still closes.
        QObject::connect(worker.Thread(), &QThread::finished, &dialog, &ProgressDlg::Finish, Qt::QueuedConnection);
        worker.Thread()->start();
        dialog.exec();
        worker.Thread()->wait();
        worker.RethrowError();
    }
}

void RunModalWork(QWidget* window, const std::function<void()>& work) {
    const bool wasEnabled = window == nullptr || window->isEnabled();
    if (window != nullptr) window->setEnabled(false);
    {
        WorkThread worker(work);
        QEventLoop loop;
        QObject::connect(worker.Thread(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        worker.Thread()->start();
        loop.exec();
        worker.Thread()->wait();
        if (window != nullptr) window->setEnabled(wasEnabled);
        worker.RethrowError();
    }
}

}  // namespace ostrand

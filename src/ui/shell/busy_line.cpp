#include "ui/shell/busy_line.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "platform/app_state.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

namespace {
constexpr int kSecondsTickMs = 250;
}  // namespace

QString BusyDescription(const char* chinese, const char* english, const std::string& device) {
    return QString::fromUtf8(Tr(chinese, english)).arg(QString::fromStdString(device));
}

BusyLine::BusyLine(QWidget* window, QString description, const QElapsedTimer& since, std::function<void()> cancel)
    : QFrame(window), window_(window), description_(std::move(description)), since_(since),
      onCancel_(std::move(cancel)) {
    setObjectName("busyLine");
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 248, 220));
    setPalette(colours);

    text_ = new QLabel(this);
    text_->setObjectName("busyText");
    cancel_ = new QPushButton(QString::fromUtf8(Tr("取消", "Cancel")), this);
    cancel_->setObjectName("busyCancel");
    cancel_->setAutoDefault(false);
    cancel_->installEventFilter(this);
    connect(cancel_, &QPushButton::clicked, this, &BusyLine::Cancel);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 4, 3);
    layout->addWidget(text_, 1);
    layout->addWidget(cancel_);

    Update();
    window->installEventFilter(this);
    Place();
}

BusyLine::~BusyLine() {
    if (QWidget* window = window_.data()) window->removeEventFilter(this);
}

QString BusyLine::Text() const { return text_->text(); }

void BusyLine::Update() {
    const qint64 seconds = since_.isValid() ? since_.elapsed() / 1000 : 0;
    text_->setText(description_ + QString::fromUtf8("… ") + QString::number(seconds) + " s");
}

void BusyLine::Place() {
    QWidget* window = window_.data();
    if (window == nullptr) return;
    const QSize wanted = sizeHint();
    // A window narrower than the line (a dialog still empty while its first
    // page loads) grows, so the text is not cut.
    if (window->isWindow() && window->width() < wanted.width()) {
        window->resize(wanted.width(), std::max(window->height(), wanted.height()));
    }
    setGeometry(0, window->height() - wanted.height(), window->width(), wanted.height());
    raise();
}

void BusyLine::Cancel() {
    if (cancelled_) return;
    cancelled_ = true;
    cancel_->setEnabled(false);
    if (onCancel_) onCancel_();
}

bool BusyLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.data()) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) Place();
        // The window is enabled only for the line's sake: its own keys (Enter
        // for the default button, Esc for reject) wait for the work's end.
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) return true;
    } else if (watched == cancel_ && event->type() == QEvent::ShortcutOverride) {
        event->accept();  // no shortcut of the window fires meanwhile
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void BusyLine::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) Cancel();
    event->accept();  // nothing the line does not handle reaches the window
}

ModalBusy::ModalBusy(QWidget* window, QString description, std::function<void()> cancel)
    : window_(window), description_(std::move(description)), cancel_(std::move(cancel)) {
    since_.start();
    if (description_.isEmpty()) description_ = QString::fromUtf8(Tr("正在等待设备响应", "Waiting for the device"));
    delay_ = new QTimer(this);
    delay_->setSingleShot(true);
    connect(delay_, &QTimer::timeout, this, &ModalBusy::Show);
    delay_->start(kBusyLineDelayMs);
    seconds_ = new QTimer(this);
    seconds_->setInterval(kSecondsTickMs);
    connect(seconds_, &QTimer::timeout, this, [this] {
        if (BusyLine* line = line_.data()) line->Update();
    });
}

ModalBusy::~ModalBusy() { End(); }

void ModalBusy::Show() {
    // A window not on screen has no bottom to show the line at.
    QWidget* window = window_.data();
    if (window == nullptr || !window->isVisible() || line_) return;
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // Windows of their own (message boxes) and children disabled on their
        // own account are left as they are.
        if (child->isWindow() || child->testAttribute(Qt::WA_ForceDisabled)) continue;
        child->setEnabled(false);
        disabled_.emplace_back(child);
    }
    auto* line = new BusyLine(window, description_, since_, cancel_);
    line_ = line;
    window->setEnabled(true);
    line->show();
    line->CancelButton()->setFocus(Qt::OtherFocusReason);
    seconds_->start();
}

void ModalBusy::End() {
    delay_->stop();
    seconds_->stop();
    if (!line_) return;
    delete line_.data();
    if (QWidget* window = window_.data()) window->setEnabled(false);
    for (const QPointer<QWidget>& child : disabled_) {
        if (child) child->setEnabled(true);
    }
    disabled_.clear();
}

}  // namespace ostrand

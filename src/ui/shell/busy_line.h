#pragma once
// The line a window shows at its bottom while a modal exchange with a device
// lasts longer than a moment: what is being done and with which device, the
// seconds so far, and "取消", which ends the exchange. Only the line takes
// input; the rest of the window stays disabled as during any modal work.

#include <QElapsedTimer>
#include <QFrame>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace ostrand {

class BusyLine final : public QFrame {
    Q_OBJECT

public:
    // A child of `window`, laid over its bottom edge and following its size.
    BusyLine(QWidget* window, QString description, const QElapsedTimer& since, std::function<void()> cancel);
    ~BusyLine() override;

    QString Text() const;
    QPushButton* CancelButton() const { return cancel_; }
    // Shows the seconds since the work started.
    void Update();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Place();
    void Cancel();

    QPointer<QWidget> window_;
    QString description_;
    QElapsedTimer since_;
    std::function<void()> onCancel_;
    QLabel* text_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelled_ = false;
};

// Shows a BusyLine in a window disabled for modal work once the work has run
// for kBusyLineDelayMs, and takes it away again. While the line shows, the
// window itself is enabled and its other children are disabled instead, since
// a child of a disabled window cannot take a click.
class ModalBusy final : public QObject {
public:
    static constexpr int kBusyLineDelayMs = 500;

    ModalBusy(QWidget* window, QString description, std::function<void()> cancel);
    ~ModalBusy() override;  // End()
    ModalBusy(const ModalBusy&) = delete;
    ModalBusy& operator=(const ModalBusy&) = delete;

    // Takes the line away and disables the window again as a whole.
    void End();

private:
    void Show();

    QPointer<QWidget> window_;
    QString description_;
    std::function<void()> cancel_;
    QElapsedTimer since_;
    QTimer* delay_ = nullptr;
    QTimer* seconds_ = nullptr;
    QPointer<BusyLine> line_;
    std::vector<QPointer<QWidget>> disabled_;
};

}  // namespace ostrand

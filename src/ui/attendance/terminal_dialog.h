#pragma once
// What the attendance-terminal dialogs share: the device they were opened
// for, their controls found by resource id, device work run off the GUI
// thread while the dialog takes no input, the operations' messages shown in
// order, and typed text read as device text (GBK) with a refusal for
// characters GBK cannot hold.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "ops/attendance/terminal_exchange.h"
#include "ops/shell/main_commands.h"
#include "ui/shell/progress_dlg.h"

class QLineEdit;
class QComboBox;

namespace ostrand {

class TerminalDialog : public QDialog {
public:
    TerminalDialog(const DeviceEndpoint& endpoint, const QString& title, QWidget* parent);

    const DeviceEndpoint& Endpoint() const { return endpoint_; }

    // A control by its resource id (the object name), nullptr when absent.
    template <class Control>
    Control* Find(int id) const {
        return findChild<Control*>(QString::number(id));
    }

protected:
    // Names a control by its resource id and returns it.
    template <class Control>
    Control* Named(Control* control, int id) {
        control->setObjectName(QString::number(id));
        return control;
    }

    // What a device operation does, for the line shown while it waits.
    enum class Busy : std::uint8_t { Reading, Writing };

    // Runs a device operation on a worker thread and returns its result.
    template <class Operation>
    auto Run(Operation&& operation, Busy busy = Busy::Writing) {
        decltype(operation()) result{};
        RunModalWork(this, [&] { result = operation(); }, BusyText(busy));
        return result;
    }
    QString BusyText(Busy busy) const;

    // The button with resource id 1 is the dialog's OK: Enter presses it.
    void showEvent(QShowEvent* event) override;

    // The operation's messages, each in its own box.
    static void Show(const TerminalOutcome& outcome);

    // The edit's text as device text; nullopt after a refusal message.
    static std::optional<std::string> Typed(const QLineEdit* edit);

private:
    DeviceEndpoint endpoint_;
};

// Device text (GBK) for a widget.
QString DeviceQString(const std::string& gbk);
DeviceEndpoint EndpointOf(const CommandArgs& args);

}  // namespace ostrand

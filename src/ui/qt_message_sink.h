#pragma once
// Shows the tool's messages as message boxes. Operations may run on worker
// threads; their messages are handed to the GUI thread and the worker waits
// for the box to close (and for the answer of a question), unless the GUI
// thread is winding down a modal wait (then the box is not shown).

#include <QObject>

#include "platform/message_sink.h"

namespace ostrand {

class QtMessageSink final : public QObject, public MessageSink {
    Q_OBJECT
public:
    // Must be created on the GUI thread, after the QApplication.
    explicit QtMessageSink(QObject* parent = nullptr);

    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;

private:
    template <typename Function>
    void RunOnGuiThread(Function&& function);
};

}  // namespace ostrand

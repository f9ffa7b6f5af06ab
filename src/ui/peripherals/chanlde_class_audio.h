#pragma once
// "设置": changes the speaker numbers of one class (or place) of the wireless
// speaker page.

#include <QDialog>

#include <string>

#include "transport/tcp_channel.h"

class QLineEdit;

namespace ostrand {

class CHanldeClassAudio : public QDialog {
    Q_OBJECT

public:
    CHanldeClassAudio(DeviceEndpoint terminal, bool places, const std::string& id, const std::string& name,
                      const std::string& speakers, QWidget* parent = nullptr);

    QLineEdit* SpeakerEdit() const { return speakers_; }
    // The accepted speaker text (GBK, digits and commas).
    const std::string& Speakers() const { return result_; }
    void Apply();  // "设置"

private:
    DeviceEndpoint terminal_;
    bool places_;
    std::string id_;
    std::string result_;
    QLineEdit* speakers_ = nullptr;
};

}  // namespace ostrand

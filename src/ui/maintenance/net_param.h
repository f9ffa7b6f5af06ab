#pragma once
// The network page: address fields, the master server, the MAC and the
// hidden 3G choice. The page's rules live in ops/maintenance/network_page.h;
// this class moves values between them and the controls.

#include <array>
#include <optional>

#include "ops/maintenance/network_page.h"
#include "ui/maintenance/basic_diaglog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace ostrand {

class CNetParam : public CBasicDiaglog {
public:
    explicit CNetParam(QWidget* parent = nullptr);

    bool CollectRequest(ParamMap& request) override;
    void FillFromReply(const ParamMap& reply) override;
    void SetCommandPort(std::int32_t port) override { commandPort_ = port; }

    // The page's values as the controls show them (device text), or nullopt
    // after a message when a text cannot be written in GBK.
    std::optional<NetPageFields> ReadFields();
    // Shows `fields` in the controls.
    void ShowFields(const NetPageFields& fields);

private:
    // Applies one of the page's reactions to the controls.
    template <class Change>
    void React(Change change);
    // The controls' values with texts converted by `toGbk` (nullopt when it
    // refuses one).
    template <class ToGbk>
    std::optional<NetPageFields> CurrentFields(ToGbk toGbk) const;

    QCheckBox* staticIp_ = nullptr;
    QLineEdit* ip_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLineEdit* gateway_ = nullptr;
    QLineEdit* dns_ = nullptr;
    QCheckBox* selfBuilt_ = nullptr;
    QLineEdit* master_ = nullptr;
    QLineEdit* masterPort_ = nullptr;
    std::array<QLineEdit*, 6> mac_{};
    QCheckBox* open3g_ = nullptr;
    QRadioButton* unicom_ = nullptr;
    QRadioButton* telecom_ = nullptr;
    bool showing_ = false;  // the controls are being filled, not edited
};

}  // namespace ostrand

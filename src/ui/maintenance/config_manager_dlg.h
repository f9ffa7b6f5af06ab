#pragma once
// The network-parameter dialog: a list of pages on the left, the current
// page in a frame on the right, Save and Cancel. Each showing of a page
// reloads it from the device; Save writes the selected page.

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "transport/form_channel.h"
#include "ui/maintenance/basic_diaglog.h"

class QFrame;
class QListWidget;
class QPushButton;

namespace ostrand {

class CConfigManagerDLG : public QDialog {
    Q_OBJECT

public:
    CConfigManagerDLG(std::string ip, std::int32_t commandPort, QWidget* parent = nullptr);

    CBasicDiaglog* Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    QListWidget* PageList() const { return list_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* CancelButton() const { return cancel_; }
    // How many page loads have ended (for tests waiting on the first one).
    int LoadsDone() const { return loadsDone_; }

    // Loads page `index` from the device and shows it.
    void ShowPage(int index);
    // Validates and writes the selected page; closes the dialog on success.
    void Save();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddPage(CBasicDiaglog* page, const char* name, std::string loadCommand, std::string saveCommand);

    CommandTarget target_;
    std::vector<CBasicDiaglog*> pages_;  // owned by the frame
    QListWidget* list_ = nullptr;
    QFrame* frame_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool opened_ = false;
    int loadsDone_ = 0;
};

}  // namespace ostrand

#pragma once
// The main window: the command panel above the device list. It owns the device
// table, the list built from it, the selected row and the IPs confirmed for
// video. Commands take their device from the selected row's texts.

#include <QDialog>

#include <cstdint>
#include <map>
#include <memory>

#include "devices/device_list.h"
#include "devices/device_selection.h"
#include "devices/device_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace ostrand {

class DeviceListModel;

class CostrandDlg : public QDialog {
    Q_OBJECT
public:
    // Runs the start-up steps: settings, title, list columns and the manual
    // device entries of the settings file.
    explicit CostrandDlg(QWidget* parent = nullptr);
    ~CostrandDlg() override;

    DeviceTable& Table() { return *table_; }
    const DeviceList& List() const { return list_; }
    QTableView* ListView() const { return listView_; }
    QPushButton* Button(int id) const;
    std::int32_t SelectedRow() const { return selectedRow_; }
    std::int32_t Compat() const { return compat_; }

    // Rebuilds the list from the table under the current filter.
    void FillDeviceList();
    // Shows the gate's message and returns false when no row is selected.
    bool SelectionGate();

public slots:
    void OnListFilterChanged(int index);
    void OnFind();
    void OnCopyDeviceNumber();
    void OnLanguageChanged(int index);
    // Puts every row on the clipboard; a held Alt, Ctrl or Shift keeps the
    // cells' surrounding tabs and line feeds.
    void CopyWholeList(Qt::KeyboardModifiers modifiers);
    void OnRowActivated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void SetupListColumns();

    std::unique_ptr<DeviceTable> table_;
    DeviceList list_;
    DeviceListModel* model_ = nullptr;
    QTableView* listView_ = nullptr;
    std::map<int, QPushButton*> buttons_;
    QComboBox* filterBox_ = nullptr;
    QComboBox* languageBox_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    ConfirmedVideoIps confirmedVideoIps_;
    std::int32_t selectedRow_ = -1;
    std::int32_t compat_ = 0;
};

}  // namespace ostrand

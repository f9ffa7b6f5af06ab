#pragma once
// The main window: the command panel above the device list. It owns the device
// table, the list built from it, the selected row, the IPs confirmed for video,
// the discovery sockets every Search uses and the command target of its own
// checks. Commands take their device from the selected row's texts.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "devices/device_list.h"
#include "devices/device_selection.h"
#include "devices/device_table.h"
#include "discovery/search.h"
#include "ops/shell/command_gates.h"
#include "ops/shell/main_commands.h"
#include "platform/app_state.h"
#include "transport/form_channel.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QUrl;

namespace ostrand {

class DeviceListModel;

// Opens a device's web page; false when no browser could be started.
using WebPageOpener = std::function<bool(const QUrl& address)>;
// Replaces the desktop's default handler (tests); an empty opener brings it back.
void SetWebPageOpener(WebPageOpener opener);

class CostrandDlg : public QDialog {
    Q_OBJECT
public:
    // Runs the start-up steps: settings, title, list columns, the discovery
    // sockets (aimed where `discovery` says; the application passes the
    // defaults) and the manual device entries of the settings file.
    explicit CostrandDlg(DiscoveryConfig discovery, QWidget* parent = nullptr);
    ~CostrandDlg() override;

    DeviceTable& Table() { return *table_; }
    const DeviceList& List() const { return list_; }
    QTableView* ListView() const { return listView_; }
    QPushButton* Button(int id) const;
    std::int32_t SelectedRow() const { return selectedRow_; }
    std::int32_t Compat() const { return compat_; }
    DiscoverySession& Discovery() { return *discovery_; }
    const SearchSummary& LastSearch() const { return lastSearch_; }

    // Rebuilds the list from the table under the current filter.
    void FillDeviceList();
    // Shows the gate's message and returns false when no row is selected.
    bool SelectionGate();
    // Every selected row, ascending.
    std::vector<int> SelectedRows() const;

    // Switches the interface language as the language selector does (nothing
    // happens when it is the language in force).
    void SetLanguage(Language language);
    // The list's context menu entries and the window's language entries.
    QAction* CopyListAction() const { return copyListAction_; }
    QAction* ExportListAction() const { return exportListAction_; }
    QAction* LanguageAction(Language language) const;

public slots:
    void OnListFilterChanged(int index);
    void OnFind();
    void OnCopyDeviceNumber();
    void OnLanguageChanged(int index);
    // Button 1001: the Search, with the progress window up while it runs.
    void OnSearch();
    // Runs a command button's gates in order; the operation starts only when
    // all of them pass.
    void RunCommand(CommandId id);
    // Puts every row on the clipboard; a held Alt, Ctrl or Shift keeps the
    // cells' surrounding tabs and line feeds. The list's "复制列表" runs it
    // with the keys held when its menu was opened.
    void CopyWholeList(Qt::KeyboardModifiers modifiers);
    void OnRowActivated();

signals:
    // A command's gates have all passed; `args` are the selected row's values
    // its operation receives.
    void CommandPassedGates(ostrand::CommandId id, const ostrand::CommandArgs& args);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    // The language entries of the window's context menu: the switch, kept in
    // the settings file for the next start.
    void ChooseLanguage(Language language);
    void SetupListColumns();
    void ConnectCommandButtons();
    bool PassGates(const MainCommand& command);
    // S0: a row must be selected; no message when none is.
    bool SilentSelectionTest();
    // U, with the device exchange off the GUI thread while the window takes
    // no input.
    KernelState RunKernelUpgradeGate(const std::string& ip, std::int32_t port);
    // Button 1049.
    void OnLocalVideo();
    // The web page or the video preview of a row, shared by the double-click
    // and the local-video command.
    void OpenRow(const DeviceRow& row);

    std::unique_ptr<DeviceTable> table_;
    std::unique_ptr<DiscoverySession> discovery_;
    SearchSummary lastSearch_;
    CommandTarget commandTarget_;
    DeviceList list_;
    DeviceListModel* model_ = nullptr;
    QTableView* listView_ = nullptr;
    std::map<int, QPushButton*> buttons_;
    QComboBox* filterBox_ = nullptr;
    QComboBox* languageBox_ = nullptr;
    QLabel* languageLabel_ = nullptr;
    QLineEdit* findEdit_ = nullptr;
    QAction* copyListAction_ = nullptr;
    QAction* exportListAction_ = nullptr;
    QAction* chineseAction_ = nullptr;
    QAction* englishAction_ = nullptr;
    // The modifier keys held when the list's context menu was opened.
    Qt::KeyboardModifiers listMenuModifiers_;
    ConfirmedVideoIps confirmedVideoIps_;
    std::int32_t selectedRow_ = -1;
    std::int32_t compat_ = 0;
};

}  // namespace ostrand

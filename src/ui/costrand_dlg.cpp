#include "ui/costrand_dlg.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <set>
#include <vector>

#include "devices/device_columns.h"
#include "devices/manual_entries.h"
#include "ops/shell/captions.h"
#include "ops/shell/speaker_build.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/log.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "transport/transport_settings.h"
#include "ui/device_list_export.h"
#include "ui/device_list_model.h"
#include "ui/main_window_controls.h"
#include "ui/qt_translations.h"
#include "ui/shell/progress_dlg.h"
#include "ui/shell/tab_order.h"

namespace ostrand {
namespace {

constexpr int kButtonsPerRow[] = {7, 6};  // basic functions, attendance features

QString FromGbk(const std::string& gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

void PutOnClipboard(const std::string& gbk) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(FromGbk(gbk));
}

WebPageOpener& Opener() {
    static WebPageOpener opener;
    return opener;
}

bool OpenWebPage(const QUrl& address) {
    if (Opener()) return Opener()(address);
    return QDesktopServices::openUrl(address);
}

// The list's context menu entries, in both languages.
constexpr const char* kCopyListChinese = "复制列表";
constexpr const char* kCopyListEnglish = "Copy List";
constexpr const char* kExportListEnglish = "Export List...";

}  // namespace

void SetWebPageOpener(WebPageOpener opener) { Opener() = std::move(opener); }

CostrandDlg::CostrandDlg(DiscoveryConfig discovery, QWidget* parent)
    : QDialog(parent),
      table_(std::make_unique<DeviceTable>()),
      discovery_(std::make_unique<DiscoverySession>(std::move(discovery))) {
    setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));

    SetConnectTimeoutSeconds(ReadIniInt(3, "ConnTimeout"));
    LoadTransportSettings();
    compat_ = ReadIniInt(0, "Compat");
    setWindowTitle(QString::fromStdString("Varnel:" + AppVersionText()));

    BuildControls();
    SetupListColumns();

    // The discovery sockets live as long as the window and serve every Search,
    // so an interface added later is scanned only after a restart. Opening the
    // scan sockets reads "SimpleScan" (bit 3: one socket on all interfaces).
    const DiscoveryConfig& config = discovery_->Config();
    discovery_->Scan() = OpenScanSockets(config);
    selectedRow_ = -1;
    table_->Clear();
    OpenHdsSockets(discovery_->Hds(), config);

    if (LoadManualEntries(*table_) > 0) FillDeviceList();

    // The language the settings file names; none (or Chinese) keeps the
    // window as it opened. Nothing is written back.
    if (LanguageForSettingText(ReadIniString(kLanguageKey, std::nullopt)) == Language::English) {
        SetLanguage(Language::English);
    } else {
        ApplyQtTranslations(UiLanguage());
    }
}

CostrandDlg::~CostrandDlg() = default;

void CostrandDlg::BuildControls() {
    setObjectName("CostrandDlg");
    auto* layout = new QVBoxLayout(this);

    auto* basicBox = new QGroupBox(QStringLiteral("基础功能"), this);
    auto* attendBox = new QGroupBox(QStringLiteral("考勤机特色功能(带有考勤机的设备是拍照IPC)"), this);
    auto* basicGrid = new QGridLayout(basicBox);
    auto* attendGrid = new QGridLayout(attendBox);
    auto* listBar = new QHBoxLayout;

    // Buttons hidden at start-up take the last places of their group, so the
    // panel shows no gaps.
    const auto isHidden = [](int id) {
        return std::find(kHiddenButtons.begin(), kHiddenButtons.end(), id) != kHiddenButtons.end();
    };
    std::vector<ControlCaption> ordered(kMainWindowButtons.begin(), kMainWindowButtons.end());
    std::stable_partition(ordered.begin(), ordered.end(),
                          [&](const ControlCaption& control) { return !isHidden(control.id); });

    int basicCount = 0;
    int attendCount = 0;
    QPushButton* searchButton = nullptr;
    std::vector<QWidget*> basicButtons;
    std::vector<QWidget*> attendButtons;
    for (const ControlCaption& control : ordered) {
        auto* button = new QPushButton(QString::fromUtf8(control.caption), this);
        button->setObjectName(QStringLiteral("btn%1").arg(control.id));
        buttons_[control.id] = button;
        switch (control.group) {
            case ControlGroup::Basic:
                basicGrid->addWidget(button, basicCount / kButtonsPerRow[0], basicCount % kButtonsPerRow[0]);
                ++basicCount;
                basicButtons.push_back(button);
                break;
            case ControlGroup::Attendance:
                attendGrid->addWidget(button, attendCount / kButtonsPerRow[1], attendCount % kButtonsPerRow[1]);
                ++attendCount;
                attendButtons.push_back(button);
                break;
            case ControlGroup::ListBar:
                searchButton = button;
                break;
        }
        if (isHidden(control.id)) button->hide();
    }

    if (searchButton) listBar->addWidget(searchButton);
    auto* filterLabel = new QLabel(QStringLiteral("列表显示:"), this);
    filterLabel->setObjectName("label1279");
    filterBox_ = new QComboBox(this);
    filterBox_->setObjectName("combo1280");
    filterBox_->addItems({QStringLiteral("所有设备"), QStringLiteral("考勤设备"), QStringLiteral("监控设备")});
    filterBox_->setCurrentIndex(0);
    list_.SetFilter(ListFilter::All);
    listBar->addWidget(filterLabel);
    listBar->addWidget(filterBox_);

    auto* findLabel = new QLabel(QStringLiteral("设备编号:"), this);
    findEdit_ = new QLineEdit(this);
    findEdit_->setObjectName("edit1356");
    auto* findButton = new QPushButton(QStringLiteral("查找"), this);
    findButton->setObjectName(QStringLiteral("btn%1").arg(kFindButtonId));
    buttons_[kFindButtonId] = findButton;
    listBar->addSpacing(16);
    listBar->addWidget(findLabel);
    listBar->addWidget(findEdit_);
    listBar->addWidget(findButton);
    listBar->addStretch(1);

    languageLabel_ = new QLabel(QStringLiteral("界面语言:"), this);
    languageLabel_->setObjectName(QStringLiteral("label%1").arg(kLanguageLabelId));
    languageBox_ = new QComboBox(this);
    languageBox_->setObjectName("combo1203");
    languageBox_->addItems({QStringLiteral("简体中文"), QStringLiteral("English")});
    languageBox_->setCurrentIndex(0);
    languageLabel_->hide();
    languageBox_->hide();
    listBar->addWidget(languageLabel_);
    listBar->addWidget(languageBox_);

    model_ = new DeviceListModel(list_, this);
    listView_ = new QTableView(this);
    listView_->setObjectName("list1000");
    listView_->setModel(model_);
    listView_->setShowGrid(true);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl- and Shift-click select several devices for the commands that act on each.
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listView_->verticalHeader()->hide();
    listView_->horizontalHeader()->setHighlightSections(false);
    listView_->viewport()->installEventFilter(this);
    listView_->installEventFilter(this);
    listView_->setTabKeyNavigation(false);  // Tab leaves the list rather than stepping through its cells

    // Tab follows the panel (the buttons hidden at start-up in the places they
    // are laid out in), then the list bar and the list.
    std::vector<QWidget*> tabOrder = basicButtons;
    tabOrder.insert(tabOrder.end(), attendButtons.begin(), attendButtons.end());
    tabOrder.insert(tabOrder.end(), {searchButton, filterBox_, findEdit_, findButton, languageBox_, listView_});
    SetTabOrder(tabOrder);

    layout->addWidget(basicBox);
    layout->addWidget(attendBox);
    layout->addLayout(listBar);
    layout->addWidget(listView_, 1);
    resize(1280, 720);

    connect(filterBox_, &QComboBox::currentIndexChanged, this, &CostrandDlg::OnListFilterChanged);
    connect(languageBox_, &QComboBox::currentIndexChanged, this, &CostrandDlg::OnLanguageChanged);
    connect(findButton, &QPushButton::clicked, this, &CostrandDlg::OnFind);
    // Enter in the find field looks the number up and goes no further: the find
    // moves the focus to the list, so the window would otherwise take the same
    // key press as its own Enter and end the program with the list just searched.
    findEdit_->installEventFilter(this);
    connect(buttons_.at(1043), &QPushButton::clicked, this, &CostrandDlg::OnCopyDeviceNumber);
    connect(listView_, &QTableView::doubleClicked, this, &CostrandDlg::OnRowActivated);
    connect(buttons_.at(1001), &QPushButton::clicked, this, &CostrandDlg::OnSearch);
    ConnectCommandButtons();
    BuildMenus();
}

void CostrandDlg::BuildMenus() {
    // The list's own menu: copy and export, each only when chosen.
    copyListAction_ = new QAction(QString::fromUtf8(kCopyListChinese), listView_);
    copyListAction_->setObjectName("actionCopyList");
    connect(copyListAction_, &QAction::triggered, this, [this] { CopyWholeList(listMenuModifiers_); });
    listView_->addAction(copyListAction_);
    AddDeviceListExport(this, listView_, list_);
    for (QAction* action : listView_->actions()) {
        if (action->objectName() == QLatin1String("actionExportList")) exportListAction_ = action;
    }
    listView_->setContextMenuPolicy(Qt::ActionsContextMenu);

    // The window's menu (a right-click anywhere outside the list): the language.
    auto* languages = new QActionGroup(this);
    chineseAction_ = new QAction(QStringLiteral("简体中文"), languages);
    chineseAction_->setObjectName("actionChinese");
    englishAction_ = new QAction(QStringLiteral("English"), languages);
    englishAction_->setObjectName("actionEnglish");
    for (QAction* action : {chineseAction_, englishAction_}) {
        action->setCheckable(true);
        addAction(action);
    }
    chineseAction_->setChecked(true);
    connect(chineseAction_, &QAction::triggered, this, [this] { ChooseLanguage(Language::Chinese); });
    connect(englishAction_, &QAction::triggered, this, [this] { ChooseLanguage(Language::English); });
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QAction* CostrandDlg::LanguageAction(Language language) const {
    return language == Language::English ? englishAction_ : chineseAction_;
}

void CostrandDlg::SetLanguage(Language language) {
    languageBox_->setCurrentIndex(language == Language::English ? 1 : 0);
}

void CostrandDlg::ChooseLanguage(Language language) {
    SetLanguage(language);
    WriteIniString(kLanguageKey, LanguageSettingText(language));
}

void CostrandDlg::ConnectCommandButtons() {
    for (const MainCommand& command : MainCommands()) {
        // Copying the device number has its own slot.
        if (command.id == CommandId::CopyDeviceNumber) continue;
        QPushButton* button = Button(static_cast<int>(command.id));
        if (button == nullptr) continue;
        const CommandId id = command.id;
        connect(button, &QPushButton::clicked, this, [this, id] { RunCommand(id); });
    }
}

void CostrandDlg::SetupListColumns() {
    model_->SetHeaders(HeaderSet::Initial);
    const auto& widths = DeviceColumnWidths();
    for (int column = 0; column < kDeviceColumnCount; ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        if (width == 0) {
            listView_->setColumnHidden(column, true);
        } else {
            listView_->setColumnWidth(column, width);
        }
    }
}

QPushButton* CostrandDlg::Button(int id) const {
    const auto it = buttons_.find(id);
    return it == buttons_.end() ? nullptr : it->second;
}

void CostrandDlg::FillDeviceList() {
    model_->Refill([this] { list_.FillDeviceList(*table_, table_->count); });
}

std::vector<int> CostrandDlg::SelectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : listView_->selectionModel()->selectedIndexes()) {
        if (index.row() >= 0 && index.row() < list_.RowCount()) rows.insert(index.row());
    }
    return {rows.begin(), rows.end()};
}

bool CostrandDlg::SelectionGate() {
    const std::vector<int> selected = SelectedRows();
    if (!ostrand::SelectionGate(selected, selectedRow_)) return false;
    if (selected.size() > 1) listView_->selectRow(selectedRow_);
    return selectedRow_ >= 0 && selectedRow_ < list_.RowCount();
}

void CostrandDlg::OnListFilterChanged(int index) {
    list_.SetFilter(static_cast<ListFilter>(std::clamp(index, 0, 2)));
    FillDeviceList();
    const bool enable = list_.Filter() != ListFilter::Monitoring;
    for (int id : kAttendanceFilterButtons) buttons_.at(id)->setEnabled(enable);
}

void CostrandDlg::OnFind() {
    const QString text = findEdit_->text();
    if (text.isEmpty()) {
        ShowMessage(Tr("请输入正确的设备编号", "Input Error!"));
        return;
    }
    // A character GBK cannot hold cannot be part of any device number.
    const std::optional<std::string> number = Utf8ToGbk(text.toStdString());
    const FindResult found = number ? list_.FindByNumber(*number) : FindResult{};
    if (found.status != FindStatus::Found) {
        ShowMessage(Tr("未找到设备", "Can not find the device!"));
        return;
    }
    listView_->clearSelection();
    listView_->setFocus();
    const QModelIndex index = model_->index(found.row, 0);
    listView_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listView_->scrollTo(index);
}

void CostrandDlg::OnCopyDeviceNumber() {
    if (!SingleDeviceGate(SelectedRows().size()) || !SelectionGate()) return;
    PutOnClipboard(list_.Cell(selectedRow_, kColDeviceNumber));
}

void CostrandDlg::CopyWholeList(Qt::KeyboardModifiers modifiers) {
    const bool modifierHeld = (modifiers & (Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier)) != 0;
    PutOnClipboard(list_.CopyText(modifierHeld));
}

void CostrandDlg::OnRowActivated() {
    if (!SelectionGate()) return;
    OpenRow(list_.Row(selectedRow_));
}

void CostrandDlg::OpenRow(const DeviceRow& row) {
    const RowAction action = ActivateRow(row, confirmedVideoIps_);
    if (action.kind == RowAction::Kind::WebPage &&
        !OpenWebPage(QUrl(FromGbk(action.address), QUrl::TolerantMode))) {
        ShowMessage(Tr("无法打开浏览器", "Cannot open the browser"));
    }
    if (action.kind == RowAction::Kind::VideoPreview) {
        // The preview opens through the command routes, like every operation.
        CommandArgs args;
        args.ip = action.ip;
        args.port = action.port;
        args.channels = action.channels;
        emit CommandPassedGates(CommandId::LocalVideo, args);
    }
}

void CostrandDlg::OnSearch() {
    // The table is rebuilt off the GUI thread while the progress window keeps
    // the main window from taking input; the list shows the old rows (it holds
    // its own copies) until the refill below.
    SearchSummary summary;
    RunWithProgress(this, ProgressMode::Search, [this, &summary] { summary = RunSearch(*discovery_, *table_); });
    lastSearch_ = summary;
    FillDeviceList();
}

bool CostrandDlg::SilentSelectionTest() {
    const QModelIndexList rows = listView_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return false;
    int first = rows.front().row();
    for (const QModelIndex& index : rows) first = std::min(first, index.row());
    if (first < 0 || first >= list_.RowCount()) return false;
    selectedRow_ = first;
    if (rows.size() > 1) listView_->selectRow(selectedRow_);
    return true;
}

KernelState CostrandDlg::RunKernelUpgradeGate(const std::string& ip, std::int32_t port) {
    KernelState state = KernelState::Busy;
    try {
        RunModalWork(this, [this, &state, ip, port] { state = KernelUpgradeGate(commandTarget_, ip, port); },
                     BusyDescription("正在查询 %1 的升级状态", "Checking the upgrade state of %1", ip));
    } catch (...) {
        // The check could not run at all (e.g. no worker thread): busy, as the
        // check itself reports every failure.
        WriteLog(OSTRAND_LOG_MAIN_DLG, __LINE__, "GetInitParam Unknow Exception occur!::%d", errno);
        return KernelState::Busy;
    }
    return state;
}

bool CostrandDlg::PassGates(const MainCommand& command) {
    // Every gate after the selection reads the row the selection chose.
    const auto row = [this]() -> const DeviceRow& { return list_.Row(selectedRow_); };
    for (const Gate gate : command.gates) {
        switch (gate) {
            case Gate::Select:
                if (!SelectionGate()) return false;
                break;
            case Gate::SelectSilent:
                if (!SilentSelectionTest()) return false;
                break;
            case Gate::AttendKind:
                if (!AttendKindGate(row())) return false;
                break;
            case Gate::VideoPort:
                if (!VideoPortGate(row())) return false;
                break;
            case Gate::Mac:
                if (!MacGate(row())) return false;
                break;
            case Gate::KernelUpgrade:
                if (RunKernelUpgradeGate(row()[kColIp], CellInt(row()[kColCommandPort])) == KernelState::Busy) {
                    return false;
                }
                break;
        }
    }
    return true;
}

void CostrandDlg::RunCommand(CommandId id) {
    const std::vector<int> selected = SelectedRows();
    if (!ActsOnEverySelectedRow(id) && !SingleDeviceGate(selected.size())) return;
    if (id == CommandId::LocalVideo) {
        OnLocalVideo();
        return;
    }
    const MainCommand* command = FindMainCommand(id);
    if (command == nullptr) return;
    if (selected.size() > 1) {
        // Every selected device: each runs its gates in the command's own
        // window, so one busy or unreachable device stops only its row.
        selectedRow_ = selected.front();
        CommandArgs args = MakeCommandArgs(*command, list_.Row(selectedRow_));
        for (int row : selected) args.rows.push_back(list_.Row(row));
        emit CommandPassedGates(id, args);
        return;
    }
    if (!PassGates(*command)) return;
    CommandArgs args = MakeCommandArgs(*command, list_.Row(selectedRow_));
    args.rows.push_back(list_.Row(selectedRow_));
    if (id == CommandId::SpeakerConfig) RecordSpeakerVersion(args.version);
    emit CommandPassedGates(id, args);
    // The operations behind the gates (the maintenance, attendance and upgrade
    // windows) open from here once they exist; until then the command ends
    // after its checks, without pretending to have done anything.
}

void CostrandDlg::OnLocalVideo() {
    if (!SelectionGate()) return;
    const DeviceRow row = list_.Row(selectedRow_);
    const std::int32_t port = CellInt(row[kColCommandPort]);
    // An empty IP is refused before the device query: the query could not be
    // sent and would end the command without a word.
    if (port == kVideoCommandPort && !row[kColIp].empty() &&
        RunKernelUpgradeGate(row[kColIp], kVideoCommandPort) == KernelState::Busy) {
        return;
    }
    OpenRow(row);
}

void CostrandDlg::OnLanguageChanged(int /*index*/) {
    const bool english =
        LanguageForSelectorText(languageBox_->currentText().toStdString()) == Language::English;
    SetUiLanguage(english ? Language::English : Language::Chinese);
    for (const SwitchedCaption& caption : LanguageSwitchCaptions()) {
        const QString text = QString::fromUtf8(english ? caption.english : caption.chinese);
        if (caption.controlId == kLanguageLabelId) {
            languageLabel_->setText(text);
        } else if (QPushButton* button = Button(caption.controlId)) {
            button->setText(text);
        }
    }
    model_->SetHeaders(english ? HeaderSet::English : HeaderSet::Chinese);
    // A header longer than its column (the English ones are) widens the
    // column rather than being cut.
    QHeaderView* header = listView_->horizontalHeader();
    for (int column = 0; column < kDeviceColumnCount; ++column) {
        if (listView_->isColumnHidden(column)) continue;
        const int needed = header->sectionSizeHint(column);
        if (needed > listView_->columnWidth(column)) listView_->setColumnWidth(column, needed);
    }
    copyListAction_->setText(QString::fromUtf8(english ? kCopyListEnglish : kCopyListChinese));
    if (exportListAction_) {
        exportListAction_->setText(QString::fromUtf8(english ? kExportListEnglish : kListExportCaption));
    }
    LanguageAction(english ? Language::English : Language::Chinese)->setChecked(true);
    ApplyQtTranslations(english ? Language::English : Language::Chinese);
}

bool CostrandDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == findEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            buttons_.at(kFindButtonId)->click();
            return true;
        }
    }
    if ((watched == listView_->viewport() || watched == listView_) && event->type() == QEvent::ContextMenu) {
        listMenuModifiers_ = static_cast<QContextMenuEvent*>(event)->modifiers();
    }
    return QDialog::eventFilter(watched, event);
}

void CostrandDlg::keyPressEvent(QKeyEvent* event) {
    // Enter that no control takes ends the window, like its close box.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ostrand

#include "ui/costrand_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <map>
#include <memory>

#include "../platform/temp_dir.h"
#include "loopback_discovery.h"
#include "ops/shell/captions.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "ui/main_window_controls.h"

namespace ostrand {
namespace {

using test::ReadWholeFile;
using test::WriteWholeFile;

// Receives the addresses the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

class CostrandDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        QDesktopServices::setUrlHandler("http", &catcher_, "Open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("http");
        SetUiLanguage(Language::Chinese);
    }

    // A window started from a settings file holding the given text.
    std::unique_ptr<CostrandDlg> Start(const std::string& settings) {
        if (!settings.empty()) WriteWholeFile(SettingsFileName(), settings);
        return std::make_unique<CostrandDlg>(test::LoopbackDiscoveryConfig());
    }

    static QString CellAt(const CostrandDlg& dlg, int row, int column) {
        return dlg.ListView()->model()->index(row, column).data().toString();
    }
    static QString Header(const CostrandDlg& dlg, int column) {
        return dlg.ListView()->model()->headerData(column, Qt::Horizontal).toString();
    }
    static void DoubleClickRow(CostrandDlg& dlg, int row) {
        QTableView* view = dlg.ListView();
        const QRect rect = view->visualRect(view->model()->index(row, 10));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    static void AddDevice(CostrandDlg& dlg, const char* ip, int port, int attendType, const char* number,
                          int webPort = 0) {
        DeviceRecord r;
        SetFieldText(r.ip, ip);
        SetFieldText(r.deviceNumber, number);
        r.commandPort = port;
        r.attendType = attendType;
        r.webPort = webPort;
        dlg.Table().Append(r);
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    UrlCatcher catcher_;
};

TEST_F(CostrandDlgTest, StartsFromTheSettingsFileWithItsManualEntries) {
    auto dlg = Start(
        "[common]\nConnTimeout=7\n"
        "[Dev0]\nIP=192.168.9.20\n"
        "[Dev1]\nIP=192.168.9.21\nPort=8000\nAttType=0\nDevNo=CAM-21\n");
    EXPECT_EQ(ConnectTimeoutSeconds(), 7);
    EXPECT_EQ(dlg->windowTitle(), QString::fromStdString("Varnel:" + AppVersionText()));
    EXPECT_FALSE(AppVersionText().empty());

    ASSERT_EQ(dlg->ListView()->model()->rowCount(), 2);
    EXPECT_EQ(CellAt(*dlg, 0, 0), "1");
    EXPECT_EQ(CellAt(*dlg, 1, 0), "2");
    EXPECT_EQ(CellAt(*dlg, 0, 1), "是(考勤机)");
    EXPECT_EQ(CellAt(*dlg, 0, 10), "192.168.9.20");
    EXPECT_EQ(CellAt(*dlg, 0, 13), "192.168.9.20");
    EXPECT_EQ(CellAt(*dlg, 0, 18), "60005");
    EXPECT_EQ(CellAt(*dlg, 1, 1), "否");
    EXPECT_EQ(CellAt(*dlg, 1, 3), "CAM-21");
    EXPECT_EQ(CellAt(*dlg, 1, 18), "8000");

    const std::string settings = ReadWholeFile(SettingsFileName());
    EXPECT_NE(settings.find("Compat=0"), std::string::npos);
    EXPECT_NE(settings.find("SimpleScan=0"), std::string::npos);
    EXPECT_NE(settings.find("[Dev2]\nIP=\n"), std::string::npos) << settings;
    EXPECT_EQ(dlg->Compat(), 0);
    EXPECT_EQ(dlg->SelectedRow(), -1);
}

TEST_F(CostrandDlgTest, ControlsCaptionsGroupsAndColumns) {
    auto dlg = Start("");
    EXPECT_EQ(ConnectTimeoutSeconds(), 3);
    EXPECT_EQ(dlg->ListView()->model()->rowCount(), 0);
    for (const ControlCaption& control : kMainWindowButtons) {
        QPushButton* button = dlg->findChild<QPushButton*>(QStringLiteral("btn%1").arg(control.id));
        ASSERT_NE(button, nullptr) << control.id;
        EXPECT_EQ(button->text(), QString::fromUtf8(control.caption));
        auto* group = qobject_cast<QGroupBox*>(button->parentWidget());
        if (control.group == ControlGroup::ListBar) {
            EXPECT_EQ(group, nullptr);
        } else {
            ASSERT_NE(group, nullptr) << control.id;
            EXPECT_EQ(group->title(), control.group == ControlGroup::Basic
                                          ? QStringLiteral("基础功能")
                                          : QStringLiteral("考勤机特色功能(带有考勤机的设备是拍照IPC)"));
        }
        const bool hidden = control.id == 1259 || control.id == 1045;
        EXPECT_EQ(button->isHidden(), hidden) << control.id;
    }
    EXPECT_EQ(dlg->findChild<QPushButton*>("btn1354")->text(), "查找");
    EXPECT_TRUE(dlg->findChild<QComboBox*>("combo1203")->isHidden());
    EXPECT_TRUE(dlg->findChild<QLabel*>("label1204")->isHidden());
    EXPECT_EQ(dlg->findChild<QComboBox*>("combo1203")->itemText(0), "简体中文");
    EXPECT_EQ(dlg->findChild<QComboBox*>("combo1280")->currentText(), "所有设备");
    EXPECT_EQ(dlg->findChild<QComboBox*>("combo1280")->count(), 3);
    EXPECT_EQ(dlg->findChild<QLabel*>("label1279")->text(), "列表显示:");

    ASSERT_EQ(dlg->ListView()->model()->columnCount(), 19);
    EXPECT_EQ(Header(*dlg, 0), "序列");
    EXPECT_EQ(Header(*dlg, 8), "485连线状态");
    EXPECT_EQ(Header(*dlg, 18), "Http端口");
    EXPECT_EQ(dlg->ListView()->columnWidth(17), 400);
    EXPECT_TRUE(dlg->ListView()->isColumnHidden(18));
    EXPECT_FALSE(dlg->ListView()->isColumnHidden(17));
}

TEST_F(CostrandDlgTest, FilterRefillsAndGatesTheAttendanceButtons) {
    auto dlg = Start("[Dev0]\nIP=10.0.0.1\n[Dev1]\nIP=10.0.0.2\nAttType=0\n");
    auto* filter = dlg->findChild<QComboBox*>("combo1280");
    filter->setCurrentIndex(2);
    ASSERT_EQ(dlg->ListView()->model()->rowCount(), 1);
    EXPECT_EQ(CellAt(*dlg, 0, 10), "10.0.0.2");
    EXPECT_EQ(CellAt(*dlg, 0, 0), "1");
    for (int id : kAttendanceFilterButtons) EXPECT_FALSE(dlg->Button(id)->isEnabled()) << id;
    for (int id : {1275, 1306, 1265, 1266, 1011}) EXPECT_TRUE(dlg->Button(id)->isEnabled()) << id;

    filter->setCurrentIndex(1);
    ASSERT_EQ(dlg->ListView()->model()->rowCount(), 1);
    EXPECT_EQ(CellAt(*dlg, 0, 10), "10.0.0.1");
    for (int id : kAttendanceFilterButtons) EXPECT_TRUE(dlg->Button(id)->isEnabled()) << id;
}

TEST_F(CostrandDlgTest, FindSelectsTheRowOrExplains) {
    auto dlg = Start("");
    AddDevice(*dlg, "10.0.0.1", 60005, 1, "B0123");
    AddDevice(*dlg, "10.0.0.2", 60005, 1, "A1234");
    dlg->FillDeviceList();
    auto* edit = dlg->findChild<QLineEdit*>("edit1356");
    auto* find = dlg->Button(kFindButtonId);

    find->click();
    edit->setText("123");
    find->click();
    const QModelIndexList selected = dlg->ListView()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 1);
    edit->setText("Z9");
    find->click();
    edit->setText(QStringLiteral("😀"));
    find->click();
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"请输入正确的设备编号", "未找到设备", "未找到设备"}));
}

TEST_F(CostrandDlgTest, CopyDeviceNumberNeedsASelection) {
    auto dlg = Start("[Dev0]\nIP=10.0.0.1\nDevNo=N-77\n");
    QGuiApplication::clipboard()->setText("before");
    dlg->Button(1043)->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"请在类表中单击选择要配置的设备"});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    dlg->ListView()->selectRow(0);
    dlg->Button(1043)->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "N-77");
    EXPECT_EQ(dlg->SelectedRow(), 0);
}

// Opens the list's context menu as a right-click holding `modifiers` does, and
// chooses `entry` in it (nullptr: closes it without a choice). Returns the
// entries the menu offered.
QList<QAction*> ChooseInListMenu(CostrandDlg& dlg, Qt::KeyboardModifiers modifiers, QAction* entry) {
    QList<QAction*> offered;
    QTimer::singleShot(0, [&offered, entry] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        offered = menu->actions();
        menu->close();
        if (entry != nullptr) entry->trigger();
    });
    QWidget* viewport = dlg.ListView()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)), modifiers);
    QApplication::sendEvent(viewport, &event);
    return offered;
}

TEST_F(CostrandDlgTest, TheListsMenuCopiesOnlyWhenChosen) {
    auto dlg = Start("[Dev0]\nIP=10.0.0.1\nDevNo=N-1\n[Dev1]\nIP=10.0.0.2\n");
    dlg->show();
    QWidget* viewport = dlg->ListView()->viewport();
    QGuiApplication::clipboard()->setText("before");
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(ChooseInListMenu(*dlg, {}, nullptr),
              (QList<QAction*>{dlg->CopyListAction(), dlg->ExportListAction()}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    ChooseInListMenu(*dlg, {}, dlg->CopyListAction());
    const QString plain = QGuiApplication::clipboard()->text();
    EXPECT_EQ(plain.count('\n'), 2);
    EXPECT_EQ(plain.count('\t'), 38);
    EXPECT_TRUE(plain.startsWith(QStringLiteral("1\t是(考勤机)\t\tN-1\t"))) << plain.toStdString();

    // The keys held when the menu opened decide whether cells keep their tabs.
    dlg->Table().Clear();
    DeviceRecord r;
    SetFieldText(r.deviceNumber, "a\t");
    SetFieldText(r.productModel, "m");
    dlg->Table().Append(r);
    dlg->FillDeviceList();
    const QString raw = QStringLiteral("1\t否\t\ta\t\tm\t");
    const QString trimmed = QStringLiteral("1\t否\t\ta\tm\t");
    const std::pair<Qt::KeyboardModifiers, QString> cases[] = {
        {Qt::ControlModifier, raw}, {Qt::ShiftModifier, raw}, {Qt::AltModifier, raw}, {{}, trimmed}};
    for (const auto& [modifiers, expected] : cases) {
        QGuiApplication::clipboard()->setText("before");
        ChooseInListMenu(*dlg, modifiers, dlg->CopyListAction());
        EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(expected)) << modifiers.toInt();
    }

    // Outside the list the window's menu holds the language, not the list's entries.
    EXPECT_EQ(dlg->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(dlg->actions(), (QList<QAction*>{dlg->LanguageAction(Language::Chinese),
                                               dlg->LanguageAction(Language::English)}));
}

TEST_F(CostrandDlgTest, DoubleClickOpensTheWebPageOrAsksAboutTheSegment) {
    auto dlg = Start("");
    AddDevice(*dlg, "10.0.0.5", 60005, 1, "T1");
    AddDevice(*dlg, "10.0.0.6", 8000, 0, "H1", 8081);
    AddDevice(*dlg, "10.0.0.7", 80, 0, "V1");
    AddDevice(*dlg, "", 80, 0, "V2");
    dlg->FillDeviceList();
    dlg->show();

    DoubleClickRow(*dlg, 0);
    DoubleClickRow(*dlg, 1);
    ASSERT_EQ(catcher_.urls.size(), 2);
    EXPECT_EQ(catcher_.urls[0], QUrl("http://10.0.0.5"));
    EXPECT_EQ(catcher_.urls[1], QUrl("http://10.0.0.6:8081"));

    sink_.QueueAnswer(false);
    DoubleClickRow(*dlg, 2);
    DoubleClickRow(*dlg, 2);
    DoubleClickRow(*dlg, 3);
    const auto entries = sink_.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].question);
    EXPECT_EQ(entries[0].text, "请确定设备的网段和PC端网段是否一样");
    EXPECT_EQ(entries[0].caption, "网段");
    EXPECT_EQ(entries[1].text, "IP is Null");
    EXPECT_EQ(catcher_.urls.size(), 2);

    // No browser to open the page with: the user is told, in the interface language.
    QList<QUrl> tried;
    SetWebPageOpener([&tried](const QUrl& url) {
        tried.push_back(url);
        return false;
    });
    for (const auto& [language, text] : {std::pair{Language::Chinese, "无法打开浏览器"},
                                         std::pair{Language::English, "Cannot open the browser"}}) {
        SetUiLanguage(language);
        sink_.Clear();
        DoubleClickRow(*dlg, 1);
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{text});
    }
    SetWebPageOpener({});
    EXPECT_EQ(tried, (QList<QUrl>{QUrl("http://10.0.0.6:8081"), QUrl("http://10.0.0.6:8081")}));
}

TEST_F(CostrandDlgTest, LanguageSwitchRelabelsButtonsAndColumns) {
    auto dlg = Start("");
    auto* language = dlg->findChild<QComboBox*>("combo1203");
    // Captions of controls the switch does not re-label, to see they stay.
    std::map<int, QString> untouched;
    for (const ControlCaption& control : kMainWindowButtons) untouched[control.id] = dlg->Button(control.id)->text();
    for (const SwitchedCaption& caption : LanguageSwitchCaptions()) untouched.erase(caption.controlId);
    ASSERT_EQ(LanguageSwitchCaptions().size(), 15u);
    const auto captionOf = [&](int id) {
        if (id == kLanguageLabelId) return dlg->findChild<QLabel*>("label1204")->text();
        return dlg->Button(id)->text();
    };

    language->setCurrentIndex(1);
    EXPECT_EQ(UiLanguage(), Language::English);
    for (const SwitchedCaption& caption : LanguageSwitchCaptions()) {
        EXPECT_EQ(captionOf(caption.controlId), QString::fromUtf8(caption.english)) << caption.controlId;
    }
    for (const auto& [id, text] : untouched) EXPECT_EQ(dlg->Button(id)->text(), text) << id;
    EXPECT_EQ(dlg->Button(1011)->text(), "Reboot");
    EXPECT_EQ(dlg->Button(1047)->text(), "Update Kernel or Firmware");
    EXPECT_EQ(dlg->Button(1001)->text(), "Search");
    EXPECT_EQ(dlg->Button(1259)->text(), "AttendServer");
    EXPECT_EQ(dlg->Button(1260)->text(), "考勤信息管理");
    EXPECT_EQ(dlg->findChild<QLabel*>("label1204")->text(), "Language:");
    EXPECT_EQ(Header(*dlg, 0), "Num");
    EXPECT_EQ(Header(*dlg, 1), "是否考勤设备");
    EXPECT_EQ(Header(*dlg, 16), "Num of Video Channel");
    dlg->Button(1043)->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Please Select Item"});

    language->setCurrentIndex(0);
    EXPECT_EQ(UiLanguage(), Language::Chinese);
    for (const SwitchedCaption& caption : LanguageSwitchCaptions()) {
        EXPECT_EQ(captionOf(caption.controlId), QString::fromUtf8(caption.chinese)) << caption.controlId;
    }
    for (const auto& [id, text] : untouched) EXPECT_EQ(dlg->Button(id)->text(), text) << id;
    EXPECT_EQ(dlg->Button(1012)->text(), "升级应用库程序");
    EXPECT_EQ(dlg->Button(1013)->text(), "网络参数设置");
    EXPECT_EQ(Header(*dlg, 8), "考勤机状态");
    EXPECT_EQ(Header(*dlg, 0), "序列");
}

TEST_F(CostrandDlgTest, EnterInTheFindEditFindsAndKeepsTheWindow) {
    auto dlg = Start("[Dev0]\nIP=10.0.0.1\nDevNo=B0123\n[Dev1]\nIP=10.0.0.2\nDevNo=A1234\n");
    dlg->show();
    auto* edit = dlg->findChild<QLineEdit*>("edit1356");
    struct Case {
        const char* typed;
        int selectedRow;  // -1: nothing selected
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"", -1, {"请输入正确的设备编号"}},
        {"Z9", -1, {"未找到设备"}},
        {"1234", 1, {}},  // found: the focus moves to the list, the window stays
    };
    for (const Case& c : cases) {
        sink_.Clear();
        dlg->ListView()->clearSelection();
        edit->setText(QString::fromUtf8(c.typed));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(dlg->isVisible()) << c.typed;
        EXPECT_EQ(dlg->result(), QDialog::Rejected) << c.typed;
        EXPECT_EQ(sink_.Texts(), c.shown) << c.typed;
        const QModelIndexList selected = dlg->ListView()->selectionModel()->selectedRows();
        EXPECT_EQ(selected.empty() ? -1 : selected[0].row(), c.selectedRow) << c.typed;
    }
    // Enter elsewhere is still the window's own: it ends the window like its close box.
    dlg->ListView()->setFocus();
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(CostrandDlgTest, ScreenshotOfTheMainWindow) {
    auto dlg = Start("[Dev0]\nIP=192.168.1.64\nDevNo=K10023\nVer=3.2.0\n");
    DeviceRecord camera;
    SetFieldText(camera.ip, "192.168.1.65");
    SetFieldText(camera.mac, "00A1B2C3D4E5");
    SetFieldText(camera.subnetMask, "255.255.255.0");
    SetFieldText(camera.gateway, "192.168.1.1");
    SetFieldText(camera.deviceName, "前门摄像机");
    SetFieldText(camera.deviceNumber, "C20031");
    SetFieldText(camera.productModel, "IPC-200");
    SetFieldText(camera.version, "2.0.3");
    SetFieldText(camera.versionPrefix, "K1");
    camera.commandPort = 80;
    camera.videoChannels = 1;
    camera.tfStatus = 6;
    dlg->Table().Append(camera);
    dlg->FillDeviceList();
    dlg->show();
    QApplication::processEvents();

    const QString directory = QStringLiteral(OSTRAND_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(directory));
    const QImage image = dlg->grab().toImage();
    EXPECT_EQ(CellAt(*dlg, 1, 2), "前门摄像机");
    EXPECT_EQ(CellAt(*dlg, 1, 9), "已插入已绑定");
    ASSERT_TRUE(image.save(directory + "/main-window.png"));
    EXPECT_GT(image.width(), 800);
}

}  // namespace
}  // namespace ostrand

#include "costrand_dlg_test.moc"

// The interface language as installers reach it: the settings file, the
// command line, the window's menu; and Qt's own texts following it.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "../platform/temp_dir.h"
#include "app/costrand_app.h"
#include "loopback_discovery.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/log.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "ui/costrand_dlg.h"
#include "ui/qt_message_sink.h"
#include "ui/qt_translations.h"

namespace ostrand {
namespace {

using test::ReadWholeFile;
using test::WriteWholeFile;

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }
    void TearDown() override {
        SetUiLanguage(Language::Chinese);
        ApplyQtTranslations(Language::Chinese);
    }
    test::TempWorkingDir dir_;
};

TEST_F(LanguageTest, CommandLineOptions) {
    struct Case {
        std::vector<std::string> arguments;
        std::optional<Language> language;
        bool error;
        std::vector<std::string> ignored;
    };
    const Case cases[] = {
        {{}, std::nullopt, false, {}},
        {{"--english"}, Language::English, false, {}},
        {{"--language", "zh"}, Language::Chinese, false, {}},
        {{"--language=EN"}, Language::English, false, {}},
        {{"--english", "--language", "zh"}, Language::Chinese, false, {}},  // the last one counts
        {{"--language"}, std::nullopt, true, {}},
        {{"--language", "fr"}, std::nullopt, true, {}},
        {{"report.txt", "--english"}, Language::English, false, {"report.txt"}},
    };
    for (const Case& c : cases) {
        const AppOptions options = ParseAppOptions(c.arguments);
        const std::string label = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(!options.error.empty(), c.error) << label;
        if (!c.error) {
            EXPECT_EQ(options.language, c.language) << label;
        }
        EXPECT_EQ(options.ignored, c.ignored) << label;
    }
    EXPECT_TRUE(ParseAppOptions({"--help"}).help);
}

// The settings file's Language and the command line decide the language the
// program starts in; nothing is written back.
TEST_F(LanguageTest, StartLanguageFromTheSettingsFileAndTheCommandLine) {
    struct Case {
        const char* settings;
        std::optional<Language> option;
        const char* rebootCaption;
        const char* header0;
    };
    const Case cases[] = {
        {"", std::nullopt, "重启", "序列"},
        {"[common]\nLanguage=en\n", std::nullopt, "Reboot", "Num"},
        {"[common]\nLanguage=zh\n", std::nullopt, "重启", "序列"},
        {"[common]\nLanguage=fr\n", std::nullopt, "重启", "序列"},
        {"[common]\nLanguage=en\n", Language::Chinese, "重启", "序列"},
        {"", Language::English, "Reboot", "Num"},
    };
    for (const Case& c : cases) {
        test::TempWorkingDir dir;
        SetUiLanguage(Language::Chinese);
        if (*c.settings != '\0') WriteWholeFile(SettingsFileName(), c.settings);
        RecordingMessageSink sink;
        CostrandApp app(sink, test::LoopbackDiscoveryConfig());
        app.SetLanguage(c.option);
        QString reboot;
        QString header;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dlg = qobject_cast<CostrandDlg*>(widget);
                if (dlg == nullptr || !dlg->isVisible()) continue;
                reboot = dlg->Button(1011)->text();
                header = dlg->ListView()->model()->headerData(0, Qt::Horizontal).toString();
                dlg->close();
            }
        });
        EXPECT_EQ(app.Run(), CostrandApp::kExitAfterMainWindow);
        CloseLogFile();
        EXPECT_EQ(reboot, QString::fromUtf8(c.rebootCaption)) << c.settings;
        EXPECT_EQ(header, QString::fromUtf8(c.header0)) << c.settings;
        const std::string written = ReadWholeFile(SettingsFileName());
        EXPECT_EQ(written.find("Language=") == std::string::npos, *c.settings == '\0') << written;
        EXPECT_TRUE(sink.Entries().empty());
    }
}

TEST_F(LanguageTest, TheWindowsMenuSwitchesAtOnceAndIsKeptForTheNextStart) {
    CostrandDlg dlg(test::LoopbackDiscoveryConfig());
    EXPECT_FALSE(dlg.LanguageAction(Language::English)->isChecked());
    dlg.LanguageAction(Language::English)->trigger();
    EXPECT_EQ(UiLanguage(), Language::English);
    EXPECT_EQ(dlg.Button(1011)->text(), "Reboot");
    EXPECT_EQ(dlg.CopyListAction()->text(), "Copy List");
    EXPECT_EQ(dlg.ExportListAction()->text(), "Export List...");
    EXPECT_TRUE(dlg.LanguageAction(Language::English)->isChecked());
    EXPECT_NE(ReadWholeFile(SettingsFileName()).find("Language=en"), std::string::npos);

    dlg.LanguageAction(Language::Chinese)->trigger();
    EXPECT_EQ(UiLanguage(), Language::Chinese);
    EXPECT_EQ(dlg.Button(1011)->text(), "重启");
    EXPECT_EQ(dlg.CopyListAction()->text(), "复制列表");
    EXPECT_NE(ReadWholeFile(SettingsFileName()).find("Language=zh"), std::string::npos);
}

// What Qt draws itself follows the interface language: the buttons of the
// message boxes and the file dialogs.
TEST_F(LanguageTest, QtsOwnTextsFollowTheLanguage) {
    CostrandDlg dlg(test::LoopbackDiscoveryConfig());
    QtMessageSink sink;
    struct Case {
        Language language;
        const char* ok;
        const char* yes;
        const char* no;
        const char* lookIn;
    };
    const Case cases[] = {
        {Language::Chinese, "确定", "是", "否", "查找范围："},
        {Language::English, "OK", "Yes", "No", "Look in:"},
        {Language::Chinese, "确定", "是", "否", "查找范围："},
    };
    // The button's text without its mnemonic ("&Yes", "是(&Y)").
    const auto plain = [](QAbstractButton* button) {
        QString text = button ? button->text() : QString();
        text.remove(QRegularExpression(QStringLiteral("\\(&.\\)"))).remove('&');
        return text;
    };
    for (const Case& c : cases) {
        dlg.SetLanguage(c.language);
        QStringList seen;
        const auto readAndClose = [&](QMessageBox::StandardButton answer) {
            QTimer::singleShot(0, [&, answer] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                for (auto button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No}) {
                    if (box->button(button) != nullptr) seen << plain(box->button(button));
                }
                box->button(answer)->click();
            });
        };
        readAndClose(QMessageBox::Ok);
        sink.ShowMessage("x", "");
        readAndClose(QMessageBox::No);
        sink.AskYesNo("y", "");
        EXPECT_EQ(seen, (QStringList{QString::fromUtf8(c.ok), QString::fromUtf8(c.yes), QString::fromUtf8(c.no)}));

        QFileDialog files(&dlg);
        files.setOption(QFileDialog::DontUseNativeDialog);
        auto* lookIn = files.findChild<QLabel*>("lookInLabel");
        ASSERT_NE(lookIn, nullptr);
        EXPECT_EQ(lookIn->text(), QString::fromUtf8(c.lookIn));
    }
}

TEST_F(LanguageTest, ScreenshotOfTheEnglishMainWindow) {
    WriteWholeFile(SettingsFileName(), "[common]\nLanguage=en\n[Dev0]\nIP=192.168.1.64\nDevNo=K10023\nVer=3.2.0\n");
    CostrandDlg dlg(test::LoopbackDiscoveryConfig());
    DeviceRecord camera;
    SetFieldText(camera.ip, "192.168.1.65");
    SetFieldText(camera.mac, "00A1B2C3D4E5");
    SetFieldText(camera.subnetMask, "255.255.255.0");
    SetFieldText(camera.gateway, "192.168.1.1");
    SetFieldText(camera.deviceName, "Gate camera");
    SetFieldText(camera.deviceNumber, "C20031");
    SetFieldText(camera.productModel, "IPC-200");
    SetFieldText(camera.version, "2.0.3");
    camera.commandPort = 80;
    camera.videoChannels = 1;
    dlg.Table().Append(camera);
    dlg.FillDeviceList();
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.Button(1047)->text(), "Update Kernel or Firmware");
    ASSERT_TRUE(QDir().mkpath(OSTRAND_SCREENSHOT_DIR));
    ASSERT_TRUE(dlg.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/main-window-english.png"));
}

}  // namespace
}  // namespace ostrand

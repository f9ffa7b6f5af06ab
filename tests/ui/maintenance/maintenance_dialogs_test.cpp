// The maintenance dialogs and commands driven like a user would, against
// simulated devices: load, edit, OK, the message shown and what the device
// holds afterwards. Each dialog leaves a PNG in build/screenshots.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "ops/maintenance/password_rules.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/temp_dir.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/loopback_discovery.h"
#include "ui/maintenance/cdev_mask_message.h"
#include "ui/maintenance/cmodify_passwd.h"
#include "ui/maintenance/log_download_flow.h"
#include "ui/maintenance/modify_device_id.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

void Screenshot(QWidget& widget, const char* name) {
    widget.show();
    QApplication::processEvents();
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    ASSERT_TRUE(widget.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name + ".png"));
}

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8).value(); }

class MaintenanceDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        const std::string block = sim::test::AddressBlock();
        camera_ = &Add(block + "31", sim::DeviceKind::Camera, 80, [](sim::DeviceConfig& config) {
            config.state["maintenance"] = {{"password", PasswordWireForm("admin")}};
        });
        terminal_ = &Add(block + "32", sim::DeviceKind::Terminal, 0, [](sim::DeviceConfig& config) {
            config.state["maintenance"] = {{"password", "admin"}};
        });
        silent_ = &Add(block + "33", sim::DeviceKind::Terminal, 0,
                       [](sim::DeviceConfig& config) { config.faults.silent = true; });
        sim_.Start();
    }
    void TearDown() override {
        SetLogSaveChooser({});
        sim_.Stop();
    }
    sim::Device& Add(const std::string& address, sim::DeviceKind kind, std::uint16_t port,
                     const std::function<void(sim::DeviceConfig&)>& adjust) {
        sim::DeviceConfig config;
        config.address = address;
        config.kind = kind;
        config.port = port;
        config.name = "门口";
        config.deviceNumber = "100001";
        config.productModel = "QZ-1";
        adjust(config);
        return sim_.AddDevice(config);
    }
    static CommandArgs Args(const sim::Device& device) {
        CommandArgs args;
        args.ip = device.AddressText();
        args.port = device.Port();
        args.name = Gbk("门口");
        args.deviceNumber = "100001";
        args.productModel = "QZ-1";
        return args;
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
    sim::Device* camera_ = nullptr;
    sim::Device* terminal_ = nullptr;
    sim::Device* silent_ = nullptr;
};

TEST_F(MaintenanceDialogsTest, DeviceNameDialogRefusesThenRenames) {
    CDevMaskMessage dialog(camera_->AddressText(), camera_->Port(), Gbk("门口"));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("设备名修改"));
    EXPECT_EQ(dialog.OldNameEdit()->text(), QString::fromUtf8("门口"));
    EXPECT_TRUE(dialog.OldNameEdit()->isReadOnly());
    dialog.NewNameEdit()->setText(QString(31, 'n'));
    dialog.OkButton()->click();
    dialog.NewNameEdit()->setText(QString::fromUtf8("北门\xF0\x9F\x98\x80"));  // not in GBK
    dialog.OkButton()->click();
    dialog.NewNameEdit()->setText(QString::fromUtf8("北门/1"));
    dialog.OkButton()->click();
    EXPECT_EQ(camera_->CommandCount(), 0);
    EXPECT_EQ(dialog.result(), 0);
    ASSERT_EQ(sink_.Texts().size(), 3u);
    EXPECT_EQ(sink_.Texts()[0], "输入字符大于30或为空");
    EXPECT_EQ(sink_.Texts()[1], "新设备名含有无法用GBK表示的字符，未发送");
    EXPECT_EQ(sink_.Texts()[2].rfind("名称［北门/1］中不能包含下列字符", 0), 0u);

    dialog.NewNameEdit()->setText(QString::fromUtf8("北门"));
    Screenshot(dialog, "CDevMaskMessage");
    sink_.Clear();
    dialog.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"更新成功"});
    EXPECT_TRUE(dialog.Changed());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FieldText(camera_->Record().deviceName), "北门");

    SetUiLanguage(Language::English);
    CDevMaskMessage english(terminal_->AddressText(), terminal_->Port(), "T");
    Screenshot(english, "CDevMaskMessage_en");
    EXPECT_EQ(english.windowTitle(), "Change Device Name");
    SetUiLanguage(Language::Chinese);
}

TEST_F(MaintenanceDialogsTest, RenameFromTheMainWindowUpdatesTheList) {
    CostrandDlg window(test::LoopbackDiscoveryConfig());
    window.Table().Append(terminal_->Record());
    window.FillDeviceList();
    window.ListView()->selectRow(0);
    QObject::connect(&window, &CostrandDlg::CommandPassedGates, &window,
                     [&window](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, &window, args); });
    // The dialog opens after the gates' own modal wait; poll for it, and
    // close whatever is modal after a bounded time so the test cannot hang.
    bool driven = false;
    int polls = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<CDevMaskMessage*>(modal);
        if (dialog != nullptr && !driven) {
            driven = true;
            EXPECT_EQ(dialog->OldNameEdit()->text(), QString::fromUtf8("门口"));
            dialog->NewNameEdit()->setText(QString::fromUtf8("考勤机一"));
            dialog->OkButton()->click();
        } else if (++polls > 500 && modal != nullptr && modal != &window) {
            modal->close();
        }
    });
    driver.start(10);
    window.Button(1050)->click();
    EXPECT_TRUE(driven);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"更新成功"});
    EXPECT_EQ(window.List().Row(0)[kColDeviceName], Gbk("考勤机一"));
    EXPECT_EQ(window.SelectedRow(), 0);
}

TEST_F(MaintenanceDialogsTest, KernelUpgradeRunningRefusesTheLogBeforeTheSaveDialog) {
    sim::Device& busy = Add(sim::test::AddressBlock() + "34", sim::DeviceKind::Terminal, 0,
                            [](sim::DeviceConfig& config) { config.settings["updateStatus"] = "1"; });
    CostrandDlg window(test::LoopbackDiscoveryConfig());
    window.Table().Append(busy.Record());
    window.FillDeviceList();
    window.ListView()->selectRow(0);
    QObject::connect(&window, &CostrandDlg::CommandPassedGates, &window,
                     [&window](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, &window, args); });
    bool asked = false;
    SetLogSaveChooser([&](QWidget*, const QString&) {
        asked = true;
        return QString();
    });
    window.Button(1023)->click();
    EXPECT_FALSE(asked);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"IPC设备内核升级中,请等升级完成后在进行操作"});
}

TEST_F(MaintenanceDialogsTest, DeviceIdDialogLoadsChecksAndSaves) {
    ModifyDeviceId dialog(terminal_->AddressText(), terminal_->Port(), "100001", "QZ-1");
    EXPECT_EQ(dialog.NumberEdit()->text(), "100001");
    EXPECT_EQ(dialog.ModelEdit()->text(), "QZ-1");
    EXPECT_EQ(dialog.NumberEdit()->objectName(), "edit1172");
    dialog.NumberEdit()->setText("1234567");
    dialog.OkButton()->click();
    dialog.NumberEdit()->setText("12345678901");
    dialog.ModelEdit()->setText(QString(31, 'M'));
    dialog.OkButton()->click();
    EXPECT_EQ(terminal_->CommandCount(), 0);
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"新输入的设备编号长度不符，长度必须为6个字符，8个字符或者11个字符",
                                                       "新输入的产品型号过长，请重新输入"}));
    EXPECT_EQ(dialog.result(), 0);

    dialog.ModelEdit()->setText("QZ-20000-01");
    Screenshot(dialog, "ModifyDeviceId");
    sink_.Clear();
    dialog.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"设置成功!"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(FieldText(terminal_->Record().deviceNumber), "12345678901");
    EXPECT_EQ(FieldText(terminal_->Record().productModel), "QZ-20000-01");

    SetUiLanguage(Language::English);
    ModifyDeviceId english(terminal_->AddressText(), terminal_->Port(), "1", "2");
    Screenshot(english, "ModifyDeviceId_en");
    SetUiLanguage(Language::Chinese);
}

TEST_F(MaintenanceDialogsTest, PasswordDialogHashedAndPlain) {
    CModifyPasswd hashed(camera_->AddressText(), camera_->Port(), PasswordMode::Hashed);
    EXPECT_EQ(hashed.OldEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(hashed.NewEdit()->maxLength(), 32);
    hashed.OldEdit()->setText("admin");
    hashed.NewEdit()->setText("Secret");
    hashed.RepeatEdit()->setText("secret");
    hashed.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"两次新密码必须一致"});
    EXPECT_EQ(camera_->CommandCount(), 0);
    hashed.RepeatEdit()->setText("Secret");
    Screenshot(hashed, "CModifyPasswd");
    sink_.Clear();
    hashed.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"更新成功"});
    EXPECT_EQ(hashed.result(), QDialog::Accepted);

    // Plain mode: the terminal holds "admin" as typed; a wrong old one fails
    // and the dialog stays open.
    CModifyPasswd plain(terminal_->AddressText(), terminal_->Port(), PasswordMode::Plain);
    plain.OldEdit()->setText("wrong");
    plain.NewEdit()->setText("x");
    plain.RepeatEdit()->setText("x");
    sink_.Clear();
    plain.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"更新失败"});
    EXPECT_EQ(plain.result(), 0);
    plain.OldEdit()->setText("admin");
    sink_.Clear();
    plain.OkButton()->click();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"更新成功"});

    SetUiLanguage(Language::English);
    CModifyPasswd english(camera_->AddressText(), camera_->Port(), PasswordMode::Hashed);
    Screenshot(english, "CModifyPasswd_en");
    SetUiLanguage(Language::Chinese);
}

TEST_F(MaintenanceDialogsTest, RebootClockAndLogCommands) {
    const DialogRoutes& routes = AllDialogRoutes();
    ASSERT_TRUE(routes.Open(CommandId::Reboot, nullptr, Args(*terminal_)));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"设备重启中，大概在一分钟以内将连接上"});
    EXPECT_EQ(terminal_->Setting("rebootCount"), "1");

    sink_.Clear();
    ASSERT_TRUE(routes.Open(CommandId::SyncPcTime, nullptr, Args(*camera_)));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"时间更新成功"});
    EXPECT_EQ(camera_->Setting("year").size(), 4u);

    const fs::path chosen = dir_.Path() / "devlog";
    QString filter;
    SetLogSaveChooser([&](QWidget* parent, const QString& offered) {
        filter = offered;
        const auto dialog = MakeLogSaveDialog(parent, offered);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setDirectory(QString::fromStdString(dir_.Path().string()));
        Screenshot(*dialog, "LogSaveDialog");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        return QString::fromStdString(chosen.string());
    });
    sink_.Clear();
    ASSERT_TRUE(routes.Open(CommandId::Log, nullptr, Args(*camera_)));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"下载成功"});
    EXPECT_EQ(filter, "Map Files (*.tar.gz);;MapCfg Files(*.mapCfg)");
    EXPECT_EQ(sim::test::FileBytes(dir_.Path() / "devlog.tar.gz"), camera_->LogArchive());

    SetLogSaveChooser([](QWidget*, const QString&) { return QString(); });  // Cancel
    sink_.Clear();
    const int before = camera_->CommandCount();
    routes.Open(CommandId::Log, nullptr, Args(*camera_));
    EXPECT_TRUE(sink_.Texts().empty());
    EXPECT_EQ(camera_->CommandCount(), before);
}

TEST_F(MaintenanceDialogsTest, SilentDeviceEndsWithTheFailureText) {
    SetLogSaveChooser([this](QWidget*, const QString&) {
        return QString::fromStdString((dir_.Path() / "silent").string());
    });
    AllDialogRoutes().Open(CommandId::Log, nullptr, Args(*silent_));
    ASSERT_FALSE(sink_.Texts().empty());
    EXPECT_EQ(sink_.Texts().back(), "下载失败");
    EXPECT_FALSE(fs::exists(dir_.Path() / "silent.tar.gz"));

    sink_.Clear();
    CDevMaskMessage dialog(silent_->AddressText(), silent_->Port(), "T");
    dialog.NewNameEdit()->setText("new");
    dialog.OkButton()->click();
    ASSERT_FALSE(sink_.Texts().empty());
    EXPECT_EQ(sink_.Texts().back(), "更新失败");
    EXPECT_FALSE(dialog.Changed());
}

}  // namespace
}  // namespace ostrand

// "导出列表..." in the main window's context menu: the rows the list shows,
// under the headers it shows, in the format the file name or filter asks for.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTableView>

#include <fstream>
#include <memory>
#include <sstream>

#include "ui/loopback_discovery.h"
#include "platform/temp_dir.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "ui/costrand_dlg.h"
#include "ui/device_list_export.h"

namespace ostrand {
namespace {

DeviceRecord Terminal(const char* utf8Name, const char* number) {
    DeviceRecord r;
    SetFieldText(r.deviceName, Utf8ToGbk(utf8Name).value());
    SetFieldText(r.deviceNumber, number);
    SetFieldText(r.ip, "10.0.0.5");
    r.attendType = 1;
    r.commandPort = 60005;
    return r;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class DeviceListExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        dlg_ = std::make_unique<CostrandDlg>(test::LoopbackDiscoveryConfig());
        for (const auto& [name, number] : {std::pair{"东门", "N1"}, {"西门", "N2"}, {"南门", "N3"}}) {
            dlg_->Table().Append(Terminal(name, number));
        }
        dlg_->FillDeviceList();
    }
    void TearDown() override { SetListExportChooser({}); }

    QAction* ExportAction() const {
        for (QAction* action : dlg_->ListView()->actions()) {
            if (action->text() == QString::fromUtf8(kListExportCaption)) return action;
        }
        return nullptr;
    }

    test::TempWorkingDir dir_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    std::unique_ptr<CostrandDlg> dlg_;
};

TEST_F(DeviceListExportTest, ContextMenuEntryWritesTheShownRowsInTheChosenFormat) {
    // The entry is the list's own, not the whole window's.
    ASSERT_EQ(dlg_->ListView()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_FALSE(dlg_->actions().contains(ExportAction()));
    QAction* action = ExportAction();
    ASSERT_NE(action, nullptr);
    dlg_->ListView()->setRowHidden(1, true);

    struct Case {
        QString chosen;
        QString filter;
        std::string written;  // the file that must appear
        bool csv;
    };
    const QString xlsFilter = QStringLiteral("Excel 文件 (*.xls)");
    const QString csvFilter = QStringLiteral("CSV 文件 (*.csv)");
    const Case cases[] = {
        {"plain", csvFilter, "plain.csv", true},       // no extension: the filter's, added
        {"named.csv", xlsFilter, "named.csv", true},   // the name wins over the filter
        {"book", xlsFilter, "book.xls", false},
        {"other.txt", csvFilter, "other.txt", true},   // a foreign extension stays; the filter decides
    };
    for (const Case& c : cases) {
        SetListExportChooser([&c](QWidget*, const QString& filters) {
            EXPECT_TRUE(filters.contains(QStringLiteral("*.csv")) && filters.contains(QStringLiteral("*.xls")));
            return ListExportChoice{QDir::current().filePath(c.chosen), c.filter};
        });
        sink_.Clear();
        action->trigger();
        const std::filesystem::path written = dir_.Path() / c.written;
        ASSERT_TRUE(std::filesystem::exists(written)) << c.written;
        ASSERT_EQ(sink_.Texts().size(), 1u);
        EXPECT_NE(sink_.Texts().front().find("写入数据成功"), std::string::npos) << sink_.Texts().front();
        const std::string bytes = ReadAll(written);
        if (c.csv) {
            EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF序列,是否考勤设备,设备名,", 0), 0u) << c.written;
            EXPECT_NE(bytes.find(",东门,N1,"), std::string::npos);
            EXPECT_NE(bytes.find(",南门,N3,"), std::string::npos);
            EXPECT_EQ(bytes.find("西门"), std::string::npos) << "a hidden row was exported";
        } else {
            EXPECT_EQ(bytes.rfind("\xD0\xCF\x11\xE0", 0), 0u) << "not a compound document";
        }
    }

    // Cancelling writes nothing and says nothing.
    SetListExportChooser([](QWidget*, const QString&) { return ListExportChoice{}; });
    sink_.Clear();
    action->trigger();
    EXPECT_TRUE(sink_.Texts().empty());

    QMenu menu;
    menu.addActions(dlg_->ListView()->actions());
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    dlg_->show();
    menu.popup(dlg_->mapToGlobal(QPoint(200, 400)));
    EXPECT_TRUE(menu.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/device-list-export-menu.png"));
    menu.close();
}

}  // namespace
}  // namespace ostrand

// "音箱配置" against a simulated terminal: the page the build chooses, the
// speaker-number dialog, the amplifier tab's gate, amplifier binding and the
// class-to-channel dialog.

#include "ui/peripherals/audio_cfg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "ops/peripherals/peripheral_sim.h"
#include "ops/shell/speaker_build.h"
#include "screenshot.h"
#include "ui/peripherals/bind_net_power.h"
#include "ui/peripherals/chanlde_class_audio.h"
#include "ui/peripherals/set_net_class.h"
#include "ui/peripherals/speaker_class_page.h"

namespace ostrand {
namespace {

using Json = nlohmann::json;

Json TerminalState() {
    return {{"speakers",
             {{"classes", {{{"id", "1"}, {"name", "一班"}, {"speakers", "1,3"}}, {{"id", "2"}, {"name", "二班"}, {"speakers", "3"}}}},
              {"places", {{{"id", "9"}, {"name", "一楼大厅"}, {"speakers", "4"}, {"classId", "1"}, {"className", "一班"}}}},
              {"volume", 6},
              {"band", 3}}},
            {"amplifiers",
             {{"known",
               {{{"number", "AMP1"}, {"state", "1"}, {"bind", "1"}, {"ip", "10.0.0.31"}},
                {{"number", "AMP2"}, {"state", "0"}, {"bind", "0"}, {"ip", "10.0.0.32"}}}},
              {"classes", {{{"id", "1"}, {"name", "一班"}, {"amplifier", "AMP1"}, {"channel", "1"}},
                           {{"id", "2"}, {"name", "二班"}}}}}}};
}

// Runs `act` on the next modal dialog of type T once it is up.
template <class T, class Act>
void OnNextDialog(Act act) {
    QTimer::singleShot(50, [act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<T*>(widget); dialog != nullptr && dialog->isVisible()) {
                act(*dialog);
                return;
            }
        }
    });
}

class AudioCfgTest : public ::testing::Test {
protected:
    void TearDown() override { ResetSpeakerBuild(); }
    static void WaitLoaded(AudioCfg& dialog) {
        for (int i = 0; i < 100 && !dialog.WirelessPage()->Loaded(); ++i) QTest::qWait(10);
        ASSERT_TRUE(dialog.WirelessPage()->Loaded());
    }
    test::PeripheralSim sim_{TerminalState()};
};

TEST_F(AudioCfgTest, OlderBuildListsClassesAndChoosingASpeakerNamesItsClasses) {
    RecordSpeakerVersion("V6.8.236");
    AudioCfg dialog(sim_.Terminal());
    WaitLoaded(dialog);
    auto* page = dialog.WirelessPage();
    EXPECT_NE(qobject_cast<CShowClassInfo*>(page), nullptr);
    ASSERT_EQ(page->List()->rowCount(), 2);
    EXPECT_EQ(page->List()->item(0, 2)->text(), QString::fromUtf8("一班"));
    EXPECT_EQ(page->SpeakerChoice()->count(), 255);
    EXPECT_EQ(page->TestSpeakerChoice()->count(), 256);
    EXPECT_EQ(page->Volume()->value(), 6);
    EXPECT_EQ(page->RadioBand()->value(), 3);
    page->SpeakerChoice()->setCurrentIndex(3);
    page->ChooseSpeaker(3);
    EXPECT_EQ(page->Related()->text(), QString::fromUtf8("一班  二班  "));
    test::SaveScreenshot(dialog, "audio-cfg-classes.png");

    // A test left running stops when the dialog closes.
    page->TestToggle()->click();
    EXPECT_EQ(page->TestToggle()->text(), QString::fromUtf8("停止"));
    dialog.reject();
    EXPECT_FALSE(page->TestToggle()->isChecked());
    EXPECT_EQ(page->TestToggle()->text(), QString::fromUtf8("调试"));
}

TEST_F(AudioCfgTest, NewerBuildListsPlaces) {
    RecordSpeakerVersion("V6.8.237");
    AudioCfg dialog(sim_.Terminal());
    WaitLoaded(dialog);
    auto* page = dialog.WirelessPage();
    EXPECT_NE(qobject_cast<CShowClassInfoNew*>(page), nullptr);
    EXPECT_EQ(page->RelatedLabel()->text(), QString::fromUtf8("关联场所："));
    ASSERT_EQ(page->List()->rowCount(), 1);
    EXPECT_EQ(page->List()->item(0, 2)->text(), QString::fromUtf8("一楼大厅"));
    EXPECT_EQ(page->List()->item(0, 5)->text(), QString::fromUtf8("一班"));
    test::SaveScreenshot(dialog, "audio-cfg-places.png");
}

TEST_F(AudioCfgTest, BindingASpeakerTextUpdatesTheRowOnlyWhenTheTerminalTakesIt) {
    RecordSpeakerVersion("V6.8.236");
    AudioCfg dialog(sim_.Terminal());
    WaitLoaded(dialog);
    auto* page = dialog.WirelessPage();
    page->BindRow();
    EXPECT_EQ(sim_.Messages().Texts(), std::vector<std::string>{"请在类表中单击选择要配置的班级"});

    page->List()->selectRow(1);
    OnNextDialog<CHanldeClassAudio>([](CHanldeClassAudio& edit) {
        edit.SpeakerEdit()->setText("1,2,");
        edit.Apply();  // refused: stays open
        test::SaveScreenshot(edit, "chanlde-class-audio.png");
        edit.SpeakerEdit()->setText("1,2,3");
        edit.Apply();
    });
    page->BindRow();
    EXPECT_EQ(page->List()->item(1, 3)->text(), "1,2,3");
    const auto texts = sim_.Messages().Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], "音箱号格式输入有误，请重新输入");
    EXPECT_EQ(texts[2], "设置成功!");
}

TEST_F(AudioCfgTest, AmplifierTabIsGatedByVersion) {
    RecordSpeakerVersion("V6.8.226");
    AudioCfg refused(sim_.Terminal());
    WaitLoaded(refused);
    refused.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(refused.Tabs()->currentIndex(), 0);
    EXPECT_EQ(sim_.Messages().Texts(), std::vector<std::string>{"版本不支持!"});
    EXPECT_EQ(refused.AmplifierPage()->Amplifiers()->rowCount(), 0);

    RecordSpeakerVersion("V6.8.227");
    AudioCfg dialog(sim_.Terminal());
    WaitLoaded(dialog);
    dialog.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(dialog.Tabs()->currentIndex(), 1);
    auto* amplifiers = dialog.AmplifierPage();
    ASSERT_EQ(amplifiers->Amplifiers()->rowCount(), 2);
    EXPECT_EQ(amplifiers->Amplifiers()->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(amplifiers->Amplifiers()->item(0, 3)->text(), QString::fromUtf8("在线"));
    EXPECT_EQ(amplifiers->Amplifiers()->item(1, 3)->text(), QString::fromUtf8("不在线"));
    EXPECT_EQ(amplifiers->BoundAmplifiers(), std::vector<std::string>{"AMP1"});
    ASSERT_EQ(amplifiers->Classes()->rowCount(), 2);
    EXPECT_EQ(amplifiers->Classes()->item(0, 3)->text(), "AMP1");
    test::SaveScreenshot(dialog, "audio-cfg-amplifiers.png");

    // Tick the second one as well and bind both.
    amplifiers->Amplifiers()->item(1, 0)->setCheckState(Qt::Checked);
    amplifiers->BindTicked();
    EXPECT_EQ(sim_.Messages().Texts().back(), "设置成功!");
    EXPECT_EQ(amplifiers->Amplifiers()->item(1, 4)->text(), QString::fromUtf8("已绑定"));

    // Class 2 goes on AMP1, channels 1 and 2.
    OnNextDialog<SetNetClass>([](SetNetClass& edit) {
        EXPECT_EQ(edit.Amplifier()->count(), 1);
        edit.Amplifier()->setEditText("AMP1");
        edit.Channel()->setText("1_2");
        test::SaveScreenshot(edit, "set-net-class.png");
        edit.Confirm();
    });
    amplifiers->EditClass(1);
    EXPECT_EQ(amplifiers->Classes()->item(1, 3)->text(), "AMP1");
    EXPECT_EQ(amplifiers->Classes()->item(1, 4)->text(), "1_2");

    amplifiers->Classes()->selectRow(0);
    amplifiers->UnbindSelected();
    EXPECT_EQ(sim_.Messages().Texts().back(), "解绑成功!");
    EXPECT_EQ(amplifiers->Classes()->item(0, 3)->text(), "");
}

}  // namespace
}  // namespace ostrand

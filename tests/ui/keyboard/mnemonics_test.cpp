// The captions' mnemonics: Alt and the marked letter presses the button; a
// letter several buttons share moves the focus from one to the next instead,
// and a disabled button's letter does nothing.

#include <QAbstractButton>
#include <QSignalSpy>

#include <map>
#include <memory>

#include "keyboard_fixture.h"
#include "keyboard_walk.h"
#include "ui/attendance/cattend_alarm.h"
#include "ui/maintenance/video_cfg.h"
#include "ui/peripherals/bind_tempera.h"

namespace ostrand::test {
namespace {

struct Press {
    Qt::Key letter;
    QString clicks;         // the button pressed ("" = none)
    QStringList focusCycle;  // for a shared letter: where focus goes on each press
};

struct MnemonicRow {
    const char* name;
    std::function<std::unique_ptr<QWidget>(const DeviceEndpoint&)> open;
    std::vector<Press> presses;
};

std::vector<MnemonicRow> Rows() {
    return {
        {"function switches", [](const DeviceEndpoint& t) { return std::make_unique<CVideoCfg>(t); },
         {{Qt::Key_G, "debugGet", {}}, {Qt::Key_S, "debugSet", {}}}},
        {"temperature devices",
         [](const DeviceEndpoint& t) {
             auto dialog = std::make_unique<BindTempera>(t, NowhereProbe());
             dialog->findChild<QTimer*>("timer1281")->stop();  // no search of its own meanwhile
             return dialog;
         },
         {{Qt::Key_G, "button1275", {}},
          {Qt::Key_S, "button1322", {}},
          {Qt::Key_B, "button1276", {}},
          {Qt::Key_K, "", {}}}},
        // A group's set button takes its letter once a get of the group has
        // succeeded; the three "&I" set buttons are still disabled.
        {"terminal parameters", [](const DeviceEndpoint& t) { return std::make_unique<CAttendAlarm>(t); },
         {{Qt::Key_S, "", {}},
          {Qt::Key_G, "1344", {}},
          {Qt::Key_S, "1345", {}},
          {Qt::Key_R, "", {}},
          {Qt::Key_E, "1367", {}},
          {Qt::Key_R, "1368", {}},
          {Qt::Key_I, "", {}},
          {Qt::Key_U, "", {"1369", "1371", "1374", "1369"}}}},
    };
}

using MnemonicsTest = KeyboardTest;

TEST_F(MnemonicsTest, AltAndTheMarkedLetterPressTheButton) {
    for (const MnemonicRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<QWidget> window = row.open(Terminal());
        ASSERT_TRUE(Activate(window.get()));
        QTest::qWait(20);  // the opening reads
        for (const Press& press : row.presses) {
            SCOPED_TRACE(QKeySequence(press.letter).toString().toStdString());
            std::map<QString, std::unique_ptr<QSignalSpy>> spies;
            for (auto* button : window->findChildren<QAbstractButton*>()) {
                spies[KeyOf(button)] = std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked);
            }
            QStringList focus;
            const int times = press.focusCycle.isEmpty() ? 1 : static_cast<int>(press.focusCycle.size());
            for (int i = 0; i < times; ++i) {
                QTest::keyClick(window.get(), press.letter, Qt::AltModifier);
                QTest::qWait(150);  // a mnemonic's click is animated
                // A search's progress window took the activation; the desktop
                // gives it back when that window closes.
                ASSERT_TRUE(Activate(window.get()));
                focus << KeyOf(InputOf(QApplication::focusWidget()));
            }
            QStringList clicked;
            for (const auto& [key, spy] : spies) {
                if (spy->count() > 0) clicked << key;
            }
            EXPECT_EQ(clicked.join(" ").toStdString(), press.clicks.toStdString());
            if (!press.focusCycle.isEmpty()) {
                EXPECT_EQ(focus.join(" ").toStdString(), press.focusCycle.join(" ").toStdString());
            }
            ASSERT_TRUE(window->isVisible());
            sink_.Clear();
        }
    }
}

}  // namespace
}  // namespace ostrand::test

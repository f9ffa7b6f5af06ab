#pragma once
// Walking a window with the keyboard as a user does: the inputs Tab should
// reach, the order Tab really takes, and a short name for each input.

#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace ostrand::test {

// The name a test gives an input: its object name, else a button's caption
// without the mnemonic marker, else its class.
QString KeyOf(const QWidget* widget);

// The input that stands for a focused widget: the widget whose focus is
// passed on to it (a tab widget for its tab bar, a combo box for its edit).
QWidget* InputOf(QWidget* focused);

// Every input of `window` the user can reach with Tab: visible, enabled,
// taking Tab focus, each once, a group of exclusive radio buttons once, in no
// particular order.
std::vector<QWidget*> TabStops(QWidget* window);

struct TabWalk {
    QStringList order;   // keys, the start first
    bool cameBack = false;  // Tab returned to the start after every input once
};

// Focuses `start` and presses Tab until focus is back at it, at most
// `limit` times.
TabWalk WalkTabs(QWidget* start, int limit);

// The input Shift+Tab reaches from `start`.
QString BacktabFrom(QWidget* start);

// Waits (bounded) until `window` is the active window.
bool Activate(QWidget* window);

}  // namespace ostrand::test

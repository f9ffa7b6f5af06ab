#pragma once
// Tab order by list: the dialogs whose controls are not created in the order
// they are laid out put them in visual order with one call.

#include <initializer_list>
#include <vector>

class QWidget;

namespace ostrand {

// Chains the widgets' Tab order in the given sequence (null entries are
// skipped). Each widget keeps its own inputs (a combo box's edit, a page's
// fields) right behind it.
void SetTabOrder(std::initializer_list<QWidget*> widgets);
void SetTabOrder(const std::vector<QWidget*>& widgets);

// The last input inside `container` that Tab reaches, or the container itself
// when it holds none; the next widget of a SetTabOrder list follows it.
QWidget* LastTabStopIn(QWidget* container);

}  // namespace ostrand

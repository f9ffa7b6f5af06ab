#pragma once
// Enter on a list row for lists whose rows act on a click or double click
// only: the keyboard reaches the same action.

#include <functional>

class QAbstractItemView;

namespace ostrand {

// Enter (or the keypad's Enter) on the list's current row runs `action` with
// that row and goes no further, so the dialog's default button is not
// pressed as well. Without a current row Enter passes on as before.
void ActOnEnter(QAbstractItemView* list, std::function<void(int row)> action);

}  // namespace ostrand

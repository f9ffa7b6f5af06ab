#pragma once
// The report list of the attendance windows: grid lines, whole-row
// selection, fixed row heights (so a million rows scroll without measuring
// each), the given column widths.

#include <initializer_list>

class QAbstractItemModel;
class QTableView;
class QWidget;

namespace ostrand {

QTableView* MakeAttendListView(QWidget* parent, QAbstractItemModel* model, std::initializer_list<int> widths);

}  // namespace ostrand

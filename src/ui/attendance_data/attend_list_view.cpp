#include "ui/attendance_data/attend_list_view.h"

#include <QHeaderView>
#include <QTableView>

namespace ostrand {

QTableView* MakeAttendListView(QWidget* parent, QAbstractItemModel* model, std::initializer_list<int> widths) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setTabKeyNavigation(false);  // Tab leaves the list (a million rows are no Tab stops)
    view->setWordWrap(false);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    int column = 0;
    for (const int width : widths) view->setColumnWidth(column++, width);
    return view;
}

}  // namespace ostrand

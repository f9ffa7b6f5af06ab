#include "ui/shell/tab_order.h"

#include <QWidget>

namespace ostrand {

void SetTabOrder(const std::vector<QWidget*>& widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (widget == nullptr) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) { SetTabOrder(std::vector<QWidget*>(widgets)); }

QWidget* LastTabStopIn(QWidget* container) {
    QWidget* last = container;
    for (QWidget* w = container->nextInFocusChain(); w != container && container->isAncestorOf(w);
         w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0) last = w;
    }
    return last;
}

}  // namespace ostrand

#include "keyboard_walk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDateTimeEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <set>

namespace ostrand::test {

QString KeyOf(const QWidget* widget) {
    if (widget == nullptr) return QStringLiteral("<none>");
    if (!widget->objectName().isEmpty()) return widget->objectName();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text().remove('&');
    return QString::fromLatin1(widget->metaObject()->className());
}

QWidget* InputOf(QWidget* focused) {
    QWidget* input = focused;
    // A button stands for itself, also when a button box hands its focus on.
    if (qobject_cast<QAbstractButton*>(focused) != nullptr) return focused;
    while (input != nullptr && !input->isWindow() && input->parentWidget() != nullptr &&
           input->parentWidget()->focusProxy() == input) {
        input = input->parentWidget();
    }
    return input;
}

namespace {

// The exclusive group a radio button belongs to (its button group, or its
// parent for auto-exclusive buttons); nullptr when it stands alone.
const QObject* RadioGroupOf(const QWidget* widget) {
    const auto* radio = qobject_cast<const QRadioButton*>(widget);
    if (radio == nullptr) return nullptr;
    if (radio->group() != nullptr) return radio->group()->exclusive() ? radio->group() : nullptr;
    return radio->autoExclusive() ? radio->parent() : nullptr;
}

}  // namespace

std::vector<QWidget*> TabStops(QWidget* window) {
    std::vector<QWidget*> stops;
    // A group of exclusive radio buttons is one stop (the arrow keys move
    // within it): its checked button, or its first when none is checked.
    std::set<const QObject*> radioGroups;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if ((widget->focusPolicy() & Qt::TabFocus) == 0 || !widget->isVisibleTo(window) || !widget->isEnabled()) {
            continue;
        }
        if (const QObject* group = RadioGroupOf(widget)) {
            if (radioGroups.count(group) != 0) continue;
            const auto members = group->findChildren<QRadioButton*>();
            const bool anyChecked = std::any_of(members.begin(), members.end(),
                                                [](const QRadioButton* r) { return r->isChecked(); });
            if (anyChecked && !static_cast<QRadioButton*>(widget)->isChecked()) continue;
            radioGroups.insert(group);
        }
        QWidget* target = widget;
        while (target->focusProxy() != nullptr) target = target->focusProxy();
        QWidget* input = InputOf(target);
        if (std::find(stops.begin(), stops.end(), input) == stops.end()) stops.push_back(input);
    }
    return stops;
}

TabWalk WalkTabs(QWidget* start, int limit) {
    TabWalk walk;
    start->setFocus(Qt::TabFocusReason);
    QWidget* first = InputOf(QApplication::focusWidget());
    walk.order << KeyOf(first);
    QWidget* previous = first;
    for (int i = 0; i < limit && QApplication::focusWidget() != nullptr; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = InputOf(QApplication::focusWidget());
        if (now == first) {
            walk.cameBack = true;
            break;
        }
        // Tab steps through a date or time edit's sections before it leaves.
        if (now == previous && qobject_cast<QDateTimeEdit*>(now) != nullptr) continue;
        walk.order << KeyOf(now);
        previous = now;
    }
    return walk;
}

QString BacktabFrom(QWidget* start) {
    start->setFocus(Qt::TabFocusReason);
    if (QApplication::focusWidget() == nullptr) return KeyOf(nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    return KeyOf(InputOf(QApplication::focusWidget()));
}

bool Activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window, 2000);
}

}  // namespace ostrand::test

#include "ui/shell/list_keys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace ostrand {
namespace {

// Lives as the list's child, so it ends with the list.
class EnterOnRow final : public QObject {
public:
    EnterOnRow(QAbstractItemView* list, std::function<void(int)> action)
        : QObject(list), list_(list), action_(std::move(action)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != list_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        const QModelIndex current = list_->currentIndex();
        if (!current.isValid()) return false;
        action_(current.row());
        return true;
    }

private:
    QAbstractItemView* list_;
    std::function<void(int)> action_;
};

}  // namespace

void ActOnEnter(QAbstractItemView* list, std::function<void(int row)> action) {
    list->installEventFilter(new EnterOnRow(list, std::move(action)));
}

}  // namespace ostrand

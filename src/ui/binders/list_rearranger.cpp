#include "ui/binders/list_rearranger.h"

#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>

namespace pontavi {

ListRearranger::ListRearranger(QListView* view, const ListBox& list, Button& moveUp,
                               Button& moveDown, CallbackGuard guard)
    : view_(view), list_(list), moveUp_(moveUp), moveDown_(moveDown), guard_(std::move(guard)) {
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
}

ListRearranger::~ListRearranger() = default;

bool ListRearranger::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            return watched == view_ && keyPressed(key->key(), key->modifiers());
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            return watched == view_->viewport() &&
                   mousePressed(mouse->position().toPoint(), mouse->modifiers());
        }
        case QEvent::MouseMove:
            if (dragging_ && watched == view_->viewport()) {
                dragTo(static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            }
            return false;
        case QEvent::MouseButtonRelease:
            dragging_ = false;
            return false;
        default:
            return false;
    }
}

bool ListRearranger::keyPressed(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers != Qt::ControlModifier || (key != Qt::Key_Up && key != Qt::Key_Down)) {
        return false;
    }
    // Taken whole: the move already puts the selection on the moved row.
    press(key == Qt::Key_Up ? moveUp_ : moveDown_);
    return true;
}

bool ListRearranger::mousePressed(const QPoint& at, Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier)) {
        return false;
    }
    const QModelIndex index = view_->indexAt(at);
    if (!index.isValid()) {
        return true;
    }
    // Select the row under the pointer, as any click does (Ctrl would otherwise unselect it).
    view_->setCurrentIndex(index);
    dragging_ = true;
    return true;
}

void ListRearranger::dragTo(const QPoint& at) {
    const QModelIndex index = view_->indexAt(at);
    if (!index.isValid()) {
        return;
    }
    const int target = index.row();
    // One step at a time; stop when a step changes nothing.
    for (int current = list_.ItemIndex(); current >= 0 && current != target;) {
        press(current < target ? moveDown_ : moveUp_);
        const int moved = list_.ItemIndex();
        if (moved == current) {
            break;
        }
        current = moved;
    }
}

void ListRearranger::press(Button& button) {
    guard_([&button] { button.click(); });
}

}  // namespace pontavi

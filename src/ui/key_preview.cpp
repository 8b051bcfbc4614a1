#include "ui/key_preview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace pontavi {

namespace {
constexpr int kVkEscape = 27;
constexpr int kVkF1 = 112;
}  // namespace

KeyPreview::KeyPreview(QWidget* window, std::function<bool(int)> onKeyUp)
    : window_(window), onKeyUp_(std::move(onKeyUp)) {
    QCoreApplication::instance()->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    QCoreApplication::instance()->removeEventFilter(this);
}

int KeyPreview::keyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    // Shift+F1 is What's This; the window's F1 is the bare key.
    if (qtKey == Qt::Key_F1 && (modifiers & ~Qt::KeypadModifier) == Qt::NoModifier) {
        return kVkF1;
    }
    if (qtKey == Qt::Key_Escape) {
        return kVkEscape;
    }
    return 0;
}

bool KeyPreview::insideWindow(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && widget->window() == window_;
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = keyCode(key->key(), key->modifiers());
    // Each key event reaches the filter once per widget it propagates through;
    // the focus widget gets it first.
    const bool firstStop = watched == QApplication::focusWidget() || watched == window_;
    if (code == 0 || key->isAutoRepeat() || !insideWindow(watched) || !firstStop) {
        return false;
    }
    if (type == QEvent::KeyPress) {
        pressed_.insert(code);
        return code == kVkF1;  // F1 acts on release; nothing else may take it
    }
    if (pressed_.erase(code) == 0) {
        return false;
    }
    return onKeyUp_ && onKeyUp_(code);
}

}  // namespace pontavi

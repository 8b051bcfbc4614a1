#include "ui/program_end.h"

#include <QCoreApplication>
#include <QEvent>

namespace pontavi {

ProgramEnd::ProgramEnd(EventLoop& loop, std::function<void()> onEnd)
    : loop_(loop), onEnd_(std::move(onEnd)) {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

ProgramEnd::~ProgramEnd() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void ProgramEnd::request() {
    if (requested_) {
        return;
    }
    requested_ = true;
    // First: every Qt event loop of the thread ends, and a new one (a box the
    // save might open) returns at once instead of waiting for a person.
    QCoreApplication::exit(0);
    if (onEnd_) {
        onEnd_();
    }
    loop_.quit();
}

bool ProgramEnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        request();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace pontavi

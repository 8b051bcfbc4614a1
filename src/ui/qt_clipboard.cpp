#include "ui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "ui/qt_text.h"

namespace pontavi {

QtClipboard::QtClipboard() {
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &context_,
                     [this] { notifyChanged(); });
}

QtClipboard::~QtClipboard() = default;

std::optional<std::string> QtClipboard::text() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr || !data->hasText()) {
        return std::nullopt;
    }
    return fromQt(data->text());
}

void QtClipboard::setText(const std::string& text) {
    QGuiApplication::clipboard()->setText(toQt(text), QClipboard::Clipboard);
}

}  // namespace pontavi

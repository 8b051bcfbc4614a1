#pragma once

#include <QString>

#include <string>

namespace pontavi {

// The core keeps 8-bit texts; the desktop speaks UTF-8, so that is how they
// cross into Qt. Bytes that are not UTF-8 show as replacement characters
// rather than failing.
inline QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string fromQt(const QString& text) {
    return text.toStdString();
}

}  // namespace pontavi

#pragma once
// Display text between the engine's wide strings and Qt. Any thread.
#include <QString>

#include <string>

namespace quillet::pages {

inline QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}
inline std::u16string FromQString(const QString& text) {
    return text.toStdU16String();
}

}  // namespace quillet::pages

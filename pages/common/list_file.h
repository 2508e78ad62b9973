#pragma once
// The small JSON files in which a user keeps lists (saved messages, sequences): read and
// written whole (list_file_dialog.h chooses them and runs the work beside the window).
//
// Threads: any thread (QtCore only, no shared state).
#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <variant>

namespace quillet::pages {

inline constexpr qint64 kMaxListFileBytes = 16 << 20;

// The bytes of a regular file of at most kMaxListFileBytes, or why not.
std::variant<QByteArray, QString> ReadListFile(const QString& path);
// Writes `bytes` as the whole file (a temporary file, then replace): why it failed, or empty.
QString WriteListFile(const QString& path, const QByteArray& bytes);
// The document object `bytes` hold, or why not, in the user's language.
std::variant<QJsonObject, QString> ParseListDocument(const QByteArray& bytes);

}  // namespace quillet::pages

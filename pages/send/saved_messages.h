#pragma once
// A page's saved messages and their JSON form. One document form serves the settings file, the
// import and export files, and anything that embeds a page's list (a workspace):
//   {"version": 1, "messages": [{"name": "...", "form": "text" | "hex" | "escapes",
//                                "text": "...", "lineEnding": "lf" | "crlf" | "cr" | "none"}]}
// Reading checks everything before it gives anything, so a damaged document gives nothing.
//
// Threads: any thread (QtCore only, no shared state); LoadSaved and StoreSaved on the
// user-interface thread (settings).
#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <variant>
#include <vector>

#include "pages/send/send_forms.h"

namespace quillet::pages {

struct SavedMessage {
    QString name;
    SendForm form = SendForm::kText;
    QString text;
    LineEnding lineEnding = LineEnding::kLf;  // what the text's line breaks become

    bool operator==(const SavedMessage&) const = default;
};

using SavedMessages = std::vector<SavedMessage>;

inline constexpr int kSavedMessagesVersion = 1;
inline constexpr qsizetype kMaxSavedMessages = 10000;

QJsonObject SavedToJson(const SavedMessages& messages);
QByteArray SavedToBytes(const SavedMessages& messages);

// Why a document was refused: its text in the user's language.
struct SavedFault {
    QString what;
};
std::variant<SavedMessages, SavedFault> SavedFromJson(const QJsonObject& document);
std::variant<SavedMessages, SavedFault> SavedFromBytes(const QByteArray& bytes);

// The list kept for `page` (its objectName) in the settings; a damaged entry gives none.
SavedMessages LoadSaved(const QString& page);
void StoreSaved(const QString& page, const SavedMessages& messages);

}  // namespace quillet::pages

#pragma once
// A page's scripted sequences and their JSON form: ordered steps run on one connection (send a
// message, wait, wait for an answer, repeat a block). One document form serves the settings
// file, the import and export files and anything that embeds a page's list (a workspace):
//   {"version": 1, "sequences": [{"name": "...", "steps": [
//       {"kind": "send", "form": "text" | "hex" | "escapes", "text": "...",
//        "lineEnding": "lf" | "crlf" | "cr" | "none"},
//       {"kind": "send", "saved": "<name of a saved message>"},
//       {"kind": "wait", "ms": N},
//       {"kind": "expect", "match": "contains" | "regex" | "hex", "pattern": "...", "ms": N},
//       {"kind": "repeat", "from": K, "count": N}]}]}
// "repeat" runs steps K.. up to the step before it again, N times in all (0: until stopped).
// Reading checks the whole document before it gives anything, so a damaged one gives nothing.
//
// Threads: any thread (QtCore only, no shared state); LoadSequences and StoreSequences on the
// user-interface thread (settings).
#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <variant>
#include <vector>

#include "pages/send/send_forms.h"

namespace quillet::pages {

enum class StepKind { kSend, kWait, kExpect, kRepeat };
enum class MatchKind { kContains, kRegex, kHex };

struct SequenceStep {
    StepKind kind = StepKind::kSend;
    // kSend: a saved message by its name, or (no name) this text in this form.
    QString saved;
    QString text;
    SendForm form = SendForm::kText;
    LineEnding lineEnding = LineEnding::kLf;
    // kWait: how long; kExpect: how long at most.
    int ms = 1000;
    // kExpect: what the data received since the step began must contain, match or equal.
    MatchKind match = MatchKind::kContains;
    QString pattern;
    // kRepeat: the block's first step (1-based) and how many runs in all (0: until stopped).
    int from = 1;
    int count = 2;

    bool operator==(const SequenceStep&) const = default;
};

struct Sequence {
    QString name;
    std::vector<SequenceStep> steps;
    bool operator==(const Sequence&) const = default;
};
using Sequences = std::vector<Sequence>;

inline constexpr int kSequencesVersion = 1;
inline constexpr int kMaxStepMs = 24 * 60 * 60 * 1000;  // a day
inline constexpr int kMaxRepeatCount = 100000000;
inline constexpr qsizetype kMaxSequences = 1000;
inline constexpr qsizetype kMaxSteps = 100000;

// Why a document was refused, in the user's language, naming the first bad entry.
struct SequenceFault {
    QString what;
};

QJsonValue SequencesToJson(const Sequences& sequences);
std::variant<Sequences, SequenceFault> SequencesFromJson(const QJsonValue& document);
QByteArray SequencesToBytes(const Sequences& sequences);
std::variant<Sequences, SequenceFault> SequencesFromBytes(const QByteArray& bytes);

// Empty when `step` (number `index`, 0-based, in its sequence) can run as it stands, else why
// not.
QString StepFault(const SequenceStep& step, int index);
// One line that says what a step does ("发送 “abc”", "等待 100 毫秒", ...).
QString DescribeStep(const SequenceStep& step);

// The list kept for `page` (its objectName) in the settings; a damaged entry gives none.
Sequences LoadSequences(const QString& page);
void StoreSequences(const QString& page, const Sequences& sequences);

}  // namespace quillet::pages

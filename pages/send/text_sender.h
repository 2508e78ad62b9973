#pragma once
// What the saved messages and sequences windows need of a page's sending: texts to the selected
// connection or to all, a sequence run on the selected connection, the send box, and the page
// whose objectName keys their lists. SendController is one.
//
// Threads: user-interface thread only.
#include <string>

#include "pages/send/send_forms.h"

class QPlainTextEdit;
class QWidget;

namespace quillet::pages {

struct Sequence;

class TextSender {
public:
    virtual QWidget* Page() const = 0;
    virtual QPlainTextEdit* Box() const = 0;
    virtual bool SendsToAll() const = 0;
    virtual void SendTextToSelected(const std::u16string& text, SendForm form,
                                    LineEnding ending) = 0;
    virtual void SendTextToAll(const std::u16string& text, SendForm form, LineEnding ending) = 0;
    // False (after telling the user) when it cannot start.
    virtual bool RunSequence(const Sequence& sequence) = 0;

protected:
    ~TextSender() = default;
};

}  // namespace quillet::pages

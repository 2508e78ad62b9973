#pragma once
// The forms a text can be sent in: as typed in the page's encoding, as hex pairs, or with
// C-style escapes turned into bytes. One send in another form leaves the page's encoding as it
// is; saved messages keep the form they were saved in.
//
// Threads: WireBytesIn anywhere (it reads the process-wide wire encoding once per run);
// FaultMessage on the user-interface thread (translations).
#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "encoding/escaped_text.h"
#include "pages/common/send_options.h"

namespace quillet::pages {

enum class SendForm {
    kText,     // in the page's encoding (HEX: pairs), line breaks as the line ending says
    kHex,      // hex pairs; line breaks only separate pairs
    kEscapes,  // escapes as bytes; the rest as kText, its line breaks as the line ending says
};

// The wire bytes of `text` in `form`, or the first bad place. A page in HEX reads the runs
// between escapes as hex pairs too.
enc::ReadBytes WireBytesIn(std::u16string_view text, SendForm form, LineEnding ending);

// Where `text` goes wrong and why ("第 2 行第 5 列，…"), and the same as a message that says
// nothing was sent.
QString FaultPlace(std::u16string_view text, const enc::TextFault& fault);
QString FaultMessage(std::u16string_view text, const enc::TextFault& fault);

}  // namespace quillet::pages

#include "pages/common/send_options.h"

#include "engine/auto_reply.h"
#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

namespace {

const QString kLineEndingKey = QStringLiteral("send/lineEnding");
const QString kKeepTextKey = QStringLiteral("send/keepText");
const QString kReplyAllowanceKey = QStringLiteral("send/replyAllowanceKiB");

}  // namespace

SendOptions CurrentSendOptions() {
    SendOptions options;
    options.lineEnding = static_cast<LineEnding>(
        settings::IntValue(kLineEndingKey, static_cast<int>(LineEnding::kLf),
                           static_cast<int>(LineEnding::kLf), static_cast<int>(LineEnding::kNone)));
    options.keepText = settings::BoolValue(kKeepTextKey, false);
    options.replyAllowanceKiB =
        settings::IntValue(kReplyAllowanceKey, SendOptions::kDefaultReplyAllowanceKiB, -1,
                           SendOptions::kMaxReplyAllowanceKiB);
    return options;
}

void StoreSendOptions(const SendOptions& options) {
    settings::SetValue(kLineEndingKey, static_cast<int>(options.lineEnding));
    settings::SetValue(kKeepTextKey, options.keepText);
    settings::SetValue(kReplyAllowanceKey, options.replyAllowanceKiB);
    ApplyReplyAllowance();
}

void ApplyReplyAllowance() {
    const int kib = CurrentSendOptions().replyAllowanceKiB;
    SetReplyAllowance(kib < 0 ? -1 : int64_t{kib} * 1024);
}

std::u16string ApplyLineEnding(std::u16string_view text, LineEnding ending) {
    if (ending == LineEnding::kLf)
        return std::u16string(text);
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        if (c != u'\n') {
            out.push_back(c);
            continue;
        }
        if (ending == LineEnding::kCrLf)
            out.append(u"\r\n");
        else if (ending == LineEnding::kCr)
            out.push_back(u'\r');
    }
    return out;
}

}  // namespace quillet::pages

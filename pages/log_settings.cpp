#include "pages/log_settings.h"

#include "engine/chunk_log.h"
#include "engine/log_line.h"
#include "pages/app_settings.h"
#include "pages/log_view.h"
#include "pages/send_options.h"
#include "pages/settings_dlg.h"

namespace quillet::pages {

void ApplyLogSettings() {
    const int style = settings::IntValue(QStringLiteral("log/stampStyle"),
                                         static_cast<int>(StampStyle::kChinaSeconds), 0, 2);
    SetStampStyle(static_cast<StampStyle>(style));
    const uint64_t perLog = static_cast<uint64_t>(settings::IntValue(
        QStringLiteral("log/recordLimitMiB"), kDefaultRecordLimitMiB, 1, kMaxLimitMiB));
    const uint64_t total = static_cast<uint64_t>(settings::IntValue(
        QStringLiteral("log/totalLimitMiB"), kDefaultTotalLimitMiB, 1, kMaxLimitMiB));
    SetLogLimits(perLog << 20, total << 20);
    SetHexTextView(settings::BoolValue(QStringLiteral("log/hexText"), false));
    CLogView::RefreshAll();
}

void WatchLogSettings() {
    static bool watching = false;
    if (watching)
        return;
    watching = true;
    ApplyLogSettings();
    ApplyReplyAllowance();
    QObject::connect(&SettingsNews::Instance(), &SettingsNews::Changed, [] { ApplyLogSettings(); });
}

}  // namespace quillet::pages

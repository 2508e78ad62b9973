#include "pages/log/log_settings.h"

#include <QCoreApplication>
#include <algorithm>

#include "engine/chunk_log.h"
#include "engine/log_limits.h"
#include "engine/log_line.h"
#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_view.h"
#include "pages/common/send_options.h"
#include "pages/common/settings_tab.h"

namespace quillet::pages {

namespace {

bool IsRecordKey(const char* key) {
    return QLatin1String(key) == QLatin1String(log_keys::kRecordLimitMiB);
}

}  // namespace

int StoredLogLimitMiB(const char* key) {
    const QString name = QString::fromLatin1(key);
    const int fallback =
        IsRecordKey(key) ? log_limits::kDefaultRecordMiB : log_limits::kDefaultTotalMiB;
    const int highest = IsRecordKey(key) ? log_limits::kMaxRecordMiB : log_limits::kMaxTotalMiB;
    const QVariant stored = settings::Value(name);
    bool ok = false;
    const qlonglong value = stored.toLongLong(&ok);
    if (!stored.isValid() || !ok)
        return fallback;  // missing, or not a number: the default, as for every setting
    const int clamped =
        static_cast<int>(std::clamp<qlonglong>(value, log_limits::kMinMiB, highest));
    if (clamped != value) {
        settings::SetValue(name, clamped);
        settings::Tell(
            QCoreApplication::translate("quillet::pages::LogSettings",
                                        "设置文件中的 %1 (%2) 超出范围 %3 到 %4, 已改为 %5。")
                .arg(name)
                .arg(value)
                .arg(log_limits::kMinMiB)
                .arg(highest)
                .arg(clamped));
    }
    return clamped;
}

void ApplyLogSettings() {
    const int style = settings::IntValue(QStringLiteral("log/stampStyle"),
                                         static_cast<int>(StampStyle::kChinaSeconds), 0, 2);
    SetStampStyle(static_cast<StampStyle>(style));
    const auto perLog = static_cast<uint64_t>(StoredLogLimitMiB(log_keys::kRecordLimitMiB));
    const auto total = static_cast<uint64_t>(StoredLogLimitMiB(log_keys::kTotalLimitMiB));
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

#pragma once
// The log settings, read from the settings file and handed to the engine as plain values:
// "log/stampStyle" (0 the UTC+8 stamp in seconds, the default; 1 local time with milliseconds;
// 2 UTC with milliseconds), "log/recordLimitMiB" (64) and "log/totalLimitMiB" (1024), the limits
// of what one log and all logs together hold, and "log/hexText", the "HEX + 文本" byte view.
//
// The limits' range and defaults are log_limits'; a stored limit outside that range is brought
// into it, stored so, and the user is told once (settings::Tell).
//
// Threads: user-interface thread only.
namespace quillet::pages {

namespace log_keys {
// 0: UTC+8 to the second (the default), 1: local time to the millisecond, 2: UTC to the
// millisecond.
inline const char* const kStampStyle = "log/stampStyle";
inline const char* const kRecordLimitMiB = "log/recordLimitMiB";
inline const char* const kTotalLimitMiB = "log/totalLimitMiB";
}  // namespace log_keys

// The limit in MiB stored under `key` (a limit key of log_keys), brought into its range.
int StoredLogLimitMiB(const char* key);

// Reads the settings and applies them; the views render again.
void ApplyLogSettings();
// Applies them now and again whenever the options dialog stored new choices. Idempotent.
void WatchLogSettings();

}  // namespace quillet::pages

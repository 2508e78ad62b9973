#pragma once
// The log settings, read from the settings file and handed to the engine as plain values:
// "log/stampStyle" (0 the UTC+8 stamp in seconds, the default; 1 local time with milliseconds;
// 2 UTC with milliseconds), "log/recordLimitMiB" (64) and "log/totalLimitMiB" (1024), the limits
// of what one log and all logs together hold, and "log/hexText", the "HEX + 文本" byte view.
//
// Threads: user-interface thread only.
namespace quillet::pages {

inline constexpr int kDefaultRecordLimitMiB = 64;
inline constexpr int kDefaultTotalLimitMiB = 1024;
inline constexpr int kMaxLimitMiB = 1 << 20;

// Reads the settings and applies them; the views render again.
void ApplyLogSettings();
// Applies them now and again whenever the options dialog stored new choices. Idempotent.
void WatchLogSettings();

}  // namespace quillet::pages

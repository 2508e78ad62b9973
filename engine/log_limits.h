#pragma once
// The one range and default of the log limits, in MiB: what one record's log and all logs
// together may hold. The settings file, the options tab and the logs all use these.
//
// Threads: any (constants only).
namespace quillet::engine::log_limits {

inline constexpr int kMinMiB = 1;
inline constexpr int kMaxRecordMiB = 16 * 1024;
inline constexpr int kMaxTotalMiB = 64 * 1024;
inline constexpr int kDefaultRecordMiB = 64;
inline constexpr int kDefaultTotalMiB = 1024;

}  // namespace quillet::engine::log_limits

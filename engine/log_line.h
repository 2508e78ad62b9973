#pragma once
// The time-stamped line that every received or sent message leaves in a record's log.
#include <chrono>
#include <string>
#include <string_view>

#include "engine/log_text.h"

// "YYYY-MM-DD hh:mm:ss  " for `when`, in UTC plus 8 hours whatever the machine's time zone.
std::u16string FormatTimeStamp(std::chrono::system_clock::time_point when);

// Appends the time stamp, the bytes as display text in the wire encoding, and "\n" to `log`.
// `carry` (may be null) completes characters split between chunks of one byte stream.
void AppendLogLine(std::u16string& log, std::string_view bytes, std::string* carry = nullptr);
void AppendLogLine(LogText& log, std::string_view bytes, std::string* carry = nullptr);

#include "engine/log_line.h"

#include <cstdio>
#include <ctime>

#include "encoding/wire_codec.h"

std::u16string FormatTimeStamp(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when + std::chrono::hours(8));
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d  ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

namespace {

// The stamp changes once a second; formatting it anew for every chunk of a flood is waste.
const std::u16string& CurrentStamp() {
    thread_local std::time_t last = -1;
    thread_local std::u16string stamp;
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    if (t != last) {
        stamp = FormatTimeStamp(now);
        last = t;
    }
    return stamp;
}

}  // namespace

namespace {

template <typename Log>
void AppendLine(Log& log, std::string_view bytes, std::string* carry) {
    log += CurrentStamp();
    log += quillet::enc::DecodeForDisplay(bytes, carry);
    log += u'\n';
}

}  // namespace

void AppendLogLine(std::u16string& log, std::string_view bytes, std::string* carry) {
    AppendLine(log, bytes, carry);
}

void AppendLogLine(LogText& log, std::string_view bytes, std::string* carry) {
    AppendLine(log, bytes, carry);
}

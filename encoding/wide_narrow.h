#pragma once
// Narrow text (addresses, host names) to wide display text and back, through a named character
// set; null charset means the locale's. Buffer forms fill a caller's buffer and return it, or
// null on failure; the string forms return empty text on failure.
#include <string>
#include <string_view>

namespace quillet::enc {

char16_t* ToWide(char16_t* buffer, const char* narrow, int capacity, const char* charset = nullptr);
char* ToNarrow(char* buffer, const char16_t* wide, int capacity, const char* charset = nullptr);

std::u16string ToWide(std::string_view narrow, const char* charset = nullptr);
std::string ToNarrow(std::u16string_view wide, const char* charset = nullptr);

}  // namespace quillet::enc

#include "encoding/wide_narrow.h"

#include <cstring>

#include "encoding/wire_codec.h"

namespace quillet::enc {
namespace {

std::string Charset(const char* charset) { return charset ? charset : LocaleCharset(); }

}  // namespace

std::u16string ToWide(std::string_view narrow, const char* charset) {
    return DecodeWith(Charset(charset), narrow);
}

std::string ToNarrow(std::u16string_view wide, const char* charset) {
    return EncodeWith(Charset(charset), wide);
}

char16_t* ToWide(char16_t* buffer, const char* narrow, int capacity, const char* charset) {
    if (!buffer || !narrow || capacity <= 0) return nullptr;
    buffer[0] = 0;
    std::u16string wide = ToWide(std::string_view(narrow), charset);
    if (wide.size() + 1 > static_cast<size_t>(capacity)) return nullptr;
    std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    return buffer;
}

char* ToNarrow(char* buffer, const char16_t* wide, int capacity, const char* charset) {
    if (!buffer || !wide || capacity <= 0) return nullptr;
    buffer[0] = 0;
    std::string narrow = ToNarrow(std::u16string_view(wide), charset);
    if (narrow.size() + 1 > static_cast<size_t>(capacity)) return nullptr;
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return buffer;
}

}  // namespace quillet::enc

#include "encoding/hex_text.h"

namespace quillet::enc {
namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

}  // namespace

std::optional<std::string> ParseHexPairs(std::u16string_view text) {
    std::string out;
    int high = -1;  // first digit of a pair still waiting for its second
    for (char16_t c : text) {
        if (IsSpace(c)) {
            if (high >= 0) return std::nullopt;  // a group with an odd number of digits
            continue;
        }
        int v = HexValue(c);
        if (v < 0) return std::nullopt;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>((high << 4) | v));
            high = -1;
        }
    }
    if (high >= 0 || out.empty()) return std::nullopt;
    return out;
}

std::u16string FormatHexPairs(std::string_view bytes) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) out.push_back(u' ');
        auto b = static_cast<unsigned char>(bytes[i]);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

}  // namespace quillet::enc

// Hex pairs typed into the send box: parsing never accepts what is not pairs, and what it
// accepts formats back to the same digits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/hex_text.h"

using quillet::enc::FormatHexPairs;
using quillet::enc::ParseHexPairs;

namespace {

void Check(bool cond) {
    if (!cond)
        std::abort();
}

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// The digits of the text, upper-cased, blanks removed.
std::u16string Digits(std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) {
        if (IsBlank(c))
            continue;
        out.push_back(c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - u'a' + u'A') : c);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Any bytes: formatted, they parse back to themselves.
    std::u16string shown = FormatHexPairs(bytes);
    Check(shown.size() == (bytes.empty() ? 0 : bytes.size() * 3 - 1));
    auto back = ParseHexPairs(shown);
    Check(bytes.empty() ? !back : back && *back == bytes);

    // The bytes as typed text (one character per byte): accepted text holds only hex digits and
    // blanks in even groups, and formats back to the same digits.
    std::u16string typed(bytes.begin(), bytes.end());
    for (auto& c : typed)
        c = static_cast<unsigned char>(c);
    if (auto parsed = ParseHexPairs(typed)) {
        Check(!parsed->empty());
        std::u16string digits = Digits(typed);
        Check(digits.size() == parsed->size() * 2);
        Check(Digits(FormatHexPairs(*parsed)) == digits);
    }
    return 0;
}

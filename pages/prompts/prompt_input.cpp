#include "pages/prompts/prompt_input.h"

#include <arpa/inet.h>

#include <climits>

namespace quillet::pages {

int32_t ReadInt(std::u16string_view text, bool* tooLarge) {
    if (tooLarge)
        *tooLarge = false;
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (!overflow)
            value = value * 10 + (text[i] - u'0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            overflow = true;
    }
    if (negative)
        value = -value;
    if (overflow || value > INT32_MAX || value < INT32_MIN) {
        if (tooLarge)
            *tooLarge = true;
        return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

bool ReadPort(std::u16string_view text, int32_t* port) {
    bool tooLarge = false;
    *port = ReadInt(text, &tooLarge);
    return !tooLarge && *port <= 65535;
}

in_addr_t ParseDotted(const std::string& narrow) {
    in_addr a{};
    if (inet_pton(AF_INET, narrow.c_str(), &a) == 1)
        return a.s_addr;
    return INADDR_NONE;
}

std::optional<in_addr_t> LiteralAddress(const std::string& narrow) {
    const std::string text = narrow.substr(0, kAddressBoxChars);
    if (text.empty())
        return INADDR_NONE;
    in_addr dotted{};
    if (inet_pton(AF_INET, text.c_str(), &dotted) == 1)
        return dotted.s_addr;  // a dotted address (255.255.255.255 too) resolves to itself
    return std::nullopt;
}

in_addr_t AfterLookup(const std::string& narrow, in_addr_t looked) {
    if (looked != INADDR_NONE)
        return looked;
    const std::string text = narrow.substr(0, kAddressBoxChars);
    // inet_addr stops at the first blank and ignores the rest, so "1 27.0.0.1" would name
    // 0.0.0.1: only blanks may follow the address.
    const size_t blank = text.find_first_of(" \t");
    if (blank != std::string::npos && text.find_first_not_of(" \t", blank) != std::string::npos)
        return INADDR_NONE;
    return inet_addr(text.c_str());
}

}  // namespace quillet::pages

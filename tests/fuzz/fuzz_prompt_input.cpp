// The prompts' number and address boxes: ReadInt, ReadPort and ParseDotted against small
// independent readers of the same rules; ParseAddress (both families) for consistency. (Host
// name lookup is left out: it asks the resolver.)
#include <arpa/inet.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/ip_endpoint.h"
#include "pages/prompts/prompt_input.h"

using namespace quillet::engine;

using namespace quillet::pages;

namespace {

void Check(bool cond) {
    if (!cond)
        std::abort();
}

struct Number {
    bool negative = false;
    std::string digits;  // without leading zeros
};

// Blanks, an optional sign, the run of digits; the rest is ignored.
Number Scan(std::u16string_view text) {
    Number n;
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        n.negative = text[i++] == u'-';
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (n.digits.empty() && text[i] == u'0')
            continue;
        n.digits.push_back(static_cast<char>(text[i]));
    }
    return n;
}

// Compares digit strings without leading zeros as numbers.
bool Exceeds(const std::string& digits, const std::string& limit) {
    return digits.size() != limit.size() ? digits.size() > limit.size() : digits > limit;
}

void CheckNumbers(std::u16string_view text) {
    Number n = Scan(text);
    bool tooLarge = false;
    int32_t value = ReadInt(text, &tooLarge);
    bool expectTooLarge = Exceeds(n.digits, n.negative ? "2147483648" : "2147483647");
    Check(tooLarge == expectTooLarge);
    if (tooLarge) {
        Check(value == (n.negative ? INT32_MIN : INT32_MAX));
    } else {
        long long expected = n.digits.empty() ? 0 : std::stoll(n.digits);
        Check(value == (n.negative ? -expected : expected));
    }

    int32_t port = -1;
    bool accepted = ReadPort(text, &port);
    Check(port == value);
    // Above 65535 (or beyond 32 bits) is refused; negative values pass to the low 16 bits.
    Check(accepted == (!tooLarge && value <= 65535));
}

// Four decimal parts of 0..255, no leading zeros, nothing else.
in_addr_t Dotted(const std::string& text) {
    uint32_t value = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t start = i;
        uint32_t part = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 4)
            part = part * 10 + static_cast<uint32_t>(text[i++] - '0');
        size_t len = i - start;
        if (len == 0 || len > 3 || part > 255 || (len > 1 && text[start] == '0'))
            return INADDR_NONE;
        value = value << 8 | part;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.')
                return INADDR_NONE;
            ++i;
        }
    }
    return i == text.size() ? htonl(value) : INADDR_NONE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One character per byte (digits and signs are common), and the same bytes as UTF-16.
    std::u16string latin(data, data + size);
    CheckNumbers(latin);
    std::u16string wide(size / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    CheckNumbers(wide);

    std::string narrow(reinterpret_cast<const char*>(data), size);
    narrow = narrow.substr(0, narrow.find('\0'));  // a box's text holds no zero character
    Check(ParseDotted(narrow) == Dotted(narrow));

    // An address box of either family: a literal reads back as itself; a text with IPv6 marks
    // is never a name; a name has no such marks.
    const quillet::engine::ParsedAddress parsed = quillet::engine::ParseAddress(narrow);
    const bool marked = narrow.find_first_of(":[]%") != std::string::npos;
    if (parsed.form == quillet::engine::AddressForm::kAddress) {
        const quillet::engine::ParsedAddress again =
            quillet::engine::ParseAddress(parsed.address.AddressText());
        Check(again.form == quillet::engine::AddressForm::kAddress &&
              again.address == parsed.address);
    }
    Check(parsed.form != quillet::engine::AddressForm::kName || !marked);
    Check(parsed.form != quillet::engine::AddressForm::kMalformed || marked);
    return 0;
}

#include "encoding/escaped_text.h"

namespace quillet::enc {
namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

ReadBytes Fault(TextFault::Kind kind, size_t at) {
    return {{}, TextFault{kind, at}};
}

// The byte a one-letter escape stands for, or nullopt.
std::optional<char> SimpleEscape(char16_t c) {
    switch (c) {
        case u'r':
            return '\r';
        case u'n':
            return '\n';
        case u't':
            return '\t';
        case u'0':
            return '\0';
        case u'\\':
            return '\\';
        default:
            return std::nullopt;
    }
}

}  // namespace

ReadBytes ReadHexPairs(std::u16string_view text, bool allowEmpty) {
    ReadBytes out;
    int high = -1;  // first digit of a pair still waiting for its second
    size_t highAt = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsBlank(c)) {
            if (high >= 0)
                return Fault(TextFault::Kind::kOddDigits, highAt);
            continue;
        }
        const int v = HexValue(c);
        if (v < 0)
            return Fault(TextFault::Kind::kNotHex, i);
        if (high < 0) {
            high = v;
            highAt = i;
        } else {
            out.bytes.push_back(static_cast<char>((high << 4) | v));
            high = -1;
        }
    }
    if (high >= 0)
        return Fault(TextFault::Kind::kOddDigits, highAt);
    if (out.bytes.empty() && !allowEmpty)
        return Fault(TextFault::Kind::kNoBytes, 0);
    return out;
}

ReadBytes ReadEscapes(std::u16string_view text, const RunEncoder& encode) {
    ReadBytes out;
    size_t runStart = 0;
    auto flushRun = [&](size_t end) -> bool {
        if (end == runStart)
            return true;
        ReadBytes run = encode(text.substr(runStart, end - runStart));
        if (run.fault) {
            out = Fault(run.fault->kind, runStart + run.fault->at);
            return false;
        }
        out.bytes += run.bytes;
        return true;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\')
            continue;
        if (!flushRun(i))
            return out;
        if (i + 1 == text.size())
            return Fault(TextFault::Kind::kLoneBackslash, i);
        const char16_t what = text[i + 1];
        if (const auto byte = SimpleEscape(what)) {
            out.bytes.push_back(*byte);
            i += 1;
        } else if (what == u'x') {
            const int high = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            const int low = i + 3 < text.size() ? HexValue(text[i + 3]) : -1;
            if (high < 0 || low < 0)
                return Fault(TextFault::Kind::kShortHexEscape, i);
            out.bytes.push_back(static_cast<char>((high << 4) | low));
            i += 3;
        } else {
            return Fault(TextFault::Kind::kUnknownEscape, i);
        }
        runStart = i + 1;
    }
    flushRun(text.size());
    return out;
}

TextPlace PlaceOf(std::u16string_view text, size_t at) {
    TextPlace place{1, 1};
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] == u'\n') {
            ++place.line;
            place.column = 1;
        } else {
            ++place.column;
        }
    }
    return place;
}

}  // namespace quillet::enc

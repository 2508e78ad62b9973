#include "encoding/utf8_decoder.h"

namespace quillet::enc {
namespace {

// Length of the sequence that lead byte `b` starts, 0 for a byte that starts none.
int SequenceLength(unsigned char b) {
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

// Whether `b` may follow lead byte `lead` as its first continuation byte (excludes overlong
// forms, surrogates and code points above U+10FFFF).
bool FirstContinuationOk(unsigned char lead, unsigned char b) {
    if (lead == 0xE0)
        return b >= 0xA0 && b <= 0xBF;
    if (lead == 0xED)
        return b >= 0x80 && b <= 0x9F;
    if (lead == 0xF0)
        return b >= 0x90 && b <= 0xBF;
    if (lead == 0xF4)
        return b >= 0x80 && b <= 0x8F;
    return b >= 0x80 && b <= 0xBF;
}

bool IsContinuation(unsigned char b) {
    return b >= 0x80 && b <= 0xBF;
}

void Put(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

}  // namespace

void DecodeUtf8(std::string_view bytes, std::u16string& out, std::string* carry) {
    out.reserve(out.size() + bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        unsigned char lead = p[i];
        if (lead < 0x80) {
            // A run of ASCII widens in one tight loop: most logged text is ASCII.
            size_t end = i + 1;
            while (end < n && p[end] < 0x80)
                ++end;
            const size_t at = out.size();
            out.resize(at + (end - i));
            for (size_t k = i; k < end; ++k)
                out[at + (k - i)] = p[k];
            i = end;
            continue;
        }
        int len = SequenceLength(lead);
        if (len == 0) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        // Check the bytes that are there; a valid but cut-off sequence waits for the next chunk.
        int have = 1;
        bool ok = true;
        for (; have < len && i + have < n; ++have) {
            unsigned char b = p[i + have];
            if (!(have == 1 ? FirstContinuationOk(lead, b) : IsContinuation(b))) {
                ok = false;
                break;
            }
        }
        if (ok && have < len) {  // ran out of input
            if (carry) {
                carry->assign(bytes.substr(i));
            } else {
                out.push_back(u'\uFFFD');
            }
            return;
        }
        if (!ok) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        char32_t cp = lead & (0x7F >> len);
        for (int k = 1; k < len; ++k)
            cp = (cp << 6) | (p[i + k] & 0x3F);
        Put(out, cp);
        i += static_cast<size_t>(len);
    }
}

}  // namespace quillet::enc

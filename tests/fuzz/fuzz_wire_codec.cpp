// Received bytes to display text and typed text to wire bytes, in the encodings a user can pick.
// Decoding never yields broken UTF-16, a chunked stream with its carry shows what the whole
// stream shows, and the Unicode encodings carry any text there and back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/wire_codec.h"

using namespace quillet::enc;

namespace {

void Check(bool cond) {
    if (!cond)
        std::abort();
}

const char* const kEncodings[] = {"UTF-8",   "UTF-16LE", "UTF-16BE",   "UTF-32LE", "GBK",
                                  "GB18030", "BIG5",     "ISO-8859-1", "HEX"};
constexpr size_t kEncodingCount = sizeof kEncodings / sizeof kEncodings[0];

bool IsUnicode(const std::string& name) {
    return name.rfind("UTF-", 0) == 0;
}

bool WellFormed(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xDC00 && c < 0xE000)
            return false;
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000)
                return false;
            ++i;
        }
    }
    return true;
}

// What typed text should come back as: lone surrogates cannot be encoded and become "?", and
// in byte encodings a zero character ends the text.
std::u16string Expected(std::u16string text, bool endsAtZero) {
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                    text[i + 1] < 0xE000;
        if (pair) {
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            text[i] = u'?';
        }
    }
    if (endsAtZero)
        text = text.substr(0, text.find(u'\0'));
    return text;
}

// Runs of U+FFFD as one: how many stand for a run of undecodable bytes may depend on where a
// chunk ended (an over-long incomplete tail is dropped whole), but no real character may.
std::u16string CollapseReplacements(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text)
        if (c != u'\uFFFD' || out.empty() || out.back() != u'\uFFFD')
            out.push_back(c);
    return out;
}

void CheckDecode(const std::string& name, std::string_view bytes, size_t split) {
    std::string whole;
    std::u16string shown = DecodeForDisplay(bytes, &whole);
    Check(WellFormed(shown));
    // Chunks with one carry show what the stream shows, unless a zero byte ends a chunk's
    // text (byte encodings show each chunk up to its first zero byte).
    if (name != kHex && CodeUnitWidth(name) == 1 && bytes.find('\0') != std::string_view::npos)
        return;
    std::string carry;
    std::u16string chunked = DecodeForDisplay(bytes.substr(0, split), &carry);
    chunked += DecodeForDisplay(bytes.substr(split), &carry);
    if (name == kHex) {
        Check(chunked.size() + (split && split < bytes.size() ? 1 : 0) == shown.size());
        return;
    }
    Check(CollapseReplacements(chunked) == CollapseReplacements(shown));
    Check(carry == whole);
}

void CheckRoundTrip(const std::string& name, std::string_view bytes) {
    std::u16string typed(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < typed.size(); ++i)
        typed[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    std::string wire = EncodeForWire(typed);
    if (IsUnicode(name)) {
        Check(DecodeForDisplay(wire) == Expected(typed, CodeUnitWidth(name) == 1));
    } else if (name != kHex) {
        // Any other encoding: what survives one trip survives the next unchanged.
        std::u16string once = DecodeForDisplay(wire);
        Check(EncodeForWire(once) == wire);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string name = kEncodings[data[0] % kEncodingCount];
    Check(SetWireEncoding(name));
    std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    CheckDecode(name, bytes, bytes.empty() ? 0 : data[1] % (bytes.size() + 1));
    CheckRoundTrip(name, bytes);
    return 0;
}

#include "encoding/wire_codec.h"

#include <langinfo.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "encoding/hex_text.h"
#include "encoding/iconv_converter.h"

static_assert(std::endian::native == std::endian::little,
              "display text is handed to iconv as UTF-16LE");

namespace quillet::enc {
namespace {

constexpr const char* kUtf16 = "UTF-16LE";

std::mutex g_nameMutex;
std::string g_wireName = kAnsi;  // guarded by g_nameMutex

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// One converter per thread and direction: iconv descriptors are not thread-safe, and opening
// one per chunk would cost more than the conversion.
IconvConverter& ConverterFor(const std::string& to, const std::string& from) {
    thread_local std::map<std::string, std::unique_ptr<IconvConverter>> cache;
    auto& slot = cache[to + '\n' + from];
    if (!slot) slot = std::make_unique<IconvConverter>(to, from);
    slot->Reset();
    return *slot;
}

std::u16string FromUtf16Bytes(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

std::string_view AsBytes(std::u16string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
}

}  // namespace

bool SetWireEncoding(const std::string& name) {
    std::string upper = Upper(name);
    if (upper != kAnsi && upper != kHex && !IconvKnows(name)) return false;
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_wireName = (upper == kAnsi || upper == kHex) ? upper : name;
    return true;
}

std::string WireEncoding() {
    std::lock_guard<std::mutex> lock(g_nameMutex);
    return g_wireName;
}

std::string LocaleCharset() {
    std::string cs = nl_langinfo(CODESET);
    std::string upper = Upper(cs);
    if (cs.empty() || upper == "ANSI_X3.4-1968" || upper == "ASCII" || upper == "US-ASCII")
        return "UTF-8";
    return cs;
}

std::string CharsetFor(const std::string& name) {
    return Upper(name) == kAnsi ? LocaleCharset() : name;
}

int CodeUnitWidth(const std::string& name) {
    std::string u = Upper(CharsetFor(name));
    u.erase(std::remove(u.begin(), u.end(), '-'), u.end());
    u.erase(std::remove(u.begin(), u.end(), '_'), u.end());
    if (u.rfind("UTF16", 0) == 0 || u.rfind("UCS2", 0) == 0 || u == "UNICODE" ||
        u.rfind("UNICODELITTLE", 0) == 0 || u.rfind("UNICODEBIG", 0) == 0)
        return 2;
    if (u.rfind("UTF32", 0) == 0 || u.rfind("UCS4", 0) == 0) return 4;
    return 1;
}

std::string EncodeWith(const std::string& charset, std::u16string_view text) {
    std::string out;
    IconvConverter& cv = ConverterFor(charset, kUtf16);
    std::string_view in = AsBytes(text);
    std::string question;  // "?" in the target encoding, made on first need
    while (!in.empty()) {
        int err = 0;
        size_t used = cv.Convert(in, out, &err);
        in.remove_prefix(used);
        if (err == 0) break;
        if (err == EBADF) return {};
        // An unrepresentable or malformed character: one "?" stands for it.
        if (question.empty()) {
            IconvConverter& q = ConverterFor(charset, kUtf16);
            int qerr = 0;
            q.Convert(AsBytes(u"?"), question, &qerr);
            if (question.empty()) question = "?";
            cv.Reset();
        }
        out += question;
        size_t skip = 2;
        if (in.size() >= 4) {
            char16_t c = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
            char16_t d = static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
            if (c >= 0xD800 && c < 0xDC00 && d >= 0xDC00 && d < 0xE000) skip = 4;
        }
        in.remove_prefix(std::min(skip, in.size()));
        cv.Reset();
    }
    return out;
}

std::u16string DecodeWith(const std::string& charset, std::string_view bytes,
                          std::string* carry) {
    std::string joined;
    if (carry && !carry->empty()) {
        joined = *carry + std::string(bytes);
        carry->clear();
        bytes = joined;
    }
    std::string utf16;
    IconvConverter& cv = ConverterFor(kUtf16, charset);
    const size_t unit = static_cast<size_t>(CodeUnitWidth(charset));
    while (!bytes.empty()) {
        int err = 0;
        size_t used = cv.Convert(bytes, utf16, &err);
        bytes.remove_prefix(used);
        if (err == 0) break;
        if (err == EBADF) return {};
        // A sequence that may still be completed by the next chunk is kept for it; four bytes
        // are more than any encoding here needs, so a longer tail is simply undecodable.
        if (err == EINVAL && carry && bytes.size() < 4 * unit) {
            carry->assign(bytes);
            break;
        }
        utf16 += "\xFD\xFF";  // U+FFFD
        bytes.remove_prefix(std::min(err == EINVAL ? bytes.size() : unit, bytes.size()));
        cv.Reset();
    }
    return FromUtf16Bytes(utf16);
}

std::optional<std::string> TryEncodeForWire(std::u16string_view text) {
    const std::string name = WireEncoding();
    if (name == kHex) return ParseHexPairs(text);
    std::string bytes = EncodeWith(CharsetFor(name), text);
    // In byte-oriented encodings a zero byte ends the text, as it ends a C string.
    if (CodeUnitWidth(name) == 1) {
        size_t zero = bytes.find('\0');
        if (zero != std::string::npos) bytes.resize(zero);
    }
    return bytes;
}

std::string EncodeForWire(std::u16string_view text) {
    return TryEncodeForWire(text).value_or(std::string());
}

std::u16string DecodeForDisplay(std::string_view bytes, std::string* carry) {
    const std::string name = WireEncoding();
    if (name == kHex) {
        if (carry) carry->clear();
        return FormatHexPairs(bytes);
    }
    if (CodeUnitWidth(name) == 1) {
        size_t zero = bytes.find('\0');
        if (zero != std::string_view::npos) {
            // The text ends at the zero byte; nothing after it continues a character.
            std::u16string text = DecodeWith(CharsetFor(name), bytes.substr(0, zero), carry);
            if (carry && !carry->empty()) {
                text += u'\uFFFD';
                carry->clear();
            }
            return text;
        }
    }
    return DecodeWith(CharsetFor(name), bytes, carry);
}

}  // namespace quillet::enc

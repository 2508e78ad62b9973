#include "encoding/wire_codec.h"

#include <langinfo.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "encoding/hex_text.h"
#include "encoding/iconv_converter.h"
#include "encoding/utf8_decoder.h"

static_assert(std::endian::native == std::endian::little,
              "display text is handed to iconv as UTF-16LE");

namespace quillet::enc {
namespace {

constexpr const char* kUtf16 = "UTF-16LE";

std::mutex g_nameMutex;
std::string g_wireName = kAnsi;          // guarded by g_nameMutex
std::atomic<uint64_t> g_wireVersion{1};  // bumped on every change, so threads can cache

// What the conversions need to know of the wire encoding, as this thread last saw it;
// recomputed only after a change, since the receive path asks once per chunk.
struct WireState {
    std::string name;
    std::string charset;
    int unitWidth = 1;
    bool hex = false;
};

std::string CharsetOf(const std::string& name);
int UnitWidthOf(const std::string& name);

const WireState& CurrentWire() {
    thread_local uint64_t seen = 0;
    thread_local WireState state;
    uint64_t now = g_wireVersion.load(std::memory_order_acquire);
    if (seen != now) {
        {
            std::lock_guard<std::mutex> lock(g_nameMutex);
            state.name = g_wireName;
            seen = g_wireVersion.load(std::memory_order_relaxed);
        }
        state.hex = state.name == kHex;
        state.charset = state.hex ? std::string() : CharsetOf(state.name);
        state.unitWidth = state.hex ? 1 : UnitWidthOf(state.name);
    }
    return state;
}

bool IsUtf8(const std::string& charset) {
    return charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8";
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// One converter per thread and direction: iconv descriptors are not thread-safe, and opening
// one per chunk would cost more than the conversion.
IconvConverter& ConverterFor(const std::string& to, const std::string& from) {
    thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<IconvConverter>>
        cache;
    thread_local const std::pair<std::string, std::string>* lastKey = nullptr;
    thread_local IconvConverter* last = nullptr;
    if (!lastKey || lastKey->first != to || lastKey->second != from) {
        auto it = cache.find({to, from});
        if (it == cache.end())
            it = cache.emplace(std::make_pair(to, from), std::make_unique<IconvConverter>(to, from))
                     .first;
        lastKey = &it->first;
        last = it->second.get();
    }
    last->Reset();
    return *last;
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
    if (upper != kAnsi && upper != kHex && !IconvKnows(name))
        return false;
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_wireName = (upper == kAnsi || upper == kHex) ? upper : name;
    g_wireVersion.fetch_add(1, std::memory_order_release);
    return true;
}

std::string WireEncoding() {
    return CurrentWire().name;
}

std::string LocaleCharset() {
    // The locale is set once at start-up; nl_langinfo is cheap but the normalising is not.
    thread_local std::string cached;
    thread_local bool have = false;
    if (have)
        return cached;
    have = true;
    std::string cs = nl_langinfo(CODESET);
    std::string upper = Upper(cs);
    if (cs.empty() || upper == "ANSI_X3.4-1968" || upper == "ASCII" || upper == "US-ASCII")
        cs = "UTF-8";
    return cached = cs;
}

namespace {
std::string CharsetOf(const std::string& name) {
    return Upper(name) == kAnsi ? LocaleCharset() : name;
}
}  // namespace

std::string CharsetFor(const std::string& name) {
    return Upper(name) == kAnsi ? LocaleCharset() : name;
}

namespace {
int UnitWidthOf(const std::string& name) {
    std::string u = Upper(CharsetFor(name));
    u.erase(std::remove(u.begin(), u.end(), '-'), u.end());
    u.erase(std::remove(u.begin(), u.end(), '_'), u.end());
    if (u.rfind("UTF16", 0) == 0 || u.rfind("UCS2", 0) == 0 || u == "UNICODE" ||
        u.rfind("UNICODELITTLE", 0) == 0 || u.rfind("UNICODEBIG", 0) == 0)
        return 2;
    if (u.rfind("UTF32", 0) == 0 || u.rfind("UCS4", 0) == 0)
        return 4;
    return 1;
}
}  // namespace

int CodeUnitWidth(const std::string& name) {
    return UnitWidthOf(name);
}

namespace {
// Charsets in which every ASCII character is its own one byte.
bool KeepsAscii(const std::string& charset) {
    std::string u = Upper(charset);
    u.erase(std::remove(u.begin(), u.end(), '-'), u.end());
    u.erase(std::remove(u.begin(), u.end(), '_'), u.end());
    return u == "UTF8" || u == "ANSIX3.41968" || u == "ASCII" || u == "USASCII" || u == "GBK" ||
           u == "GB2312" || u == "GB18030" || u == "EUCCN" || u == "CP936" || u == "BIG5" ||
           u.rfind("ISO8859", 0) == 0 || u.rfind("CP125", 0) == 0;
}
}  // namespace

std::string EncodeWith(const std::string& charset, std::u16string_view text) {
    // A long text of plain ASCII (a pasted log, a generated line) needs no converter.
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; }) &&
        KeepsAscii(charset))
        return std::string(text.begin(), text.end());
    std::string out;
    IconvConverter& cv = ConverterFor(charset, kUtf16);
    std::string_view in = AsBytes(text);
    std::string question;  // "?" in the target encoding, made on first need
    while (!in.empty()) {
        int err = 0;
        size_t used = cv.Convert(in, out, &err);
        in.remove_prefix(used);
        if (err == 0)
            break;
        if (err == EBADF)
            return {};
        // An unrepresentable or malformed character: one "?" stands for it.
        if (question.empty()) {
            IconvConverter& q = ConverterFor(charset, kUtf16);
            int qerr = 0;
            q.Convert(AsBytes(u"?"), question, &qerr);
            if (question.empty())
                question = "?";
            cv.Reset();
        }
        out += question;
        size_t skip = 2;
        if (in.size() >= 4) {
            char16_t c =
                static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
            char16_t d =
                static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
            if (c >= 0xD800 && c < 0xDC00 && d >= 0xDC00 && d < 0xE000)
                skip = 4;
        }
        in.remove_prefix(std::min(skip, in.size()));
        cv.Reset();
    }
    return out;
}

std::u16string DecodeWith(const std::string& charset, std::string_view bytes, std::string* carry) {
    std::string joined;
    if (carry && !carry->empty()) {
        joined = *carry + std::string(bytes);
        carry->clear();
        bytes = joined;
    }
    if (IsUtf8(charset)) {
        std::u16string out;
        DecodeUtf8(bytes, out, carry);
        return out;
    }
    std::string utf16;
    IconvConverter& cv = ConverterFor(kUtf16, charset);
    const size_t unit = static_cast<size_t>(CodeUnitWidth(charset));
    while (!bytes.empty()) {
        int err = 0;
        size_t used = cv.Convert(bytes, utf16, &err);
        bytes.remove_prefix(used);
        if (err == 0)
            break;
        if (err == EBADF)
            return {};
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
    const WireState& wire = CurrentWire();
    if (wire.hex)
        return ParseHexPairs(text);
    std::string bytes = EncodeWith(wire.charset, text);
    // In byte-oriented encodings a zero byte ends the text, as it ends a C string.
    if (wire.unitWidth == 1) {
        size_t zero = bytes.find('\0');
        if (zero != std::string::npos)
            bytes.resize(zero);
    }
    return bytes;
}

std::string EncodeForWire(std::u16string_view text) {
    return TryEncodeForWire(text).value_or(std::string());
}

std::u16string DecodeForDisplay(std::string_view bytes, std::string* carry) {
    const WireState& wire = CurrentWire();
    if (wire.hex) {
        if (carry)
            carry->clear();
        return FormatHexPairs(bytes);
    }
    if (wire.unitWidth == 1) {
        size_t zero = bytes.find('\0');
        if (zero != std::string_view::npos) {
            // The text ends at the zero byte; nothing after it continues a character.
            std::u16string text = DecodeWith(wire.charset, bytes.substr(0, zero), carry);
            if (carry && !carry->empty()) {
                text += u'\uFFFD';
                carry->clear();
            }
            return text;
        }
    }
    return DecodeWith(wire.charset, bytes, carry);
}

}  // namespace quillet::enc

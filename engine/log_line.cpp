#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>

#include "encoding/hex_text.h"
#include "encoding/wire_codec.h"
#include "engine/log_line.h"

namespace quillet::engine {

namespace {

std::atomic<int> g_stampStyle{static_cast<int>(StampStyle::kChinaSeconds)};
std::atomic<bool> g_hexText{false};

// What the bytes of a chunk are decoded with, read once per rendering.
struct DisplayCodec {
    bool hex = false;
    std::string charset;  // of the text (the locale's when the wire encoding is HEX)
};

DisplayCodec CurrentCodec() {
    DisplayCodec codec;
    const std::string name = quillet::enc::WireEncoding();
    codec.hex = name == quillet::enc::kHex;
    codec.charset = quillet::enc::CharsetFor(codec.hex ? quillet::enc::kAnsi : name);
    return codec;
}

bool IsHiddenFormat(char16_t c) {
    return (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C ||
           c == 0x2028 || c == 0x2029;
}

void AppendCodeMark(std::u16string& out, char16_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "<U+%04X>", static_cast<unsigned>(c));
    for (const char* p = text; *p; ++p)
        out += static_cast<char16_t>(*p);
}

// The text of `bytes` in `codec`: `carryIn` completes a character the previous chunk began;
// with `carryOut` an incomplete character at the end is left for the next chunk.
std::u16string Decode(const DisplayCodec& codec, std::string_view bytes, std::string carryIn,
                      std::string* carryOut) {
    if (codec.hex)
        return quillet::enc::FormatHexPairs(bytes);
    std::string carry = std::move(carryIn);
    std::u16string text = quillet::enc::DecodeWith(codec.charset, bytes, &carry);
    if (carryOut)
        *carryOut = std::move(carry);
    else if (!carry.empty())
        text += quillet::enc::DecodeWith(codec.charset, carry);  // shown as undecodable
    return text;
}

// What of `prev`'s end the chunk after it completes.
std::string TailOf(const DisplayCodec& codec, const LogChunk& prev) {
    if (codec.hex || prev.note)
        return {};
    std::string carry;
    quillet::enc::DecodeWith(codec.charset, prev.bytes, &carry);
    return carry;
}

std::u16string HexRows(const DisplayCodec& codec, std::string_view bytes, size_t indent) {
    std::u16string out;
    std::string carry;
    for (size_t at = 0; at < bytes.size(); at += kHexRowBytes) {
        const std::string_view row = bytes.substr(at, kHexRowBytes);
        if (at > 0)
            out.append(u"\n").append(indent, u' ');
        std::u16string hex = quillet::enc::FormatHexPairs(row);
        hex.resize(kHexRowBytes * 3 - 1, u' ');
        out += hex;
        out += u"  ";
        const bool last = at + kHexRowBytes >= bytes.size();
        std::string rowCarry = std::move(carry);
        carry.clear();
        std::u16string text = quillet::enc::DecodeWith(codec.charset, row, &rowCarry);
        if (last && !rowCarry.empty())
            text += quillet::enc::DecodeWith(codec.charset, rowCarry);
        else
            carry = std::move(rowCarry);
        out += MakeVisible(text, false);
    }
    return out;
}

// A chunk's bytes as a view shows them after its stamp; hex rows are indented by `column`, the
// width of what comes before them on the first row.
bool IsPlainChar(char16_t c);

std::u16string RenderBody(const DisplayCodec& codec, std::string_view bytes, std::string carryIn,
                          std::string* carryOut, size_t column) {
    if (HexTextView()) {
        if (carryOut)
            carryOut->clear();
        return HexRows(codec, bytes, column);
    }
    std::u16string text = Decode(codec, bytes, std::move(carryIn), carryOut);
    // Most chunks show as they are: no second copy of a long one.
    if (std::all_of(text.begin(), text.end(), IsPlainChar))
        return text;
    return MakeVisible(text);
}

// A note's line: its mark, its stamp and its UTF-8 text, every character visible.
std::u16string RenderNote(const LogChunk& chunk) {
    std::u16string out(kNoteMark);
    out += FormatChunkStamp(chunk.timeNs, CurrentStampStyle());
    out += MakeVisible(quillet::enc::DecodeWith("UTF-8", chunk.bytes));
    if (out.back() != u'\n')
        out += u'\n';
    return out;
}

std::u16string RenderWith(const DisplayCodec& codec, const LogChunk& chunk, std::string carryIn,
                          std::string* carryOut) {
    if (chunk.note) {
        if (carryOut)
            carryOut->clear();
        return RenderNote(chunk);
    }
    std::u16string out = FormatChunkStamp(chunk.timeNs, CurrentStampStyle());
    const std::u16string body =
        RenderBody(codec, chunk.bytes, std::move(carryIn), carryOut, out.size());
    out.reserve(out.size() + body.size() + 1);  // one copy of the body, not one per growth
    out += body;
    // A chunk that ends with a line break ends its row with it: no empty row follows.
    if (out.back() != u'\n')
        out += u'\n';
    return out;
}

}  // namespace

void SetStampStyle(StampStyle style) {
    g_stampStyle = static_cast<int>(style);
}

StampStyle CurrentStampStyle() {
    return static_cast<StampStyle>(g_stampStyle.load());
}

void SetHexTextView(bool on) {
    g_hexText = on;
}

bool HexTextView() {
    return g_hexText;
}

std::u16string FormatChunkStamp(int64_t timeNs, StampStyle style) {
    // Floor division, so times before the epoch still show the right second.
    int64_t secs = timeNs / 1000000000;
    int64_t rest = timeNs % 1000000000;
    if (rest < 0) {
        rest += 1000000000;
        --secs;
    }
    const int millis = static_cast<int>(rest / 1000000);
    std::tm parts{};
    std::time_t t = static_cast<std::time_t>(secs);
    char text[64];
    switch (style) {
        case StampStyle::kLocalMillis:
            localtime_r(&t, &parts);
            break;
        case StampStyle::kUtcMillis:
            gmtime_r(&t, &parts);
            break;
        case StampStyle::kChinaSeconds:
        default:
            t += 8 * 3600;
            gmtime_r(&t, &parts);
            break;
    }
    const int n =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900,
                      parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    std::string stamp(text, static_cast<size_t>(n));
    if (style == StampStyle::kLocalMillis || style == StampStyle::kUtcMillis) {
        std::snprintf(text, sizeof text, ".%03d", millis);
        stamp += text;
    }
    if (style == StampStyle::kUtcMillis)
        stamp += 'Z';
    stamp += "  ";
    return std::u16string(stamp.begin(), stamp.end());
}

namespace {

// Shown as it is: no picture, no mark and no line break.
bool IsPlainChar(char16_t c) {
    return c < 0x7F ? c >= 0x20 : c >= 0xA0 && !IsHiddenFormat(c);
}

}  // namespace

std::u16string MakeVisible(std::u16string_view text, bool keepLineBreaks) {
    std::u16string out;
    out.reserve(text.size());
    bool indent = false;  // a line break came: the next character starts an indented line
    for (size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (keepLineBreaks && (c == u'\n' || c == u'\r')) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u'\n';
            indent = true;
            ++i;
            continue;
        }
        if (indent) {
            out.append(kContinuationIndent, u' ');
            indent = false;
        }
        // Runs of plain characters go over in one piece: most logs are nearly all plain.
        size_t end = i;
        while (end < text.size() && IsPlainChar(text[end]))
            ++end;
        if (end > i) {
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (c < 0x20 && !(keepLineBreaks && c == u'\t'))
            out += static_cast<char16_t>(0x2400 + c);
        else if (c == 0x7F)
            out += u'\u2421';
        else if (IsHiddenFormat(c))
            AppendCodeMark(out, c);
        else
            out += c;
        ++i;
    }
    return out;
}

std::u16string RenderChunk(const LogChunk& chunk, const LogChunk* prev, const LogChunk* next) {
    ChunkTextStream stream;
    stream.StartAfter(chunk.joinsPrevious ? prev : nullptr);
    return stream.Render(chunk, next);
}

struct ChunkTextStream::Codec {
    DisplayCodec codec = CurrentCodec();
};

ChunkTextStream::ChunkTextStream() : m_codec(std::make_unique<Codec>()) {}

ChunkTextStream::~ChunkTextStream() = default;

void ChunkTextStream::StartAfter(const LogChunk* prev) {
    m_carry = prev ? TailOf(m_codec->codec, *prev) : std::string();
}

std::u16string ChunkTextStream::Render(const LogChunk& chunk, const LogChunk* next) {
    std::string carryIn = chunk.joinsPrevious ? std::move(m_carry) : std::string();
    m_carry.clear();
    const bool nextJoins = next && next->joinsPrevious;
    return RenderWith(m_codec->codec, chunk, std::move(carryIn), nextJoins ? &m_carry : nullptr);
}

std::u16string RenderLog(const ChunkLog& log) {
    const DisplayCodec codec = CurrentCodec();
    std::u16string out;
    std::string carry;
    const std::vector<LogChunk> chunks = log.Copy(log.First(), log.End());
    for (size_t at = 0; at < chunks.size(); ++at) {
        const LogChunk& chunk = chunks[at];
        const bool nextJoins = at + 1 < chunks.size() && chunks[at + 1].joinsPrevious;
        std::string carryIn = chunk.joinsPrevious ? std::move(carry) : std::string();
        carry.clear();
        out += RenderWith(codec, chunk, std::move(carryIn), nextJoins ? &carry : nullptr);
    }
    return out;
}

std::string FormatRecordedLine(int64_t timeNs, ChunkSide side, std::string_view label,
                               std::string_view bytes) {
    std::u16string text = FormatChunkStamp(timeNs, CurrentStampStyle());
    text += side == ChunkSide::kReceived ? u"RX " : u"TX ";
    text += MakeVisible(quillet::enc::DecodeWith("UTF-8", label), false);
    text += u"  ";
    text += RenderBody(CurrentCodec(), bytes, {}, nullptr, text.size());
    // A final line break ends the record's line; it does not start an empty one.
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    text += u'\n';
    return quillet::enc::EncodeWith("UTF-8", text);
}

std::string FormatRecordedNote(int64_t timeNs, ChunkSide side, std::string_view label,
                               std::string_view utf8Text) {
    std::u16string text(kNoteMark);
    text += FormatChunkStamp(timeNs, CurrentStampStyle());
    text += side == ChunkSide::kReceived ? u"RX " : u"TX ";
    text += MakeVisible(quillet::enc::DecodeWith("UTF-8", label), false);
    text += u"  ";
    text += MakeVisible(quillet::enc::DecodeWith("UTF-8", utf8Text));
    if (!text.empty() && text.back() == u'\n')
        text.pop_back();
    text += u'\n';
    return quillet::enc::EncodeWith("UTF-8", text);
}

}  // namespace quillet::engine

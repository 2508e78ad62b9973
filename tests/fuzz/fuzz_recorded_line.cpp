// A chunk from a peer as a line of a text recording, in the encodings and byte views a user can
// pick: the line is well-formed UTF-8 that ends with its one line break; every further line of
// it is indented, so no peer can forge a stamped line; no control, bidirectional or line
// separator character is written raw; and plain text passes unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encoding/wire_codec.h"
#include "engine/log_line.h"

using namespace quillet::engine;

namespace {

void Check(bool cond) {
    if (!cond)
        std::abort();
}

const char* const kEncodings[] = {"UTF-8", "GBK", "UTF-16LE", "ISO-8859-1", "HEX"};
constexpr size_t kEncodingCount = sizeof kEncodings / sizeof kEncodings[0];

// Decodes one UTF-8 sequence at `at`; -1 when it is not well-formed.
int32_t NextCodePoint(std::string_view s, size_t* at) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(*at);
    const int extra = c < 0x80         ? 0
                      : (c >> 5) == 6  ? 1
                      : (c >> 4) == 14 ? 2
                      : (c >> 3) == 30 ? 3
                                       : -1;
    if (extra < 0 || *at + static_cast<size_t>(extra) >= s.size())
        return -1;
    int32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        if ((b(*at + static_cast<size_t>(i)) & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b(*at + static_cast<size_t>(i)) & 0x3F);
    }
    *at += static_cast<size_t>(extra) + 1;
    return cp;
}

bool Hidden(int32_t cp) {
    return (cp < 0x20 && cp != '\n' && cp != '\t') || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) ||
           (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E ||
           cp == 0x200F || cp == 0x061C || cp == 0x2028 || cp == 0x2029 ||
           (cp >= 0xD800 && cp <= 0xDFFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    quillet::enc::SetWireEncoding(kEncodings[data[0] % kEncodingCount]);
    SetHexTextView(data[1] & 1);
    const StampStyle style = static_cast<StampStyle>((data[1] >> 1) % 3);
    SetStampStyle(style);
    const ChunkSide side = data[1] & 8 ? ChunkSide::kSent : ChunkSide::kReceived;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    const int64_t timeNs = 1481229005007000000;
    const std::string line = FormatRecordedLine(timeNs, side, "127.0.0.1:5000", bytes);

    const std::u16string stamp = FormatChunkStamp(timeNs, style);
    const std::string prefix = std::string(stamp.begin(), stamp.end()) +
                               (side == ChunkSide::kSent ? "TX " : "RX ") + "127.0.0.1:5000  ";
    Check(line.compare(0, prefix.size(), prefix) == 0);
    Check(!line.empty() && line.back() == '\n');
    for (size_t at = 0; at < line.size();) {
        const int32_t cp = NextCodePoint(line, &at);
        Check(cp >= 0 && !Hidden(cp));
        if (cp == '\n' && at < line.size()) {
            // A further line: indented, or empty (a blank line of the chunk).
            const std::string_view next = std::string_view(line).substr(at);
            Check(next.rfind("    ", 0) == 0 || next.front() == '\n');
        }
    }
    // Plain printable ASCII passes unchanged in the text view of an ASCII-compatible encoding.
    const std::string name = quillet::enc::WireEncoding();
    bool plain = !(data[1] & 1) && name != quillet::enc::kHex && name != "UTF-16LE";
    for (char c : bytes)
        plain = plain && c >= 0x20 && c < 0x7F;
    if (plain)
        Check(line == prefix + std::string(bytes) + "\n");
    return 0;
}

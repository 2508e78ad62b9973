#pragma once
// Typed text to wire bytes and wire bytes to display text, in the one process-wide wire
// encoding. Display text is UTF-16. Nothing here throws: unrepresentable characters become
// "?", undecodable bytes become U+FFFD.
//
// Threads: every function may be called from any thread. The wire encoding is read once per
// conversion, so a change applies from the next conversion on.
#include <optional>
#include <string>
#include <string_view>

namespace quillet::enc {

// Wire encoding names: "ANSI" (the locale's character set, the default), "HEX" (bytes as hex
// pairs), or any name iconv knows ("GBK", "UTF-8", "UTF-16LE", "UTF-16BE", "BIG5", ...).
inline constexpr const char* kAnsi = "ANSI";
inline constexpr const char* kHex = "HEX";

// Returns false (and changes nothing) when iconv does not know `name`.
bool SetWireEncoding(const std::string& name);
std::string WireEncoding();

// The locale's character set (after setlocale(LC_ALL, "")); plain ASCII ("C" locale) is taken as
// UTF-8, since that is what such a terminal or desktop really carries.
std::string LocaleCharset();
// The iconv name behind an encoding name ("ANSI" resolves to the locale's character set).
std::string CharsetFor(const std::string& name);

// How many bytes one code unit takes: 2 for UTF-16, 4 for UTF-32, else 1. Text in encodings with
// one-byte units ends at its first zero byte; the wider ones and HEX show every byte.
int CodeUnitWidth(const std::string& name);

// The text as wire bytes in the current wire encoding. nullopt only in HEX mode, when the text
// is not whitespace-separated hex byte pairs or holds no byte at all.
std::optional<std::string> TryEncodeForWire(std::u16string_view text);
// Same, with invalid input giving empty bytes.
std::string EncodeForWire(std::u16string_view text);

// Received or sent bytes as display text in the current wire encoding. When `carry` is given,
// an incomplete character at the end is kept there and completed by the next call with the same
// carry (one carry per byte stream), so a character split between two chunks shows whole.
std::u16string DecodeForDisplay(std::string_view bytes, std::string* carry = nullptr);

// Conversions with an explicit iconv charset, used by the two above and by ToWide/ToNarrow.
std::string EncodeWith(const std::string& charset, std::u16string_view text);
std::u16string DecodeWith(const std::string& charset, std::string_view bytes,
                          std::string* carry = nullptr);

}  // namespace quillet::enc

#pragma once
// Hex byte pairs as typed in the send box, and bytes shown as hex pairs.
#include <optional>
#include <string>
#include <string_view>

namespace quillet::enc {

// "C4 E3BA\nc3" -> bytes C4 E3 BA C3. Whitespace separates groups; every group must hold an even
// number of hex digits. nullopt for anything else, or when no byte is given.
std::optional<std::string> ParseHexPairs(std::u16string_view text);

// Bytes as upper-case pairs separated by one space: "C4 E3 BA C3".
std::u16string FormatHexPairs(std::string_view bytes);

}  // namespace quillet::enc

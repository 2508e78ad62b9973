#pragma once
// Reading what the user typed into the prompts: numbers and addresses. No Qt, so that it can be
// fuzzed on its own.
#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::pages {

// A number box read as a signed decimal integer: leading blanks, an optional sign, digits;
// whatever follows the digits is ignored; an empty or unreadable box reads as 0.
// *tooLarge is set when the digits do not fit in 32 bits (the result is then INT32_MAX or
// INT32_MIN, never a wrapped value).
int32_t ReadInt(std::u16string_view text, bool* tooLarge = nullptr);

// A port box: the value, and false when it is above 65535 or does not fit in 32 bits.
bool ReadPort(std::u16string_view text, int32_t* port);

// The longest text an address box can name something with: a host name of 253 characters, and
// more than any address with brackets and a zone ("[ffff:...:255.255.255.255%<15 characters>]").
// The boxes take longer texts whole; a reader refuses them rather than cut them.
inline constexpr int kAddressBoxChars = 255;

// The address a peer-address box names, in two steps so that the lookup runs elsewhere:
// LiteralAddress gives what needs no lookup (INADDR_NONE for an empty box, a dotted address),
// nullopt for a name to look up; AfterLookup gives the address from the lookup's result, or
// else the text parsed as a dotted address (INADDR_NONE when it is neither).
std::optional<in_addr_t> LiteralAddress(const std::string& narrow);
in_addr_t AfterLookup(const std::string& narrow, in_addr_t looked);

// A dotted IPv4 address only (no lookup). INADDR_NONE for anything else.
in_addr_t ParseDotted(const std::string& narrow);

}  // namespace quillet::pages

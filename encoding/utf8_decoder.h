#pragma once
// A direct UTF-8 to UTF-16 decoder for the common case, much cheaper per chunk than iconv.
// Same results as the iconv path: U+FFFD for each byte that starts no valid sequence, an
// incomplete sequence at the end kept in `carry` (when given) for the next chunk.
#include <string>
#include <string_view>

namespace quillet::enc {

void DecodeUtf8(std::string_view bytes, std::u16string& out, std::string* carry);

}  // namespace quillet::enc

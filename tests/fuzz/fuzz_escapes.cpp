// Escapes and hex pairs read for one send: any text either reads or names a place inside it,
// and text without backslashes reads to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/escaped_text.h"

using quillet::enc::ReadBytes;
using quillet::enc::ReadEscapes;
using quillet::enc::ReadHexPairs;

namespace {

void Check(bool cond) {
    if (!cond)
        std::abort();
}

ReadBytes Latin1(std::u16string_view run) {
    std::string out;
    for (char16_t c : run)
        out.push_back(static_cast<char>(c));
    return {out, std::nullopt};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(data, data + size);
    for (ReadBytes got :
         {ReadEscapes(text, Latin1), ReadHexPairs(text),
          ReadEscapes(text, [](std::u16string_view r) { return ReadHexPairs(r, true); })}) {
        if (got.fault)
            Check(got.fault->at <= text.size());
    }
    const ReadBytes escaped = ReadEscapes(text, Latin1);
    if (text.find(u'\\') == std::u16string::npos)
        Check(!escaped.fault && escaped.bytes == std::string(data, data + size));
    else if (!escaped.fault)
        Check(escaped.bytes.size() < size);  // every escape is shorter than what it stands for
    return 0;
}

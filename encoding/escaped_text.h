#pragma once
// Typed text read as bytes for one send: hex pairs, or text with C-style escapes (\r \n \t \0
// \xHH \\) whose other characters go through a caller's encoder. Both say where the text first
// goes wrong, so the user can be shown the place.
//
// Threads: any thread; no shared state.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::enc {

// Why a text cannot be read; `at` is the code unit where it first goes wrong.
struct TextFault {
    enum class Kind {
        kNotHex,          // a character that is neither a hex digit nor a blank
        kOddDigits,       // the last digit of a group has no partner (at: that digit)
        kNoBytes,         // nothing to send (at: 0)
        kUnknownEscape,   // a backslash before a character no escape starts with
        kShortHexEscape,  // \x without two hex digits
        kLoneBackslash,   // a backslash at the end of the text
    };
    Kind kind;
    size_t at;
};

struct ReadBytes {
    std::string bytes;
    std::optional<TextFault> fault;  // when set, bytes mean nothing
};

// Blank-separated groups of hex digit pairs ("C4 E3BA\nc3"). `allowEmpty`: a text of blanks
// only gives no bytes instead of kNoBytes.
ReadBytes ReadHexPairs(std::u16string_view text, bool allowEmpty = false);

// Encodes a run of text between escapes; a fault's `at` is within the run.
using RunEncoder = std::function<ReadBytes(std::u16string_view run)>;
// The text with its escapes turned into bytes and each run between them through `encode`.
ReadBytes ReadEscapes(std::u16string_view text, const RunEncoder& encode);

// 1-based line and column (in code units) of code unit `at`; lines end at LF.
struct TextPlace {
    size_t line;
    size_t column;
};
TextPlace PlaceOf(std::u16string_view text, size_t at);

}  // namespace quillet::enc

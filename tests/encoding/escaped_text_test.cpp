// Hex pairs and escapes read for one send: the bytes of sound texts, and the first bad place
// of damaged ones.
#include <gtest/gtest.h>

#include <string>

#include "encoding/escaped_text.h"

namespace quillet::enc {
namespace {

using Kind = TextFault::Kind;

// Runs between escapes as UTF-8 of their ASCII, or hex pairs when asked.
ReadBytes Ascii(std::u16string_view run) {
    return {std::string(run.begin(), run.end()), std::nullopt};
}

struct Case {
    std::u16string text;
    std::string bytes;              // when sound
    std::optional<Kind> kind = {};  // when damaged
    size_t at = 0;
};

void Expect(const ReadBytes& got, const Case& c) {
    if (c.kind) {
        ASSERT_TRUE(got.fault.has_value());
        EXPECT_EQ(got.fault->kind, *c.kind);
        EXPECT_EQ(got.fault->at, c.at);
    } else {
        ASSERT_FALSE(got.fault.has_value()) << int(got.fault->kind) << " at " << got.fault->at;
        EXPECT_EQ(got.bytes, c.bytes);
    }
}

class HexPairsTest : public testing::TestWithParam<Case> {};

TEST_P(HexPairsTest, ReadsPairsOrNamesTheFirstBadPlace) {
    Expect(ReadHexPairs(GetParam().text), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexPairsTest,
    testing::Values(Case{u"41 42", "AB"}, Case{u"c4E3ba\n\tC3", "\xC4\xE3\xBA\xC3"},
                    Case{u"00 ff", std::string("\0\xFF", 2)}, Case{u" 7e ", "~"},
                    Case{u"41 4", {}, Kind::kOddDigits, 3},
                    Case{u"414 42", {}, Kind::kOddDigits, 2}, Case{u"41 G2", {}, Kind::kNotHex, 3},
                    Case{u"41\n4-", {}, Kind::kNotHex, 4}, Case{u"0x41", {}, Kind::kNotHex, 1},
                    Case{u"", {}, Kind::kNoBytes, 0}, Case{u" \n ", {}, Kind::kNoBytes, 0},
                    Case{u"4\u00e9", {}, Kind::kNotHex, 1}));

TEST(HexPairs, BlanksAloneAreNoBytesOnlyWhenAllowed) {
    const ReadBytes blanks = ReadHexPairs(u" \n", true);
    EXPECT_FALSE(blanks.fault);
    EXPECT_TRUE(blanks.bytes.empty());
}

class EscapesTest : public testing::TestWithParam<Case> {};

TEST_P(EscapesTest, TurnsEscapesIntoBytesOrNamesTheFirstBadPlace) {
    Expect(ReadEscapes(GetParam().text, Ascii), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, EscapesTest,
                         testing::Values(Case{u"AT\\r\\n", "AT\r\n"}, Case{u"a\\tb", "a\tb"},
                                         Case{u"\\0\\0", std::string(2, '\0')},
                                         Case{u"\\x41\\xfF", "A\xFF"}, Case{u"\\\\x41", "\\x41"},
                                         Case{u"plain", "plain"},
                                         Case{u"\\01", std::string("\0"
                                                                   "1",
                                                                   2)},
                                         Case{u"ok\\q", {}, Kind::kUnknownEscape, 2},
                                         Case{u"\\x4", {}, Kind::kShortHexEscape, 0},
                                         Case{u"a\\xg1", {}, Kind::kShortHexEscape, 1},
                                         Case{u"end\\", {}, Kind::kLoneBackslash, 3},
                                         Case{u"\\n\\X41", {}, Kind::kUnknownEscape, 2}));

TEST(Escapes, RunsGoThroughTheEncoderAndItsFaultIsPlacedInTheWholeText) {
    // Runs read as hex pairs, as a page in HEX does: the fault of the second run is placed
    // after the escape before it.
    auto hex = [](std::u16string_view run) { return ReadHexPairs(run, true); };
    const ReadBytes good = ReadEscapes(u"41 42\\r\\n 43", hex);
    ASSERT_FALSE(good.fault);
    EXPECT_EQ(good.bytes, "AB\r\nC");
    const ReadBytes bad = ReadEscapes(u"41\\n4Z", hex);
    ASSERT_TRUE(bad.fault);
    EXPECT_EQ(bad.fault->kind, Kind::kNotHex);
    EXPECT_EQ(bad.fault->at, 5u);
}

TEST(PlaceOf, CountsLinesAndColumnsFromOne) {
    const std::u16string text = u"ab\ncd\n\nx";
    const std::pair<size_t, TextPlace> cases[] = {{0, {1, 1}}, {2, {1, 3}}, {3, {2, 1}},
                                                  {4, {2, 2}}, {6, {3, 1}}, {7, {4, 1}}};
    for (const auto& [at, place] : cases) {
        EXPECT_EQ(PlaceOf(text, at).line, place.line) << at;
        EXPECT_EQ(PlaceOf(text, at).column, place.column) << at;
    }
}

}  // namespace
}  // namespace quillet::enc

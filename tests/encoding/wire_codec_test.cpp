#include "encoding/wire_codec.h"

#include <gtest/gtest.h>

#include "encoding/hex_text.h"

using namespace quillet::enc;

namespace {

// Each test picks its wire encoding and puts the default back afterwards.
class WireCodec : public ::testing::Test {
protected:
    void TearDown() override { SetWireEncoding(kAnsi); }
    void Use(const char* name) { ASSERT_TRUE(SetWireEncoding(name)) << name; }
};

}  // namespace

TEST_F(WireCodec, GbkEncodesAndDecodesChinese) {
    Use("GBK");
    EXPECT_EQ(EncodeForWire(u"你好"), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(DecodeForDisplay("\xC4\xE3\xBA\xC3"), u"你好");
    // A character GBK cannot hold becomes a question mark, and nothing else is lost.
    EXPECT_EQ(EncodeForWire(u"a\u0E01b"), "a?b");
    // UTF-8 bytes read as GBK are not 你: the first two bytes pair up as one GBK character.
    EXPECT_NE(DecodeForDisplay("\xE4\xBD\xA0"), u"你");
}

TEST_F(WireCodec, ByteEncodingsEndTextAtZeroByte) {
    Use("UTF-8");
    EXPECT_EQ(DecodeForDisplay(std::string("a\0b\0", 4)), u"a");
    EXPECT_EQ(DecodeForDisplay(std::string("\0abc", 4)), u"");
    EXPECT_EQ(EncodeForWire(std::u16string(u"ab\0cd", 5)), "ab");
}

TEST_F(WireCodec, Utf16AndUtf32ShowEveryByte) {
    Use("UTF-16LE");
    EXPECT_EQ(EncodeForWire(u"ab"), std::string("a\0b\0", 4));
    EXPECT_EQ(DecodeForDisplay(std::string("a\0b\0", 4)), u"ab");
    Use("UTF-16BE");
    EXPECT_EQ(EncodeForWire(u"你"), "\x4F\x60");
    EXPECT_EQ(DecodeForDisplay("\x4F\x60"), u"你");
    Use("UTF-32LE");
    EXPECT_EQ(DecodeForDisplay(EncodeForWire(u"x😀")), u"x😀");
}

TEST_F(WireCodec, UndecodableBytesBecomeReplacementCharacter) {
    Use("UTF-8");
    EXPECT_EQ(DecodeForDisplay("a\xFF" "b"), u"a\uFFFD" "b");
    // An incomplete tail without a carry shows as one replacement character.
    EXPECT_EQ(DecodeForDisplay("ok\xE4\xBD"), u"ok\uFFFD");
}

TEST_F(WireCodec, SplitCharacterIsCarriedToTheNextChunk) {
    Use("UTF-8");
    const std::string nihao = "\xE4\xBD\xA0\xE5\xA5\xBD";  // 你好
    for (size_t cut = 1; cut < nihao.size(); ++cut) {
        std::string carry;
        std::u16string shown = DecodeForDisplay(nihao.substr(0, cut), &carry);
        shown += DecodeForDisplay(nihao.substr(cut), &carry);
        EXPECT_EQ(shown, u"你好") << "cut at " << cut;
        EXPECT_TRUE(carry.empty());
    }
    Use("GBK");
    std::string carry;
    std::u16string shown = DecodeForDisplay("\xC4", &carry);
    shown += DecodeForDisplay("\xE3", &carry);
    EXPECT_EQ(shown, u"你");
    Use("UTF-16LE");
    carry.clear();
    shown = DecodeForDisplay(std::string("a\0b", 3), &carry);
    shown += DecodeForDisplay(std::string("\0", 1), &carry);
    EXPECT_EQ(shown, u"ab");
}

TEST_F(WireCodec, HexModeParsesPairsAndShowsBytes) {
    Use("HEX");
    EXPECT_EQ(EncodeForWire(u"C4 e3\nBAC3"), "\xC4\xE3\xBA\xC3");
    EXPECT_FALSE(TryEncodeForWire(u"C4 E").has_value());
    EXPECT_FALSE(TryEncodeForWire(u"zz").has_value());
    EXPECT_FALSE(TryEncodeForWire(u" \n ").has_value());
    EXPECT_EQ(DecodeForDisplay(std::string("\x00\x01\xFF", 3)), u"00 01 FF");
    EXPECT_EQ(FormatHexPairs(""), u"");
}

TEST_F(WireCodec, ManyEncodingsRoundTrip) {
    const char* names[] = {"GB18030", "BIG5", "SHIFT_JIS", "EUC-JP", "EUC-KR", "ISO-8859-1",
                           "ISO-8859-15", "WINDOWS-1250", "WINDOWS-1258", "KOI8-R", "UTF-32BE"};
    for (const char* name : names) {
        Use(name);
        EXPECT_EQ(DecodeForDisplay(EncodeForWire(u"Hello 123")), u"Hello 123") << name;
    }
    EXPECT_FALSE(SetWireEncoding("NO-SUCH-ENCODING"));
}

TEST_F(WireCodec, AnsiIsTheLocaleCharset) {
    EXPECT_EQ(WireEncoding(), kAnsi);
    EXPECT_FALSE(LocaleCharset().empty());
    EXPECT_EQ(DecodeForDisplay(EncodeForWire(u"abc")), u"abc");
    EXPECT_EQ(EncodeForWire(u""), "");
}

// The direct UTF-8 decoder must agree with iconv's reading of the same bytes.
TEST_F(WireCodec, Utf8DecoderAgreesWithIconv) {
    const std::string samples[] = {
        "plain ascii", "\xE4\xBD\xA0\xE5\xA5\xBD", "\xF0\x9F\x98\x80 emoji",
        "bad \xFF\xFE bytes", "\xC0\xAF overlong", "\xED\xA0\x80 surrogate",
        "\xE4\xBD" "A cut in the middle", "\xF4\x90\x80\x80 too high", "\x80 lone continuation"};
    for (const std::string& s : samples) {
        std::u16string direct = DecodeWith("UTF-8", s);
        std::u16string viaIconv = DecodeWith("UTF8//", s);  // same charset, iconv's own path
        EXPECT_EQ(direct, viaIconv) << s;
    }
}

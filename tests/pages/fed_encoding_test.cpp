// A long text encoded in pieces on a pool thread gives the very bytes the whole text encodes
// to, in each fed encoding and line ending, and encodings that cannot be cut are not fed.
#include <gtest/gtest.h>

#include <string>

#include "encoding/wire_codec.h"
#include "pages/send/fed_encoding.h"

namespace quillet::test {
namespace {

using pages::FedStart;
using pages::LineEnding;

struct FedCase {
    const char* encoding;
    LineEnding ending;
};

class FedEncodingTest : public ::testing::TestWithParam<FedCase> {
protected:
    void TearDown() override { enc::SetWireEncoding(enc::kAnsi); }
};

// Three pieces and more: CJK, accented letters, line breaks, a pair split at a piece's end.
std::u16string LongText() {
    std::u16string text;
    const std::u16string row = u"line of 中文 and ü é\n";
    while (text.size() < 3 * pages::kFedChars)
        text += row;
    text.replace(pages::kFedChars - 1, 2, u"😀");
    text += u"end";
    return text;
}

TEST_P(FedEncodingTest, PiecesMakeTheBytesOfTheWholeText) {
    ASSERT_TRUE(enc::SetWireEncoding(GetParam().encoding));
    auto text = std::make_shared<const std::u16string>(LongText());
    FedStart fed = pages::StartFedEncoding(text, GetParam().ending);
    ASSERT_EQ(fed.kind, FedStart::Kind::kFed);
    const std::string whole = enc::EncodeForWire(pages::ApplyLineEnding(*text, GetParam().ending));
    EXPECT_EQ(fed.feed->TakeAll(), whole);
    EXPECT_EQ(fed.feed->Size(), whole.size());
}

INSTANTIATE_TEST_SUITE_P(Encodings, FedEncodingTest,
                         ::testing::Values(FedCase{"UTF-8", LineEnding::kLf},
                                           FedCase{"UTF-8", LineEnding::kCrLf},
                                           FedCase{"GBK", LineEnding::kCr},
                                           FedCase{"GB18030", LineEnding::kCrLf},
                                           FedCase{"GBK", LineEnding::kLf}));

TEST(FedEncoding, ShortTextsHexAndCutSensitiveEncodingsAreEncodedWhole) {
    auto longText = std::make_shared<const std::u16string>(LongText());
    for (const char* encoding : {"UTF-16LE", "UTF-16", "UTF-32", "ISO-2022-JP", "HEX"}) {
        ASSERT_TRUE(enc::SetWireEncoding(encoding)) << encoding;
        EXPECT_EQ(pages::StartFedEncoding(longText, LineEnding::kLf).kind, FedStart::Kind::kNotFed)
            << encoding;
    }
    ASSERT_TRUE(enc::SetWireEncoding("UTF-8"));
    auto shortText = std::make_shared<const std::u16string>(pages::kFedChars, u'x');
    EXPECT_EQ(pages::StartFedEncoding(shortText, LineEnding::kLf).kind, FedStart::Kind::kNotFed);
    // A zero character in the first piece ends the text there, as a whole encoding ends it.
    std::u16string zero = LongText();
    zero[10] = u'\0';
    FedStart fed =
        pages::StartFedEncoding(std::make_shared<const std::u16string>(zero), LineEnding::kLf);
    EXPECT_EQ(fed.kind, FedStart::Kind::kWhole);
    EXPECT_EQ(fed.whole, enc::EncodeForWire(zero));
    // A zero further on ends the fed bytes there.
    zero[10] = u'l';
    zero[2 * pages::kFedChars + 5] = u'\0';
    fed = pages::StartFedEncoding(std::make_shared<const std::u16string>(zero), LineEnding::kLf);
    ASSERT_EQ(fed.kind, FedStart::Kind::kFed);
    EXPECT_EQ(fed.feed->TakeAll(), enc::EncodeForWire(zero));
    enc::SetWireEncoding(enc::kAnsi);
}

}  // namespace
}  // namespace quillet::test

#include "engine/log_line.h"

#include <gtest/gtest.h>

#include "encoding/wire_codec.h"

using namespace std::chrono;

TEST(LogLine, TimeStampIsUtcPlusEightAcrossTheYearEnd) {
    // 2016-12-31 20:30:05 UTC
    sys_seconds t = sys_days{year{2016} / 12 / 31} + hours(20) + minutes(30) + seconds(5);
    EXPECT_EQ(FormatTimeStamp(t), u"2017-01-01 04:30:05  ");
    sys_seconds leap = sys_days{year{2024} / 2 / 28} + hours(16);
    EXPECT_EQ(FormatTimeStamp(leap), u"2024-02-29 00:00:00  ");
}

TEST(LogLine, AppendsStampTextAndNewline) {
    std::u16string log = u"old\n";
    AppendLogLine(log, "hello");
    ASSERT_EQ(log.size(), 4u + 21u + 5u + 1u);
    EXPECT_EQ(log.substr(0, 4), u"old\n");
    EXPECT_EQ(log.substr(25), u"hello\n");
    std::u16string empty;
    AppendLogLine(empty, std::string_view("\0x", 2));
    EXPECT_EQ(empty.substr(21), u"\n");
}

TEST(LogLine, CarryJoinsASplitCharacter) {
    quillet::enc::SetWireEncoding("UTF-8");
    std::u16string log;
    std::string carry;
    AppendLogLine(log, "\xE4\xBD", &carry);
    AppendLogLine(log, "\xA0\xE5\xA5\xBD", &carry);
    quillet::enc::SetWireEncoding(quillet::enc::kAnsi);
    EXPECT_NE(log.find(u"你好"), std::u16string::npos);
    EXPECT_EQ(log.find(u'\uFFFD'), std::u16string::npos);
}

// Logs are kept in blocks; text that crosses a block boundary must read back whole.
TEST(LogText, AppendsAcrossBlocksAndReadsBackWhole) {
    LogText log;
    std::u16string expected;
    for (int i = 0; i < 40; ++i) {
        std::u16string piece(static_cast<size_t>(10007 * (i % 7 + 1)),
                             static_cast<char16_t>(u'a' + i % 26));
        log += piece;
        expected += piece;
    }
    log += std::u16string(700000, u'z');  // longer than a block in one append
    expected += std::u16string(700000, u'z');
    ASSERT_EQ(log.size(), expected.size());
    EXPECT_TRUE(log == expected);
    EXPECT_EQ(log.str(), expected);
    for (size_t pos :
         {size_t{0}, size_t{262143}, size_t{262144}, size_t{600001}, expected.size() - 1}) {
        EXPECT_EQ(log[pos], expected[pos]) << pos;
        EXPECT_EQ(log.substr(pos, 5000), expected.substr(pos, 5000)) << pos;
    }
    EXPECT_EQ(log.substr(expected.size()), u"");
    log.clear();
    EXPECT_TRUE(log.empty());
    log += u"again";
    EXPECT_TRUE(log == u"again");
}

#include "encoding/labels.h"

#include <gtest/gtest.h>

#include "encoding/wide_narrow.h"

using namespace quillet::enc;

TEST(Labels, EndpointAndPairFormats) {
    EXPECT_EQ(FormatEndpoint("10.0.0.1", 8888), "10.0.0.1:8888");
    EXPECT_EQ(FormatEndpoint("0.0.0.0", 0), "0.0.0.0:0");
    EXPECT_EQ(FormatEndpoint("fe80::1%eth0", 7), "[fe80::1%eth0]:7");
    EXPECT_EQ(JoinPair(FormatEndpoint("192.168.1.5", 6001), FormatEndpoint("192.168.1.7", 6000)),
              "192.168.1.5:6001<->192.168.1.7:6000");
}

TEST(WideNarrow, BufferFormsReportNullAndCapacity) {
    char16_t wide[8];
    EXPECT_EQ(ToWide(nullptr, "abc", 8), nullptr);
    EXPECT_EQ(ToWide(wide, nullptr, 8), nullptr);
    ASSERT_EQ(ToWide(wide, "abc", 8, "UTF-8"), wide);
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(ToWide(wide, "too long for it", 8, "UTF-8"), nullptr);
    char narrow[8];
    ASSERT_EQ(ToNarrow(narrow, u"你好", 8, "GBK"), narrow);
    EXPECT_EQ(std::string(narrow), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(ToNarrow(narrow, u"你好你好", 8, "GBK"), nullptr);
}

#include "engine/log_line.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <ctime>

#include "encoding/wire_codec.h"
#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/record_log.h"

using namespace quillet::engine;

using namespace std::chrono;

namespace {

int64_t Ns(sys_time<milliseconds> t) {
    return duration_cast<nanoseconds>(t.time_since_epoch()).count();
}

LogChunk Chunk(std::string bytes, bool joins = false, int64_t timeNs = 0) {
    LogChunk c;
    c.bytes = std::move(bytes);
    c.joinsPrevious = joins;
    c.timeNs = timeNs;
    return c;
}

std::u16string Body(const std::u16string& rendered) {
    return rendered.substr(21);  // after "YYYY-MM-DD hh:mm:ss  "
}

struct Utf8 {
    Utf8() { quillet::enc::SetWireEncoding("UTF-8"); }
    ~Utf8() {
        quillet::enc::SetWireEncoding(quillet::enc::kAnsi);
        SetHexTextView(false);
    }
};

}  // namespace

TEST(LogLine, TimeStampIsUtcPlusEightAcrossTheYearEnd) {
    // 2016-12-31 20:30:05 UTC
    sys_seconds t = sys_days{year{2016} / 12 / 31} + hours(20) + minutes(30) + seconds(5);
    EXPECT_EQ(FormatChunkStamp(Ns(t), StampStyle::kChinaSeconds), u"2017-01-01 04:30:05  ");
    sys_seconds leap = sys_days{year{2024} / 2 / 28} + hours(16);
    EXPECT_EQ(FormatChunkStamp(Ns(leap), StampStyle::kChinaSeconds), u"2024-02-29 00:00:00  ");
}

TEST(LogLine, StampStylesKeepTheExactTime) {
    const auto t =
        sys_days{year{2016} / 12 / 31} + hours(20) + minutes(30) + seconds(5) + milliseconds(7);
    EXPECT_EQ(FormatChunkStamp(Ns(t), StampStyle::kChinaSeconds), u"2017-01-01 04:30:05  ");
    EXPECT_EQ(FormatChunkStamp(Ns(t), StampStyle::kUtcMillis), u"2016-12-31 20:30:05.007Z  ");
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "QLT+3", 1);  // three hours behind UTC, no daylight saving
    tzset();
    EXPECT_EQ(FormatChunkStamp(Ns(t), StampStyle::kLocalMillis), u"2016-12-31 17:30:05.007  ");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    // Switching the style renders the same chunk anew.
    const LogChunk c = Chunk("x", false, Ns(t));
    SetStampStyle(StampStyle::kUtcMillis);
    EXPECT_EQ(RenderChunk(c, nullptr, nullptr), u"2016-12-31 20:30:05.007Z  x\n");
    SetStampStyle(StampStyle::kChinaSeconds);
    EXPECT_EQ(RenderChunk(c, nullptr, nullptr), u"2017-01-01 04:30:05  x\n");
}

TEST(LogLine, EveryByteIsVisibleAndNoLineCanPassForAStampedOne) {
    Utf8 utf8;
    // A zero byte no longer ends the text; other controls show as their pictures.
    EXPECT_EQ(Body(RenderChunk(Chunk(std::string("a\0b\x01\x1b\x7f", 6)), nullptr, nullptr)),
              u"a\u2400b\u2401\u241b\u2421\n");
    EXPECT_EQ(Body(RenderChunk(Chunk(std::string(3, '\0')), nullptr, nullptr)),
              u"\u2400\u2400\u2400\n");
    // "gnp.exe" wrapped in a right-to-left override stays in its order, the override shown.
    EXPECT_EQ(Body(RenderChunk(Chunk("\xE2\x80\xAEgnp.exe\xE2\x81\xA6"), nullptr, nullptr)),
              u"<U+202E>gnp.exe<U+2066>\n");
    // Further lines are indented; a final line break adds no indented line; tabs stay.
    EXPECT_EQ(
        Body(RenderChunk(Chunk("one\r\n2017-01-01 04:30:05  forged\n\tx\rz\n"), nullptr, nullptr)),
        u"one\n    2017-01-01 04:30:05  forged\n    \tx\n    z\n");
    // Characters outside the Basic Multilingual Plane pass whole.
    EXPECT_EQ(Body(RenderChunk(Chunk("\xF0\x9F\x98\x80"), nullptr, nullptr)), u"\U0001F600\n");
}

TEST(LogLine, ARecordedLineShowsTheChunkAsTheViewDoesAndNoPeerCanForgeOne) {
    Utf8 utf8;
    const int64_t t = Ns(sys_days{year{2016} / 12 / 31} + hours(20) + minutes(30) + seconds(5));
    const std::string prefix = "2017-01-01 04:30:05  RX 10.0.0.7:5000  ";
    const struct {
        std::string bytes;
        std::string body;  // what follows the prefix, UTF-8
    } cases[] = {
        {std::string("a\0b\0", 4), "a\u2400b\u2400"},  // nothing after a zero byte is lost
        {"\x1b[2J\x1b]0;title\x07", "\u241b[2J\u241b]0;title\u2407"},
        {"\xE2\x80\xAEgnp.exe", "<U+202E>gnp.exe"},
        {"one\r\n2017-01-01 04:30:05  RX 10.0.0.7:5000  forged\n",
         "one\n    2017-01-01 04:30:05  RX 10.0.0.7:5000  forged"},
        {"a\u2028b\xC2\x85"
         "c",
         "a<U+2028>b<U+0085>c"},
    };
    for (const auto& c : cases) {
        const std::string line =
            FormatRecordedLine(t, ChunkSide::kReceived, "10.0.0.7:5000", c.bytes);
        EXPECT_EQ(line, prefix + c.body + "\n") << c.bytes;
        // The same text as the view's, but for the view's own final line break.
        std::u16string shown = Body(RenderChunk(Chunk(c.bytes), nullptr, nullptr));
        while (!shown.empty() && shown.back() == u'\n')
            shown.pop_back();
        EXPECT_EQ(line.substr(prefix.size()), quillet::enc::EncodeWith("UTF-8", shown) + "\n");
    }
    // The byte view in force applies too: HEX shows every byte as a pair.
    quillet::enc::SetWireEncoding(quillet::enc::kHex);
    EXPECT_EQ(FormatRecordedLine(t, ChunkSide::kSent, "x", std::string("\0\xFF\n", 3)),
              "2017-01-01 04:30:05  TX x  00 FF 0A\n");
}

TEST(LogLine, ACharacterSplitBetweenChunksOfAStreamShowsWhole) {
    Utf8 utf8;
    const LogChunk a = Chunk("x\xE4\xBD"), b = Chunk("\xA0\xE5\xA5\xBD", true);
    EXPECT_EQ(Body(RenderChunk(a, nullptr, &b)), u"x\n");
    EXPECT_EQ(Body(RenderChunk(b, &a, nullptr)), u"你好\n");
    // Not joined (a datagram, or a new connection): each shows what it holds.
    const LogChunk c = Chunk("\xA0y");
    EXPECT_EQ(Body(RenderChunk(a, nullptr, &c)), u"x\uFFFD\n");
    EXPECT_EQ(Body(RenderChunk(c, &a, nullptr)), u"\uFFFDy\n");

    ChunkLog log;
    {
        CCritSecLock lock(g_csConnect);
        log.Append(a.bytes, 0);
        log.Append(b.bytes, 0, true);
    }
    const std::u16string all = RenderLog(log);
    EXPECT_NE(all.find(u"x\n"), std::u16string::npos);
    EXPECT_NE(all.find(u"你好\n"), std::u16string::npos);
}

TEST(LogLine, EncodingAndByteViewApplyToOldChunks) {
    Utf8 utf8;
    const LogChunk c = Chunk(
        "\xE4\xBD\xA0"
        "A\n");
    EXPECT_EQ(Body(RenderChunk(c, nullptr, nullptr)), u"你A\n");
    quillet::enc::SetWireEncoding(quillet::enc::kHex);
    EXPECT_EQ(Body(RenderChunk(c, nullptr, nullptr)), u"E4 BD A0 41 0A\n");
    quillet::enc::SetWireEncoding("UTF-8");
    SetHexTextView(true);
    std::string twenty(20, 'a');
    twenty[16] = '\xE4';  // a character that starts in the second row shows there
    twenty[17] = '\xBD';
    twenty[18] = '\xA0';
    const std::u16string rows = Body(RenderChunk(Chunk(twenty), nullptr, nullptr));
    EXPECT_EQ(rows,
              u"61 61 61 61 61 61 61 61 61 61 61 61 61 61 61 61  aaaaaaaaaaaaaaaa\n"
              u"                     E4 BD A0 61                                      你a\n");
    EXPECT_EQ(Body(RenderChunk(Chunk("a\nb"), nullptr, nullptr)).substr(49), u"a\u240Ab\n");
}

TEST(ChunkLog, EmptyLogsHoldNoMemory) {
    ConnectInfo rec;
    EXPECT_LT(sizeof(ConnectInfo), 1024u);
    EXPECT_TRUE(rec.strRecv.empty());
    EXPECT_EQ(rec.strRecv.HeldBytes(), 0u);
    EXPECT_EQ(rec.sendQueue.pending.size(), 0u);
}

TEST(ChunkLog, LimitsDropTheOldestChunksAndCountThem) {
    const uint64_t perLog = LogLimitPerLog(), total = LogLimitTotal();
    const uint64_t base = ChunkLog::BaseCost();
    const uint64_t each = ChunkLog::CostOf(std::string(100, 'x').capacity());
    {
        ChunkLog probe;  // the log's own count agrees
        probe.Append(std::string(100, 'p'), 0);
        probe.Append(std::string(100, 'p'), 0);
        EXPECT_EQ(probe.Cost(), base + 2 * each);
    }
    EXPECT_GT(each, 100u);  // a chunk costs more than its bytes
    SetLogLimits(base + 10 * each, uint64_t{1} << 30);
    ConnectInfo rec;
    for (int i = 0; i < 25; ++i)
        LogReceivedChunk(&rec, std::string(100, static_cast<char>('a' + i)), false);
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_EQ(rec.nRecvBytes, 2500u);  // counted on arrival, whatever is kept
        EXPECT_EQ(rec.strRecv.HeldBytes(), 1000u);
        EXPECT_EQ(rec.strRecv.DroppedBytes(), 1500u);
        EXPECT_EQ(rec.strRecv.DroppedChunks(), 15u);
        EXPECT_EQ(rec.strRecv.First(), 15u);
        EXPECT_EQ(rec.strRecv.End(), 25u);
        EXPECT_EQ(rec.strRecv.At(15).bytes, std::string(100, 'a' + 15));
        // Clearing forgets the drops; numbers go on.
        rec.strRecv.clear();
        EXPECT_EQ(rec.strRecv.DroppedBytes(), 0u);
        EXPECT_EQ(rec.strRecv.First(), 25u);
    }

    // The program-wide limit takes the oldest chunks of any log.
    const uint64_t each300 = ChunkLog::CostOf(std::string(300, 'x').capacity());
    SetLogLimits(uint64_t{1} << 30, TotalLogBytes() + base + 2 * each300 + each300 / 2);
    ConnectInfo older, newer;
    LogReceivedChunk(&older, std::string(300, 'o'), false);
    LogSentChunk(&newer, std::string(300, 'n'));
    LogSentChunk(&newer, std::string(300, 'm'));
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_EQ(older.strRecv.DroppedBytes(), 300u);
        EXPECT_TRUE(older.strRecv.empty());
        EXPECT_EQ(newer.strSent.HeldBytes(), 600u);
    }
    SetLogLimits(perLog, total);
}

// The limits count what chunks really cost, so they bound memory whatever the chunk sizes: a flood
// of 1-byte chunks stays within the limit as counted, and that count is no less than what the
// heap really gave the log.
class ChunkCostTest : public ::testing::TestWithParam<size_t> {};

TEST_P(ChunkCostTest, ALogsCostStaysWithinItsLimitWhateverTheChunkSize) {
    const size_t size = GetParam();
    const uint64_t perLog = LogLimitPerLog(), total = LogLimitTotal();
    constexpr uint64_t kLimit = uint64_t{1} << 20;
    SetLogLimits(kLimit, uint64_t{1} << 40);
    {
        ConnectInfo rec;
        const std::string chunk(size, 'c');
        const uint64_t chunks = 3 * kLimit / size + 1;  // three times the limit in bytes
        const size_t heapBefore = mallinfo2().uordblks;
        for (uint64_t i = 0; i < chunks; ++i)
            LogReceivedChunk(&rec, chunk, false);
        const size_t heapGrowth = mallinfo2().uordblks - heapBefore;
        CCritSecLock lock(g_csConnect);
        const ChunkLog& log = rec.strRecv;
        EXPECT_LE(log.Cost(), std::max<uint64_t>(kLimit, ChunkLog::CostOf(chunk.capacity()) * 2));
        EXPECT_GE(log.Cost(), log.HeldBytes());
        EXPECT_EQ(log.DroppedChunks() + log.Count(), chunks);
        // The heap agrees (a sanitizer's allocator reports nothing here).
        if (heapGrowth > 0 && heapGrowth < (size_t{1} << 40)) {
            EXPECT_LE(heapGrowth, log.Cost() + 4096) << size;
        }
    }
    SetLogLimits(perLog, total);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkCostTest, ::testing::Values(1, 15, 16, 100, 65536));

TEST(ChunkLog, AnAllocationThatFailsDropsOnlyThatChunk) {
    ConnectInfo rec;
    LogReceivedChunk(&rec, "kept", false);
    ChunkLog::FailNextAppendsForTest(1);
    EXPECT_FALSE(LogReceivedChunk(&rec, "lost", false));
    EXPECT_TRUE(LogReceivedChunk(&rec, "after", false));
    CCritSecLock lock(g_csConnect);
    EXPECT_EQ(rec.nRecvBytes, 13u);
    EXPECT_EQ(rec.strRecv.Count(), 2u);
    EXPECT_EQ(rec.strRecv.FailedBytes(), 4u);
    EXPECT_EQ(rec.strRecv.FailedChunks(), 1u);
}

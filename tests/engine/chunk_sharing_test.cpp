// Large chunks are handed out as shares of the log's buffer: a chunk taken by a reader keeps
// its bytes after the log drops it (a limit, a clear, the log gone), and small ones still come
// as copies of their own, packed or not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/chunk_log.h"
#include "engine/crit_sec.h"

using namespace quillet::engine;

namespace {

std::string Big(size_t size, char c) {
    std::string s(size, c);
    s.front() = '<';
    s.back() = '>';
    return s;
}

TEST(ChunkSharing, ATakenChunkOutlivesItsPlaceInTheLog) {
    CCritSecLock lock(g_csConnect);
    const std::string big = Big(ChunkLog::kSharedFrom * 3, 'x');
    // How the log lets it go: pushed out by its limit, cleared, or gone with its log.
    enum class Drop { kLimit, kClear, kLogGone };
    for (Drop drop : {Drop::kLimit, Drop::kClear, Drop::kLogGone}) {
        SCOPED_TRACE(static_cast<int>(drop));
        auto log = std::make_unique<ChunkLog>(ChunkDir::kSent);
        ASSERT_TRUE(log->Append("small", 1));
        ASSERT_TRUE(log->Append(big, 2));
        const LogChunk one = log->At(1);
        std::vector<LogChunk> copied = log->Copy(0, log->End());
        ASSERT_EQ(copied.size(), 2u);
        EXPECT_TRUE(one.bytes.Shared());
        EXPECT_TRUE(copied[1].bytes.Shared());
        EXPECT_FALSE(copied[0].bytes.Shared());               // a small one is a copy of its own
        EXPECT_EQ(one.bytes.data(), copied[1].bytes.data());  // one buffer, not two copies
        if (drop == Drop::kLimit) {
            const uint64_t limit = LogLimitPerLog();
            SetLogLimits(ChunkLog::CostOf(big.size()) * 2, LogLimitTotal());
            ASSERT_TRUE(log->Append(Big(ChunkLog::kSharedFrom * 2, 'y'), 3));
            ASSERT_TRUE(log->Append(Big(ChunkLog::kSharedFrom * 2, 'z'), 4));
            SetLogLimits(limit, LogLimitTotal());
            EXPECT_GT(log->First(), 1u);  // the big chunk went
        } else if (drop == Drop::kClear) {
            log->clear();
        } else {
            log.reset();
        }
        EXPECT_EQ(one.bytes, big);
        EXPECT_EQ(copied[1].bytes, big);
        EXPECT_EQ(copied[0].bytes, "small");
    }
}

TEST(ChunkSharing, SharedChunksCountWhatTheyCostAndReadLikeAnyOther) {
    CCritSecLock lock(g_csConnect);
    ChunkLog log;
    const std::vector<size_t> sizes = {
        1, 64, 65, ChunkLog::kSharedFrom - 1, ChunkLog::kSharedFrom, ChunkLog::kSharedFrom * 16, 3};
    uint64_t bytes = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        ASSERT_TRUE(log.Append(Big(sizes[i], static_cast<char>('a' + i)), static_cast<int64_t>(i)));
        bytes += sizes[i];
    }
    EXPECT_EQ(log.HeldBytes(), bytes);
    EXPECT_EQ(log.BytesIn(log.First(), log.End()), bytes);
    EXPECT_EQ(log.BytesIn(4, 6), sizes[4] + sizes[5]);
    for (size_t i = 0; i < sizes.size(); ++i) {
        const LogChunk c = log.At(i);
        EXPECT_EQ(c.bytes, Big(sizes[i], static_cast<char>('a' + i))) << i;
        EXPECT_EQ(c.bytes.Shared(), sizes[i] >= ChunkLog::kSharedFrom) << i;
        EXPECT_EQ(c.timeNs, static_cast<int64_t>(i));
    }
    // A snapshot costs what the original does: its shares are counted as its own.
    const ChunkLog copy(log);
    EXPECT_EQ(copy.Cost(), log.Cost());
    EXPECT_GE(log.Cost(), bytes);
    log.clear();
    EXPECT_EQ(copy.At(5).bytes, Big(sizes[5], 'f'));
}

}  // namespace

// Small chunks are stored packed; every chunk still reads back with its own time, stream flag and
// bytes, in order, across packing, drops at the limits and the program-wide trim.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/chunk_log.h"
#include "engine/crit_sec.h"

using namespace quillet::engine;

namespace {

struct Sent {
    int64_t timeNs;
    bool joins;
    std::string bytes;
};

// Mostly 1-byte chunks; now and then a chunk at the packed size limit, one just past it, a gap too
// long for a packed block and a clock stepped back.
Sent Make(int i, int64_t& timeNs, bool stepBack = true) {
    timeNs += i % 5000 == 0 ? int64_t{5'000'000'000} : 1000;
    if (i == 12345 && stepBack)
        timeNs -= 1'000'000;
    const size_t size = i % 997 == 0 ? 65 : i % 499 == 0 ? 64 : 1;
    return {timeNs, i % 17 == 0, std::string(size, static_cast<char>(i))};
}

void Append(ChunkLog& log, const Sent& s) {
    ASSERT_TRUE(log.Append(s.bytes, s.timeNs, s.joins));
}

// The log holds exactly the newest of `sent`, each as it went in.
void ExpectHeldAsSent(const ChunkLog& log, const std::vector<Sent>& sent) {
    ASSERT_EQ(log.DroppedChunks() + log.Count(), sent.size());
    ASSERT_EQ(log.End(), sent.size());
    const std::vector<LogChunk> held = log.Copy(log.First(), log.End());
    ASSERT_EQ(held.size(), log.Count());
    uint64_t bytes = 0;
    for (size_t at = 0; at < held.size(); ++at) {
        const Sent& s = sent[log.First() + at];
        const LogChunk& c = held[at];
        ASSERT_EQ(c.timeNs, s.timeNs) << at;
        ASSERT_EQ(c.joinsPrevious, s.joins) << at;
        ASSERT_EQ(c.bytes, s.bytes) << at;
        ASSERT_EQ(c.dir, log.Dir());
        bytes += s.bytes.size();
    }
    EXPECT_EQ(log.HeldBytes(), bytes);
    if (log.Count() > 20) {
        const uint64_t mid = log.First() + log.Count() / 2;
        EXPECT_EQ(log.At(mid).bytes, sent[mid].bytes);
        EXPECT_EQ(log.At(mid).timeNs, sent[mid].timeNs);
        EXPECT_EQ(log.BytesIn(log.First() + 1, mid),
                  bytes - held.front().bytes.size() - log.BytesIn(mid, log.End()));
    }
}

TEST(ChunkPacking, TinyChunksKeepTheirTimeFlagAndBytesAcrossDrops) {
    const uint64_t perLog = LogLimitPerLog(), total = LogLimitTotal();
    constexpr uint64_t kLimit = 64 << 10;
    SetLogLimits(kLimit, uint64_t{1} << 40);
    {
        CCritSecLock lock(g_csConnect);
        ChunkLog log(ChunkDir::kReceived);
        std::vector<Sent> sent;
        int64_t timeNs = 1'700'000'000'000'000'000;
        for (int i = 0; i < 40000; ++i) {
            sent.push_back(Make(i, timeNs));
            Append(log, sent.back());
            ASSERT_LE(log.Cost(), kLimit);
            if (i % 1000 == 999 || i < 50)
                ExpectHeldAsSent(log, sent);
        }
        ExpectHeldAsSent(log, sent);
        EXPECT_GT(log.DroppedChunks(), 0u);
        // Packed, a 1-byte chunk costs a small part of an index entry: many more fit.
        EXPECT_GT(log.Count() * 16, kLimit - ChunkLog::BaseCost());
        // A snapshot reads the same and counts the same.
        const ChunkLog copy(log);
        ExpectHeldAsSent(copy, sent);
        EXPECT_LE(copy.Cost(), kLimit);
    }
    SetLogLimits(perLog, total);
}

TEST(ChunkPacking, TheProgramWideLimitDropsTheOldestPackedChunksOfAnyLog) {
    const uint64_t perLog = LogLimitPerLog(), total = LogLimitTotal();
    {
        CCritSecLock lock(g_csConnect);
        ChunkLog received(ChunkDir::kReceived), sentLog(ChunkDir::kSent);
        const uint64_t limit = TotalLogBytes() + (32 << 10);
        SetLogLimits(uint64_t{1} << 40, limit);
        std::vector<Sent> toReceived, toSent;
        int64_t timeNs = 1'700'000'000'000'000'000;
        for (int i = 0; i < 20000; ++i) {
            Sent s = Make(i, timeNs, false);
            // Runs of a few hundred chunks to each log, in one order of time.
            const bool first = (i / 300) % 2 == 0;
            (first ? toReceived : toSent).push_back(s);
            Append(first ? received : sentLog, s);
            ASSERT_LE(TotalLogBytes(), limit);
        }
        ExpectHeldAsSent(received, toReceived);
        ExpectHeldAsSent(sentLog, toSent);
        EXPECT_GT(received.DroppedChunks() + sentLog.DroppedChunks(), 0u);
        // What went is older than all that stayed.
        int64_t newestDropped = INT64_MIN, oldestHeld = INT64_MAX;
        const auto note = [&](const ChunkLog& log, const std::vector<Sent>& went) {
            for (uint64_t seq = 0; seq < went.size(); ++seq) {
                if (seq < log.First())
                    newestDropped = std::max(newestDropped, went[seq].timeNs);
                else
                    oldestHeld = std::min(oldestHeld, went[seq].timeNs);
            }
        };
        note(received, toReceived);
        note(sentLog, toSent);
        EXPECT_LT(newestDropped, oldestHeld);
    }
    SetLogLimits(perLog, total);
}

}  // namespace

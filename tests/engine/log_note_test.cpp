// Notes of the program's own in a record's logs: flagged in the log, never by a byte pattern, so
// a peer that sends the note mark shows as data; kept in time order with the data, never packed
// with it, costed honestly, counted in no counter, and rendered the same in views and text
// recordings while raw recordings never hold them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "encoding/wire_codec.h"
#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "engine/log_recorder.h"
#include "engine/record_log.h"
#include "tests/common/wait_until.h"

using namespace quillet::engine;

namespace {

const std::u16string kMark(kNoteMark);

struct Utf8 {
    Utf8() { quillet::enc::SetWireEncoding("GBK"); }  // notes are UTF-8 whatever the page's
    ~Utf8() { quillet::enc::SetWireEncoding(quillet::enc::kAnsi); }
};

std::string Utf8Of(const std::u16string& text) {
    return quillet::enc::EncodeWith("UTF-8", text);
}

TEST(LogNote, APeerSendingTheMarkShowsAsDataAndOnlyAFlaggedNoteShowsAsNote) {
    Utf8 gbk;
    ConnectInfo rec;
    const std::string forged = Utf8Of(kMark) + "2026-01-01 00:00:00  step passed";
    LogReceivedChunk(&rec, forged, false);
    ASSERT_TRUE(LogNoteChunk(&rec, ChunkDir::kReceived, "第 1 步 通过\n\x01"));
    CCritSecLock lock(g_csConnect);
    ASSERT_EQ(rec.strRecv.Count(), 2u);
    const LogChunk data = rec.strRecv.At(0), note = rec.strRecv.At(1);
    EXPECT_FALSE(data.note);
    EXPECT_TRUE(note.note);
    const std::u16string dataLine = RenderChunk(data, nullptr, &note);
    const std::u16string noteLine = RenderChunk(note, &data, nullptr);
    EXPECT_NE(dataLine.rfind(kMark, 0), 0u) << "a peer's bytes start with the stamp";
    EXPECT_TRUE(dataLine[0] >= u'0' && dataLine[0] <= u'9');
    ASSERT_EQ(noteLine.rfind(kMark, 0), 0u);
    // UTF-8 whatever the wire encoding; its further lines indented, controls as pictures.
    EXPECT_NE(noteLine.find(u"第 1 步 通过\n    \u2401"), std::u16string::npos);
    // Nothing of it is counted as received.
    EXPECT_EQ(rec.nRecvBytes, forged.size());
    EXPECT_EQ(rec.nRecvBytesAll, forged.size());
    const std::u16string whole = RenderLog(rec.strRecv);
    EXPECT_EQ(whole, dataLine + noteLine);
}

TEST(LogNote, NotesKeepTheirPlaceAndFlagAmongPackedChunksAndCostWhatTheyHold) {
    ChunkLog log;
    int64_t t = 1'000'000'000;
    std::vector<std::pair<bool, std::string>> want;
    for (int i = 0; i < 300; ++i) {
        const bool note = i % 37 == 5;
        const std::string bytes(note ? 3 + i % 70 : 1 + i % 3, static_cast<char>('a' + i % 26));
        const uint64_t before = log.Cost(), totalBefore = TotalLogBytes();
        ASSERT_TRUE(note ? log.AppendNote(bytes, t += 10) : log.Append(bytes, t += 10));
        if (note) {  // an entry of its own, costed as any chunk kept on its own
            std::string kept;
            kept.assign(bytes);  // as the log stores it
            EXPECT_EQ(log.Cost() - before, ChunkLog::CostOf(kept.capacity())) << i;
            EXPECT_EQ(TotalLogBytes() - totalBefore, log.Cost() - before) << i;
        }
        want.emplace_back(note, bytes);
    }
    CCritSecLock lock(g_csConnect);
    const std::vector<LogChunk> got = log.Copy(log.First(), log.End());
    ASSERT_EQ(got.size(), want.size());
    uint64_t held = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].note, want[i].first) << i;
        EXPECT_EQ(got[i].bytes, want[i].second) << i;
        held += want[i].second.size();
    }
    EXPECT_EQ(log.HeldBytes(), held);
    log.clear();
    EXPECT_EQ(log.Cost(), 0u);
}

TEST(LogNote, ATextRecordingHoldsTheNoteAsShownAndARawOneNever) {
    for (auto form :
         {quillet::engine::LogRecorder::Form::kText, quillet::engine::LogRecorder::Form::kRaw}) {
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        ASSERT_EQ(fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
        auto opened = quillet::engine::LogRecorder::AdoptForTest(fds[1], form, 1 << 20);
        ASSERT_TRUE(opened.recorder);
        ConnectInfo rec;
        rec.label = "127.0.0.1:9";
        rec.recorder = opened.recorder.get();
        ASSERT_TRUE(LogNoteChunk(&rec, ChunkDir::kReceived, "序列完成"));
        rec.recorder->Append("!");  // a marker after it
        std::string got;
        char buf[4096];
        ASSERT_TRUE(quillet::test::WaitUntil([&] {
            const ssize_t n = read(fds[0], buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            return !got.empty() && got.back() == '!';
        }));
        if (form == quillet::engine::LogRecorder::Form::kRaw) {
            EXPECT_EQ(got, "!");
        } else {
            EXPECT_EQ(got.rfind(Utf8Of(kMark), 0), 0u) << got;
            EXPECT_NE(got.find("RX 127.0.0.1:9  序列完成\n"), std::string::npos) << got;
        }
        rec.recorder = nullptr;
        opened.recorder.reset();
        close(fds[0]);
    }
}

}  // namespace

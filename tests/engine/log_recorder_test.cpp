// Recording logged chunks to a file: the exact bytes in order, a refused write and a disk that
// falls behind stop the recording with every byte accounted for, and the counters a record
// keeps as its chunks arrive over a real connection.
#include "engine/log_recorder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/chunk_recording.h"
#include "engine/log_line.h"
#include "engine/record_counters.h"
#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

using quillet::engine::LogRecorder;
using namespace quillet::test;

namespace {

// The folders TempPath made, removed when the tests end.
struct TempFolders {
    std::vector<std::string> made;
    ~TempFolders() {
        for (const std::string& dir : made)
            std::filesystem::remove_all(dir);
    }
} g_tempFolders;

std::string TempPath(const char* name) {
    char dir[] = "/tmp/quillet-recorder-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    g_tempFolders.made.emplace_back(dir);
    return std::string(dir) + "/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Every byte value, and chunks from one byte to several pieces' worth.
std::vector<std::string> MixedChunks() {
    std::vector<std::string> chunks;
    for (size_t size : {1u, 255u, 4096u, 70000u, 3u, 200000u}) {
        std::string c(size, '\0');
        for (size_t i = 0; i < size; ++i)
            c[i] = static_cast<char>((i * 131 + size) & 0xFF);
        chunks.push_back(c);
    }
    return chunks;
}

bool Finished(const LogRecorder& r) {
    return r.GetStatus().finished;
}

}  // namespace

TEST(LogRecorderTest, WritesExactlyTheAppendedBytesInOrderAndAppendsToAnOldFile) {
    const std::string path = TempPath("raw.bin");
    { std::ofstream(path, std::ios::binary) << "old"; }
    auto opened = LogRecorder::Open(path, LogRecorder::Form::kRaw);
    ASSERT_TRUE(opened.recorder) << opened.error;
    std::string expected = "old";
    for (const std::string& c : MixedChunks()) {
        EXPECT_TRUE(opened.recorder->Append(c));
        expected += c;
    }
    opened.recorder->Stop();
    ASSERT_TRUE(WaitUntil([&] { return Finished(*opened.recorder); }));
    const LogRecorder::Status st = opened.recorder->GetStatus();
    EXPECT_EQ(st.state, LogRecorder::State::kStopped);
    EXPECT_EQ(st.written, expected.size() - 3);
    EXPECT_EQ(st.unwritten, 0u);
    EXPECT_FALSE(opened.recorder->Append("late"));  // stopped: counted, not written
    EXPECT_EQ(opened.recorder->GetStatus().unwritten, 4u);
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(LogRecorderTest, AFolderThatCannotBeWrittenIsRefusedAtOnce) {
    auto opened = LogRecorder::Open("/proc/quillet-no-such-dir/raw.bin", LogRecorder::Form::kRaw);
    EXPECT_FALSE(opened.recorder);
    EXPECT_NE(opened.error, 0);
}

TEST(LogRecorderTest, AFailedWriteStopsRecordingAndCountsWhatWasNotWritten) {
    // A descriptor that refuses writes stands for a disk that fails under the recording.
    const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    auto opened = LogRecorder::AdoptForTest(fd, LogRecorder::Form::kRaw, 1 << 20);
    ASSERT_TRUE(opened.recorder);
    LogRecorder& rec = *opened.recorder;
    uint64_t handed = 0;
    for (int i = 0; i < 100 && rec.GetStatus().state == LogRecorder::State::kRecording; ++i) {
        rec.Append(std::string(1000, 'x'));
        handed += 1000;
        WaitUntil([&] { return rec.GetStatus().state != LogRecorder::State::kRecording; },
                  std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(WaitUntil([&] { return Finished(rec); }));
    const LogRecorder::Status st = rec.GetStatus();
    EXPECT_EQ(st.state, LogRecorder::State::kWriteFailed);
    EXPECT_EQ(st.error, EBADF);
    EXPECT_EQ(st.written, 0u);
    EXPECT_EQ(st.unwritten, handed);
    EXPECT_FALSE(rec.Append("more"));
    EXPECT_EQ(rec.GetStatus().unwritten, handed + 4);
}

TEST(LogRecorderTest, ADiskThatFallsBehindStopsRecordingWithEveryByteAccountedFor) {
    // A pipe nobody reads yet is a disk that does not keep up.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    constexpr size_t kQueue = 256 * 1024;
    auto opened = LogRecorder::AdoptForTest(pipeFds[1], LogRecorder::Form::kRaw, kQueue);
    LogRecorder& rec = *opened.recorder;
    std::string handed;
    for (int i = 0; i < 10000 && rec.Append(std::string(4096, static_cast<char>('a' + i % 26)));
         ++i)
        handed += std::string(4096, static_cast<char>('a' + i % 26));
    ASSERT_EQ(rec.GetStatus().state, LogRecorder::State::kQueueFull);
    EXPECT_EQ(rec.GetStatus().unwritten, 4096u);
    // The queue held no more than its bound; the rest went into the pipe before it filled.
    const int pipeBytes = fcntl(pipeFds[0], F_GETPIPE_SZ);
    ASSERT_GT(pipeBytes, 0);
    EXPECT_LE(handed.size(), kQueue + static_cast<size_t>(pipeBytes));
    // The disk catches up: what was queued before the stop reaches it, then the file closes.
    std::string read;
    char buf[65536];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        read.append(buf, static_cast<size_t>(n));
    close(pipeFds[0]);
    ASSERT_TRUE(WaitUntil([&] { return Finished(rec); }));
    const LogRecorder::Status st = rec.GetStatus();
    EXPECT_EQ(st.state, LogRecorder::State::kQueueFull);
    EXPECT_EQ(read, handed);
    EXPECT_EQ(st.written, handed.size());
    EXPECT_EQ(st.unwritten, 4096u);
}

TEST(LogRecorderTest, ManyThreadsAppendWhileTheWriterWrites) {
    const std::string path = TempPath("threads.bin");
    auto opened = LogRecorder::Open(path, LogRecorder::Form::kRaw);
    ASSERT_TRUE(opened.recorder);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                opened.recorder->Append(std::string(100, static_cast<char>('A' + t)));
        });
    for (auto& t : threads)
        t.join();
    opened.recorder.reset();  // waits for the writer
    const std::string all = ReadFile(path);
    ASSERT_EQ(all.size(), 4u * 500u * 100u);
    for (char c = 'A'; c < 'A' + 4; ++c)
        EXPECT_EQ(std::count(all.begin(), all.end(), c), 500 * 100);
    for (size_t i = 0; i < all.size(); i += 100)  // chunks never interleave
        EXPECT_EQ(all.substr(i, 100), std::string(100, all[i]));
}

TEST(RateWindowTest, CountsTheLastSecondOnly) {
    RateWindow w;
    const auto t0 = RateWindow::Clock::time_point(std::chrono::seconds(1000));
    w.Add(100, t0);
    w.Add(50, t0 + std::chrono::milliseconds(500));
    EXPECT_EQ(w.LastSecond(t0 + std::chrono::milliseconds(950)), 150u);
    EXPECT_EQ(w.LastSecond(t0 + std::chrono::milliseconds(1050)), 50u);
    EXPECT_EQ(w.LastSecond(t0 + std::chrono::milliseconds(1600)), 0u);
    w.Add(7, t0 + std::chrono::seconds(5));  // the slot comes round again: old bytes forgotten
    EXPECT_EQ(w.LastSecond(t0 + std::chrono::seconds(5)), 7u);
}

// A record of a TCP engine, recorded raw and as text, counts what a real peer sent.
TEST(ChunkRecordingTest, AConnectionsChunksAreCountedAndRecordedAsTheyArrive) {
    Utf8Wire utf8;
    RecordingSink sink;
    TcpEngine engine{&sink};
    const int listenFd = engine.Listen(0);
    ASSERT_GE(listenFd, 0);
    const std::string rawPath = TempPath("peer.bin");
    const std::string textPath = TempPath("page.txt");
    auto raw = LogRecorder::Open(rawPath, LogRecorder::Form::kRaw);
    auto text = LogRecorder::Open(textPath, LogRecorder::Form::kText);
    ASSERT_TRUE(raw.recorder && text.recorder);
    engine.m_store.SetPageRecorder(text.recorder.get());
    PeerSocket peer(TcpConnect(LocalPort(listenFd)));
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == 1; }));
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = engine.m_map.begin()->second;
        rec->label = "peer-label";
    }
    engine.m_store.SetRecorder(rec, raw.recorder.get());

    std::string sent;
    for (int i = 0; i < 20; ++i)
        sent += std::string(1000, static_cast<char>(i));  // zero bytes included
    ASSERT_TRUE(SendAll(peer, sent));
    ASSERT_TRUE(WaitUntil([&] { return engine.m_store.Counters(rec).recvBytes == sent.size(); }));
    const std::string hello = "\xe4\xbd\xa0\xe5\xa5\xbd";  // 你好, one chunk of its own
    ASSERT_TRUE(SendAll(peer, hello));
    sent += hello;
    ASSERT_TRUE(WaitUntil([&] { return engine.m_store.Counters(rec).recvBytes == sent.size(); }));
    NoteLoggedChunk(engine.m_store, *rec, ChunkSide::kSent, "reply");
    SetStampStyle(StampStyle::kUtcMillis);  // the text recording follows the views' style
    NoteLoggedChunk(engine.m_store, *rec, ChunkSide::kSent, "utc");
    SetStampStyle(StampStyle::kChinaSeconds);
    const CounterSnapshot c = engine.m_store.Counters(rec);
    EXPECT_EQ(c.sentBytes, 8u);
    EXPECT_EQ(c.sentMessages, 2u);
    EXPECT_GE(c.recvMessages, 1u);
    EXPECT_LE(c.recvPerSecond, sent.size());

    engine.m_store.SetRecorder(rec, nullptr);
    engine.m_store.SetPageRecorder(nullptr);
    raw.recorder.reset();
    text.recorder.reset();
    EXPECT_EQ(ReadFile(rawPath), sent);  // the peer's bytes and nothing else
    const std::string lines = ReadFile(textPath);
    EXPECT_NE(lines.find(" RX peer-label  "), std::string::npos);
    EXPECT_NE(lines.find(" TX peer-label  reply\n"), std::string::npos);
    // The UTC style with milliseconds: "YYYY-MM-DD hh:mm:ss.mmmZ  TX peer-label  utc".
    const size_t at = lines.find("Z  TX peer-label  utc\n");
    std::string shape = at != std::string::npos && at >= 23 ? lines.substr(at - 23, 23) : "";
    for (char& ch : shape)
        ch = std::isdigit(static_cast<unsigned char>(ch)) ? '9' : ch;
    EXPECT_EQ(shape, "9999-99-99 99:99:99.999");
    EXPECT_NE(lines.find("\xe4\xbd\xa0\xe5\xa5\xbd"), std::string::npos);
    peer.Close();
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(engine);
}

// A page-wide raw recording of a UDP server socket holds every sender's datagrams whole, from
// the very first one, and each peer counts its own.
TEST(ChunkRecordingTest, APageRecordingOfAUdpServerHoldsEveryDatagram) {
    RecordingSink sink;
    UdpEngine engine{&sink};
    const std::string path = TempPath("udp.bin");
    auto raw = LogRecorder::Open(path, LogRecorder::Form::kRaw);
    ASSERT_TRUE(raw.recorder);
    engine.m_store.SetPageRecorder(raw.recorder.get());
    const int serverFd = engine.Bind(0);
    ASSERT_GE(serverFd, 0);
    PeerSocket a(UdpBind()), b(UdpBind());
    std::string expected;
    for (int i = 0; i < 6; ++i) {
        std::string datagram(100 + i * 1000, static_cast<char>(i * 40));
        datagram[0] = '\0';
        ASSERT_TRUE(UdpSendTo(i % 2 ? b : a, datagram, LocalPort(serverFd)));
        expected += datagram;
        // One at a time, so the file's order is the sending order.
        ASSERT_TRUE(
            WaitUntil([&] { return raw.recorder->GetStatus().written == expected.size(); }));
    }
    engine.m_store.SetPageRecorder(nullptr);
    raw.recorder.reset();
    EXPECT_EQ(ReadFile(path), expected);
    {
        CCritSecLock lock(g_csConnect);
        ASSERT_EQ(engine.m_map.size(), 2u);
        for (auto& [key, rec] : engine.m_map)
            EXPECT_EQ(rec->counters.recvMessages, 3u);
    }
    quillet::engine::sock::CloseSocket(serverFd);
    TearDownEngine(engine);
}

// A raw recording of a TCP connection that the disk cannot keep up with pauses the connection's
// reading instead of losing bytes: the peer is slowed, and the file gets every byte in order.
TEST(ChunkRecordingTest, ARawTcpRecordingThatFallsBehindPausesReadingAndKeepsEveryByte) {
    RecordingSink sink;
    TcpEngine engine{&sink};
    const int listenFd = engine.Listen(0);
    ASSERT_GE(listenFd, 0);
    PeerSocket peer(TcpConnect(LocalPort(listenFd)));
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == 1; }));
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = engine.m_map.begin()->second;
    }
    // A pipe read only later is a disk that falls far behind a queue of 64 KiB.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    auto opened = LogRecorder::AdoptForTest(pipeFds[1], LogRecorder::Form::kRaw, 64 * 1024);
    engine.m_store.SetRecorder(rec, opened.recorder.get());

    std::string sent(size_t{4} << 20, '\0');
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>('a' + i % 26);
    std::thread sender([&] { SendAll(peer, sent); });
    ASSERT_TRUE(WaitUntil([&] { return opened.recorder->Behind(); }));
    fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
    std::string read;
    char buf[65536];
    const bool all = WaitUntil(
        [&] {
            for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
                read.append(buf, static_cast<size_t>(n));
            return read.size() >= sent.size();
        },
        std::chrono::seconds(60));
    sender.join();
    EXPECT_TRUE(all);
    EXPECT_TRUE(read == sent);
    const LogRecorder::Status st = opened.recorder->GetStatus();
    EXPECT_EQ(st.state, LogRecorder::State::kRecording);
    EXPECT_EQ(st.unwritten, 0u);
    engine.m_store.SetRecorder(rec, nullptr);
    opened.recorder.reset();
    close(pipeFds[0]);
    quillet::engine::sock::CloseSocket(listenFd);
    TearDownEngine(engine);
}

#include "bench/tcp_ingest_bench.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>

#include "bench/bench_support.h"
#include "engine/tcp_engine.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr size_t kTotal = size_t{64} << 20;
constexpr size_t kChunk = 4096;
constexpr int kRounds = 3;
constexpr auto kFloodLimit = std::chrono::seconds(120);

// A page that does nothing with the news: the cost measured is the engine's own.
class IdleSink : public IConnectionSink {
public:
    void OnNewConnection(ConnectInfo*, uint64_t) override { ++accepted; }
    void OnConnectionUpdate(ConnectInfo*, UpdateKind kind, uint64_t) override {
        if (kind != UPDATE_CLOSED)
            return;
        closedAt = Clock::now();
        closed = true;
    }
    std::atomic<int> accepted{0};
    std::atomic<bool> closed{false};
    Clock::time_point closedAt;  // written before `closed` is set
};

double MBps(size_t bytes, double seconds) {
    return seconds > 0 ? bytes / seconds / 1e6 : 0;
}

// MB/s into the engine's record log, or -1 when the record did not count every byte.
double EngineRound() {
    IdleSink sink;
    TcpEngine engine(&sink);
    int listenFd = engine.Listen(0);
    int peer = listenFd < 0 ? -1 : quillet::test::TcpConnect(quillet::test::LocalPort(listenFd));
    double result = -1;
    if (peer >= 0 && PollUntil([&] { return sink.accepted == 1; }, std::chrono::seconds(5))) {
        const auto start = Clock::now();
        auto sender = std::async(std::launch::async, SendTcpFlood, peer, kTotal, kChunk);
        bool done = PollUntil([&] { return sink.closed.load(); }, kFloodLimit);
        size_t sent = sender.get();
        uint32_t counted = 0;
        {
            CCritSecLock lock(g_csConnect);
            for (auto& entry : engine.m_map)
                counted += entry.second->nRecvBytesAll;
        }
        close(peer);
        if (done && sent == kTotal && counted == kTotal)
            result = MBps(kTotal, Seconds(sink.closedAt - start));
        else
            std::fprintf(stderr, "tcp ingest: sent %zu, counted %u of %zu\n", sent, counted,
                         kTotal);
    } else if (peer >= 0) {
        close(peer);
    }
    if (listenFd >= 0)
        quillet::engine::sock::CloseSocket(listenFd);
    FreeRecords(engine);
    return result;
}

// MB/s through a plain recv loop with the engine's buffer size and nothing else.
double BaselineRound() {
    int port = 0;
    int listenFd = quillet::test::TcpListen(&port);
    int peer = listenFd < 0 ? -1 : quillet::test::TcpConnect(port);
    int conn = peer < 0 ? -1 : quillet::test::TcpAccept(listenFd);
    double result = -1;
    if (conn >= 0) {
        char buf[10240];
        size_t got = 0;
        const auto start = Clock::now();
        auto sender = std::async(std::launch::async, SendTcpFlood, peer, kTotal, kChunk);
        for (;;) {  // ends at the peer's close or after the socket's 5 s receive timeout
            ssize_t n = recv(conn, buf, sizeof buf - 1, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        const auto end = Clock::now();
        sender.get();
        close(peer);
        if (got == kTotal)
            result = MBps(kTotal, Seconds(end - start));
        close(conn);
    } else if (peer >= 0) {
        close(peer);
    }
    if (listenFd >= 0)
        close(listenFd);
    return result;
}

}  // namespace

bool RunTcpIngest() {
    std::vector<double> engine, baseline;
    bool complete = true;
    for (int i = 0; i < kRounds; ++i) {
        double e = EngineRound();
        double b = BaselineRound();
        complete = complete && e >= 0 && b >= 0;
        engine.push_back(e);
        baseline.push_back(b);
    }
    PrintFigure("tcp_ingest_engine_MBps", Median(engine), Median(baseline));
    return complete;
}

bool SendTcpIngestTo(int port) {
    int fd = quillet::test::TcpConnect(port);
    // The receiver may still be starting: a bounded number of tries, about 5 s in all.
    for (int i = 0; fd < 0 && i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        fd = quillet::test::TcpConnect(port);
    }
    if (fd < 0)
        return false;
    // The receiver has everything once it closes in turn after our half-close.
    const auto start = Clock::now();
    size_t sent = SendTcpFlood(fd, kTotal, kChunk);
    char byte;
    bool closed = recv(fd, &byte, 1, 0) == 0;  // 5 s receive timeout
    const auto end = Clock::now();
    close(fd);
    if (!closed || sent != kTotal)
        return false;
    std::printf("tcp_ingest_sender_MBps %.1f\n", MBps(kTotal, Seconds(end - start)));
    return true;
}

}  // namespace quillet::bench

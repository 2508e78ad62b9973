#include "bench/udp_storm_bench.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>

#include "bench/bench_support.h"
#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr int kSenders = 10;
constexpr int kPerSender = 10000;
constexpr int kSize = 100;
constexpr double kPacedRate = 50000;
constexpr int kRounds = 3;
// A round ends when every datagram arrived, or this long after the last one did.
constexpr auto kQuiet = std::chrono::milliseconds(300);
constexpr auto kRoundLimit = std::chrono::seconds(30);

struct Round {
    bool ok = false;
    double perSecond = 0;  // datagrams received per second, first send to last receipt
    double loggedPct = 0;  // share of the sent datagrams that were received (and logged)
    double sendRate = 0;   // datagrams per second the senders really reached
};

// Counts datagrams as they are handled; the page's work is not the subject here.
class CountingSink : public IConnectionSink {
public:
    void OnNewConnection(ConnectInfo*, uint64_t) override {}
    void OnConnectionUpdate(ConnectInfo*, UpdateKind kind, uint64_t) override {
        if (kind != UPDATE_DATA)
            return;
        lastNs = Clock::now().time_since_epoch().count();
        ++received;
    }
    std::atomic<size_t> received{0};
    std::atomic<Clock::rep> lastNs{0};
};

// The senders on a thread of their own; `*sentAt` is stamped when the last one is done (read
// it after the future is ready).
std::future<size_t> StartStorm(int port, double rate, Clock::time_point* sentAt) {
    return std::async(std::launch::async, [=] {
        size_t sent = SendUdpStorm(port, kSenders, kPerSender, kSize, rate);
        *sentAt = Clock::now();
        return sent;
    });
}

// Waits until `received` reaches `sent` (once known) or stops growing; bounded.
void AwaitQuiet(const std::atomic<size_t>& received, std::future<size_t>& sender, size_t* sent) {
    const auto deadline = Clock::now() + kRoundLimit;
    size_t seen = received;
    auto lastChange = Clock::now();
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (*sent == 0 && sender.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            *sent = sender.get();
        size_t now = received;
        if (now != seen) {
            seen = now;
            lastChange = Clock::now();
        }
        if (*sent != 0 && (now >= *sent || Clock::now() - lastChange > kQuiet))
            return;
    }
    if (*sent == 0)
        *sent = sender.get();  // senders are bounded by count
}

Round Finish(Clock::time_point start, Clock::rep lastNs, size_t received, size_t sent,
             Clock::time_point sentAt) {
    Round r;
    double sending = Seconds(sentAt - start);
    r.sendRate = sending > 0 ? sent / sending : 0;
    double secs = Seconds(Clock::duration(lastNs) - start.time_since_epoch());
    r.ok = sent > 0;
    r.perSecond = secs > 0 ? received / secs : 0;
    r.loggedPct = sent ? 100.0 * received / sent : 0;
    return r;
}

Round EngineRound(double rate) {
    CountingSink sink;
    UdpEngine engine(&sink);
    Round r;
    int fd = engine.Bind(0);
    if (fd >= 0) {
        const int port = quillet::test::LocalPort(fd);
        const auto start = Clock::now();
        Clock::time_point sentAt;
        auto sender = StartStorm(port, rate, &sentAt);
        size_t sent = 0;
        AwaitQuiet(sink.received, sender, &sent);
        size_t logged = 0;  // what the records hold, not just what was notified
        {
            CCritSecLock lock(g_csConnect);
            for (auto& entry : engine.m_map)
                logged += entry.second->nRecvBytesAll / kSize;
        }
        r = Finish(start, sink.lastNs, logged, sent, sentAt);
        quillet::engine::sock::CloseSocket(fd);
    }
    FreeRecords(engine);
    return r;
}

Round BaselineRound(double rate) {
    // Bound like the engine's server socket: 0.0.0.0 and the same receive buffer.
    const int fd = PlainUdpServerSocket();
    if (fd < 0)
        return {};
    timeval tv{0, 50000};  // lets the loop see the stop flag
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::atomic<size_t> received{0};
    std::atomic<Clock::rep> lastNs{0};
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char buf[10240];
        while (!stop) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n =
                recvfrom(fd, buf, sizeof buf - 1, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n <= 0)
                continue;
            lastNs = Clock::now().time_since_epoch().count();
            ++received;
        }
    });
    const auto start = Clock::now();
    Clock::time_point sentAt;
    auto sender = StartStorm(quillet::test::LocalPort(fd), rate, &sentAt);
    size_t sent = 0;
    AwaitQuiet(received, sender, &sent);
    stop = true;
    reader.join();
    close(fd);
    return Finish(start, lastNs, received, sent, sentAt);
}

// Medians over the rounds of one kind.
struct Summary {
    bool ok = true;
    double perSecond, loggedPct;
};

Summary Summarise(const std::vector<Round>& rounds) {
    Summary s;
    std::vector<double> rate, pct;
    for (const Round& r : rounds) {
        s.ok = s.ok && r.ok;
        rate.push_back(r.perSecond);
        pct.push_back(r.loggedPct);
    }
    s.perSecond = Median(rate);
    s.loggedPct = Median(pct);
    return s;
}

bool Compare(const char* label, double rate, int rounds) {
    std::vector<Round> engine, baseline;
    for (int i = 0; i < rounds; ++i) {
        engine.push_back(EngineRound(rate));
        baseline.push_back(BaselineRound(rate));
    }
    Summary e = Summarise(engine), b = Summarise(baseline);
    std::string prefix = std::string("udp_") + label + "_engine_";
    if (rate == 0)
        PrintFigure(prefix + "dps", e.perSecond, b.perSecond);
    PrintFigure(prefix + "logged_pct", e.loggedPct, b.loggedPct);
    return e.ok && b.ok;
}

// Whether `round` logs at least 99.9 % at `rate`; two tries, so that one scheduling hiccup
// does not decide. `*reached` is the rate the senders really kept.
bool Lossless(Round (*round)(double), double rate, double* reached) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        Round r = round(rate);
        if (r.ok && r.loggedPct >= 99.9) {
            *reached = r.sendRate;
            return true;
        }
    }
    return false;
}

// The rate the senders reach unpaced, into the plain loop.
double SenderCeiling() {
    std::vector<double> rates;
    for (int i = 0; i < kRounds; ++i)
        rates.push_back(BaselineRound(0).sendRate);
    return Median(rates);
}

void PrintLosslessRates() {
    const double ceiling = SenderCeiling();
    auto of = [](Round (*round)(double)) {
        return [round](double rate, double* reached) { return Lossless(round, rate, reached); };
    };
    PrintLossless("udp_lossless_engine_dps", BisectLossless(ceiling, of(EngineRound)),
                  BisectLossless(ceiling, of(BaselineRound)), ceiling);
}

}  // namespace

bool RunUdpStorm() {
    bool ok = Compare("unpaced", 0, kRounds);
    // Paced rounds take two seconds each: one is enough to see loss.
    ok = Compare("paced50k", kPacedRate, 1) && ok;
    PrintLosslessRates();
    return ok;
}

}  // namespace quillet::bench

#include "bench/bench_support.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

namespace quillet::bench {

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintFigure(const std::string& name, double value, double baseline) {
    double ratio = baseline > 0 ? value / baseline : 0;
    std::printf("%s %.1f  baseline %.1f  ratio %.2f\n", name.c_str(), value, baseline, ratio);
    std::fflush(stdout);
}

LosslessFigure BisectLossless(double ceiling,
                              const std::function<bool(double rate, double* reached)>& lossless) {
    LosslessFigure figure;
    double reached = 0;
    if (lossless(ceiling, &reached)) {
        figure.rate = reached;
        figure.atCeiling = true;
        return figure;
    }
    double low = 0, high = ceiling;
    for (int step = 0; step < 16 && (low == 0 || high > low * 1.05); ++step) {
        const double mid = low == 0 ? high / 2 : (low + high) / 2;
        if (mid < 100)
            break;  // lossy even at a trickle
        double got = 0;
        if (lossless(mid, &got)) {
            low = mid;
            figure.rate = got;
        } else {
            high = mid;
        }
    }
    return figure;
}

void PrintLossless(const std::string& name, const LosslessFigure& value,
                   const LosslessFigure& baseline, double ceiling) {
    const double ratio = baseline.rate > 0 ? value.rate / baseline.rate : 0;
    std::printf("%s %.1f%s  baseline %.1f%s  ratio %.2f  sender_ceiling %.1f\n", name.c_str(),
                value.rate, value.atCeiling ? " (sender-bound)" : "", baseline.rate,
                baseline.atCeiling ? " (sender-bound)" : "", ratio, ceiling);
    std::fflush(stdout);
}

bool PollUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!cond()) {
        if (Clock::now() >= deadline)
            return cond();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void RaiseFileLimit() {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max)
        SetSoftFileLimit(lim.rlim_max);
}

bool SetSoftFileLimit(unsigned long soft) {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return false;
    lim.rlim_cur = soft;
    return setrlimit(RLIMIT_NOFILE, &lim) == 0;
}

size_t SendTcpFlood(int fd, size_t total, size_t chunk) {
    std::string block(chunk, 'a');
    for (size_t i = 0; i < chunk; ++i)
        block[i] = static_cast<char>('a' + i % 26);
    size_t sent = 0;
    while (sent < total) {
        size_t n = std::min(chunk, total - sent);
        ssize_t w = send(fd, block.data(), n, MSG_NOSIGNAL);
        if (w <= 0)
            break;  // the receiver stalled past the send timeout, or went away
        sent += static_cast<size_t>(w);
    }
    shutdown(fd, SHUT_WR);
    return sent;
}

namespace {

// One sender's share; pacing sleeps only when it is ahead of its schedule.
size_t SendShare(int port, int count, const std::string& payload, double rate) {
    int fd = quillet::test::UdpBind(0);
    if (fd < 0)
        return 0;
    const sockaddr_in to = quillet::test::Loopback(port);
    const auto start = Clock::now();
    size_t ok = 0;
    for (int i = 0; i < count; ++i) {
        if (rate > 0) {
            auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(i / rate));
            if (due > Clock::now())
                std::this_thread::sleep_until(due);
        }
        if (sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) == static_cast<ssize_t>(payload.size()))
            ++ok;
    }
    close(fd);
    return ok;
}

}  // namespace

size_t SendUdpStorm(int port, int senders, int perSender, int size, double ratePerSecond) {
    std::atomic<size_t> sent{0};
    std::vector<std::thread> threads;
    const std::string payload(static_cast<size_t>(size), 'u');
    const double share = ratePerSecond / senders;
    for (int s = 0; s < senders; ++s)
        threads.emplace_back([&] { sent += SendShare(port, perSender, payload, share); });
    for (auto& t : threads)
        t.join();
    return sent;
}

int PlainUdpServerSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    const int depth = UdpEngine::kServerReceiveBuffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &depth, sizeof depth);
    sockaddr_in any = quillet::test::Loopback(0, "0.0.0.0");
    if (bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace quillet::bench

#pragma once
// Pieces shared by the engine benchmarks: clocks, figures, loopback senders and the page-side
// teardown. Every loop here is bounded in count and time, and every packet goes to 127.0.0.1.
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/socket_closer.h"

namespace quillet::bench {

using namespace quillet::engine;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d);
double Median(std::vector<double> values);

// Raises the open-file limit to its hard maximum (a thousand peers need two thousand sockets).
void RaiseFileLimit();
// Sets the soft open-file limit, as a desktop session starts programs with; false if refused.
bool SetSoftFileLimit(unsigned long soft);

// One output line: "name value  baseline value  ratio value".
void PrintFigure(const std::string& name, double value, double baseline);

// Polls `cond` every 200 µs until it holds or `timeout` passes; returns its last value.
bool PollUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout);

// The highest rate at which `lossless(rate, &reached)` holds (`reached`: the rate the senders
// really kept), by bisection between 0 and `ceiling`, the senders' own unpaced rate, until the
// bounds are within 5 % of each other. `atCeiling`: even the ceiling was lossless, so the
// receiver's own limit was not found.
struct LosslessFigure {
    double rate = 0;
    bool atCeiling = false;
};
LosslessFigure BisectLossless(double ceiling,
                              const std::function<bool(double rate, double* reached)>& lossless);
// "name value  ceiling value" plus a note when the value is only the sender's ceiling.
void PrintLossless(const std::string& name, const LosslessFigure& value,
                   const LosslessFigure& baseline, double ceiling);

// Writes `total` bytes in `chunk`-byte writes to a connected socket, then half-closes it.
// Returns the bytes written (less than `total` only when the receiver stalled past the
// socket's send timeout). Bytes are printable ASCII so that decoding them is not the subject.
size_t SendTcpFlood(int fd, size_t total, size_t chunk);

// Datagram senders on their own sockets, `perSender` datagrams of `size` bytes each, to
// 127.0.0.1:port. `ratePerSecond` 0 sends as fast as the socket takes them; otherwise the
// senders together keep to that rate. Returns how many were sent successfully.
// A plain UDP socket set up like the engine's server socket (0.0.0.0, an ephemeral port, the
// same receive buffer), so that baselines differ from the engine only in what they do with
// each datagram; -1 on failure.
int PlainUdpServerSocket();

size_t SendUdpStorm(int port, int senders, int perSender, int size, double ratePerSecond);

// Shuts the engine down, then closes and frees every record it listed, as a page does.
template <typename Engine>
void FreeRecords(Engine& engine) {
    engine.Shutdown();
    CCritSecLock lock(g_csConnect);
    std::set<ConnectInfo*> records;
    for (auto& entry : engine.m_map)
        records.insert(entry.second);
    engine.m_map.clear();
    for (ConnectInfo* rec : records) {
        if (rec->sock != -1)
            quillet::engine::sock::CloseSocket(rec->sock);
        delete rec;
    }
}

}  // namespace quillet::bench

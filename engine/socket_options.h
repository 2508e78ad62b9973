#pragma once
// The TCP socket options a user may choose for a server or a client page: Nagle off, keep-alive
// with its timings, a connect time-out and a source port (clients), IPv6 only on the IPv6
// wildcard and SO_REUSEADDR. Nothing chosen leaves every socket as it is made without them: a
// listening socket then gets SO_REUSEADDR, as it always did, and nothing else is set.
//
// Threads: any thread; a SocketOptions is a plain value and the Apply functions touch only the
// socket they are given.
#include <string>

#include "engine/ip_endpoint.h"

namespace quillet::engine::sock {

// The largest values the kernel takes (MAX_TCP_KEEPIDLE, MAX_TCP_KEEPINTVL, MAX_TCP_KEEPCNT),
// and the longest connect time-out offered.
constexpr int kMaxKeepIdle = 32767;
constexpr int kMaxKeepInterval = 32767;
constexpr int kMaxKeepCount = 127;
constexpr int kMaxConnectTimeout = 600;

struct SocketOptions {
    enum class Reuse { kDefault, kOn, kOff };  // kDefault: on for servers, off for clients

    bool noDelay = false;
    bool keepAlive = false;
    int keepIdle = 0;        // seconds; 0: the system's
    int keepInterval = 0;    // seconds; 0: the system's
    int keepCount = 0;       // probes; 0: the system's
    int connectTimeout = 0;  // seconds, clients; 0: none of ours
    int sourcePort = 0;      // clients; 0: any
    bool v6Only = false;     // servers on the IPv6 wildcard
    Reuse reuseAddr = Reuse::kDefault;

    bool IsDefault() const { return *this == SocketOptions{}; }
    // Options that each connection has (a server's accepted ones too).
    bool HasConnectionOptions() const { return noDelay || keepAlive; }
    bool operator==(const SocketOptions&) const = default;

    // Stored form: blank-separated "nodelay", "keepalive=idle/interval/count" (no ';' or ',',
    // which a settings file written by hand reads as a comment or a list), "timeout=s",
    // "sport=n", "v6only", "reuse=1|0"; "" for the defaults. Unknown or out-of-range parts read
    // as not chosen.
    std::string ToText() const;
    static SocketOptions FromText(const std::string& text);
};

// Which option the system refused, and its errno; error 0 when every option was taken.
struct OptionsResult {
    const char* option = nullptr;  // "TCP_NODELAY", "SO_KEEPALIVE", ...
    int error = 0;
    bool ok() const { return error == 0; }
};

// Per-connection options (TCP_NODELAY, keep-alive), for accepted and connecting sockets.
OptionsResult ApplyConnectionOptions(int fd, const SocketOptions& options);
// A listening socket about to be bound to `local`: SO_REUSEADDR unless turned off, IPv6 only on
// the IPv6 wildcard when chosen, and the per-connection options its connections inherit.
OptionsResult ApplyListenOptions(int fd, const IpEndpoint& local, const SocketOptions& options);
// A client socket before its bind and connect: SO_REUSEADDR when turned on, and the
// per-connection options.
OptionsResult ApplyClientOptions(int fd, const SocketOptions& options);
// Where a client bound to `chosen` (empty: not bound) is bound with the chosen source port:
// `chosen` with that port, or the wildcard of the target's family. Empty when neither is chosen.
IpEndpoint SourceEndpoint(const IpEndpoint& target, const IpEndpoint& chosen,
                          const SocketOptions& options);

}  // namespace quillet::engine::sock

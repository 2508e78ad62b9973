#pragma once
// The sockets that pages make for their records: a TCP client's non-blocking connect and a UDP
// endpoint (plain, broadcast or multicast member), of either family. An IPv6 socket bound to the
// IPv6 wildcard (::) hears IPv4 peers too (dual stack); bound elsewhere it is IPv6 only. Each call
// returns the system's error code of the step that failed, so that nothing is lost between the call
// and the message the user sees.
//
// Threads: any thread; nothing here is shared. A Socket belongs to one owner at a time.
#include <netinet/in.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "engine/ip_endpoint.h"
#include "engine/own_endpoints.h"
#include "engine/socket_options.h"

namespace quillet::engine::sock {

// An IPv4 endpoint from an address in network order and a port.
inline sockaddr_in Ipv4(in_addr_t address, int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = address;
    return addr;
}

// Owns one descriptor and closes it (CloseSocket) when it goes, unless released to a record.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() { reset(); }
    Socket(Socket&& other) noexcept : m_fd(other.release()) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Hands the descriptor to a new owner (a record); this Socket holds none any more.
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// A socket that was made, or the step that failed and its errno.
enum class Step {
    kNone,
    kSocket,
    kBind,
    kConnect,
    kBroadcast,
    kJoinGroup,
    kGroupOptions,
    kOptions,
    kListen,  // listen or the switch to non-blocking
    kThread   // no worker thread for the socket (no errno: error is 0)
};
// What failed, if anything: the step and its errno.
struct Outcome {
    Step failed = Step::kNone;
    int error = 0;  // errno of the failed step; 0 when it worked
    bool ok() const { return failed == Step::kNone; }
};
// A descriptor an engine's worker now serves (its listener or receiver), or what failed
// (fd -1). The engine owns the descriptor: the page closes it with the engine's CloseSocket.
struct Started : Outcome {
    int fd = -1;
};
inline Started StartFailed(Step step, int error) {
    Started failed;
    failed.failed = step;
    failed.error = error;
    return failed;
}
// A send that failed with `err`: sets errno and `*error` (when given) to it; returns -1.
inline int SendFailed(int err, int* error) {
    errno = err;
    if (error)
        *error = err;
    return -1;
}
struct SocketResult {
    Socket socket;
    Step failed = Step::kNone;
    int error = 0;  // errno of the failed step; 0 when it worked
    bool ok() const { return failed == Step::kNone; }
};

// Starts a connect to `target` without blocking. ok() with `pending` false: connected at once;
// with `pending` true: under way, finish it with FinishConnect once the socket is writable.
// A connected socket blocks again (its receive thread waits in recv). A socket whose number is
// in the descriptor headroom (descriptor_budget.h) is refused as if none could be made (EMFILE).
struct ConnectStart : SocketResult {
    bool pending = false;
};
// With `local`, the socket is bound there first (port 0: any port); with `options`, they are
// set before (ApplyClientOptions; Step::kOptions when one is refused).
ConnectStart StartConnect(const IpEndpoint& target, const IpEndpoint* local = nullptr,
                          const SocketOptions* options = nullptr);
// The outcome of a pending connect: 0 when connected (the socket blocks again), else the
// connect's error.
int FinishConnect(const Socket& socket);

// The address a socket is bound to; error is getsockname's errno.
struct AddressResult {
    IpEndpoint address;
    int error = 0;
};
AddressResult LocalAddress(int fd);
// Notes the socket's local endpoint as one of the program's own (automatic replies never
// answer it). Call once the socket is bound or connected.
void NoteOwnEndpoint(int fd, own::Proto proto);

// A multicast member's group options (addresses in network order).
struct GroupOptions {
    in_addr_t group = INADDR_NONE;
    in_addr_t iface = INADDR_NONE;
    int ttl = 1;  // for an IPv6 group, the hop limit
    bool loop = true;
    // An IPv6 group (ff00::/8): joined instead of `group` when set.
    IpEndpoint group6;
    // The interface by index; 0: by `iface` (IPv4), or the system's choice (IPv6).
    unsigned ifindex = 0;
};
// What a UDP endpoint is made with.
struct UdpOptions {
    IpEndpoint local;  // where to bind, and the family (a port released a moment ago is waited for)
    bool broadcast = false;
    // Join this group on its interface and send to groups through it; the address may be
    // shared with other members (SO_REUSEADDR).
    std::optional<GroupOptions> group;
};
// A bound UDP socket with its options; `bound` is the address really bound.
struct UdpEndpoint : SocketResult {
    IpEndpoint bound;
};
UdpEndpoint OpenUdpEndpoint(const UdpOptions& options);

// The steps of OpenUdpEndpoint, on their own. Each returns 0 or the errno of what failed.
int AllowBroadcast(int fd);
// A socket of the family of `local` (IPv4 when it has none), IPv6 only unless it is the IPv6
// wildcard. Step::kSocket and errno when it cannot be made.
SocketResult OpenSocket(const IpEndpoint& local, int type);
// Joins the group and sets the send options; `*failed` tells which (kJoinGroup or
// kGroupOptions) when it fails.
int JoinGroup(int fd, const GroupOptions& group, Step* failed);

}  // namespace quillet::engine::sock

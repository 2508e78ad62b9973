#pragma once
// What a benchmark can see of another process from outside: its listening socket's accept
// queue (through the kernel's socket diagnostics) and how many descriptors it holds.
//
// Threads: any.
#include <sys/types.h>

#include <optional>

namespace quillet::bench {

// The accept queue's length of the TCP socket listening on `port` (IPv4, this network
// namespace), or nothing when none listens there.
std::optional<int> AcceptQueue(int port);
// How many descriptors process `pid` has open (/proc/PID/fd), or -1; with `socketsOnly`, how
// many of them are sockets (a look at each: dearer).
int OpenDescriptors(pid_t pid, bool socketsOnly = false);

}  // namespace quillet::bench

#pragma once
// The local endpoints of the program's own sockets, on every page, so that an automatic reply
// never answers one of them: a datagram or connection that comes from the program itself (or
// claims to) would otherwise start an endless exchange with itself.
//
// Threads: every function from any thread; one internal mutex guards the table. IsOwn reads the
// host's interfaces only when a port matches a socket bound to a wildcard address.
#include "engine/ip_endpoint.h"

namespace quillet::engine::own {

enum class Proto { kTcp, kUdp };

// Notes `local`, the local endpoint of `fd`, as one of the program's own, replacing what was
// noted for that descriptor before. An empty endpoint or port 0 notes nothing.
void Register(int fd, Proto proto, const IpEndpoint& local);
// `fd` is being closed.
void Forget(int fd);
// True when `source` is one of the noted endpoints of `proto`: the same address and port, or the
// port of a socket bound to a wildcard address and an address of this host (loopback included).
bool IsOwn(Proto proto, const IpEndpoint& source);

}  // namespace quillet::engine::own

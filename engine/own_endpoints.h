#pragma once
// The local endpoints of the program's own sockets, on every page, so that an automatic reply
// never answers one of them: a datagram or connection that comes from the program itself (or
// claims to) would otherwise start an endless exchange with itself.
//
// Threads: every function from any thread; one internal mutex guards the table. IsOwn reads the
// host's interfaces only when a port matches a socket bound to a wildcard address.
#include "engine/ip_endpoint.h"

namespace quillet::own {

enum class Proto { kTcp, kUdp };

// Notes the local endpoint of `fd` (getsockname) as one of the program's own, replacing what
// was noted for that descriptor before. Call once the socket is bound or connected.
void Register(int fd, Proto proto);
// `fd` is being closed.
void Forget(int fd);
// True when `source` is one of the noted endpoints of `proto`: the same address and port, or the
// port of a socket bound to a wildcard address and an address of this host (loopback included).
bool IsOwn(Proto proto, const IpEndpoint& source);

}  // namespace quillet::own

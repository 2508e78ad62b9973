#pragma once
// A TCP client socket made as the client page makes it: engine connect, finished when writable.
#include <poll.h>

#include <cerrno>

#include "engine/endpoint.h"
#include "tests/common/loopback_peer.h"

namespace quillet::test {

using namespace quillet::engine;

// Connects to `port` on 127.0.0.1; *error is 0 or the connect's errno (the socket is then empty).
inline sock::Socket ConnectLoopback(int port, int* error) {
    sock::ConnectStart start = sock::StartConnect(Loopback(port));
    *error = start.error;
    if (start.ok() && start.pending) {
        pollfd p{start.socket.fd(), POLLOUT, 0};
        *error = poll(&p, 1, 5000) == 1 ? sock::FinishConnect(start.socket) : ETIMEDOUT;
        if (*error)
            start.socket.reset();
    }
    return std::move(start.socket);
}

}  // namespace quillet::test

#pragma once
// Closing a socket that a worker thread may be blocked on.
//
// On Linux close() does not wake a thread blocked in accept/recv/recvfrom, and the descriptor
// number may be handed to a new socket at once. So a socket that a worker serves is never closed
// under it: CloseSocket() shuts it down (which wakes the worker and lets the peer see the
// close), and parks a placeholder on the descriptor number so that the socket itself is released
// but the number cannot be reused. The worker, once it has left its blocking call, sees
// CloseRequested() and releases the number when it ends. A socket that no worker serves is
// closed at once.
//
// Threads: every function may be called from any thread; one internal mutex orders them.

#include <netinet/in.h>

#include "engine/ip_endpoint.h"

namespace quillet::engine::sock {

// Closes `fd` as described above; nothing for -1. It cannot fail: a socket a worker serves is
// shut down (the worker closes it), any other is closed.
void CloseSocket(int fd);

// Worker side. Adopt before the descriptor is published to anyone who might close it; an owner
// tag identifies the engine so that it can wake all of its workers at teardown.
void AdoptForWorker(int fd, const void* owner);
bool CloseRequested(int fd);
// The worker is done with `fd`: if a close was requested, the number is released now; otherwise
// the descriptor stays open for whoever holds it (a page record or server state).
void ReleaseFromWorker(int fd);
// Wakes every worker of `owner` without closing anything: shutdown() on each adopted socket.
void WakeWorkers(const void* owner);

// bind(), tried again for up to 100 ms while the address is in use: a socket closed a moment
// ago is released only once its worker has left its blocking call. Returns 0, or the errno of
// the last bind.
int BindAfterRelease(int fd, const IpEndpoint& addr);

// The user-interface thread sends on sockets that a worker may close at the same moment (the
// peer reset it). A pinned descriptor's number is not released until it is unpinned. Pin fails
// when the socket has already been closed.
bool Pin(int fd);
void Unpin(int fd);
// Reads `*sockField` under g_csConnect and pins it; -1 when it is -1 or already closed.
int PinField(const int* sockField);

}  // namespace quillet::engine::sock

#pragma once
// The process's open-file budget. At start-up the soft limit is raised to the hard one. Sockets
// made for peers never take the top descriptor numbers below the soft limit (the headroom): the
// window system needs a few of its own at any time (shared memory for a new window's pixels, a
// new thread's event-loop pipe), and a program that cannot paint a message box is stuck for good.
// A few spare descriptors on /dev/null let an accept loop take a connection off the listen queue
// and close it even when the process has none left, so the peer sees an orderly close instead of
// waiting in the queue.
//
// Threads: every function may be called from any thread; the spares are guarded by an internal
// mutex.
#include <sys/resource.h>

namespace quillet::engine::fd {

// Raises the soft open-file limit to the hard limit. Returns the soft limit now in force.
rlim_t RaiseOpenFileLimit();

// How many descriptor numbers at the top of the soft limit peer sockets leave alone.
int Headroom();
// Whether a socket made for a peer on `fd` would eat into the headroom: close it at once.
bool InHeadroom(int fd);

// Makes sure the spares are open (call before the process can run short, e.g. when listening).
void KeepSpares();
// For an accept that failed with EMFILE or ENFILE: gives up one spare, accepts one pending
// connection on `listenFd`, closes it at once and takes the spare back. True when a connection
// was taken off the queue and closed.
bool RefuseWithSpare(int listenFd);

}  // namespace quillet::engine::fd

#pragma once
// A network namespace of the benchmark's own: only its loopback interface, up. Entered before
// any thread starts, so every thread and child process after it (the program under test, its
// baseline, the peers) can reach 127.0.0.1 and nothing else.
//
// Threads: call from main before any other thread exists.
#include <string>

namespace quillet::bench {

// True when the process now has a private network namespace with its loopback up; `how` says
// which way (as root, or in a user namespace of its own) or why not.
bool EnterPrivateNetwork(std::string* how);

}  // namespace quillet::bench

#pragma once
// Thread contracts checked at run time. Code built with QUILLET_CHECK_THREADS (debug and
// sanitizer builds) stops at a broken contract with its name and place, so a call from the
// wrong thread fails a test instead of racing; other builds compile the checks away.
//
// The user-interface thread is the program's main thread: the one that made g_csConnect while
// the program started, and the only one that runs the window.
//
// Threads: any.
#include "engine/crit_sec.h"

namespace quillet::engine::threads {

// True when this build checks the contracts.
bool Checked();
// True on the thread that runs the window.
bool OnUiThread();
// Prints the broken contract and where, then aborts.
[[noreturn]] void Broken(const char* contract, const char* file, int line);

}  // namespace quillet::engine::threads

#ifdef QUILLET_CHECK_THREADS
// The caller is the user-interface thread.
#define QUILLET_ASSERT_UI_THREAD()                                                             \
    (::quillet::engine::threads::OnUiThread()                                                  \
         ? (void)0                                                                             \
         : ::quillet::engine::threads::Broken("called on the user-interface thread", __FILE__, \
                                              __LINE__))
// The caller holds g_csConnect.
#define QUILLET_ASSERT_LOCKED()                                                             \
    (::quillet::engine::g_csConnect.IsLockedByThisThread()                                  \
         ? (void)0                                                                          \
         : ::quillet::engine::threads::Broken("called with the record lock held", __FILE__, \
                                              __LINE__))
// The caller does not hold g_csConnect: window work, or a wait for another thread, follows.
#define QUILLET_ASSERT_UNLOCKED()                                                         \
    (!::quillet::engine::g_csConnect.IsLockedByThisThread()                               \
         ? (void)0                                                                        \
         : ::quillet::engine::threads::Broken("called without the record lock", __FILE__, \
                                              __LINE__))
#else
#define QUILLET_ASSERT_UI_THREAD() ((void)0)
#define QUILLET_ASSERT_LOCKED() ((void)0)
#define QUILLET_ASSERT_UNLOCKED() ((void)0)
#endif

#pragma once
// Turns Qt's accessibility on or off as a screen reader's arrival or departure does on the
// desktop, also on the offscreen platform: widgets then send their notices to the update
// handler installed with QAccessible::installUpdateHandler. Tests and benchmarks only.
//
// Threads: the application's (user-interface) thread only.

namespace quillet::test {

// False when the platform has no accessibility to switch.
bool SetScreenReaderActive(bool on);

}  // namespace quillet::test

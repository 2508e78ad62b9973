#pragma once
// A program launched for a benchmark with settings of its own: HOME and the XDG folders point
// into a temporary folder, so no setting of the user is read or changed; no session bus. It dies
// with the benchmark (a parent-death signal), and Stop ends it: SIGTERM, then SIGKILL after 3 s.
//
// Threads: the owner's thread.
#include <sys/types.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace quillet::bench {

// A temporary folder with home/, config/, data/, cache/ and runtime/ (0700) in it; removed,
// with all that is in it, when it goes.
class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    bool Ok() const { return !m_root.empty(); }
    const std::string& Root() const { return m_root; }
    // The environment a program started by the benchmark gets: this one's, without what would
    // reach the user's settings or session, plus the private folders and `extra` ("KEY=value").
    std::vector<std::string> Environment(const std::vector<std::string>& extra) const;

private:
    std::string m_root;
};

class LaunchedProgram {
public:
    ~LaunchedProgram() { Stop(); }
    // Starts `argv` with `env`, standard output and error appended to `log`; the moment of the
    // launch is taken just before the fork.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& log);
    pid_t Pid() const { return m_pid; }
    Clock::time_point LaunchedAt() const { return m_at; }
    // Ends it and reaps it; false when it had already ended by itself.
    bool Stop();

private:
    pid_t m_pid = -1;
    Clock::time_point m_at;
};

}  // namespace quillet::bench

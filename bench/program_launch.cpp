#include "bench/program_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace quillet::bench {
namespace {

// Left out of a launched program's environment: the user's folders, display and session.
bool Withheld(const char* entry) {
    static const char* const kPrefixes[] = {
        "HOME=",   "XDG_", "DISPLAY=", "WAYLAND_", "QT_QPA_PLATFORM=", "DBUS_", "SESSION_MANAGER=",
        "QUILLET_"};
    for (const char* prefix : kPrefixes) {
        if (std::strncmp(entry, prefix, std::strlen(prefix)) == 0)
            return true;
    }
    return false;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

PrivateHome::PrivateHome() {
    char pattern[] = "/tmp/quillet-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    m_root = pattern;
    for (const char* sub : {"home", "config", "data", "cache", "state", "runtime"}) {
        if (mkdir((m_root + "/" + sub).c_str(), 0700) != 0) {
            std::filesystem::remove_all(m_root);
            m_root.clear();
            return;
        }
    }
}

PrivateHome::~PrivateHome() {
    if (Ok()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
}

std::vector<std::string> PrivateHome::Environment(const std::vector<std::string>& extra) const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (!Withheld(*e))
            env.emplace_back(*e);
    }
    env.push_back("HOME=" + m_root + "/home");
    env.push_back("XDG_CONFIG_HOME=" + m_root + "/config");
    env.push_back("XDG_DATA_HOME=" + m_root + "/data");
    env.push_back("XDG_CACHE_HOME=" + m_root + "/cache");
    env.push_back("XDG_STATE_HOME=" + m_root + "/state");
    env.push_back("XDG_RUNTIME_DIR=" + m_root + "/runtime");
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

bool LaunchedProgram::Start(const std::vector<std::string>& argv,
                            const std::vector<std::string>& env, const std::string& log) {
    std::vector<std::string> args = argv, vars = env;
    std::vector<char*> argp = Pointers(args), envp = Pointers(vars);
    const pid_t parent = getpid();
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (out < 0)
        return false;
    m_at = Clock::now();
    m_pid = fork();
    if (m_pid == 0) {
        // Only calls safe after a fork until the exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(out, 1);
        dup2(out, 2);
        const int null = open("/dev/null", O_RDONLY);
        if (null >= 0)
            dup2(null, 0);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(out);
    return m_pid > 0;
}

bool LaunchedProgram::Stop() {
    if (m_pid <= 0)
        return false;
    int status = 0;
    bool running = waitpid(m_pid, &status, WNOHANG) == 0;
    if (running) {
        kill(m_pid, SIGTERM);
        // Bounded: 3 s of 10 ms looks, then the kill that cannot be refused.
        bool ended = false;
        for (int i = 0; i < 300 && !ended; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
        }
        if (!ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
    m_pid = -1;
    return running;
}

}  // namespace quillet::bench

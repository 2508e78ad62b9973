#include "engine/descriptor_budget.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace quillet::engine::fd {
namespace {

constexpr size_t kSpares = 2;
constexpr rlim_t kMinHeadroom = 8;
constexpr rlim_t kMaxHeadroom = 64;

std::mutex g_mutex;
std::vector<int> g_spares;  // guarded by g_mutex

rlim_t SoftLimit() {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return RLIM_INFINITY;
    return lim.rlim_cur;
}

// A sixteenth of the limit, within bounds: enough for the window system at the usual 1024.
rlim_t HeadroomFor(rlim_t limit) {
    return limit == RLIM_INFINITY ? 0 : std::clamp(limit / 16, kMinHeadroom, kMaxHeadroom);
}

void RefillLocked() {
    while (g_spares.size() < kSpares) {
        const int spare = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (spare < 0)
            return;
        g_spares.push_back(spare);
    }
}

}  // namespace

rlim_t RaiseOpenFileLimit() {
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return 0;
    if (lim.rlim_cur < lim.rlim_max) {
        rlimit raised = lim;
        raised.rlim_cur = lim.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            return raised.rlim_cur;
    }
    return lim.rlim_cur;
}

int Headroom() {
    return static_cast<int>(HeadroomFor(SoftLimit()));
}

bool InHeadroom(int fd) {
    const rlim_t limit = SoftLimit();
    return fd >= 0 && limit != RLIM_INFINITY &&
           static_cast<rlim_t>(fd) + HeadroomFor(limit) >= limit;
}

void KeepSpares() {
    std::lock_guard<std::mutex> lock(g_mutex);
    RefillLocked();
}

bool RefuseWithSpare(int listenFd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_spares.empty())
        RefillLocked();
    if (g_spares.empty())
        return false;
    close(g_spares.back());
    g_spares.pop_back();
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        close(fd);  // nothing was read or written: the peer gets an orderly close
    RefillLocked();
    return fd >= 0;
}

}  // namespace quillet::engine::fd

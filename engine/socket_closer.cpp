#include "engine/socket_closer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include <unordered_map>

#include "engine/crit_sec.h"
#include "engine/own_endpoints.h"

namespace quillet::engine::sock {
namespace {

struct Adopted {
    const void* owner = nullptr;
    bool closeRequested = false;
    bool released = false;  // the worker is done; close once nobody uses the number
    int pins = 0;
};

std::mutex g_mutex;
std::unordered_map<int, Adopted> g_adopted;  // guarded by g_mutex

// A descriptor to park on closed numbers; any call on it fails, which workers take as the end.
int Placeholder() {
    static const int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    return fd;
}

}  // namespace

void CloseSocket(int fd) {
    if (fd < 0)
        return;
    own::Forget(fd);
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_adopted.find(fd);
    if (it == g_adopted.end()) {
        close(fd);
        return;
    }
    if (!it->second.closeRequested) {
        it->second.closeRequested = true;
        shutdown(fd, SHUT_RDWR);
        int ph = Placeholder();
        if (ph < 0 || dup3(ph, fd, O_CLOEXEC) < 0) {
            // Without a placeholder the number stays held by the shut-down socket itself.
        }
    }
}

void AdoptForWorker(int fd, const void* owner) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_adopted[fd] = Adopted{owner};
}

bool CloseRequested(int fd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_adopted.find(fd);
    return it != g_adopted.end() && it->second.closeRequested;
}

void ReleaseFromWorker(int fd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_adopted.find(fd);
    if (it == g_adopted.end())
        return;
    if (it->second.pins > 0) {
        it->second.released = true;  // the last Unpin finishes the job
        return;
    }
    if (it->second.closeRequested)
        close(fd);
    g_adopted.erase(it);
}

bool Pin(int fd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_adopted.find(fd);
    if (it == g_adopted.end())
        return fd >= 0;
    if (it->second.closeRequested)
        return false;
    ++it->second.pins;
    return true;
}

void Unpin(int fd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_adopted.find(fd);
    if (it == g_adopted.end() || it->second.pins == 0)
        return;
    if (--it->second.pins == 0 && it->second.released) {
        if (it->second.closeRequested)
            close(fd);
        g_adopted.erase(it);
    }
}

void WakeWorkers(const void* owner) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& [fd, adopted] : g_adopted) {
        if (adopted.owner == owner)
            shutdown(fd, SHUT_RDWR);
    }
}

}  // namespace quillet::engine::sock

namespace quillet::engine::sock {

int BindAfterRelease(int fd, const IpEndpoint& addr) {
    const RawSockaddr raw = addr.Raw();
    for (int attempt = 0;; ++attempt) {
        if (bind(fd, raw.get(), raw.size) == 0)
            return 0;
        if (errno != EADDRINUSE || attempt == 20)
            return errno;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int PinField(const int* sockField) {
    CCritSecLock lock(g_csConnect);
    int fd = *sockField;
    return fd >= 0 && Pin(fd) ? fd : -1;
}

}  // namespace quillet::engine::sock

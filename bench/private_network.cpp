#include "bench/private_network.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillet::bench {
namespace {

bool WriteFile(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

// A new namespace's loopback starts down.
bool LoopbackUp() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq req{};
    std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &req) == 0;
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
    ok = ok && ioctl(fd, SIOCSIFFLAGS, &req) == 0;
    close(fd);
    return ok;
}

}  // namespace

bool EnterPrivateNetwork(std::string* how) {
    if (unshare(CLONE_NEWNET) == 0) {
        *how = "a network namespace of its own";
    } else {
        // Without the right to make one: a user namespace of its own, mapped to the same user.
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
            *how = std::string("the host's loopback (no namespace: ") + std::strerror(errno) + ")";
            return false;
        }
        WriteFile("/proc/self/setgroups", "deny");
        const bool mapped =
            WriteFile("/proc/self/uid_map",
                      std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
            WriteFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
        if (!mapped) {
            *how = "a user namespace whose user could not be mapped";
            return false;
        }
        *how = "a user and network namespace of its own";
    }
    if (!LoopbackUp()) {
        *how += ", but its loopback did not come up";
        return false;
    }
    *how += ", loopback only";
    return true;
}

}  // namespace quillet::bench

#include "tests/common/veth_namespaces.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/common/wait_until.h"

namespace quillet::test {
namespace {

std::string AddAddress(const std::string& ns, const std::string& address, const std::string& link) {
    const bool v6 = address.find(':') != std::string::npos;
    return "ip -n " + ns + (v6 ? " -6" : "") + " addr add " + address + " dev " + link +
           (v6 ? " nodad" : "");
}

// The system drops what is sent on a new link until it has marked the link up (a moment after
// both ends are up): wait for that, within a bound.
bool LinkUp(const std::string& ns, const std::string& link) {
    const std::string ask = "ip -n " + ns + " -o link show dev " + link + " 2>/dev/null";
    return WaitUntil([&] {
        FILE* out = popen(ask.c_str(), "r");
        if (!out)
            return false;
        char line[512] = {};
        const bool got = std::fgets(line, sizeof line, out) != nullptr;
        pclose(out);
        return got && std::strstr(line, "state UP") != nullptr;
    });
}

}  // namespace

VethNamespaces::VethNamespaces(const std::string& prefix, const std::string& addressA,
                               const std::string& addressB) {
    const std::string tag = std::to_string(getpid());
    m_a = prefix + "a" + tag;
    m_b = prefix + "b" + tag;
    m_linkA = "v" + prefix + "a" + tag;
    m_linkB = "v" + prefix + "b" + tag;
    m_home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const std::string script =
        "ip netns add " + m_a + " && ip netns add " + m_b + " && ip link add " + m_linkA +
        " netns " + m_a + " type veth peer name " + m_linkB + " netns " + m_b + " && " +
        AddAddress(m_a, addressA, m_linkA) + " && " + AddAddress(m_b, addressB, m_linkB) +
        " && ip -n " + m_a + " link set " + m_linkA + " up && ip -n " + m_b + " link set " +
        m_linkB + " up && ip -n " + m_a + " link set lo up && ip -n " + m_b + " link set lo up";
    m_ready = geteuid() == 0 && m_home >= 0 &&
              std::system((script + " 2>/dev/null").c_str()) == 0 && LinkUp(m_a, m_linkA) &&
              LinkUp(m_b, m_linkB);
}

VethNamespaces::~VethNamespaces() {
    Enter(m_home);
    if (m_home >= 0)
        close(m_home);
    std::system(
        ("ip netns del " + m_a + " 2>/dev/null; ip netns del " + m_b + " 2>/dev/null").c_str());
}

bool VethNamespaces::EnterNamed(const std::string& name) {
    const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    const bool ok = Enter(fd);
    if (fd >= 0)
        close(fd);
    return ok;
}

bool VethNamespaces::Enter(int fd) {
    return fd >= 0 && setns(fd, CLONE_NEWNET) == 0;
}

}  // namespace quillet::test

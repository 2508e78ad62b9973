#pragma once
// Two network namespaces "a" and "b" of the test's own, joined by one veth link with an address
// on each end, removed on destruction. Needs root and `ip netns`; Ready() says whether it came
// up. The calling thread moves between them with EnterA/EnterB and comes back with Leave;
// sockets keep the namespace they were made in for life.
//
// Threads: the thread that made it; EnterA/EnterB/Leave change only the calling thread.
#include <string>

namespace quillet::test {

class VethNamespaces {
public:
    // `prefix` keeps the names apart from other tests'; the addresses carry their prefix length
    // ("10.77.0.1/24", "fd77::1/64"). IPv6 addresses skip duplicate detection, so they are
    // usable at once.
    VethNamespaces(const std::string& prefix, const std::string& addressA,
                   const std::string& addressB);
    ~VethNamespaces();
    VethNamespaces(const VethNamespaces&) = delete;
    VethNamespaces& operator=(const VethNamespaces&) = delete;

    bool Ready() const { return m_ready; }
    std::string LinkA() const { return m_linkA; }
    std::string LinkB() const { return m_linkB; }
    bool EnterA() const { return EnterNamed(m_a); }
    bool EnterB() const { return EnterNamed(m_b); }
    bool Leave() const { return Enter(m_home); }

private:
    static bool EnterNamed(const std::string& name);
    static bool Enter(int fd);

    std::string m_a, m_b, m_linkA, m_linkB;
    int m_home = -1;
    bool m_ready = false;
};

}  // namespace quillet::test

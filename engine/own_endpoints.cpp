#include "engine/own_endpoints.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "engine/local_address.h"

namespace quillet::engine::own {
namespace {

struct Entry {
    Proto proto;
    IpEndpoint local;
};

uint32_t PortKey(Proto proto, int port) {
    return (static_cast<uint32_t>(proto) << 16) | static_cast<uint32_t>(port & 0xFFFF);
}

class Table {
public:
    void Register(int fd, Proto proto, const IpEndpoint& local) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ForgetLocked(fd);
        m_byFd[fd] = Entry{proto, local};
        m_byPort.emplace(PortKey(proto, local.Port()), fd);
    }
    void Forget(int fd) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ForgetLocked(fd);
    }
    // The addresses noted under the port: exact matches, and whether any is a wildcard.
    bool Lookup(Proto proto, const IpEndpoint& source, bool* wildcard) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto [from, to] = m_byPort.equal_range(PortKey(proto, source.Port()));
        for (auto it = from; it != to; ++it) {
            const IpEndpoint& local = m_byFd[it->second].local;
            if (local.IsWildcard())
                *wildcard = true;
            else if (local == source)
                return true;
        }
        return false;
    }

private:
    void ForgetLocked(int fd) {
        const auto found = m_byFd.find(fd);
        if (found == m_byFd.end())
            return;
        const auto [from, to] =
            m_byPort.equal_range(PortKey(found->second.proto, found->second.local.Port()));
        for (auto it = from; it != to; ++it) {
            if (it->second == fd) {
                m_byPort.erase(it);
                break;
            }
        }
        m_byFd.erase(found);
    }

    std::mutex m_mutex;
    std::unordered_map<int, Entry> m_byFd;            // guarded by m_mutex
    std::unordered_multimap<uint32_t, int> m_byPort;  // guarded by m_mutex
};

Table& TheTable() {
    static Table table;
    return table;
}

bool IsHostAddress(const IpEndpoint& address) {
    if (address.IsLoopback())
        return true;
    for (const HostAddress& host : ListHostAddresses()) {
        IpEndpoint bare = host.address;
        bare.SetPort(address.Port());
        if (bare.Unmapped() == address.Unmapped())
            return true;
    }
    return false;
}

}  // namespace

void Register(int fd, Proto proto, const IpEndpoint& local) {
    if (local.Empty() || local.Port() == 0)
        return;
    TheTable().Register(fd, proto, local.Unmapped());
}

void Forget(int fd) {
    TheTable().Forget(fd);
}

bool IsOwn(Proto proto, const IpEndpoint& source) {
    if (source.Empty())
        return false;
    const IpEndpoint from = source.Unmapped();
    bool wildcard = false;
    if (TheTable().Lookup(proto, from, &wildcard))
        return true;
    return wildcard && IsHostAddress(from);
}

}  // namespace quillet::engine::own

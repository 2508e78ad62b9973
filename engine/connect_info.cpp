#include "engine/connect_info.h"

#include <map>
#include <mutex>

#include "engine/crit_sec.h"
#include "engine/thread_check.h"

namespace quillet::engine {

namespace {

constexpr uint64_t kIpv6KeyBase = uint64_t{1} << 63;

std::mutex g_ipv6KeyMutex;
std::map<IpEndpoint, uint64_t> g_ipv6Keys;  // guarded by g_ipv6KeyMutex

}  // namespace

uint64_t UdpKey(const IpEndpoint& addr) {
    const IpEndpoint endpoint = addr.Unmapped();
    if (!endpoint.IsV6()) {
        return (static_cast<uint64_t>(ntohl(endpoint.Address4())) << 16) |
               static_cast<uint64_t>(endpoint.Port());
    }
    // One entry per IPv6 endpoint ever seen: as many as records were ever made for them.
    std::lock_guard<std::mutex> lock(g_ipv6KeyMutex);
    auto [it, added] = g_ipv6Keys.try_emplace(endpoint, kIpv6KeyBase + g_ipv6Keys.size());
    return it->second;
}

ConnectInfo* FindRecord(const ConnectMap& map, uint64_t key) {
    QUILLET_ASSERT_LOCKED();
    auto it = map.find(key);
    return it == map.end() ? nullptr : it->second;
}

void InsertRecord(ConnectMap& map, uint64_t key, ConnectInfo* record) {
    QUILLET_ASSERT_LOCKED();
    map[key] = record;
}

bool EraseRecord(ConnectMap& map, uint64_t key) {
    QUILLET_ASSERT_LOCKED();
    return map.erase(key) > 0;
}

bool IsListed(const ConnectMap& map, uint64_t key, const ConnectInfo* record) {
    return record && FindRecord(map, key) == record;
}

}  // namespace quillet::engine

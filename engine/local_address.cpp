#include "engine/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/name_resolver.h"

namespace quillet::engine {

AdapterInfo g_adapterInfo;

namespace {

std::mutex g_hostMutex;
std::optional<std::string> g_hostOverride;  // guarded by g_hostMutex

bool IsLoopback(in_addr a) {
    return (ntohl(a.s_addr) >> 24) == 127;
}

// The first non-loopback interface's IPv4 address and mask, if any.
bool FirstInterface(in_addr* addr, in_addr* mask) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (ifaddrs* it = list; it && !found; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
            continue;
        if (it->ifa_flags & IFF_LOOPBACK)
            continue;
        *addr = reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr;
        mask->s_addr =
            it->ifa_netmask ? reinterpret_cast<sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr : 0;
        found = true;
    }
    freeifaddrs(list);
    return found;
}

std::string Dotted(in_addr a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

}  // namespace

AdapterInfo::AdapterInfo() {
    Query();
}

void AdapterInfo::Clear() {
    bHaveAdapter = false;
    strAdapterIp.clear();
    address = mask = broadcast = 0;
    ipv6.clear();
    std::memset(szBroadcast, 0, sizeof szBroadcast);
}

void AdapterInfo::Query() {
    Clear();
    in_addr a{}, m{};
    if (!FirstInterface(&a, &m))
        return;
    Set(Dotted(a), Dotted(m));
    std::string name;
    for (const HostAddress& h : ListHostAddresses()) {
        if (h.address.IsV4() && h.address.Address4() == a.s_addr)
            name = h.iface;
    }
    for (const HostAddress& h : ListHostAddresses()) {
        if (h.iface == name && h.address.IsV6())
            ipv6.push_back(h.address.AddressText());
    }
}

void AdapterInfo::Set(const std::string& ipText, const std::string& maskText) {
    Clear();
    bHaveAdapter = true;
    strAdapterIp = ipText;
    address = inet_addr(ipText.c_str());
    mask = inet_addr(maskText.c_str());
    broadcast = address | ~mask;
}

namespace {

// How long the first page may wait for the host's address, counted from the lookup's start: a
// machine whose name the resolver does not answer gets its window at once all the same.
constexpr auto kHostLookupBound = std::chrono::seconds(2);

std::condition_variable g_hostKnown;
bool g_hostLookupStarted = false;                      // guarded by g_hostMutex
std::chrono::steady_clock::time_point g_hostDeadline;  // guarded by g_hostMutex
std::optional<std::string> g_hostAddress;              // guarded by g_hostMutex; set once

std::string LookUpLocalHost() {
    char name[128] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    const in_addr_t found = LookUpHost(name);
    if (found == INADDR_NONE)
        return {};
    in_addr first{};
    first.s_addr = found;
    // Debian maps the host name to 127.0.1.1 and containers to 127.0.0.1; the address the
    // machine is known by on its network is the one the user wants to see and use.
    if (IsLoopback(first)) {
        in_addr a{}, m{};
        if (FirstInterface(&a, &m))
            first = a;
    }
    return Dotted(first);
}

void PrintHostName() {
    char name[128] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return;
    std::printf("%s\n", name);
    std::fflush(stdout);
}

}  // namespace

void StartLocalHostLookup() {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    if (g_hostLookupStarted || g_hostOverride)
        return;  // a pinned address asks no resolver
    g_hostLookupStarted = true;
    g_hostDeadline = std::chrono::steady_clock::now() + kHostLookupBound;
    try {
        std::thread([] {
            std::string address = LookUpLocalHost();
            std::lock_guard<std::mutex> done(g_hostMutex);
            g_hostAddress = std::move(address);
            g_hostKnown.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        g_hostAddress = std::string();  // no thread: no address, as when the lookup fails
    }
}

bool TryGetLocalHostAddress(std::string* address) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    if (g_hostOverride) {
        *address = *g_hostOverride;
        return true;
    }
    if (!g_hostAddress)
        return false;
    *address = *g_hostAddress;
    return true;
}

std::string GetLocalHostAddress() {
    {
        std::lock_guard<std::mutex> lock(g_hostMutex);
        if (g_hostOverride)
            return *g_hostOverride;
    }
    PrintHostName();
    StartLocalHostLookup();
    std::unique_lock<std::mutex> lock(g_hostMutex);
    g_hostKnown.wait_until(lock, g_hostDeadline, [] { return g_hostAddress.has_value(); });
    return g_hostAddress.value_or(std::string());
}

std::string GetAdapterIpText() {
    return g_adapterInfo.strAdapterIp;
}

const char* GetBroadcastText() {
    in_addr b{};
    b.s_addr = g_adapterInfo.broadcast;
    std::snprintf(g_adapterInfo.szBroadcast, sizeof g_adapterInfo.szBroadcast, "%s",
                  Dotted(b).c_str());
    return g_adapterInfo.szBroadcast;
}

void SetLocalHostAddressForTest(std::optional<std::string> address) {
    std::lock_guard<std::mutex> lock(g_hostMutex);
    g_hostOverride = std::move(address);
}

namespace {

std::mutex g_addressesMutex;
std::optional<std::vector<HostAddress>> g_addressesForTest;  // guarded by g_addressesMutex

std::vector<HostAddress> ReadInterfaces() {
    std::vector<HostAddress> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || !(it->ifa_flags & IFF_UP))
            continue;
        const int family = it->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6)
            continue;
        const socklen_t size = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
        HostAddress h;
        h.iface = it->ifa_name;
        h.index = if_nametoindex(it->ifa_name);
        h.address = IpEndpoint::FromRaw(it->ifa_addr, size);
        found.push_back(h);
    }
    freeifaddrs(list);
    return found;
}

}  // namespace

std::vector<HostAddress> ListHostAddresses() {
    {
        std::lock_guard<std::mutex> lock(g_addressesMutex);
        if (g_addressesForTest)
            return *g_addressesForTest;
    }
    return ReadInterfaces();
}

void SetHostAddressesForTest(std::optional<std::vector<HostAddress>> addresses) {
    std::lock_guard<std::mutex> lock(g_addressesMutex);
    g_addressesForTest = std::move(addresses);
}

unsigned InterfaceIndexOf(const std::string& nameOrAddress) {
    const ParsedAddress parsed = ParseAddress(nameOrAddress);
    for (const HostAddress& h : ReadInterfaces()) {
        if (parsed.form == AddressForm::kAddress
                ? h.address.AddressText() == parsed.address.AddressText() ||
                      (h.address == parsed.address)
                : h.iface == nameOrAddress)
            return h.index;
    }
    return 0;
}

IpEndpoint RouteSourceFor(const IpEndpoint& target) {
    // A connected UDP socket only asks the routing table; nothing leaves the host.
    const int fd = socket(target.IsV6() ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const int on = 1;  // a broadcast target is routed too
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    IpEndpoint to = target;
    if (to.Port() == 0)
        to.SetPort(9);  // connect needs a port; the discard port is as good as any
    const RawSockaddr raw = to.Raw();
    IpEndpoint source;
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (connect(fd, raw.get(), raw.size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) == 0) {
        source = IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&local), len);
        source.SetPort(0);
    }
    close(fd);
    return source;
}

}  // namespace quillet::engine

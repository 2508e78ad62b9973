#include "engine/local_address.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

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
    std::memset(szBroadcast, 0, sizeof szBroadcast);
}

void AdapterInfo::Query() {
    Clear();
    in_addr a{}, m{};
    if (FirstInterface(&a, &m))
        Set(Dotted(a), Dotted(m));
}

void AdapterInfo::Set(const std::string& ipText, const std::string& maskText) {
    Clear();
    bHaveAdapter = true;
    strAdapterIp = ipText;
    address = inet_addr(ipText.c_str());
    mask = inet_addr(maskText.c_str());
    broadcast = address | ~mask;
}

std::string GetLocalHostAddress() {
    {
        std::lock_guard<std::mutex> lock(g_hostMutex);
        if (g_hostOverride)
            return *g_hostOverride;
    }
    char name[128] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    std::printf("%s\n", name);
    std::fflush(stdout);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &res) != 0 || !res)
        return {};
    in_addr first = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
    freeaddrinfo(res);
    // Debian maps the host name to 127.0.1.1 and containers to 127.0.0.1; the address the
    // machine is known by on its network is the one the user wants to see and use.
    if (IsLoopback(first)) {
        in_addr a{}, m{};
        if (FirstInterface(&a, &m))
            first = a;
    }
    return Dotted(first);
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

#include "engine/name_resolver.h"

#include <netdb.h>

#include <mutex>
#include <system_error>
#include <thread>

namespace quillet::engine {

namespace {

std::mutex g_lookupMutex;
HostLookup g_lookupForTest;          // guarded by g_lookupMutex
HostListLookup g_listLookupForTest;  // guarded by g_lookupMutex

in_addr_t AskResolver(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res)
        return INADDR_NONE;
    const in_addr_t first = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(res);
    return first;
}

std::vector<IpEndpoint> AskResolverAll(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* res = nullptr;
    std::vector<IpEndpoint> found;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res)
        return found;
    for (addrinfo* it = res; it; it = it->ai_next) {
        IpEndpoint address = IpEndpoint::FromRaw(it->ai_addr, it->ai_addrlen);
        if (!address.Empty())
            found.push_back(address);
    }
    freeaddrinfo(res);
    return found;
}

}  // namespace

in_addr_t LookUpHost(const std::string& name) {
    HostLookup lookup;
    HostListLookup listLookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_lookupForTest;
        listLookup = g_listLookupForTest;
    }
    if (listLookup) {
        for (const IpEndpoint& address : listLookup(name)) {
            if (address.IsV4())
                return address.Address4();
        }
        return INADDR_NONE;
    }
    return lookup ? lookup(name) : AskResolver(name);
}

std::vector<IpEndpoint> LookUpHostAll(const std::string& name) {
    HostLookup lookup;
    HostListLookup listLookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_lookupForTest;
        listLookup = g_listLookupForTest;
    }
    if (listLookup)
        return listLookup(name);
    if (lookup) {
        const in_addr_t v4 = lookup(name);
        if (v4 == INADDR_NONE)
            return {};
        return {IpEndpoint::V4(v4, 0)};
    }
    return AskResolverAll(name);
}

bool LookUpHostAllInBackground(std::string name,
                               std::function<void(std::vector<IpEndpoint>)> done) {
    try {
        std::thread([name = std::move(name), done = std::move(done)] {
            done(LookUpHostAll(name));
        }).detach();
    } catch (const std::system_error&) {
        return false;  // a process or memory limit
    }
    return true;
}

void SetHostListLookupForTest(HostListLookup lookup) {
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_listLookupForTest = std::move(lookup);
}

bool LookUpHostInBackground(std::string name, std::function<void(in_addr_t)> done) {
    try {
        std::thread([name = std::move(name), done = std::move(done)] {
            done(LookUpHost(name));
        }).detach();
    } catch (const std::system_error&) {
        return false;  // a process or memory limit
    }
    return true;
}

void SetHostLookupForTest(HostLookup lookup) {
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    g_lookupForTest = std::move(lookup);
}

}  // namespace quillet::engine

#include "engine/name_resolver.h"

#include <netdb.h>

#include <mutex>
#include <system_error>
#include <thread>

namespace quillet {

namespace {

std::mutex g_lookupMutex;
HostLookup g_lookupForTest;  // guarded by g_lookupMutex

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

}  // namespace

in_addr_t LookUpHost(const std::string& name) {
    HostLookup lookup;
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        lookup = g_lookupForTest;
    }
    return lookup ? lookup(name) : AskResolver(name);
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

}  // namespace quillet

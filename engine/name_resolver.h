#pragma once
// Host-name lookups off the user-interface thread: the resolver may take many seconds (or never
// answer) for a name, so each lookup runs on a detached thread of its own and reports there.
//
// Threads: any. The test seam is set while no lookup runs.
#include <netinet/in.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/ip_endpoint.h"

namespace quillet::engine {

// What a lookup gives: the name's first IPv4 address (network order), or INADDR_NONE.
using HostLookup = std::function<in_addr_t(const std::string& name)>;

// Looks `name` up (getaddrinfo, IPv4) and waits for the answer.
in_addr_t LookUpHost(const std::string& name);

// Runs LookUpHost(name) on a new detached thread and gives `done` the result on that thread.
// False when the system refuses the thread: then `done` is never called.
bool LookUpHostInBackground(std::string name, std::function<void(in_addr_t)> done);

// Test seam: LookUpHost asks `lookup` instead of the resolver; an empty function restores it.
void SetHostLookupForTest(HostLookup lookup);

// What a lookup of both families gives: the name's addresses (port 0) in the resolver's order
// of preference, families this host has no address of left out; empty when there is none.
using HostListLookup = std::function<std::vector<IpEndpoint>(const std::string& name)>;
std::vector<IpEndpoint> LookUpHostAll(const std::string& name);
// LookUpHostAll on a new detached thread, as LookUpHostInBackground.
bool LookUpHostAllInBackground(std::string name, std::function<void(std::vector<IpEndpoint>)> done);
// Test seam: LookUpHostAll (and LookUpHost, its first IPv4 address) asks `lookup`; without it,
// LookUpHostAll asks the IPv4 seam above when that is set.
void SetHostListLookupForTest(HostListLookup lookup);

}  // namespace quillet::engine

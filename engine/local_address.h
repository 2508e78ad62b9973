#pragma once
// The three local addresses the pages need: the host's own IPv4 address (tree roots, client
// endpoints), the first adapter's address (default peer) and its directed broadcast address.
//
// Threads: user-interface thread; the host address functions from any thread. g_adapterInfo is
// filled during static initialisation.
#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ip_endpoint.h"

namespace quillet::engine {

struct AdapterInfo {
    AdapterInfo();
    bool bHaveAdapter = false;
    std::string strAdapterIp;  // first adapter's first IPv4 address, as text
    uint32_t address = 0;      // network order
    uint32_t mask = 0;
    uint32_t broadcast = 0;  // address | ~mask
    char szBroadcast[16] = {};
    // The same adapter's IPv6 addresses as text (zones by name), in the system's order.
    std::vector<std::string> ipv6;

    // Reads the machine's interfaces again: the first non-loopback one with an IPv4 address.
    void Query();
    // Fills the record from given values (also how tests pin it to loopback values).
    void Set(const std::string& ipText, const std::string& maskText);
    void Clear();
};

extern AdapterInfo g_adapterInfo;

// Starts the one lookup of the host's address on a thread of its own (at start-up); later calls,
// and calls while the test seam pins the address, do nothing.
void StartLocalHostLookup();
// Dotted text of the host's first IPv4 address, or empty text. Prints the host name once per
// call ("%s\n"), as each page does when it builds its tree. The address is looked up once per
// process (StartLocalHostLookup, started here if need be); a caller waits for it at most until
// a short time after the lookup began, and gets empty text when it has not ended by then.
std::string GetLocalHostAddress();
// True and `*address` set once the lookup has ended (or the test seam is set); never waits.
bool TryGetLocalHostAddress(std::string* address);
std::string GetAdapterIpText();
const char* GetBroadcastText();

// Test seam: while set, GetLocalHostAddress returns this address and resolves nothing.
void SetLocalHostAddressForTest(std::optional<std::string> address);

// One address of one of the host's interfaces.
struct HostAddress {
    std::string iface;   // "lo", "eth0"
    unsigned index = 0;  // the interface's index
    IpEndpoint address;  // port 0; an IPv6 link-local address carries its zone
};
// Every address of every interface that is up, IPv4 and IPv6, in the system's order.
std::vector<HostAddress> ListHostAddresses();
// Test seam: while set, ListHostAddresses returns these and reads no interface.
void SetHostAddressesForTest(std::optional<std::vector<HostAddress>> addresses);
// The interface index that `name` or one of its addresses ("lo", "::1", "10.0.0.1") names;
// 0 when none does.
unsigned InterfaceIndexOf(const std::string& nameOrAddress);
// The local address the routing table picks for talking to `target` (port 0), or an empty
// endpoint when there is no route. Sends nothing.
IpEndpoint RouteSourceFor(const IpEndpoint& target);

}  // namespace quillet::engine

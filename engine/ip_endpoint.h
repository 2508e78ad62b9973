#pragma once
// An IPv4 or IPv6 endpoint (address, port, and an IPv6 zone) as one value. It holds its family's
// system struct privately: nothing IPv4-only can take an IPv6 endpoint by mistake. Reach the
// system through Raw() (bind, connect, sendto) or the explicit AsV4()/AsV6() views.
//
// Threads: a plain value; any thread.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::engine {

// The system's view of an endpoint: what bind, connect and sendto take.
struct RawSockaddr {
    sockaddr_storage storage{};
    socklen_t size = 0;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

class IpEndpoint {
public:
    IpEndpoint() = default;
    // An IPv4 socket address: nothing is lost, so it may come in without saying so.
    IpEndpoint(const sockaddr_in& v4);  // NOLINT: implicit on purpose
    explicit IpEndpoint(const sockaddr_in6& v6);
    // From what accept, recvfrom or getsockname filled in; an unknown family gives an empty one.
    static IpEndpoint FromRaw(const sockaddr* address, socklen_t size);
    static IpEndpoint V4(in_addr_t address, int port);  // address in network order
    static IpEndpoint V6(const in6_addr& address, int port, uint32_t scope = 0);
    static IpEndpoint AnyV4(int port) { return V4(htonl(INADDR_ANY), port); }
    static IpEndpoint AnyV6(int port) { return V6(in6addr_any, port); }

    int Family() const { return m_addr.v4.sin_family; }
    bool IsV4() const { return Family() == AF_INET; }
    bool IsV6() const { return Family() == AF_INET6; }
    bool Empty() const { return !IsV4() && !IsV6(); }
    int Port() const { return ntohs(NetworkPort()); }
    // The port as the system holds it (network order).
    in_port_t NetworkPort() const { return IsV6() ? m_addr.v6.sin6_port : m_addr.v4.sin_port; }
    void SetPort(int port);
    // The IPv4 address in network order; 0 for an IPv6 endpoint.
    in_addr_t Address4() const { return IsV6() ? 0 : m_addr.v4.sin_addr.s_addr; }
    // The IPv6 address; all zero for an IPv4 endpoint.
    const in6_addr& Address6() const;
    uint32_t Scope() const { return IsV6() ? m_addr.v6.sin6_scope_id : 0; }
    // The IPv4 view (an empty endpoint's as it is); an IPv6 endpoint has none and gives an
    // empty sockaddr_in (no family), which no system call takes for an address.
    sockaddr_in AsV4() const;
    // The IPv6 view of an IPv6 endpoint; any other gives an empty sockaddr_in6.
    sockaddr_in6 AsV6() const;
    RawSockaddr Raw() const;

    // An IPv4-mapped IPv6 endpoint (::ffff:a.b.c.d) as the IPv4 endpoint it stands for.
    IpEndpoint Unmapped() const;
    bool IsWildcard() const;
    bool IsMulticast() const;
    bool IsLoopback() const;

    // "192.168.1.5", "::1", "fe80::1%eth0" (the zone by interface name when it has one).
    std::string AddressText() const;
    // "192.168.1.5:6000", "[::1]:6000".
    std::string Label() const;

    // Same family, address, zone and port, after unmapping.
    friend bool operator==(const IpEndpoint& a, const IpEndpoint& b);
    friend bool operator<(const IpEndpoint& a, const IpEndpoint& b);

private:
    // The family's own struct: v4 unless the family is AF_INET6 (an empty endpoint keeps v4,
    // family 0). Both begin with the family and the port.
    union Storage {
        sockaddr_in v4;
        sockaddr_in6 v6;
    };
    Storage m_addr{};
};

// What an address box holds.
enum class AddressForm {
    kEmpty,      // nothing
    kAddress,    // a literal address (IPv4 dotted, or IPv6 with or without brackets)
    kName,       // something to look up
    kMalformed,  // an IPv6 address gone wrong (":::", "1::2::3", "[::1", an unknown zone)
};
struct ParsedAddress {
    AddressForm form = AddressForm::kEmpty;
    IpEndpoint address;  // port 0; set for kAddress
};
// Reads an address box's text. Blanks around it are ignored; only names may be looked up:
// texts with ':', '[', ']' or '%' are addresses or malformed, never names.
ParsedAddress ParseAddress(std::string_view text);

}  // namespace quillet::engine

#pragma once
// An IPv4 or IPv6 endpoint (address, port, and an IPv6 zone) as one value. Its IPv4 view is the
// base sockaddr_in, so code that reads sin_family, sin_port or sin_addr of an IPv4 endpoint
// keeps working; sin_family and sin_port are valid for both families. Hand it to the system
// through Raw(), never by casting its address.
//
// Threads: a plain value; any thread.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// The system's view of an endpoint: what bind, connect and sendto take.
struct RawSockaddr {
    sockaddr_storage storage{};
    socklen_t size = 0;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

class IpEndpoint : public sockaddr_in {
public:
    IpEndpoint() : sockaddr_in{} {}
    // An IPv4 socket address (what the IPv4 code has always handed around).
    IpEndpoint(const sockaddr_in& v4) : sockaddr_in(v4) {}  // NOLINT: implicit on purpose
    explicit IpEndpoint(const sockaddr_in6& v6);
    // From what accept, recvfrom or getsockname filled in; an unknown family gives an empty one.
    static IpEndpoint FromRaw(const sockaddr* address, socklen_t size);
    static IpEndpoint V4(in_addr_t address, int port);  // address in network order
    static IpEndpoint V6(const in6_addr& address, int port, uint32_t scope = 0);
    static IpEndpoint AnyV4(int port) { return V4(htonl(INADDR_ANY), port); }
    static IpEndpoint AnyV6(int port) { return V6(in6addr_any, port); }

    int Family() const { return sin_family; }
    bool IsV4() const { return sin_family == AF_INET; }
    bool IsV6() const { return sin_family == AF_INET6; }
    bool Empty() const { return sin_family != AF_INET && sin_family != AF_INET6; }
    int Port() const { return ntohs(sin_port); }
    void SetPort(int port) { sin_port = htons(static_cast<uint16_t>(port & 0xFFFF)); }
    const in6_addr& Address6() const { return m_address6; }
    uint32_t Scope() const { return m_scope; }
    sockaddr_in6 V6Sockaddr() const;
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
    in6_addr m_address6{};
    uint32_t m_scope = 0;
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

}  // namespace quillet

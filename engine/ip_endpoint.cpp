#include "engine/ip_endpoint.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <cstring>
#include <tuple>

#include "encoding/labels.h"

namespace quillet::engine {

IpEndpoint::IpEndpoint(const sockaddr_in& v4) {
    m_addr.v4 = v4;
}

IpEndpoint::IpEndpoint(const sockaddr_in6& v6) {
    m_addr.v6 = v6;
    m_addr.v6.sin6_family = AF_INET6;
    m_addr.v6.sin6_flowinfo = 0;  // not part of where an endpoint is
}

IpEndpoint IpEndpoint::FromRaw(const sockaddr* address, socklen_t size) {
    if (address && address->sa_family == AF_INET && size >= sizeof(sockaddr_in)) {
        sockaddr_in v4;
        std::memcpy(&v4, address, sizeof v4);
        return IpEndpoint(v4);
    }
    if (address && address->sa_family == AF_INET6 && size >= sizeof(sockaddr_in6)) {
        sockaddr_in6 v6;
        std::memcpy(&v6, address, sizeof v6);
        return IpEndpoint(v6);
    }
    return IpEndpoint();
}

IpEndpoint IpEndpoint::V4(in_addr_t address, int port) {
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = address;
    IpEndpoint e(v4);
    e.SetPort(port);
    return e;
}

IpEndpoint IpEndpoint::V6(const in6_addr& address, int port, uint32_t scope) {
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = address;
    v6.sin6_scope_id = scope;
    IpEndpoint e(v6);
    e.SetPort(port);
    return e;
}

void IpEndpoint::SetPort(int port) {
    const auto network = htons(static_cast<uint16_t>(port & 0xFFFF));
    if (IsV6())
        m_addr.v6.sin6_port = network;
    else
        m_addr.v4.sin_port = network;
}

const in6_addr& IpEndpoint::Address6() const {
    static const in6_addr kNone{};
    return IsV6() ? m_addr.v6.sin6_addr : kNone;
}

sockaddr_in IpEndpoint::AsV4() const {
    return IsV6() ? sockaddr_in{} : m_addr.v4;
}

sockaddr_in6 IpEndpoint::AsV6() const {
    return IsV6() ? m_addr.v6 : sockaddr_in6{};
}

RawSockaddr IpEndpoint::Raw() const {
    RawSockaddr raw;
    if (IsV6()) {
        std::memcpy(&raw.storage, &m_addr.v6, sizeof m_addr.v6);
        raw.size = sizeof m_addr.v6;
    } else {
        std::memcpy(&raw.storage, &m_addr.v4, sizeof m_addr.v4);
        raw.size = sizeof m_addr.v4;
    }
    return raw;
}

IpEndpoint IpEndpoint::Unmapped() const {
    if (!IsV6() || !IN6_IS_ADDR_V4MAPPED(&m_addr.v6.sin6_addr))
        return *this;
    in_addr_t v4;
    std::memcpy(&v4, &m_addr.v6.sin6_addr.s6_addr[12], sizeof v4);
    return V4(v4, Port());
}

bool IpEndpoint::IsWildcard() const {
    if (IsV6())
        return IN6_IS_ADDR_UNSPECIFIED(&m_addr.v6.sin6_addr);
    return IsV4() && Address4() == htonl(INADDR_ANY);
}

bool IpEndpoint::IsMulticast() const {
    if (IsV6())
        return IN6_IS_ADDR_MULTICAST(&m_addr.v6.sin6_addr);
    return IsV4() && (ntohl(Address4()) & 0xF0000000u) == 0xE0000000u;
}

bool IpEndpoint::IsLoopback() const {
    if (IsV6())
        return IN6_IS_ADDR_LOOPBACK(&m_addr.v6.sin6_addr);
    return IsV4() && (ntohl(Address4()) >> 24) == 127;
}

std::string IpEndpoint::AddressText() const {
    char text[INET6_ADDRSTRLEN] = {};
    if (!IsV6()) {  // an empty endpoint reads as the IPv4 zero address, as it always did
        inet_ntop(AF_INET, &m_addr.v4.sin_addr, text, sizeof text);
        return text;
    }
    inet_ntop(AF_INET6, &m_addr.v6.sin6_addr, text, sizeof text);
    std::string out = text;
    if (const uint32_t scope = Scope(); scope != 0) {
        char name[IF_NAMESIZE] = {};
        out += '%';
        out += if_indextoname(scope, name) ? std::string(name) : std::to_string(scope);
    }
    return out;
}

std::string IpEndpoint::Label() const {
    return enc::FormatEndpoint(AddressText(), Port());
}

namespace {

auto Identity(const IpEndpoint& e) {
    const IpEndpoint u = e.Unmapped();
    const in_addr_t v4 = u.Address4();
    std::string bytes;
    if (u.IsV6())
        bytes.assign(reinterpret_cast<const char*>(u.Address6().s6_addr), 16);
    else if (u.IsV4())
        bytes.assign(reinterpret_cast<const char*>(&v4), 4);
    return std::make_tuple(u.Family(), bytes, u.IsV6() ? u.Scope() : 0u, u.Port());
}

bool HasAddressMarks(std::string_view text) {
    return text.find_first_of(":[]%") != std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The interface index a zone names ("lo", "eth0", or its number); 0 when there is none.
uint32_t ZoneIndex(const std::string& zone) {
    if (zone.empty())
        return 0;
    if (zone.find_first_not_of("0123456789") == std::string::npos && zone.size() < 10) {
        const auto index = static_cast<uint32_t>(std::stoul(zone));
        char name[IF_NAMESIZE] = {};
        return if_indextoname(index, name) ? index : 0;
    }
    return zone.size() < IF_NAMESIZE ? if_nametoindex(zone.c_str()) : 0;
}

ParsedAddress Malformed() {
    return ParsedAddress{AddressForm::kMalformed, {}};
}

ParsedAddress ParseV6(std::string_view text) {
    if (text.front() == '[' || text.back() == ']') {
        if (text.size() < 2 || text.front() != '[' || text.back() != ']')
            return Malformed();
        text = text.substr(1, text.size() - 2);
    }
    if (text.find_first_of("[] \t") != std::string_view::npos)
        return Malformed();
    std::string address(text);
    uint32_t scope = 0;
    if (const size_t percent = address.find('%'); percent != std::string::npos) {
        scope = ZoneIndex(address.substr(percent + 1));
        if (scope == 0)
            return Malformed();  // no zone, or one this host has no interface for
        address.resize(percent);
    }
    in6_addr parsed{};
    if (inet_pton(AF_INET6, address.c_str(), &parsed) != 1)
        return Malformed();
    return ParsedAddress{AddressForm::kAddress, IpEndpoint::V6(parsed, 0, scope)};
}

}  // namespace

bool operator==(const IpEndpoint& a, const IpEndpoint& b) {
    return Identity(a) == Identity(b);
}

bool operator<(const IpEndpoint& a, const IpEndpoint& b) {
    return Identity(a) < Identity(b);
}

ParsedAddress ParseAddress(std::string_view text) {
    if (!HasAddressMarks(text)) {
        if (Trimmed(text).empty())
            return {};
        in_addr v4{};
        if (inet_pton(AF_INET, std::string(text).c_str(), &v4) == 1)
            return ParsedAddress{AddressForm::kAddress, IpEndpoint::V4(v4.s_addr, 0)};
        return ParsedAddress{AddressForm::kName, {}};
    }
    text = Trimmed(text);
    return ParseV6(text);
}

}  // namespace quillet::engine

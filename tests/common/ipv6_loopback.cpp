#include "tests/common/ipv6_loopback.h"

#include <sys/socket.h>
#include <unistd.h>

namespace quillet::test {

namespace {

int Timed(int fd) {
    if (fd < 0)
        return fd;
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

int Bound(const IpEndpoint& at, int type) {
    const int fd = socket(at.IsV6() ? AF_INET6 : AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const RawSockaddr raw = at.Raw();
    if (bind(fd, raw.get(), raw.size) != 0) {
        close(fd);
        return -1;
    }
    return Timed(fd);
}

}  // namespace

bool HaveIpv6Loopback() {
    const int fd = Bound(Endpoint("::1", 0), SOCK_DGRAM);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

IpEndpoint Endpoint(const char* ip, int port) {
    IpEndpoint at = ParseAddress(ip).address;
    at.SetPort(port);
    return at;
}

int UdpBindAny(const char* ip, int port) {
    return Bound(Endpoint(ip, port), SOCK_DGRAM);
}

bool UdpSendToAny(int fd, const std::string& bytes, const IpEndpoint& to) {
    const RawSockaddr raw = to.Raw();
    return sendto(fd, bytes.data(), bytes.size(), 0, raw.get(), raw.size) ==
           static_cast<ssize_t>(bytes.size());
}

std::string UdpRecvAny(int fd, IpEndpoint* from) {
    char buf[2048];
    sockaddr_storage raw{};
    socklen_t len = sizeof raw;
    const ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&raw), &len);
    if (n < 0)
        return "<nothing>";
    if (from)
        *from = IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&raw), len);
    return std::string(buf, static_cast<size_t>(n));
}

int TcpConnectAny(const char* ip, int port) {
    const IpEndpoint to = Endpoint(ip, port);
    const int fd = socket(to.IsV6() ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const RawSockaddr raw = to.Raw();
    if (fd < 0 || connect(fd, raw.get(), raw.size) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return Timed(fd);
}

int TcpListenAny(const char* ip, int* port) {
    const int fd = Bound(Endpoint(ip, 0), SOCK_STREAM);
    if (fd < 0 || listen(fd, 16) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    *port = BoundPort(fd);
    return fd;
}

int BoundPort(int fd) {
    sockaddr_storage raw{};
    socklen_t len = sizeof raw;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&raw), &len) != 0)
        return -1;
    return IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&raw), len).Port();
}

}  // namespace quillet::test

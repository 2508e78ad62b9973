#include "tests/common/loopback_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace quillet::test {

in_addr_t LoopbackHostLookup(const std::string& name) {
    return name == "localhost" ? htonl(INADDR_LOOPBACK) : INADDR_NONE;
}

namespace {

void SetTimeout(int fd, int seconds) {
    timeval tv{seconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

int FreePort(int type) {
    int fd = socket(AF_INET, type, 0);
    sockaddr_in a = Loopback(0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    int port = LocalPort(fd);
    close(fd);
    return port;
}

}  // namespace

sockaddr_in Loopback(int port, const char* ip) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

int LocalPort(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return -1;
    return ntohs(a.sin_port);
}

int FreeTcpPort() {
    return FreePort(SOCK_STREAM);
}
int FreeUdpPort() {
    return FreePort(SOCK_DGRAM);
}

int TcpConnect(int port, const char* ip) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    SetTimeout(fd, 5);
    sockaddr_in a = Loopback(port, ip);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int TcpListen(int* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    SetTimeout(fd, 5);
    *port = LocalPort(fd);
    return fd;
}

int TcpAccept(int listenFd) {
    int fd = accept(listenFd, nullptr, nullptr);
    if (fd >= 0)
        SetTimeout(fd, 5);
    return fd;
}

bool SendAll(int fd, const std::string& bytes) {
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

std::string RecvExactly(int fd, size_t count) {
    std::string out;
    char buf[65536];
    while (out.size() < count) {
        ssize_t n = recv(fd, buf, std::min(sizeof buf, count - out.size()), 0);
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

bool WaitPeerClosed(int fd) {
    char buf[4096];
    for (int i = 0; i < 100000; ++i) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n == 0)
            return true;
        if (n < 0)
            return errno == ECONNRESET;
    }
    return false;
}

int UdpBind(int port, const char* ip) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a = Loopback(port, ip);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (fd >= 0)
            close(fd);
        return -1;
    }
    SetTimeout(fd, 5);
    return fd;
}

bool UdpSendTo(int fd, const std::string& bytes, int port, const char* ip) {
    sockaddr_in a = Loopback(port, ip);
    return sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a) ==
           static_cast<ssize_t>(bytes.size());
}

std::string UdpRecv(int fd, bool* ok, sockaddr_in* from) {
    std::string buf(70000, '\0');
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ssize_t n = recvfrom(fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&a), &len);
    *ok = n >= 0;
    if (from)
        *from = a;
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buf;
}

void CloseFd(int fd) {
    if (fd >= 0)
        close(fd);
}

PeerSocket& PeerSocket::operator=(PeerSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

void PeerSocket::Close() {
    CloseFd(Release());
}

int PeerSocket::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

}  // namespace quillet::test

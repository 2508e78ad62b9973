#pragma once
// Plain POSIX sockets on 127.0.0.1 that play the remote side in tests.
// Every call is bounded by a receive timeout so that a failing test ends by itself.
#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace quillet::test {

// A port on 127.0.0.1 that was free a moment ago (bind to port 0, read it back).
// What widget tests resolve host names with: "localhost" is 127.0.0.1 and no other name
// resolves, so that no test ever asks a name server off this machine.
in_addr_t LoopbackHostLookup(const std::string& name);

int FreeTcpPort();
int FreeUdpPort();

sockaddr_in Loopback(int port, const char* ip = "127.0.0.1");
int LocalPort(int fd);

// TCP: a connected client socket, or -1. The socket has a 5 s receive timeout.
int TcpConnect(int port, const char* ip = "127.0.0.1");
// TCP: a listening socket on 127.0.0.1 and a free port (written to *port), or -1.
int TcpListen(int* port);
int TcpAccept(int listenFd);  // bounded by a 5 s timeout; -1 on timeout
bool SendAll(int fd, const std::string& bytes);
// Reads until `count` bytes arrived, the peer closed or 5 s passed.
std::string RecvExactly(int fd, size_t count);
// True when the peer closed the connection (recv returns 0 or ECONNRESET) within 5 s.
bool WaitPeerClosed(int fd);

// UDP: a socket bound to ip:port (port 0 picks one), or -1. 5 s receive timeout.
int UdpBind(int port = 0, const char* ip = "127.0.0.1");
bool UdpSendTo(int fd, const std::string& bytes, int port, const char* ip = "127.0.0.1");
// One datagram, or an empty optional-like result with *ok false on timeout.
std::string UdpRecv(int fd, bool* ok, sockaddr_in* from = nullptr);

void CloseFd(int fd);

// A peer's socket that the test owns: closed when it goes out of scope, so a failing assertion
// leaks nothing. Reads as its descriptor wherever the calls above take one.
class PeerSocket {
public:
    PeerSocket() = default;
    explicit PeerSocket(int fd) : m_fd(fd) {}
    PeerSocket(PeerSocket&& other) noexcept : m_fd(other.Release()) {}
    PeerSocket& operator=(PeerSocket&& other) noexcept;
    PeerSocket(const PeerSocket&) = delete;
    PeerSocket& operator=(const PeerSocket&) = delete;
    ~PeerSocket() { Close(); }

    int fd() const { return m_fd; }
    operator int() const& { return m_fd; }
    // A temporary would close before its number is used.
    operator int() const&& = delete;
    void Close();
    // Hands the descriptor over; the caller closes it.
    int Release();

private:
    int m_fd = -1;
};
// An owned socket closes itself (Close); closing its number here would close it twice.
void CloseFd(const PeerSocket&) = delete;

}  // namespace quillet::test

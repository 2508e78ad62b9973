#pragma once
// IPv6 peers on ::1 for tests: whether this host has IPv6 loopback at all (tests skip with a
// message when it has not), and plain sockets of either family. Every socket has a 5 s receive
// timeout so that a failing test ends by itself.
#include <netinet/in.h>

#include <string>

#include "engine/ip_endpoint.h"

namespace quillet::test {

using namespace quillet::engine;

// True when a socket can be bound to ::1 here.
bool HaveIpv6Loopback();
// `ip` (either family) and `port` as an endpoint.
IpEndpoint Endpoint(const char* ip, int port);
// UDP socket bound to ip:port (port 0 picks one), or -1.
int UdpBindAny(const char* ip, int port = 0);
bool UdpSendToAny(int fd, const std::string& bytes, const IpEndpoint& to);
// One datagram (or "<nothing>" after the timeout); its sender in *from.
std::string UdpRecvAny(int fd, IpEndpoint* from = nullptr);
// TCP: a connected socket to ip:port, or -1; a listening socket on ip and a free port.
int TcpConnectAny(const char* ip, int port);
int TcpListenAny(const char* ip, int* port);
// The port a socket of either family is bound to.
int BoundPort(int fd);

}  // namespace quillet::test

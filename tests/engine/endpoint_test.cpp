// The sockets pages make through the engine: a non-blocking connect and UDP endpoints with
// broadcast and group options, each failure carrying the system's error code.
#include "engine/endpoint.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/common/loopback_peer.h"
#include "tests/engine/connect_loopback.h"

using namespace quillet::engine;

using namespace quillet::test;
namespace sock = quillet::engine::sock;

namespace {

bool IsOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1;
}

sockaddr_in Ipv4(const char* ip, int port) {
    return Loopback(port, ip);
}

// Joined on the loopback interface, TTL 1, looped back.
sock::GroupOptions Ipv4Group(in_addr_t group) {
    sock::GroupOptions options;
    options.group = group;
    options.iface = htonl(INADDR_LOOPBACK);
    return options;
}

}  // namespace

TEST(Socket, OwnerClosesUnlessReleasedAndMovesOwnership) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    {
        sock::Socket a(fd);
        sock::Socket b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(b.fd(), fd);
        sock::Socket c;
        c = std::move(b);
        EXPECT_EQ(c.fd(), fd);
        EXPECT_TRUE(IsOpen(fd));
    }
    EXPECT_FALSE(IsOpen(fd));

    fd = socket(AF_INET, SOCK_DGRAM, 0);
    {
        sock::Socket owner(fd);
        EXPECT_EQ(owner.release(), fd);
    }
    EXPECT_TRUE(IsOpen(fd));
    sock::Socket again(fd);
    again.reset();
    EXPECT_FALSE(IsOpen(fd));
}

TEST(Endpoint, NonBlockingConnectEndsConnectedAndBlocking) {
    int port = 0;
    int listener = TcpListen(&port);
    ASSERT_GE(listener, 0);
    int error = -1;
    sock::Socket client = ConnectLoopback(port, &error);
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(client);
    // The receive thread waits in a blocking recv.
    EXPECT_EQ(fcntl(client.fd(), F_GETFL) & O_NONBLOCK, 0);
    const sock::AddressResult local = sock::LocalAddress(client.fd());
    EXPECT_EQ(local.error, 0);
    EXPECT_EQ(local.address.Address4(), htonl(INADDR_LOOPBACK));
    EXPECT_NE(local.address.NetworkPort(), 0);
    int accepted = TcpAccept(listener);
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(LocalPort(client.fd()), local.address.Port());
    ASSERT_EQ(send(client.fd(), "hi", 2, MSG_NOSIGNAL), 2);
    EXPECT_EQ(RecvExactly(accepted, 2), "hi");
    CloseFd(accepted);
    CloseFd(listener);
}

TEST(Endpoint, RefusedConnectCarriesTheSystemError) {
    const int port = FreeTcpPort();  // nobody listens there
    int error = 0;
    sock::Socket client = ConnectLoopback(port, &error);
    EXPECT_FALSE(client);
    EXPECT_EQ(error, ECONNREFUSED);
    EXPECT_NE(sock::LocalAddress(-1).error, 0);
}

TEST(Endpoint, UdpEndpointBindsAndABusyAddressFailsWithItsError) {
    sock::UdpOptions options;
    options.local = Ipv4("127.0.0.1", 0);
    sock::UdpEndpoint first = sock::OpenUdpEndpoint(options);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.bound.Address4(), htonl(INADDR_LOOPBACK));
    ASSERT_NE(first.bound.NetworkPort(), 0);

    options.local = first.bound;
    sock::UdpEndpoint second = sock::OpenUdpEndpoint(options);
    EXPECT_FALSE(second.ok());
    EXPECT_FALSE(second.socket);
    EXPECT_EQ(second.failed, sock::Step::kBind);
    EXPECT_EQ(second.error, EADDRINUSE);

    // Once the first is gone its port binds again.
    first.socket.reset();
    sock::UdpEndpoint third = sock::OpenUdpEndpoint(options);
    EXPECT_TRUE(third.ok());
}

TEST(Endpoint, BroadcastEndpointReachesTheLoopbackBroadcastAddress) {
    const int port = FreeUdpPort();
    int receiver = UdpBind(port, "0.0.0.0");
    ASSERT_GE(receiver, 0);
    sock::UdpOptions options;
    options.local = Ipv4("127.0.0.1", 0);
    options.broadcast = true;
    sock::UdpEndpoint sender = sock::OpenUdpEndpoint(options);
    ASSERT_TRUE(sender.ok());
    int on = 0;
    socklen_t len = sizeof on;
    ASSERT_EQ(getsockopt(sender.socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, &len), 0);
    EXPECT_EQ(on, 1);
    const sockaddr_in to = Ipv4("127.255.255.255", port);
    ASSERT_EQ(
        sendto(sender.socket.fd(), "all", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
        3);
    bool ok = false;
    EXPECT_EQ(UdpRecv(receiver, &ok), "all");
    EXPECT_TRUE(ok);
    EXPECT_EQ(sock::AllowBroadcast(-1), EBADF);
    CloseFd(receiver);
}

TEST(Endpoint, GroupMemberHearsTheGroupOnLoopbackAndBadGroupsFailAtTheirStep) {
    const std::string group = "239.255.77." + std::to_string(getpid() % 250 + 1);
    const int port = FreeUdpPort();
    sock::UdpOptions options;
    options.local = Ipv4(group.c_str(), port);
    options.group = Ipv4Group(inet_addr(group.c_str()));
    sock::UdpEndpoint member = sock::OpenUdpEndpoint(options);
    ASSERT_TRUE(member.ok()) << member.error;
    EXPECT_EQ(member.bound.Address4(), inet_addr(group.c_str()));
    EXPECT_EQ(member.bound.Port(), port);
    // A second member of the same group and port shares the address.
    sock::UdpEndpoint sender = sock::OpenUdpEndpoint(options);
    ASSERT_TRUE(sender.ok()) << sender.error;
    const sockaddr_in to = Ipv4(group.c_str(), port);
    ASSERT_EQ(
        sendto(sender.socket.fd(), "grp", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
        3);
    timeval timeout{5, 0};
    setsockopt(member.socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buf[8] = {};
    EXPECT_EQ(recv(member.socket.fd(), buf, sizeof buf, 0), 3);
    EXPECT_EQ(std::string(buf, 3), "grp");

    // Not a group address: the join fails, with the system's reason.
    sock::UdpOptions notGroup;
    notGroup.local = Ipv4("127.0.0.1", 0);
    notGroup.group = Ipv4Group(htonl(INADDR_LOOPBACK));
    sock::UdpEndpoint refused = sock::OpenUdpEndpoint(notGroup);
    EXPECT_EQ(refused.failed, sock::Step::kJoinGroup);
    EXPECT_EQ(refused.error, EINVAL);
    EXPECT_FALSE(refused.socket);
}

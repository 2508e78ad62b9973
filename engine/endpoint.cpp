#include "engine/endpoint.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

#include "engine/descriptor_budget.h"
#include "engine/socket_closer.h"

namespace quillet::sock {

namespace {

int SetIntOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0 ? 0 : errno;
}

int MakeBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return errno;
    return 0;
}

template <typename Result>
Result Failed(Step step, int error) {
    Result result;
    result.failed = step;
    result.error = error;
    return result;
}

}  // namespace

void Socket::reset(int fd) {
    if (m_fd >= 0)
        CloseSocket(m_fd);
    m_fd = fd;
}

ConnectStart StartConnect(const sockaddr_in& target) {
    Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket)
        return Failed<ConnectStart>(Step::kSocket, errno);
    if (fd::InHeadroom(socket.fd()))  // the last descriptors stay with the window system
        return Failed<ConnectStart>(Step::kSocket, EMFILE);
    ConnectStart start;
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
        if (int error = MakeBlocking(socket.fd()))
            return Failed<ConnectStart>(Step::kConnect, error);
    } else if (errno == EINPROGRESS) {
        start.pending = true;
    } else {
        return Failed<ConnectStart>(Step::kConnect, errno);
    }
    start.socket = std::move(socket);
    return start;
}

int FinishConnect(const Socket& socket) {
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &len) != 0)
        return errno;
    return error != 0 ? error : MakeBlocking(socket.fd());
}

AddressResult LocalAddress(int fd) {
    AddressResult result;
    socklen_t len = sizeof result.address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&result.address), &len) != 0)
        result.error = errno;
    return result;
}

int AllowBroadcast(int fd) {
    // Linux takes the option as an int: a one-byte value is refused with EINVAL.
    return SetIntOption(fd, SOL_SOCKET, SO_BROADCAST, 1);
}

int JoinGroup(int fd, const GroupOptions& group, Step* failed) {
    ip_mreq membership{};
    membership.imr_multiaddr.s_addr = group.group;
    membership.imr_interface.s_addr = group.iface;
    if (setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
        *failed = Step::kJoinGroup;
        return errno;
    }
    in_addr iface{};
    iface.s_addr = group.iface;
    int error = setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &iface, sizeof iface) == 0 ? 0 : errno;
    if (!error)
        error = SetIntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL, group.ttl);
    if (!error)
        error = SetIntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, group.loop ? 1 : 0);
    if (error)
        *failed = Step::kGroupOptions;
    return error;
}

UdpEndpoint OpenUdpEndpoint(const UdpOptions& options) {
    Socket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket)
        return Failed<UdpEndpoint>(Step::kSocket, errno);
    // Several members of one group and port may live on this host (other pages, programs).
    if (options.group)
        SetIntOption(socket.fd(), SOL_SOCKET, SO_REUSEADDR, 1);
    if (BindAfterRelease(socket.fd(), options.local) != 0)
        return Failed<UdpEndpoint>(Step::kBind, errno);
    if (options.broadcast) {
        if (int error = AllowBroadcast(socket.fd()))
            return Failed<UdpEndpoint>(Step::kBroadcast, error);
    }
    if (options.group) {
        Step failed = Step::kNone;
        if (int error = JoinGroup(socket.fd(), *options.group, &failed))
            return Failed<UdpEndpoint>(failed, error);
    }
    UdpEndpoint endpoint;
    // The receive thread attributes datagrams by the address really bound.
    const AddressResult bound = LocalAddress(socket.fd());
    endpoint.bound = bound.error ? options.local : bound.address;
    endpoint.socket = std::move(socket);
    return endpoint;
}

}  // namespace quillet::sock

#include "engine/endpoint.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

#include "engine/descriptor_budget.h"
#include "engine/own_endpoints.h"
#include "engine/socket_closer.h"

namespace quillet::engine::sock {

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

int JoinGroup6(int fd, const GroupOptions& group) {
    ipv6_mreq membership{};
    membership.ipv6mr_multiaddr = group.group6.Address6();
    membership.ipv6mr_interface = group.ifindex;
    return setsockopt(fd, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP, &membership, sizeof membership) == 0
               ? 0
               : errno;
}

int SetGroupOptions6(int fd, const GroupOptions& group) {
    int error = 0;
    if (group.ifindex != 0)
        error = SetIntOption(fd, IPPROTO_IPV6, IPV6_MULTICAST_IF, static_cast<int>(group.ifindex));
    if (!error)
        error = SetIntOption(fd, IPPROTO_IPV6, IPV6_MULTICAST_HOPS, group.ttl);
    if (!error)
        error = SetIntOption(fd, IPPROTO_IPV6, IPV6_MULTICAST_LOOP, group.loop ? 1 : 0);
    return error;
}

int JoinGroup4(int fd, const GroupOptions& group) {
    ip_mreqn membership{};
    membership.imr_multiaddr.s_addr = group.group;
    membership.imr_address.s_addr = group.ifindex ? htonl(INADDR_ANY) : group.iface;
    membership.imr_ifindex = static_cast<int>(group.ifindex);
    return setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) == 0
               ? 0
               : errno;
}

int SetGroupOptions4(int fd, const GroupOptions& group) {
    ip_mreqn out{};
    out.imr_address.s_addr = group.ifindex ? htonl(INADDR_ANY) : group.iface;
    out.imr_ifindex = static_cast<int>(group.ifindex);
    int error = setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) == 0 ? 0 : errno;
    if (!error)
        error = SetIntOption(fd, IPPROTO_IP, IP_MULTICAST_TTL, group.ttl);
    if (!error)
        error = SetIntOption(fd, IPPROTO_IP, IP_MULTICAST_LOOP, group.loop ? 1 : 0);
    return error;
}

}  // namespace

SocketResult OpenSocket(const IpEndpoint& local, int type) {
    const int family = local.IsV6() ? AF_INET6 : AF_INET;
    Socket socket(::socket(family, type | SOCK_CLOEXEC, 0));
    if (!socket)
        return Failed<SocketResult>(Step::kSocket, errno);
    if (family == AF_INET6)
        SetIntOption(socket.fd(), IPPROTO_IPV6, IPV6_V6ONLY, local.IsWildcard() ? 0 : 1);
    SocketResult made;
    made.socket = std::move(socket);
    return made;
}

void Socket::reset(int fd) {
    if (m_fd >= 0)
        CloseSocket(m_fd);
    m_fd = fd;
}

ConnectStart StartConnect(const IpEndpoint& target, const IpEndpoint* local,
                          const SocketOptions* options) {
    SocketResult made = OpenSocket(target, SOCK_STREAM | SOCK_NONBLOCK);
    if (!made.ok())
        return Failed<ConnectStart>(Step::kSocket, made.error);
    Socket socket = std::move(made.socket);
    if (fd::InHeadroom(socket.fd()))  // the last descriptors stay with the window system
        return Failed<ConnectStart>(Step::kSocket, EMFILE);
    if (const OptionsResult set =
            options ? ApplyClientOptions(socket.fd(), *options) : OptionsResult{};
        !set.ok())
        return Failed<ConnectStart>(Step::kOptions, set.error);
    if (local) {
        const RawSockaddr from = local->Raw();
        if (::bind(socket.fd(), from.get(), from.size) != 0)
            return Failed<ConnectStart>(Step::kBind, errno);
    }
    ConnectStart start;
    const RawSockaddr to = target.Raw();
    if (::connect(socket.fd(), to.get(), to.size) == 0) {
        if (int error = MakeBlocking(socket.fd()))
            return Failed<ConnectStart>(Step::kConnect, error);
        NoteOwnEndpoint(socket.fd(), own::Proto::kTcp);
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
    if (error == 0)
        NoteOwnEndpoint(socket.fd(), own::Proto::kTcp);
    return error != 0 ? error : MakeBlocking(socket.fd());
}

void NoteOwnEndpoint(int fd, own::Proto proto) {
    const AddressResult local = LocalAddress(fd);
    if (local.error == 0)
        own::Register(fd, proto, local.address);
}

AddressResult LocalAddress(int fd) {
    AddressResult result;
    sockaddr_storage raw{};
    socklen_t len = sizeof raw;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&raw), &len) != 0)
        result.error = errno;
    else
        result.address = IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&raw), len);
    return result;
}

int AllowBroadcast(int fd) {
    // Linux takes the option as an int: a one-byte value is refused with EINVAL.
    return SetIntOption(fd, SOL_SOCKET, SO_BROADCAST, 1);
}

int JoinGroup(int fd, const GroupOptions& group, Step* failed) {
    const bool v6 = group.group6.IsV6();
    if (int error = v6 ? JoinGroup6(fd, group) : JoinGroup4(fd, group)) {
        *failed = Step::kJoinGroup;
        return error;
    }
    const int error = v6 ? SetGroupOptions6(fd, group) : SetGroupOptions4(fd, group);
    if (error)
        *failed = Step::kGroupOptions;
    return error;
}

UdpEndpoint OpenUdpEndpoint(const UdpOptions& options) {
    SocketResult made = OpenSocket(options.local, SOCK_DGRAM);
    if (!made.ok())
        return Failed<UdpEndpoint>(Step::kSocket, made.error);
    Socket socket = std::move(made.socket);
    // Several members of one group and port may live on this host (other pages, programs).
    if (options.group)
        SetIntOption(socket.fd(), SOL_SOCKET, SO_REUSEADDR, 1);
    if (int error = BindAfterRelease(socket.fd(), options.local))
        return Failed<UdpEndpoint>(Step::kBind, error);
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
    NoteOwnEndpoint(socket.fd(), own::Proto::kUdp);
    endpoint.socket = std::move(socket);
    return endpoint;
}

}  // namespace quillet::engine::sock

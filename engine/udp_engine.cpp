#include "engine/udp_engine.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/chunk_recording.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"
#include "engine/own_endpoints.h"
#include "engine/record_log.h"
#include "engine/socket_closer.h"
#include "engine/thread_check.h"

namespace quillet::engine {

namespace {

// The largest datagram IPv4 carries (65,535 less the IP and UDP headers), and a byte more, so
// that nothing is ever cut.
constexpr size_t kMaxDatagram = 65507;
constexpr size_t kRecvBufferSize = kMaxDatagram + 1;

sock::UdpEndpoint BindOnce(const IpEndpoint& local) {
    sock::UdpOptions options;
    options.local = local;
    return sock::OpenUdpEndpoint(options);
}

// One sendto; an IPv4 peer that an IPv6 socket refuses is tried again through its mapped
// address (::ffff:a.b.c.d), as a dual-stack socket knows its IPv4 peers.
ssize_t SendDatagram(int fd, const char* data, int len, const IpEndpoint& to) {
    const RawSockaddr dest = to.Raw();
    ssize_t n = sendto(fd, data, static_cast<size_t>(len), MSG_NOSIGNAL, dest.get(), dest.size);
    if (n < 0 && to.IsV4() && (errno == EAFNOSUPPORT || errno == EINVAL)) {
        in6_addr mapped{};
        mapped.s6_addr[10] = mapped.s6_addr[11] = 0xFF;
        const in_addr_t v4 = to.Address4();
        std::memcpy(&mapped.s6_addr[12], &v4, 4);
        const RawSockaddr six = IpEndpoint::V6(mapped, to.Port()).Raw();
        n = sendto(fd, data, static_cast<size_t>(len), MSG_NOSIGNAL, six.get(), six.size);
    }
    return n;
}

// SendDatagram on a pinned socket, unpinned after; errno survives the unpin.
int SendPinned(int fd, const char* data, int len, const IpEndpoint& to, int* error) {
    const int n = static_cast<int>(SendDatagram(fd, data, len, to));
    const int sendError = errno;
    sock::Unpin(fd);
    return n < 0 ? sock::SendFailed(sendError, error) : n;
}

IpEndpoint ReadAddress(const sockaddr_storage& raw, socklen_t len) {
    return IpEndpoint::FromRaw(reinterpret_cast<const sockaddr*>(&raw), len);
}

}  // namespace

UdpEngine::UdpEngine(IConnectionSink* sink) : m_pSink(sink) {}

UdpEngine::~UdpEngine() {
    Shutdown();
    CCritSecLock lock(g_csConnect);
    m_map.clear();  // the records belong to the page
}

void UdpEngine::Shutdown() {
    QUILLET_ASSERT_UI_THREAD();
    {
        CCritSecLock lock(g_csConnect);
        m_stopping = true;
    }
    sock::WakeWorkers(this);
    m_workers.JoinAll();
}

int UdpEngine::Bind(int port) {
    QUILLET_ASSERT_UI_THREAD();
    const sock::Started started = Bind(IpEndpoint::AnyV4(port));
    if (!started.ok())
        errno = started.error;
    return started.fd;
}

sock::Started UdpEngine::Bind(const IpEndpoint& local) {
    QUILLET_ASSERT_UI_THREAD();
    IpEndpoint at = local;
    at.SetPort(local.Port());  // the low 16 bits
    sock::UdpEndpoint made = BindOnce(at);
    if (!made.ok())
        return sock::StartFailed(made.failed, made.error);
    const int fd = made.socket.release();
    // A server socket takes storms from many senders at once, and its one thread also logs
    // each datagram: a deep queue rides out the bursts instead of dropping them. Best effort:
    // the system caps it (net.core.rmem_max).
    const int depth = UdpEngine::kServerReceiveBuffer;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &depth, sizeof depth);
    WorkerContext ctx;
    ctx.sock = fd;
    ctx.pUdpEngine = this;
    ctx.pSink = m_pSink;
    ctx.addr = sock::LocalAddress(fd).address;  // the port really bound
    ctx.bServer = true;
    {
        CCritSecLock lock(g_csConnect);
        ctx.nId = m_nLastPort;
    }
    sock::AdoptForWorker(fd, this);
    if (!m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); })) {
        sock::ReleaseFromWorker(fd);
        close(fd);
        return sock::StartFailed(sock::Step::kThread, 0);
    }
    sock::Started started;
    started.fd = fd;
    return started;
}

bool UdpEngine::StartClientReceive(ConnectInfo* pInfo) {
    QUILLET_ASSERT_UI_THREAD();
    WorkerContext ctx;
    ctx.sock = pInfo->sock;
    ctx.nId = pInfo->addrClient.NetworkPort();  // network order, as it always was
    ctx.pUdpEngine = this;
    ctx.pSink = m_pSink;
    ctx.addr = pInfo->addrServer;
    ctx.bServer = false;
    sock::AdoptForWorker(ctx.sock, this);
    if (m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); }))
        return true;
    sock::ReleaseFromWorker(ctx.sock);
    return false;
}

void UdpEngine::ReceiveLoop(WorkerContext ctx) {
    const uint64_t ownKey = UdpKey(sock::LocalAddress(ctx.sock).address);
    // On the heap: a whole datagram is more than a thread's stack should carry.
    std::vector<char> buffer(kRecvBufferSize);
    char* buf = buffer.data();
    for (;;) {
        sockaddr_storage raw{};
        socklen_t len = sizeof raw;
        ssize_t n =
            recvfrom(ctx.sock, buf, kRecvBufferSize, 0, reinterpret_cast<sockaddr*>(&raw), &len);
        // An IPv4 sender to a dual-stack socket comes as ::ffff:a.b.c.d: it is that IPv4 peer.
        const IpEndpoint from = n >= 0 ? ReadAddress(raw, len).Unmapped() : IpEndpoint();
        // A wake-up by the page's close looks like an empty datagram: tell them apart first.
        if (m_stopping || sock::CloseRequested(ctx.sock))
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        const uint64_t key = ctx.bServer ? UdpKey(from) : ownKey;
        if (n == 0) {
            OnEmptyDatagram(key);
            // A sender's empty datagram only ends that sender; an endpoint's own socket ends.
            if (!ctx.bServer)
                break;
            continue;
        }
        OnDatagram(ctx, key, from, buf, static_cast<int>(n));
    }
    sock::ReleaseFromWorker(ctx.sock);
}

void UdpEngine::OnEmptyDatagram(uint64_t key) {
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, key);
        if (!rec)
            return;
        if (rec->sock != -1) {
            sock::CloseSocket(rec->sock);
            rec->sock = -1;
        }
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_CLOSED, key);
}

void UdpEngine::OnDatagram(const WorkerContext& ctx, uint64_t key, const IpEndpoint& from,
                           const char* data, int n) {
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, key);
        // Only a server socket turns senders into peers; an endpoint's datagram that has no
        // listed record of its own would make a record that nothing shows or frees.
        if (!rec && !ctx.bServer)
            return;
    }
    if (!rec) {
        AddPeer(from, ctx, key);
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, key);
        if (!rec)
            return;  // the page deleted it at once
    }
    {
        CCritSecLock lock(g_csConnect);
        if (FindRecord(m_map, key) != rec)
            return;
        // Each datagram stands alone: an incomplete character at its end shows as U+FFFD.
        LogReceivedChunk(rec, std::string_view(data, static_cast<size_t>(n)), false);
        NoteLoggedChunk(m_store, *rec, ChunkSide::kReceived,
                        std::string_view(data, static_cast<size_t>(n)));
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_DATA, key);
    AutoReplyTo(ctx, key, from, data, n);
}

void UdpEngine::AutoReplyTo(const WorkerContext& ctx, uint64_t key, const IpEndpoint& from,
                            const char* data, int n) {
    std::string reply;
    if (!m_autoReply.ReplyFor(std::string_view(data, static_cast<size_t>(n)), &reply))
        return;
    // A datagram from one of the program's own sockets (or forged to look so) is never answered:
    // the answer would start an endless exchange of the program with itself.
    const bool own = own::IsOwn(own::Proto::kUdp, from);
    {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = FindRecord(m_map, key);
        if (!rec ||
            AdmitReply(rec->replyBudget, rec->counters, static_cast<size_t>(n), reply.size(), own,
                       std::chrono::steady_clock::now()) != ReplyVerdict::kSend)
            return;  // withheld: counted in the record, which its counters line shows
    }
    // A datagram that finds no room in the socket's buffer is lost, as any datagram may be.
    const int sent = SendTo(ctx.sock, reply.data(), static_cast<int>(reply.size()), from);
    if (sent <= 0) {
        m_autoReply.CountDropped();
        return;
    }
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, key);
        if (!rec)
            return;
        reply.resize(static_cast<size_t>(sent));
        BookReply(rec->sendQueue, std::move(reply));
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_REPLIED, key);
}

ConnectInfo* UdpEngine::AddPeer(const IpEndpoint& from, const WorkerContext& ctx, uint64_t key) {
    auto made = std::make_unique<ConnectInfo>();
    ConnectInfo* rec = made.get();
    {
        CCritSecLock lock(g_csConnect);
        if (m_stopping)
            return nullptr;
        m_nLastPort = from.Port();
        rec->nId = m_nLastPort;
        rec->addrClient = from;
        rec->addrServer = ctx.addr;
        // Listed before the page hears of it, so the handler finds it in the map; the page owns
        // it from now on.
        InsertRecord(m_map, key, made.release());
    }
    m_pSink->OnNewConnection(rec, key);
    return rec;
}

int UdpEngine::SendTo(int sock, const char* data, int len, const IpEndpoint& to, int* error) {
    if (len < 0)
        return sock::SendFailed(EINVAL, error);
    if (sock < 0 || !sock::Pin(sock))
        return sock::SendFailed(EBADF, error);
    return SendPinned(sock, data, len, to, error);
}

int UdpEngine::SendOnRecord(ConnectInfo* pInfo, const char* data, int len, const IpEndpoint& to,
                            int* error) {
    int fd = sock::PinField(&pInfo->sock);
    if (fd < 0)
        return sock::SendFailed(EBADF, error);
    if (len < 0) {
        sock::Unpin(fd);
        return sock::SendFailed(EINVAL, error);
    }
    return SendPinned(fd, data, len, to, error);
}

void UdpEngine::CloseSocket(int sock) {
    sock::CloseSocket(sock);
}

}  // namespace quillet::engine

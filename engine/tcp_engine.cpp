#include "engine/tcp_engine.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "engine/socket_closer.h"

namespace {

constexpr int kRecvBufferSize = 10240;

// accept() failures that say nothing about the listening socket: the process or the system is
// short of something for a moment, or the peer gave up. Retry after a pause.
bool IsTransientAcceptError(int err) {
    return err == EMFILE || err == ENFILE || err == ENOBUFS || err == ENOMEM ||
           err == ECONNABORTED || err == EINTR || err == EPROTO || err == EAGAIN;
}

}  // namespace

TcpEngine::TcpEngine(IConnectionSink* sink) : m_pSink(sink) {}

TcpEngine::~TcpEngine() {
    Shutdown();
    CCritSecLock lock(g_csConnect);
    m_map.clear();  // the records belong to the page
}

void TcpEngine::Shutdown() {
    {
        CCritSecLock lock(g_csConnect);
        m_stopping = true;
    }
    quillet::sock::WakeWorkers(this);
    m_workers.JoinAll();
}

int TcpEngine::Listen(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // Listening again right after a stop must not wait for old connections' TIME_WAIT.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port & 0xFFFF));
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        close(fd);
        return -1;
    }
    WorkerContext ctx;
    ctx.sock = fd;
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    {
        CCritSecLock lock(g_csConnect);
        ctx.nId = m_nNextId;
    }
    quillet::sock::AdoptForWorker(fd, this);
    if (!m_workers.Spawn([this, ctx] { AcceptLoop(ctx); })) {
        quillet::sock::ReleaseFromWorker(fd);
        close(fd);
        return -1;
    }
    return fd;
}

void TcpEngine::AcceptLoop(WorkerContext ctx) {
    for (;;) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        int fd = accept4(ctx.sock, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (m_stopping || quillet::sock::CloseRequested(ctx.sock)) {
            if (fd >= 0)
                close(fd);
            break;
        }
        if (fd >= 0) {
            AcceptOne(fd, peer);
            continue;
        }
        if (!IsTransientAcceptError(errno))
            break;
        ++m_acceptRetries;
        // Out of descriptors or memory: the pending connection stays queued; try again soon.
        for (int i = 0; i < 10 && !m_stopping && !quillet::sock::CloseRequested(ctx.sock); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    quillet::sock::ReleaseFromWorker(ctx.sock);
}

void TcpEngine::AcceptOne(int fd, const sockaddr_in& peer) {
    // Adopted before it is listed: whoever closes the record's socket from now on only wakes us.
    quillet::sock::AdoptForWorker(fd, this);
    auto* rec = new ConnectInfo;
    rec->sock = fd;
    rec->addrClient = peer;
    uint64_t key;
    {
        CCritSecLock lock(g_csConnect);
        if (m_stopping) {
            delete rec;
            quillet::sock::CloseSocket(fd);
            quillet::sock::ReleaseFromWorker(fd);
            return;
        }
        rec->nId = m_nNextId;
        key = rec->nId;
        InsertRecord(m_map, key, rec);
        ++m_nNextId;
    }
    m_pSink->OnNewConnection(rec, key);  // rec may be freed from here on

    WorkerContext ctx;
    ctx.sock = fd;
    ctx.nId = static_cast<uint32_t>(key);
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    pthread_t handle{};
    if (!m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); }, &handle)) {
        CCritSecLock lock(g_csConnect);
        if (ConnectInfo* r = FindRecord(m_map, key); r && r->sock == fd)
            r->sock = -1;
        quillet::sock::CloseSocket(fd);
        quillet::sock::ReleaseFromWorker(fd);
        return;
    }
    CCritSecLock lock(g_csConnect);
    if (ConnectInfo* r = FindRecord(m_map, key))
        r->hThread = handle;
}

uint32_t TcpEngine::AddClient(ConnectInfo* pInfo) {
    CCritSecLock lock(g_csConnect);
    pInfo->nId = m_nNextId;
    InsertRecord(m_map, pInfo->nId, pInfo);
    return ++m_nNextId;
}

int TcpEngine::StartReceive(ConnectInfo* pInfo) {
    WorkerContext ctx;
    ctx.sock = pInfo->sock;
    ctx.nId = pInfo->nId;
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    quillet::sock::AdoptForWorker(ctx.sock, this);
    if (!m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); })) {
        quillet::sock::ReleaseFromWorker(ctx.sock);
    }
    return 0;
}

void TcpEngine::ReceiveLoop(WorkerContext ctx) {
    char buf[kRecvBufferSize];
    for (;;) {
        ssize_t n = recv(ctx.sock, buf, kRecvBufferSize - 1, 0);
        if (n < 0 && errno == EINTR && !m_stopping)
            continue;
        if (n <= 0 || m_stopping)
            break;
        ReceiveChunk(ctx, buf, static_cast<int>(n));
    }
    FinishReceive(ctx);
}

void TcpEngine::ReceiveChunk(const WorkerContext& ctx, const char* data, int n) {
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, ctx.nId);
        if (!rec)
            return;  // deleted by the page: the chunk has no home
        rec->bUnread = true;
        rec->nRecvBytesAll += static_cast<uint32_t>(n);
        rec->nRecvBytes += static_cast<uint32_t>(n);
        AppendLogLine(rec->strRecv, std::string_view(data, static_cast<size_t>(n)),
                      &rec->recvCarry);
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_DATA, ctx.nId);
}

void TcpEngine::FinishReceive(const WorkerContext& ctx) {
    ConnectInfo* rec = nullptr;
    if (!m_stopping) {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, ctx.nId);
        // A record that was connected again has a new socket and a new receive thread: this
        // thread's end is old news for it.
        if (rec && rec->sock != -1 && rec->sock != ctx.sock)
            rec = nullptr;
        if (rec && rec->sock != -1) {
            quillet::sock::CloseSocket(rec->sock);
            rec->sock = -1;
        }
    }
    if (rec)
        m_pSink->OnConnectionUpdate(rec, UPDATE_CLOSED, ctx.nId);
    quillet::sock::ReleaseFromWorker(ctx.sock);
}

int TcpEngine::SendOnRecord(ConnectInfo* pInfo, const char* data, int len) {
    int fd = quillet::sock::PinField(&pInfo->sock);
    if (fd < 0)
        return -1;
    int n = len < 0 ? -1 : static_cast<int>(send(fd, data, static_cast<size_t>(len), MSG_NOSIGNAL));
    quillet::sock::Unpin(fd);
    return n;
}

int TcpEngine::CloseSocket(int sock) {
    return quillet::sock::CloseSocket(sock);
}

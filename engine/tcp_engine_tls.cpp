// The TLS side of TcpEngine: each TLS connection's receive thread runs the handshake and then
// decrypts; sends are encrypted on the direct path when nobody else is sending, else by the
// connection's writer thread. The plain TCP paths are in tcp_engine.cpp.
#include <sys/socket.h>

#include <cerrno>

#include "engine/auto_reply.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"
#include "engine/record_log.h"
#include "engine/socket_closer.h"
#include "engine/tcp_engine.h"
#include "engine/tls_session.h"

namespace quillet::engine {

namespace {

constexpr size_t kTlsRecvBuffer = 16 * 1024;
// The writer encrypts at most this much plain text per turn, so each turn is booked soon.
constexpr size_t kTlsWriteChunk = 64 * 1024;

IpEndpoint PeerOfSocket(int fd) {
    sockaddr_storage raw{};
    socklen_t len = sizeof raw;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&raw), &len) != 0)
        return {};
    return IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&raw), len).Unmapped();
}

}  // namespace

void TcpEngine::SetServerTls(std::shared_ptr<const tls::Context> ctx) {
    CCritSecLock lock(g_csConnect);
    m_serverTls = std::move(ctx);
}

bool TcpEngine::StartTls(ConnectInfo* pInfo, std::shared_ptr<const tls::Context> ctx) {
    const bool client = ctx->Settings().role == tls::Role::kClient;
    std::shared_ptr<tls::Session> session;
    int fd;
    {
        CCritSecLock lock(g_csConnect);
        fd = pInfo->sock;
        // What waits in plain text would follow the handshake's first bytes.
        if (fd < 0 || pInfo->tls || !pInfo->sendQueue.pending.empty())
            return false;
        if (client && !sock::Pin(fd))
            return false;
        session = std::make_shared<tls::Session>(std::move(ctx), pInfo->addrServer.AddressText());
        if (!client)
            session->WaitForPeer();
        pInfo->tls = session;
    }
    if (client && !m_workers.Spawn([fd, session] {
            session->Begin(fd);
            sock::Unpin(fd);
        }))
        sock::Unpin(fd);
    return true;
}

void TcpEngine::TlsReceiveLoop(const WorkerContext& ctx, std::string_view already) {
    using tls::Failure;
    using tls::Session;
    const auto stop = [this, &ctx] { return m_stopping.load() || sock::CloseRequested(ctx.sock); };
    const Failure failed = ctx.tls->Handshake(ctx.sock, stop, already);
    if (failed != Failure::kNone) {
        if (stop())
            ctx.tls->ForgetFailure();
        else
            NoteHandshakeFailure(ctx);
        FinishReceive(ctx);
        return;
    }
    StartTlsWriter(ctx);
    const IpEndpoint peer = PeerOfSocket(ctx.sock);
    std::string cipher(kTlsRecvBuffer, '\0');
    std::string plain;
    bool continues = false;
    bool behind = false;
    for (;;) {
        if (behind)
            WaitForRecorders(ctx);
        const ssize_t n = recv(ctx.sock, cipher.data(), cipher.size(), 0);
        if (n < 0 && errno == EINTR && !m_stopping)
            continue;
        if (n <= 0 || m_stopping)
            break;
        plain.clear();
        const Session::Read read =
            ctx.tls->Decrypt(std::string_view(cipher.data(), static_cast<size_t>(n)), &plain);
        if (ctx.tls->HasOutput())
            ctx.tls->FlushOut(ctx.sock, false);
        if (!plain.empty()) {
            behind =
                ReceiveChunk(ctx, peer, plain.data(), static_cast<int>(plain.size()), continues);
            continues = true;
        }
        if (read != Session::Read::kMore)
            break;
    }
    FinishReceive(ctx);
}

void TcpEngine::NoteHandshakeFailure(const WorkerContext& ctx) {
    if (!ctx.bServer)
        return;  // a client page tells it in its failure message
    const tls::State state = ctx.tls->Snapshot();
    std::string text = ctx.tls->Settings().failureTexts[static_cast<size_t>(state.failure)];
    if (text.empty())
        text = "TLS handshake failed";
    if (!state.failureDetail.empty())
        text += " (" + state.failureDetail + ")";
    ConnectInfo* rec;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, ctx.nId);
        if (!rec || rec->sock != ctx.sock)
            return;
        LogNoteChunk(rec, ChunkDir::kReceived, text);
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_DATA, ctx.nId);
}

bool TcpEngine::QueueTls(SendQueue& q, PendingSend& item, bool established, uint64_t* serial) {
    const size_t waiting = item.bytes.size() - item.taken;
    q.waitingBytes += waiting;
    q.pending.push_back(std::move(item));
    if (!established || q.writer)
        return false;  // the handshake's end or the running writer takes it
    q.writer = true;
    *serial = q.serial;
    return true;
}

TcpEngine::SendResult TcpEngine::SendTls(uint64_t key, int fd, PendingSend& item, bool reply,
                                         const std::shared_ptr<tls::Session>& session) {
    uint64_t serial = 0;
    bool queued = false, spawn = false;
    {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = FindRecord(m_map, key);
        if (!rec || rec->sock != fd)
            return SendResult::kFailed;
        SendQueue& q = rec->sendQueue;
        if (q.sock != fd)
            RestartSendQueue(q, fd, m_nextSendSerial++);
        const bool established = session->Established();
        if (!established || !q.pending.empty() || q.writer) {
            if (!q.pending.empty() &&
                q.waitingBytes + item.bytes.size() > SendQueue::kMaxWaitingBytes)
                return SendResult::kFull;
            spawn = QueueTls(q, item, established, &serial);
            queued = true;
        } else if (!sock::Pin(fd)) {
            return SendResult::kFailed;
        }
    }
    if (spawn)
        SpawnTlsWriter(key, fd, serial, session);
    if (queued)
        return SendResult::kQueued;
    return SendTlsNow(key, fd, item, reply, session);
}

TcpEngine::SendResult TcpEngine::SendTlsNow(uint64_t key, int fd, PendingSend& item, bool reply,
                                            const std::shared_ptr<tls::Session>& session) {
    using Flush = tls::Session::Flush;
    const Flush sent = session->SendNow(fd, item.bytes);
    sock::Unpin(fd);
    if (sent == Flush::kFailed)
        return SendResult::kFailed;
    uint64_t serial = 0;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue* q = WriterQueue(key, fd, 0);
        if (!q)
            return sent == Flush::kDone ? SendResult::kAll : SendResult::kFailed;
        if (sent == Flush::kDone) {
            if (reply)
                BookReply(*q, std::move(item.bytes));
            return SendResult::kAll;
        }
        // kAgain: TLS took the whole text; its last records wait for the writer. kBusy: another
        // thread is sending; the writer encrypts the text after what is before it.
        if (sent == Flush::kAgain)
            item.taken = item.bytes.size();
        if (!QueueTls(*q, item, true, &serial))
            return SendResult::kQueued;
    }
    SpawnTlsWriter(key, fd, serial, session);
    return SendResult::kQueued;
}

void TcpEngine::StartTlsWriter(const WorkerContext& ctx) {
    uint64_t serial;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue* q = WriterQueue(ctx.nId, ctx.sock, 0);
        if (!q || q->pending.empty() || q->writer)
            return;
        q->writer = true;
        serial = q->serial;
    }
    SpawnTlsWriter(ctx.nId, ctx.sock, serial, ctx.tls);
}

void TcpEngine::SpawnTlsWriter(uint64_t key, int fd, uint64_t serial,
                               std::shared_ptr<tls::Session> session) {
    // Called with or without g_csConnect held: Spawn only hands the task to a thread.
    if (!m_workers.Spawn(
            [this, key, fd, serial, session] { TlsWriteLoop(key, fd, serial, session); }))
        FailWithoutWriter(key, fd, serial);
}

void TcpEngine::TlsWriteLoop(uint64_t key, int fd, uint64_t serial,
                             const std::shared_ptr<tls::Session>& session) {
    using Flush = tls::Session::Flush;
    std::string chunk;
    for (;;) {
        bool pinned = false;
        std::shared_ptr<WireFeed> starved;
        size_t at = 0;
        if (!TakeFrontPiece(key, fd, serial, kTlsWriteChunk, chunk, &pinned, &starved, &at))
            return;
        if (starved) {  // a text queued before TLS began, still being encoded
            starved->WaitBeyond(at);
            continue;
        }
        const size_t took = chunk.size();
        bool ok = false;
        if (pinned) {
            // Blocks until the peer reads, or until a close shuts the socket.
            ok = (took == 0 || session->Encrypt(chunk)) &&
                 session->FlushOut(fd, true) == Flush::kDone;
            sock::Unpin(fd);
        }
        if (!AfterWrite(key, fd, serial, ok, took))
            return;
    }
}

}  // namespace quillet::engine

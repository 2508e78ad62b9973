#include "engine/tcp_engine.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

#include "engine/chunk_recording.h"
#include "engine/crit_sec.h"
#include "engine/descriptor_budget.h"
#include "engine/endpoint.h"
#include "engine/log_recorder.h"
#include "engine/own_endpoints.h"
#include "engine/record_log.h"
#include "engine/socket_closer.h"
#include "engine/thread_check.h"
#include "engine/tls_session.h"

namespace quillet::engine {

namespace {

constexpr int kRecvBufferSize = 10240;
// A writer hands the socket at most this much per call, so that each call's result is booked
// soon and a dropped queue stops costing memory at once.
constexpr size_t kWriteChunk = 64 * 1024;
// The largest backlog there is; the kernel caps it at net.core.somaxconn.
constexpr int kBacklog = 0x7fffffff;
// Connections taken off the queue before the page hears of them, at most.
constexpr size_t kMaxBatch = 4096;

// accept() failures that say nothing about the listening socket: the process or the system is
// short of something for a moment, or the peer gave up.
IpEndpoint PeerOf(int fd) {
    sockaddr_storage raw{};
    socklen_t len = sizeof raw;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&raw), &len) != 0)
        return {};
    return IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&raw), len).Unmapped();
}

bool IsTransientAcceptError(int err) {
    return err == EMFILE || err == ENFILE || err == ENOBUFS || err == ENOMEM ||
           err == ECONNABORTED || err == EINTR || err == EPROTO || err == EAGAIN;
}

// Binds, listens and makes the socket non-blocking (its accept thread polls).
sock::Outcome BindAndListen(int fd, const IpEndpoint& local) {
    using sock::Step;
    const RawSockaddr addr = local.Raw();
    if (bind(fd, addr.get(), addr.size) != 0)
        return {Step::kBind, errno};
    if (listen(fd, kBacklog) != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) != 0)
        return {Step::kListen, errno};
    return {};
}

}  // namespace

TcpEngine::TcpEngine(IConnectionSink* sink) : m_pSink(sink) {}

TcpEngine::~TcpEngine() {
    Shutdown();
    CCritSecLock lock(g_csConnect);
    m_map.clear();  // the records belong to the page
}

void TcpEngine::Shutdown() {
    QUILLET_ASSERT_UI_THREAD();
    {
        CCritSecLock lock(g_csConnect);
        m_stopping = true;
    }
    sock::WakeWorkers(this);
    m_workers.JoinAll();
}

int TcpEngine::Listen(int port) {
    QUILLET_ASSERT_UI_THREAD();
    const sock::Started started = Listen(IpEndpoint::AnyV4(port));
    if (!started.ok())
        errno = started.error;
    return started.fd;
}

sock::Started TcpEngine::Listen(const IpEndpoint& local) {
    QUILLET_ASSERT_UI_THREAD();
    return Listen(local, sock::SocketOptions{});
}

sock::Started TcpEngine::Listen(const IpEndpoint& local, const sock::SocketOptions& options) {
    QUILLET_ASSERT_UI_THREAD();
    fd::KeepSpares();
    sock::SocketResult made = sock::OpenSocket(local, SOCK_STREAM);
    if (!made.ok())
        return sock::StartFailed(sock::Step::kSocket, made.error);
    if (const auto set = sock::ApplyListenOptions(made.socket.fd(), local, options); !set.ok())
        return sock::StartFailed(sock::Step::kOptions, set.error);
    if (const sock::Outcome bound = BindAndListen(made.socket.fd(), local); !bound.ok())
        return sock::StartFailed(bound.failed, bound.error);
    const int fd = made.socket.release();
    sock::NoteOwnEndpoint(fd, own::Proto::kTcp);
    WorkerContext ctx;
    ctx.sock = fd;
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    {
        CCritSecLock lock(g_csConnect);
        ctx.nId = m_nNextId;
    }
    sock::AdoptForWorker(fd, this);
    if (!m_workers.Spawn([this, ctx, options] { AcceptLoop(ctx, options); })) {
        sock::ReleaseFromWorker(fd);
        close(fd);
        return sock::StartFailed(sock::Step::kThread, 0);
    }
    sock::Started started;
    started.fd = fd;
    return started;
}

bool TcpEngine::StopAccepting(int listenFd) const {
    return m_stopping || sock::CloseRequested(listenFd);
}

void TcpEngine::AcceptLoop(WorkerContext ctx, const sock::SocketOptions& options) {
    std::deque<Pending> batch;
    while (!StopAccepting(ctx.sock)) {
        // shutdown() of the listening socket (stop, teardown) wakes the poll with POLLHUP.
        pollfd wait{ctx.sock, POLLIN, 0};
        if (poll(&wait, 1, -1) < 0 && errno != EINTR)
            break;
        if (StopAccepting(ctx.sock))
            break;
        const unsigned refusedBefore = m_refused + m_noThread;
        Drain drained = DrainQueue(ctx.sock, &batch);
        // The queue is emptied before the page hears of anyone, and again after each one it
        // took: a slow page does not make the queue overflow.
        while (!batch.empty()) {
            const Pending next = batch.front();
            batch.pop_front();
            if (StopAccepting(ctx.sock)) {
                close(next.fd);
                continue;
            }
            // Set on each one rather than trusting the system to copy the listener's; a refusal
            // leaves the connection as the system made it.
            if (options.HasConnectionOptions())
                sock::ApplyConnectionOptions(next.fd, options);
            AcceptOne(next.fd, next.peer);
            if (drained == Drain::kEmpty)
                drained = DrainQueue(ctx.sock, &batch);
        }
        if (m_refused + m_noThread != refusedBefore)
            m_pSink->OnConnectionsRefused(m_refused);
        if (drained == Drain::kBroken)
            break;
        if (drained == Drain::kShort) {
            for (int i = 0; i < 10 && !StopAccepting(ctx.sock); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    sock::ReleaseFromWorker(ctx.sock);
}

TcpEngine::Drain TcpEngine::DrainQueue(int listenFd, std::deque<Pending>* batch) {
    while (batch->size() < kMaxBatch) {
        Pending next{};
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        next.fd = accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        // An IPv4 client of a dual-stack socket arrives as ::ffff:a.b.c.d; it is that IPv4 peer.
        next.peer = IpEndpoint::FromRaw(reinterpret_cast<sockaddr*>(&peer), len).Unmapped();
        if (next.fd >= 0 && fd::InHeadroom(next.fd)) {
            close(next.fd);  // the last descriptors are the window system's
            ++m_refused;
        } else if (next.fd >= 0) {
            batch->push_back(next);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return Drain::kEmpty;
        } else if (errno == EMFILE || errno == ENFILE) {
            ++m_acceptRetries;
            if (!fd::RefuseWithSpare(listenFd))
                return Drain::kShort;
            ++m_refused;
        } else if (errno == ENOBUFS || errno == ENOMEM) {
            ++m_acceptRetries;
            return Drain::kShort;
        } else if (!IsTransientAcceptError(errno)) {
            return Drain::kBroken;
        }
    }
    return Drain::kEmpty;  // the batch is full; the rest waits in the queue
}

void TcpEngine::AcceptOne(int fd, const IpEndpoint& peer) {
    // Adopted before it is listed: whoever closes the record's socket from now on only wakes us.
    sock::AdoptForWorker(fd, this);
    auto made = std::make_unique<ConnectInfo>();
    ConnectInfo* rec = made.get();
    rec->sock = fd;
    rec->addrClient = peer;
    uint64_t key;
    std::shared_ptr<tls::Session> tls;
    {
        CCritSecLock lock(g_csConnect);
        if (m_stopping) {
            sock::CloseSocket(fd);
            sock::ReleaseFromWorker(fd);
            return;
        }
        rec->nId = m_nNextId;
        key = rec->nId;
        if (m_serverTls)
            rec->tls = std::make_shared<tls::Session>(m_serverTls, std::string());
        tls = rec->tls;
        InsertRecord(m_map, key, made.release());  // the page owns it from now on
        ++m_nNextId;
    }
    m_pSink->OnNewConnection(rec, key);  // rec may be freed from here on

    WorkerContext ctx;
    ctx.sock = fd;
    ctx.nId = static_cast<uint32_t>(key);
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    ctx.bServer = true;
    ctx.tls = std::move(tls);
    pthread_t handle{};
    if (!m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); }, &handle)) {
        ++m_noThread;
        EndUnstartedReceive(fd, key);
        return;
    }
    CCritSecLock lock(g_csConnect);
    if (ConnectInfo* r = FindRecord(m_map, key))
        r->hThread = handle;
}

// No thread could be made to receive on `fd`: the connection is closed and its record told so,
// as if the peer had left.
void TcpEngine::EndUnstartedReceive(int fd, uint64_t key) {
    ConnectInfo* closed = nullptr;
    {
        CCritSecLock lock(g_csConnect);
        if (ConnectInfo* r = FindRecord(m_map, key); r && r->sock == fd) {
            r->sock = -1;
            closed = r;
        }
        sock::CloseSocket(fd);
    }
    sock::ReleaseFromWorker(fd);
    if (closed && !m_stopping)
        m_pSink->OnConnectionUpdate(closed, UPDATE_CLOSED, key);
}

uint32_t TcpEngine::AddClient(ConnectInfo* pInfo) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    pInfo->nId = m_nNextId;
    InsertRecord(m_map, pInfo->nId, pInfo);
    return ++m_nNextId;
}

ConnectInfo* TcpEngine::AddClient(std::unique_ptr<ConnectInfo> pInfo) {
    QUILLET_ASSERT_UI_THREAD();
    ConnectInfo* listed = pInfo.release();
    AddClient(listed);
    return listed;
}

sock::Outcome TcpEngine::StartReceive(ConnectInfo* pInfo) {
    QUILLET_ASSERT_UI_THREAD();
    WorkerContext ctx;
    ctx.sock = pInfo->sock;
    ctx.nId = pInfo->nId;
    ctx.pTcpEngine = this;
    ctx.pSink = m_pSink;
    {
        CCritSecLock lock(g_csConnect);
        pInfo->tls.reset();
        if (pInfo->tlsContext)
            pInfo->tls =
                std::make_shared<tls::Session>(pInfo->tlsContext, pInfo->addrServer.AddressText());
        ctx.tls = pInfo->tls;
    }
    sock::AdoptForWorker(ctx.sock, this);
    if (m_workers.Spawn([this, ctx] { ReceiveLoop(ctx); }))
        return {};
    CCritSecLock lock(g_csConnect);
    if (pInfo->sock == ctx.sock)
        pInfo->sock = -1;
    sock::CloseSocket(ctx.sock);
    sock::ReleaseFromWorker(ctx.sock);
    return {sock::Step::kThread, 0};
}

void TcpEngine::ReceiveLoop(WorkerContext ctx) {
    if (ctx.tls) {
        TlsReceiveLoop(ctx);
        return;
    }
    char buf[kRecvBufferSize];
    // The first chunk of a connection starts its byte stream; the rest continue it, so a
    // character split between two of them shows whole.
    bool continues = false;
    const IpEndpoint peer = PeerOf(ctx.sock);
    bool behind = false;  // a raw recording of the connection fell behind at the last chunk
    for (;;) {
        if (behind)
            WaitForRecorders(ctx);
        ssize_t n = recv(ctx.sock, buf, kRecvBufferSize - 1, 0);
        if (n < 0 && errno == EINTR && !m_stopping)
            continue;
        if (n <= 0 || m_stopping)
            break;
        behind = ReceiveChunk(ctx, peer, buf, static_cast<int>(n), continues, &ctx.tls);
        if (ctx.tls) {
            TlsReceiveLoop(ctx, std::string_view(buf, static_cast<size_t>(n)));
            return;
        }
        continues = true;
    }
    FinishReceive(ctx);
}

bool TcpEngine::RecordingBehind(const WorkerContext& ctx) {
    CCritSecLock lock(g_csConnect);  // a recorder set in the record lives while it is set
    const ConnectInfo* rec = FindRecord(m_map, ctx.nId);
    return rec && rec->sock == ctx.sock && RecordingBehindLocked(*rec);
}

bool TcpEngine::RecordingBehindLocked(const ConnectInfo& rec) const {
    auto behind = [](const LogRecorder* r) {
        return r && r->GetForm() == LogRecorder::Form::kRaw && r->Behind();
    };
    return behind(rec.recorder) || behind(m_store.PageRecorder());
}

void TcpEngine::WaitForRecorders(const WorkerContext& ctx) {
    // Bounded by the disk's pace: the recorder drains or stops (a write error), or the
    // connection or the engine ends.
    while (RecordingBehind(ctx) && !m_stopping && !sock::CloseRequested(ctx.sock))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

bool TcpEngine::ReceiveChunk(const WorkerContext& ctx, const IpEndpoint& peer, const char* data,
                             int n, bool continues, std::shared_ptr<tls::Session>* switchTo) {
    ConnectInfo* rec;
    bool behind;
    {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, ctx.nId);
        if (!rec)
            return false;  // deleted by the page: the chunk has no home
        if (switchTo && rec->tls) {
            *switchTo = rec->tls;
            return false;
        }
        LogReceivedChunk(rec, std::string_view(data, static_cast<size_t>(n)), continues);
        NoteLoggedChunk(m_store, *rec, ChunkSide::kReceived,
                        std::string_view(data, static_cast<size_t>(n)));
        behind = RecordingBehindLocked(*rec);
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_DATA, ctx.nId);
    AutoReplyTo(ctx, peer, data, n);
    return behind;
}

void TcpEngine::FinishReceive(const WorkerContext& ctx) {
    ConnectInfo* rec = nullptr;
    int closing = -1;
    if (!m_stopping) {
        CCritSecLock lock(g_csConnect);
        rec = FindRecord(m_map, ctx.nId);
        // A record that was connected again has a new socket and a new receive thread: this
        // thread's end is old news for it.
        if (rec && rec->sock != -1 && rec->sock != ctx.sock)
            rec = nullptr;
        if (rec && rec->sock != -1) {
            closing = rec->sock;
            rec->sock = -1;
        }
    }
    // Closed outside the lock, so that thousands of peers leaving at once do not queue every
    // look of the window at a record behind their closes. No record names the socket any more,
    // and its number stays this thread's until ReleaseFromWorker, so nothing reuses it meanwhile.
    sock::CloseSocket(closing);
    if (rec)
        m_pSink->OnConnectionUpdate(rec, UPDATE_CLOSED, ctx.nId);
    sock::ReleaseFromWorker(ctx.sock);
}

int TcpEngine::SendOnRecord(ConnectInfo* pInfo, const char* data, int len, int* error) {
    int fd = sock::PinField(&pInfo->sock);
    if (fd < 0)
        return sock::SendFailed(EBADF, error);
    if (len < 0) {
        sock::Unpin(fd);
        return sock::SendFailed(EINVAL, error);
    }
    const int n = static_cast<int>(send(fd, data, static_cast<size_t>(len), MSG_NOSIGNAL));
    const int sendError = errno;
    sock::Unpin(fd);
    return n < 0 ? sock::SendFailed(sendError, error) : n;
}

void TcpEngine::CloseSocket(int sock) {
    sock::CloseSocket(sock);
}

TcpEngine::SendResult TcpEngine::Send(ConnectInfo* pInfo, std::string bytes, std::u16string text,
                                      bool logged) {
    QUILLET_ASSERT_UI_THREAD();
    auto shared = text.empty() ? nullptr : std::make_shared<const std::u16string>(std::move(text));
    return Send(pInfo, &bytes, std::move(shared), logged);
}

int TcpEngine::KeyAndSocket(ConnectInfo* rec, uint64_t* key) {
    CCritSecLock lock(g_csConnect);
    *key = rec->nId;
    return rec->sock;
}

TcpEngine::SendResult TcpEngine::Send(ConnectInfo* pInfo, std::string* bytes,
                                      std::shared_ptr<const std::u16string> text, bool logged) {
    QUILLET_ASSERT_UI_THREAD();
    uint64_t key;
    const int fd = KeyAndSocket(pInfo, &key);
    if (fd < 0)
        return SendResult::kFailed;
    PendingSend item;
    item.bytes = std::move(*bytes);
    item.text = std::move(text);
    item.logged = logged;
    const SendResult result = SendOnKey(key, fd, item, false);
    if (result != SendResult::kQueued)
        *bytes = std::move(item.bytes);
    return result;
}

TcpEngine::SendResult TcpEngine::SendFed(ConnectInfo* pInfo, std::shared_ptr<WireFeed> feed,
                                         size_t estimate,
                                         std::shared_ptr<const std::u16string> text,
                                         std::string* sentAtOnce) {
    QUILLET_ASSERT_UI_THREAD();
    uint64_t key;
    const int fd = KeyAndSocket(pInfo, &key);
    if (fd < 0)
        return SendResult::kFailed;
    PendingSend item;
    item.feed = std::move(feed);
    item.estimate = estimate;
    item.text = std::move(text);
    const SendResult result = SendOnKey(key, fd, item, false);
    if (result == SendResult::kAll)
        *sentAtOnce = std::move(item.bytes);
    return result;
}

TcpEngine::SendResult TcpEngine::SendOnKey(uint64_t key, int fd, PendingSend& item, bool reply) {
    std::shared_ptr<tls::Session> session;
    bool fedWriter = false;  // a fed text was queued with no writer serving the queue
    uint64_t serial = 0;
    {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = FindRecord(m_map, key);
        if (!rec || rec->sock != fd || fd < 0)
            return SendResult::kFailed;
        session = rec->tls;
        if (session && !session->Started())
            session = nullptr;  // switched to TLS, but the peer has not begun it yet
        if (!session) {
            SendQueue& q = rec->sendQueue;
            if (q.sock != fd)  // a new connection starts with an empty queue
                RestartSendQueue(q, fd, m_nextSendSerial++);
            if (item.feed) {
                const SendResult result = QueueFed(q, item, &fedWriter, &serial);
                if (!fedWriter)
                    return result;
            } else if (!q.pending.empty()) {
                if (q.waitingBytes + item.bytes.size() > SendQueue::kMaxWaitingBytes)
                    return SendResult::kFull;
                q.waitingBytes += item.bytes.size();
                q.pending.push_back(std::move(item));
                return SendResult::kQueued;
            }
            if (!fedWriter && !sock::Pin(fd))
                return SendResult::kFailed;
        }
    }
    if (fedWriter) {
        if (!m_workers.Spawn([this, key, fd, serial] { WriteLoop(key, fd, serial); }))
            FailWithoutWriter(key, fd, serial);
        return SendResult::kQueued;
    }
    if (session && item.feed) {  // TLS encrypts whole texts: wait for the rest of it
        item.bytes = item.feed->TakeAll();
        item.feed.reset();
    }
    if (session)
        return SendTls(key, fd, item, reply, session);
    const std::string& bytes = item.bytes;
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    const int err = errno;
    sock::Unpin(fd);
    if (n == static_cast<ssize_t>(bytes.size())) {
        if (reply) {
            CCritSecLock lock(g_csConnect);
            if (SendQueue* q = WriterQueue(key, fd, 0))
                BookReply(*q, std::move(item.bytes));
        }
        return SendResult::kAll;
    }
    if (n < 0 && err != EAGAIN && err != EWOULDBLOCK && err != EINTR)
        return SendResult::kFailed;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue* q = WriterQueue(key, fd, 0);
        if (!q)
            return SendResult::kFailed;  // deleted or disconnected meanwhile
        const size_t taken = n > 0 ? static_cast<size_t>(n) : 0;
        q->waitingBytes += item.bytes.size() - taken;
        item.taken = taken;
        q->pending.push_back(std::move(item));
        if (q->writer)
            return SendResult::kQueued;
        q->writer = true;
        serial = q->serial;
    }
    if (!m_workers.Spawn([this, key, fd, serial] { WriteLoop(key, fd, serial); }))
        FailWithoutWriter(key, fd, serial);
    return SendResult::kQueued;
}

TcpEngine::SendResult TcpEngine::QueueFed(SendQueue& q, PendingSend& item, bool* startWriter,
                                          uint64_t* serial) {
    if (!q.pending.empty() && q.waitingBytes + item.estimate > SendQueue::kMaxWaitingBytes)
        return SendResult::kFull;
    q.waitingBytes += item.estimate;
    q.pending.push_back(std::move(item));
    if (!q.writer) {
        q.writer = true;
        *startWriter = true;
        *serial = q.serial;
    }
    return SendResult::kQueued;
}

void TcpEngine::FailWithoutWriter(uint64_t key, int fd, uint64_t serial) {
    ConnectInfo* rec = nullptr;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue* q = WriterQueue(key, fd, serial);
        if (!q)
            return;  // the page is going away or dropped the queue: nobody waits for news
        // Nothing will send what waits: the page hears what was taken and what was not.
        for (PendingSend& p : q->pending)
            q->lost.push_back(std::move(p));
        q->pending.clear();
        q->waitingBytes = 0;
        q->writer = false;
        q->noWriter = true;
        rec = FindRecord(m_map, key);
    }
    m_pSink->OnConnectionUpdate(rec, UPDATE_SENT, key);
}

void TcpEngine::AutoReplyTo(const WorkerContext& ctx, const IpEndpoint& peer, const char* data,
                            int n) {
    std::string reply;
    if (!m_autoReply.ReplyFor(std::string_view(data, static_cast<size_t>(n)), &reply))
        return;
    const bool own = own::IsOwn(own::Proto::kTcp, peer);
    {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = FindRecord(m_map, ctx.nId);
        if (!rec ||
            AdmitReply(rec->replyBudget, rec->counters, static_cast<size_t>(n), reply.size(), own,
                       std::chrono::steady_clock::now()) != ReplyVerdict::kSend)
            return;  // withheld: counted in the record, which its counters line shows
    }
    PendingSend item;
    item.bytes = std::move(reply);
    switch (SendOnKey(ctx.nId, ctx.sock, item, true)) {
        case SendResult::kAll: {
            ConnectInfo* rec;
            {
                CCritSecLock lock(g_csConnect);
                rec = FindRecord(m_map, ctx.nId);
            }
            if (rec)
                m_pSink->OnConnectionUpdate(rec, UPDATE_REPLIED, ctx.nId);
            break;
        }
        case SendResult::kFull:
            m_autoReply.CountDropped();
            break;
        case SendResult::kQueued:  // the writer reports it
        case SendResult::kFailed:  // the connection is ending; this thread sees it next
            break;
    }
}

SendQueue* TcpEngine::WriterQueue(uint64_t key, int fd, uint64_t serial) {
    // A serial of 0 accepts any queue of the connection on `fd`.
    ConnectInfo* rec = FindRecord(m_map, key);
    if (!rec || m_stopping || rec->sendQueue.sock != fd ||
        (serial != 0 && rec->sendQueue.serial != serial))
        return nullptr;
    return &rec->sendQueue;
}

void TcpEngine::WriteLoop(uint64_t key, int fd, uint64_t serial) {
    std::string chunk;  // one buffer for every call: no fresh pages to fault in each time
    chunk.reserve(kWriteChunk);
    for (;;) {
        bool pinned = false;
        std::shared_ptr<WireFeed> starved;
        size_t at = 0;
        if (!TakeFrontPiece(key, fd, serial, kWriteChunk, chunk, &pinned, &starved, &at))
            return;
        if (starved) {  // the front text's next bytes are still being encoded
            starved->WaitBeyond(at);
            continue;
        }
        ssize_t n = -1;
        int err = 0;
        // A fed text whose last bytes went before its encoding finished ends with no bytes.
        const bool ended = pinned && chunk.empty();
        if (pinned && !ended) {
            // Blocks until the peer reads, or until a close (page or peer) shuts the socket.
            n = send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            err = errno;
        }
        if (pinned)
            sock::Unpin(fd);
        if (n < 0 && err == EINTR)
            continue;
        if (!AfterWrite(key, fd, serial, n > 0 || ended, n > 0 ? static_cast<size_t>(n) : 0))
            return;
    }
}

bool TcpEngine::TakeFrontPiece(uint64_t key, int fd, uint64_t serial, size_t most,
                               std::string& piece, bool* pinned, std::shared_ptr<WireFeed>* starved,
                               size_t* at) {
    CCritSecLock lock(g_csConnect);
    SendQueue* q = WriterQueue(key, fd, serial);
    if (!q)
        return false;  // deleted, dropped, or the page is going away
    if (q->pending.empty()) {
        q->writer = false;
        return false;
    }
    piece.clear();
    // A connection that ended under the queue fails it; the write is skipped.
    *pinned = FindRecord(m_map, key)->sock == fd && sock::Pin(fd);
    if (*pinned) {
        const PendingSend& front = q->pending.front();
        if (!front.feed) {
            piece.assign(front.bytes, front.taken, most);
        } else if (!front.feed->CopyFrom(front.taken, most, piece)) {
            sock::Unpin(fd);
            *pinned = false;
            *starved = front.feed;
            *at = front.taken;
        }
    }
    return true;
}

bool TcpEngine::AfterWrite(uint64_t key, int fd, uint64_t serial, bool ok, size_t took) {
    ConnectInfo* rec;
    bool news = false, more = true;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue* q = WriterQueue(key, fd, serial);
        if (!q)
            return false;
        rec = FindRecord(m_map, key);
        if (ok) {
            PendingSend& front = q->pending.front();
            front.taken += took;
            if (!front.feed)
                q->waitingBytes -= took;
            if (front.Complete()) {
                if (front.feed) {  // finished, so this does not wait
                    q->waitingBytes -= std::min(q->waitingBytes, front.estimate);
                    front.bytes = front.feed->TakeAll();
                    front.feed.reset();
                }
                BookWritten(*q, std::move(front));
                q->pending.pop_front();
                news = true;
            }
        } else {
            for (PendingSend& p : q->pending)
                q->lost.push_back(std::move(p));
            q->pending.clear();
            q->waitingBytes = 0;
            news = true;
        }
        if (q->pending.empty()) {
            q->writer = false;
            more = false;
        }
    }
    if (news)
        m_pSink->OnConnectionUpdate(rec, UPDATE_SENT, key);
    return more;
}

}  // namespace quillet::engine

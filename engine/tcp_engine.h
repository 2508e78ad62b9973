#pragma once
// Listening TCP sockets, their accept threads, one receive thread per connection, and the
// page's connection map keyed by nId.
//
// Threads: every public operation is for the owning page's (user-interface) thread (checked:
// thread_check.h). Workers:
// one accept thread per listening socket, one receive thread per connection, and a writer
// thread per connection while texts wait in its sendQueue (blocked in send until the peer reads
// or a close shuts the socket); they take
// g_csConnect for every map lookup and record update and call the sink without it
// (connection_sink.h). A receive thread also sends the automatic reply to each chunk it logged
// (AutoReplies), through the connection's send queue as Send does, and never waits for the peer.
// A worker thread serves one connection (or listening socket, or queue) at a time; when that ends
// it waits parked for the next one (worker_group.h).
// The page closes sockets with CloseSocket (socket_closer.h), never close().
//
// Teardown: the page first stops its sink from waiting for it, then calls Shutdown(), then frees
// its records. Shutdown wakes and joins every worker, so none outlives the engine.
#include <atomic>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <deque>

#include "engine/auto_reply.h"
#include "engine/connect_info.h"
#include "engine/connection_sink.h"
#include "engine/endpoint.h"
#include "engine/record_store.h"
#include "engine/socket_options.h"
#include "engine/worker_group.h"

namespace quillet::engine {

namespace tls {
class Context;
class Session;
}  // namespace tls

class TcpEngine {
public:
    explicit TcpEngine(IConnectionSink* sink);
    ~TcpEngine();
    TcpEngine(const TcpEngine&) = delete;
    TcpEngine& operator=(const TcpEngine&) = delete;

    // The page's records; m_map is the store's map, guarded by g_csConnect.
    RecordStore m_store;
    ConnectMap& m_map = m_store.Map();
    uint32_t m_nNextId = 0;  // guarded by g_csConnect

    // A listening socket on 0.0.0.0 and the port's low 16 bits with its accept thread, or -1
    // and errno. The thread takes every queued connection before it tells the page of any; a
    // connection it has no descriptor for is closed at once and counted (RefusedConnections).
    int Listen(int port);
    // The same on `local` (its port's low 16 bits): one address, or a wildcard; the IPv6
    // wildcard accepts IPv4 clients too. Accepted IPv4 clients are recorded as IPv4 endpoints.
    // The listening socket, or the step that failed and its errno.
    sock::Started Listen(const IpEndpoint& local);
    // The same with the user's socket options (ApplyListenOptions; Step::kOptions when the
    // system refuses one); each accepted connection gets their per-connection options.
    sock::Started Listen(const IpEndpoint& local, const sock::SocketOptions& options);
    // Lists a page-made record under the next id; returns the new m_nNextId.
    uint32_t AddClient(ConnectInfo* pInfo);
    // The same for a record the page has just made; the page owns it from now on.
    ConnectInfo* AddClient(std::unique_ptr<ConnectInfo> pInfo);
    // Starts the receive thread of a record whose sock is connected. Step::kThread when no
    // thread could be made: the socket is then closed and sock is -1.
    sock::Outcome StartReceive(ConnectInfo* pInfo);
    // One send call on the record's socket (bytes sent, or -1; never raises SIGPIPE). The socket
    // is read under g_csConnect and held for the call, so that a worker closing it at the same
    // moment cannot hand its number to another socket meanwhile. On -1, `*error` (when given)
    // is send's errno, EBADF when the record has no open socket, EINVAL for a negative length.
    static int SendOnRecord(ConnectInfo* pInfo, const char* data, int len, int* error = nullptr);
    static void CloseSocket(int sock);

    enum class SendResult {
        kAll,     // the socket took every byte at once
        kQueued,  // some or all wait in the record's sendQueue; UPDATE_SENT tells the outcome
        kFailed,  // the connection is gone; nothing was sent
        kFull,    // the queue holds too much already; nothing was sent or queued
    };
    // Sends `bytes` on the record's connection without ever waiting for the peer. What the
    // socket cannot take at once waits behind earlier texts and goes out on a writer thread as
    // the peer reads. The first text of an empty queue is queued whatever its size; a further
    // one only while the waiting bytes stay within SendQueue::kMaxWaitingBytes. A text that is
    // not `logged` (a file's piece) is only counted when the writer reports it.
    SendResult Send(ConnectInfo* pInfo, std::string bytes, std::u16string text, bool logged = true);
    // The same without a copy: `*bytes` is moved into the queue when the result is kQueued and
    // left as it was otherwise (to log what the socket took at once).
    SendResult Send(ConnectInfo* pInfo, std::string* bytes,
                    std::shared_ptr<const std::u16string> text, bool logged = true);
    // A long text whose bytes `feed` is still making (on an encoding thread): queued behind
    // earlier texts like any other and sent as its bytes come, never overtaken by a later
    // text. kQueued, kFull (counting `estimate` bytes for it) or kFailed; on a TLS connection
    // (which waits for the whole text) kAll too, with the bytes in `*sentAtOnce`.
    SendResult SendFed(ConnectInfo* pInfo, std::shared_ptr<WireFeed> feed, size_t estimate,
                       std::shared_ptr<const std::u16string> text, std::string* sentAtOnce);
    // Switches the open plain connection of `pInfo` to TLS in the role of `ctx` (STARTTLS): a
    // client's first message goes out on a worker; the receive thread runs the handshake with
    // the next bytes the peer sends. False when the record has no open connection or has TLS.
    bool StartTls(ConnectInfo* pInfo, std::shared_ptr<const tls::Context> ctx);
    // The TLS configuration of connections accepted from now on, or null for plain TCP.
    void SetServerTls(std::shared_ptr<const tls::Context> ctx);
    // What the receive threads answer each chunk with (off unless the page sets a rule).
    AutoReply& AutoReplies() { return m_autoReply; }

    // Stops entering new records, wakes and joins every worker. Idempotent.
    void Shutdown();
    // Worker threads still running (diagnostics and tests).
    size_t LiveWorkers() { return m_workers.LiveCount(); }
    // Threads waiting, parked, to serve the next connection.
    size_t ParkedWorkers() { return m_workers.ParkedCount(); }
    // Threads made for the engine so far (parked ones serve again without a new one).
    size_t ThreadsMade() { return m_workers.ThreadsMade(); }
    // How often accept failed for want of descriptors or memory.
    unsigned AcceptRetries() const { return m_acceptRetries; }
    // Connections closed as soon as they were accepted, for want of descriptors.
    unsigned RefusedConnections() const { return m_refused; }
    // Accepted connections closed because no receive thread could be made for them; reported
    // through OnConnectionsRefused as well.
    unsigned ConnectionsWithoutThread() const { return m_noThread; }

private:
    struct Pending {
        int fd;
        IpEndpoint peer;
    };
    enum class Drain { kEmpty, kShort, kBroken };

    void AcceptLoop(WorkerContext ctx, const sock::SocketOptions& options);
    bool StopAccepting(int listenFd) const;
    // Accepts every connection queued on `listenFd` into `batch` (up to a bound), closing those
    // it has no descriptor for. kShort: out of descriptors or memory even for that; wait a moment.
    Drain DrainQueue(int listenFd, std::deque<Pending>* batch);
    void AcceptOne(int fd, const IpEndpoint& peer);
    void EndUnstartedReceive(int fd, uint64_t key);
    void ReceiveLoop(WorkerContext ctx);
    // While a raw recording of the connection (its own or the page's) is behind, the receive
    // thread reads nothing: the peer is slowed by TCP's flow control and no byte is lost.
    bool RecordingBehind(const WorkerContext& ctx);
    bool RecordingBehindLocked(const ConnectInfo& rec) const;  // g_csConnect held
    void WaitForRecorders(const WorkerContext& ctx);
    void FinishReceive(const WorkerContext& ctx);
    // Logs a received chunk; true when a raw recording of the connection is behind.
    // `*switchTo` gets the session of a connection switched to TLS (STARTTLS): the chunk is then
    // the handshake's and is not logged.
    bool ReceiveChunk(const WorkerContext& ctx, const IpEndpoint& peer, const char* data, int n,
                      bool continues, std::shared_ptr<tls::Session>* switchTo = nullptr);
    // Send for the record listed under `key` while it is connected on `fd`; lock not held.
    // `item` is moved from only when it is queued or booked as a reply.
    SendResult SendOnKey(uint64_t key, int fd, PendingSend& item, bool reply);
    // The record's key and socket (-1 when closed), read together under g_csConnect.
    static int KeyAndSocket(ConnectInfo* rec, uint64_t* key);
    // Queues a text that is still being encoded (item.feed); `*startWriter` when no writer
    // served the queue and one is now due (for `*serial`). Caller holds g_csConnect.
    static SendResult QueueFed(SendQueue& q, PendingSend& item, bool* startWriter,
                               uint64_t* serial);
    // The automatic reply to a received chunk, sent on the receive thread unless `peer` is one
    // of the program's own sockets or its reply budget is spent.
    void AutoReplyTo(const WorkerContext& ctx, const IpEndpoint& peer, const char* data, int n);
    void WriteLoop(uint64_t key, int fd, uint64_t serial);

    // TLS connections (tcp_engine_tls.cpp): the handshake, then received records decrypted;
    // sends encrypted by the direct path when nobody else is sending, else by the writer.
    void TlsReceiveLoop(const WorkerContext& ctx, std::string_view already = {});
    void NoteHandshakeFailure(const WorkerContext& ctx);
    SendResult SendTls(uint64_t key, int fd, PendingSend& item, bool reply,
                       const std::shared_ptr<tls::Session>& session);
    SendResult SendTlsNow(uint64_t key, int fd, PendingSend& item, bool reply,
                          const std::shared_ptr<tls::Session>& session);
    // Queues `item` (lock held); true when the caller must start a writer for `serial`.
    bool QueueTls(SendQueue& q, PendingSend& item, bool established, uint64_t* serial);
    // Starts the writer of a TLS connection whose handshake has just finished, if texts wait.
    void StartTlsWriter(const WorkerContext& ctx);
    void SpawnTlsWriter(uint64_t key, int fd, uint64_t serial,
                        std::shared_ptr<tls::Session> session);
    void TlsWriteLoop(uint64_t key, int fd, uint64_t serial,
                      const std::shared_ptr<tls::Session>& session);
    // No writer thread could be made for the queue: its texts become `lost` (with what the
    // socket took of the first) and the page is told; the connection stays.
    void FailWithoutWriter(uint64_t key, int fd, uint64_t serial);
    // Under the lock, the next piece (at most `most` bytes) of the front text into `piece`, with
    // `*pinned` saying whether `fd` is pinned for writing it (a connection that ended is not;
    // `piece` is then empty). A fed front text whose next bytes are not encoded yet sets
    // `*starved` (not pinned) and `*at`, its bytes taken, to wait on. False when the writer is
    // done: its queue is gone or empty.
    bool TakeFrontPiece(uint64_t key, int fd, uint64_t serial, size_t most, std::string& piece,
                        bool* pinned, std::shared_ptr<WireFeed>* starved, size_t* at);
    // The queue of `key` if it still belongs to the writer of `fd` and `serial`; lock held.
    SendQueue* WriterQueue(uint64_t key, int fd, uint64_t serial);
    // Books what one write took of the front text (`took` bytes, may be 0 for TLS bytes of an
    // earlier text) or, when not `ok`, the connection's failure; false when the writer is done.
    bool AfterWrite(uint64_t key, int fd, uint64_t serial, bool ok, size_t took);

    IConnectionSink* m_pSink;
    std::atomic<bool> m_stopping{false};
    std::atomic<unsigned> m_acceptRetries{0};
    uint64_t m_nextSendSerial = 1;  // guarded by g_csConnect
    std::atomic<unsigned> m_refused{0};
    std::atomic<unsigned> m_noThread{0};
    AutoReply m_autoReply;
    std::shared_ptr<const tls::Context> m_serverTls;  // guarded by g_csConnect
    WorkerGroup m_workers;
};

}  // namespace quillet::engine

#pragma once
// Listening TCP sockets, their accept threads, one receive thread per connection, and the
// page's connection map keyed by nId.
//
// Threads: every public operation is for the owning page's (user-interface) thread. Workers:
// one accept thread per listening socket, one receive thread per connection; they take
// g_csConnect for every map lookup and record update and call the sink without it
// (connection_sink.h). The page closes sockets with CloseSocket (socket_closer.h), never close().
//
// Teardown: the page first stops its sink from waiting for it, then calls Shutdown(), then frees
// its records. Shutdown wakes and joins every worker, so none outlives the engine.
#include <atomic>
#include <cstdint>

#include "engine/connect_info.h"
#include "engine/connection_sink.h"
#include "engine/worker_group.h"

class TcpEngine {
public:
    explicit TcpEngine(IConnectionSink* sink);
    ~TcpEngine();
    TcpEngine(const TcpEngine&) = delete;
    TcpEngine& operator=(const TcpEngine&) = delete;

    ConnectMap m_map;        // guarded by g_csConnect
    uint32_t m_nNextId = 0;  // guarded by g_csConnect

    // A listening socket on 0.0.0.0 and the port's low 16 bits with its accept thread, or -1.
    int Listen(int port);
    // Lists a page-made record under the next id; returns the new m_nNextId.
    uint32_t AddClient(ConnectInfo* pInfo);
    // Starts the receive thread of a record whose sock is connected. Returns 0.
    int StartReceive(ConnectInfo* pInfo);
    // One send call on the record's socket (bytes sent, or -1; never raises SIGPIPE). The socket
    // is read under g_csConnect and held for the call, so that a worker closing it at the same
    // moment cannot hand its number to another socket meanwhile. -1 when the record has no open
    // socket.
    static int SendOnRecord(ConnectInfo* pInfo, const char* data, int len);
    static int CloseSocket(int sock);

    // Stops entering new records, wakes and joins every worker. Idempotent.
    void Shutdown();
    // Worker threads still running (diagnostics and tests).
    size_t LiveWorkers() { return m_workers.LiveCount(); }
    // How often accept failed for want of descriptors or memory and was tried again.
    unsigned AcceptRetries() const { return m_acceptRetries; }

private:
    void AcceptLoop(WorkerContext ctx);
    void AcceptOne(int fd, const sockaddr_in& peer);
    void ReceiveLoop(WorkerContext ctx);
    void FinishReceive(const WorkerContext& ctx);
    void ReceiveChunk(const WorkerContext& ctx, const char* data, int n);

    IConnectionSink* m_pSink;
    std::atomic<bool> m_stopping{false};
    std::atomic<unsigned> m_acceptRetries{0};
    quillet::WorkerGroup m_workers;
};

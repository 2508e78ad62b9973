#pragma once
// Bound UDP sockets and their receive threads; every new sender of a server socket becomes a
// peer record of the page; client endpoints that the page made are served too.
//
// Threads and teardown: as for TcpEngine (tcp_engine.h). One receive thread per bound socket.
#include <atomic>
#include <cstdint>

#include "engine/auto_reply.h"
#include "engine/connect_info.h"
#include "engine/connection_sink.h"
#include "engine/endpoint.h"
#include "engine/record_store.h"
#include "engine/worker_group.h"

namespace quillet::engine {

class UdpEngine {
public:
    explicit UdpEngine(IConnectionSink* sink);
    ~UdpEngine();
    UdpEngine(const UdpEngine&) = delete;
    UdpEngine& operator=(const UdpEngine&) = delete;

    // The receive buffer a server socket asks for: bursts wait in it while the page is busy.
    static constexpr int kServerReceiveBuffer = 4 << 20;

    // The page's records; m_map is the store's map, guarded by g_csConnect; key
    // UdpKey(addrClient).
    RecordStore m_store;
    ConnectMap& m_map = m_store.Map();
    uint32_t m_nLastPort = 0;  // guarded by g_csConnect

    // A socket bound to 0.0.0.0 and the port's low 16 bits, receiving as a server, or -1 and
    // errno.
    int Bind(int port);
    // The same on `local` (its port's low 16 bits); the IPv6 wildcard hears IPv4 senders too,
    // recorded as IPv4 endpoints. The bound socket, or the step that failed and its errno.
    sock::Started Bind(const IpEndpoint& local);
    // Starts the receive thread of a page-made endpoint whose sock is bound. Returns true, or
    // false when no thread could be made (the endpoint then receives nothing).
    bool StartClientReceive(ConnectInfo* pInfo);
    // `to` of either family; an IPv4 peer of a dual-stack socket is reached through its mapped
    // IPv6 address. Bytes sent, or -1 and `*error` (when given) as TcpEngine::SendOnRecord.
    static int SendTo(int sock, const char* data, int len, const IpEndpoint& to,
                      int* error = nullptr);
    // SendTo through a client endpoint's own socket, held as TcpEngine::SendOnRecord holds it.
    static int SendOnRecord(ConnectInfo* pInfo, const char* data, int len, const IpEndpoint& to,
                            int* error = nullptr);
    static void CloseSocket(int sock);

    // What the receive threads answer each datagram with, sent back to its sender from the
    // socket that received it (off unless the page sets a rule).
    AutoReply& AutoReplies() { return m_autoReply; }

    void Shutdown();
    // Worker threads still running (diagnostics and tests).
    size_t LiveWorkers() { return m_workers.LiveCount(); }

private:
    void ReceiveLoop(WorkerContext ctx);
    void OnEmptyDatagram(uint64_t key);
    void OnDatagram(const WorkerContext& ctx, uint64_t key, const IpEndpoint& from,
                    const char* data, int n);
    void AutoReplyTo(const WorkerContext& ctx, uint64_t key, const IpEndpoint& from,
                     const char* data, int n);
    ConnectInfo* AddPeer(const IpEndpoint& from, const WorkerContext& ctx, uint64_t key);

    IConnectionSink* m_pSink;
    std::atomic<bool> m_stopping{false};
    AutoReply m_autoReply;
    WorkerGroup m_workers;
};

}  // namespace quillet::engine

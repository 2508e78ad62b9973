#pragma once
// The records that the engines and the pages share, and the connection map.
// Threads: see crit_sec.h for which fields g_csConnect guards. strSent and nSentBytes are written
// only on the user-interface thread; everything else a page reads or writes under the lock.
#include <netinet/in.h>
#include <pthread.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "engine/auto_reply.h"
#include "engine/chunk_log.h"
#include "engine/ip_endpoint.h"
#include "engine/record_counters.h"
#include "engine/send_queue.h"

namespace quillet::engine {

class TcpEngine;
class UdpEngine;
class IConnectionSink;
class LogRecorder;
namespace tls {
class Context;
class Session;
}  // namespace tls

// One TCP connection, one UDP peer of a server socket, or one UDP client endpoint.
struct ConnectInfo {
    uint32_t nId = 0;
    uint32_t nSentBytes = 0;
    uint32_t nRecvBytes = 0;
    uint32_t nRecvBytesAll = 0;
    // The logs as raw chunks (chunk_log.h); they grow only through record_log.h.
    ChunkLog strRecv{ChunkDir::kReceived};
    ChunkLog strSent{ChunkDir::kSent};
    bool bUnread = false;
    pthread_t hThread{};
    int sock = -1;
    void* hItem = nullptr;
    IpEndpoint addrClient;  // either family
    IpEndpoint addrServer;
    // TCP: what waits to be sent on the connection (send_queue.h).
    SendQueue sendQueue;
    // Bytes and messages each way and the receive rate, counted as chunks are logged.
    RecordCounters counters;
    // This peer's automatic replies in the current second (auto_reply.h).
    ReplyBudget replyBudget;
    // The file this record's chunks are recorded to, or null; the page owns the recorder and
    // keeps it alive while it is set here.
    LogRecorder* recorder = nullptr;
    // The record's name in the page's tree (UTF-8), for recorded text lines.
    std::string label;
    // TCP client: the TLS configuration each connection of the record starts with, or null
    // for plain TCP.
    std::shared_ptr<const tls::Context> tlsContext;
    // The TLS state of the current connection, or null (plain TCP). Set before the
    // connection's receive thread starts; the session object guards itself (tls_session.h).
    std::shared_ptr<tls::Session> tls;
};

// The record behind the root node of every page's tree.
struct ServerState {
    bool bActive = false;
    int32_t nPort = 0;
    std::string strHost;
    int sock = -1;
};

// Start parameters of one worker thread.
struct WorkerContext {
    int sock = -1;
    uint32_t nId = 0;
    TcpEngine* pTcpEngine = nullptr;
    UdpEngine* pUdpEngine = nullptr;
    IConnectionSink* pSink = nullptr;
    IpEndpoint addr;
    bool bServer = false;
    std::shared_ptr<tls::Session> tls;  // a TLS connection's session
};

// A page's records by key: TCP key = nId, UDP key = UdpKey(addrClient).
using ConnectMap = std::map<uint64_t, ConnectInfo*>;

// The identity of a UDP record. An IPv4 endpoint (also one written as an IPv4-mapped IPv6
// address) packs address and port without overlap, below 2^48; an IPv6 endpoint gets a number
// of its own from 2^63 up, the same for the whole run. So distinct endpoints never share a key.
// Any thread (the IPv6 numbers are kept under a lock of their own).
uint64_t UdpKey(const IpEndpoint& addr);

// Map operations; the caller holds g_csConnect.
ConnectInfo* FindRecord(const ConnectMap& map, uint64_t key);
void InsertRecord(ConnectMap& map, uint64_t key, ConnectInfo* record);  // replaces
bool EraseRecord(ConnectMap& map, uint64_t key);
// True when `record` is listed under `key`: a notified pointer is only used after this check.
bool IsListed(const ConnectMap& map, uint64_t key, const ConnectInfo* record);

}  // namespace quillet::engine

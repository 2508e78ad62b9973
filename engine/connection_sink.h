#pragma once
// What an engine reports to the page that owns it.
//
// Delivery: a worker finishes its update of a record, releases g_csConnect, and only then calls
// the sink, on the worker thread. The call returns when the page has handled the event (or has
// gone away), so the worker never touches the record while a handler runs, and never waits for
// the user-interface thread while holding the lock: a command that takes the lock on that thread
// cannot deadlock with it. Since the record may have been deleted between the release and the
// handler, every call carries the record's map key; the handler takes g_csConnect and uses the
// record only if IsListed(map, key, record) holds.
#include <cstdint>

struct ConnectInfo;

inline constexpr unsigned WM_CONNECTINFO_NEW = 0x52C;     // WM_USER + 300
inline constexpr unsigned WM_CONNECTINFO_UPDATE = 0x52D;  // WM_USER + 301
inline constexpr int UPDATE_DATA = 0;
inline constexpr int UPDATE_CLOSED = 1;

class IConnectionSink {
public:
    virtual ~IConnectionSink() = default;
    // A record the engine created and listed (accepted connection, new UDP peer).
    virtual void OnNewConnection(ConnectInfo* pInfo, uint64_t key) = 0;
    // UPDATE_DATA: a chunk was appended to strRecv. UPDATE_CLOSED: the connection ended and the
    // engine has closed sock and set it to -1.
    virtual void OnConnectionUpdate(ConnectInfo* pInfo, int kind, uint64_t key) = 0;
};

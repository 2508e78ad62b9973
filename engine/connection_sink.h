#pragma once
// What an engine reports to the page that owns it.
//
// Delivery: a worker finishes its update of a record, releases g_csConnect, and only then calls
// the sink, on the worker thread. A page's sink hands the event to the user-interface thread
// without waiting for it, since the record is already listed and one look shows every chunk (or
// finished send, or the close) before it; a worker's news is handled in the order it was given,
// and a page handles a record's new-record news before any other news of it. Either way the worker never waits for the user-interface thread
// while holding the lock, so a command that takes the lock on that thread cannot deadlock with it,
// and the worker and the handler never touch the record at the same time (both take the lock).
// Since the record may have been deleted before the handler runs, every call carries the
// record's map key; the handler takes g_csConnect and uses the record only if
// IsListed(map, key, record) holds.
#include <cstdint>

namespace quillet::engine {

struct ConnectInfo;

inline constexpr unsigned WM_CONNECTINFO_NEW = 0x52C;     // WM_USER + 300
inline constexpr unsigned WM_CONNECTINFO_UPDATE = 0x52D;  // WM_USER + 301
// What became of a listed record (OnConnectionUpdate). A switch over it names every kind, so a
// new kind is a compile warning wherever it is not handled yet.
enum class UpdateKind : int {
    UPDATE_DATA = 0,
    UPDATE_CLOSED = 1,
    UPDATE_SENT = 2,
    UPDATE_REPLIED = 3,
};
using enum UpdateKind;

class IConnectionSink {
public:
    virtual ~IConnectionSink() = default;
    // A record the engine created and listed (accepted connection, new UDP peer).
    virtual void OnNewConnection(ConnectInfo* pInfo, uint64_t key) = 0;
    // UPDATE_DATA: a chunk was appended to strRecv. UPDATE_CLOSED: the connection ended and the
    // engine has closed sock and set it to -1. UPDATE_SENT: the writer of a TCP connection
    // finished a queued text or found the connection gone (sendQueue.done, sendQueue.lost).
    // UPDATE_REPLIED: a receiving worker sent an automatic reply and booked it in
    // sendQueue.done; the worker does not wait for the page to look.
    virtual void OnConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind, uint64_t key) = 0;
    // Connections were accepted and closed at once for want of descriptors (or of a receive
    // thread); `total` counts those refused for descriptors since the engine was made. Called
    // without waiting for anything, after a drained queue.
    virtual void OnConnectionsRefused(unsigned total) { (void)total; }
};

}  // namespace quillet::engine

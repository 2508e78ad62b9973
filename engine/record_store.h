#pragma once
// A page's records: its connection map and every operation on the records that needs
// g_csConnect. The page owns the records; it lists, disconnects, erases and frees them here,
// and never takes the lock or walks the map itself.
//
// Threads: every member is for the owning page's (user-interface) thread, which is also the only
// thread that frees records, so a record pointer that the page holds stays valid between calls.
// Each member takes g_csConnect for its whole run (the lock is recursive, so a member may be
// called from code that WithListed runs). The engine's workers use Map() directly, under
// g_csConnect, to find and update records (tcp_engine.h, udp_engine.h).
//
// Guards: m_map, and in every listed record the fields that workers write (strRecv, nRecvBytes,
// nRecvBytesAll, bUnread, sock, sendQueue), by g_csConnect. strSent and nSentBytes are written
// only on the user-interface thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"

class RecordStore {
public:
    RecordStore() = default;
    ~RecordStore();  // forgets the entries; the records belong to the page
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // The map itself, for the engine's workers and for tests; use it under g_csConnect.
    ConnectMap& Map() { return m_map; }

    // Lists a record the page made under `key` (replacing any entry there); the page owns it.
    ConnectInfo* Add(uint64_t key, std::unique_ptr<ConnectInfo> rec);
    // True when something is listed under `key`.
    bool Contains(uint64_t key) const;
    // True when `rec` is listed under `key`.
    bool IsListed(uint64_t key, const ConnectInfo* rec) const;
    // Runs `fn` with the lock held when `rec` is listed under `key` (a notified record that may
    // have been deleted meanwhile); returns whether it ran.
    template <typename Fn>
    bool WithListed(uint64_t key, const ConnectInfo* rec, Fn&& fn) {
        CCritSecLock lock(g_csConnect);
        if (!IsListed(key, rec))
            return false;
        fn();
        return true;
    }

    // Closes the record's socket (a worker serving it wakes and ends) and marks it -1. Returns
    // true when it was open.
    bool Disconnect(ConnectInfo* rec);
    // Disconnects, erases `key` and frees the record.
    void Delete(uint64_t key, ConnectInfo* rec);
    // Closes and frees every listed record and every one of `alsoOwned` (records the page shows
    // that may no longer be listed), then empties the map.
    void CloseAndFreeAll(const std::vector<ConnectInfo*>& alsoOwned);

    // Forgets every text waiting on the record's connection; its writer ends silently.
    void DropSends(ConnectInfo* rec);
    // What the connection's writer finished (wholly taken) or lost (cut by a failed
    // connection) since the last look, taken out of the record.
    struct SendNews {
        std::vector<PendingSend> done;
        std::vector<PendingSend> lost;
        uint64_t unloggedBytes = 0;  // automatic replies sent but too many to log
    };
    SendNews TakeSendNews(ConnectInfo* rec);
    // Gives a record a connected socket (the page connected it again); the record owns it now.
    // Bytes given to Send that the connection's writer has not yet passed to the socket.
    size_t WaitingSendBytes(const ConnectInfo* rec) const;
    void AttachSocket(ConnectInfo* rec, quillet::sock::Socket socket);
    bool IsOpen(const ConnectInfo* rec) const;
    bool IsUnread(const ConnectInfo* rec) const;
    // The user looked at the record: clears its unread mark. Returns whether it is open.
    bool MarkRead(ConnectInfo* rec);
    // Forgets the received side (unread mark, counters, log) or the sent side.
    void ClearReceived(ConnectInfo* rec);
    void ClearSent(ConnectInfo* rec);

    // What a view shows of a record's logs.
    struct Logs {
        std::u16string received;
        std::u16string sent;
    };
    Logs CopyLogs(const ConnectInfo* rec) const;
    // A part of the received log for a view that shows its first `shown` characters: the rest
    // after them, at most `maxCount` characters and never half a surrogate pair; or, when the
    // log is shorter than `shown` (it was cleared meanwhile, or `shown` is LogText::npos for a
    // view that shows something else), the whole log to show instead.
    struct Slice {
        std::u16string text;
        bool replaces = false;  // text is the whole log, not an addition
        size_t shownAfter = 0;  // how much of the log the view shows with the slice
        bool more = false;      // more text waits after the slice
    };
    Slice CopyReceivedSlice(const ConnectInfo* rec, size_t shown, size_t maxCount) const;

private:
    ConnectMap m_map;  // guarded by g_csConnect
};

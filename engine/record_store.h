#pragma once
// A page's records: its connection map and every operation on the records that needs
// g_csConnect. The page owns the records; it lists, disconnects, erases and frees them here,
// and never takes the lock or walks the map itself.
//
// Threads: every member is for the owning page's (user-interface) thread (checked:
// thread_check.h), which is also the only thread that frees records, so a record pointer that
// the page holds stays valid between calls.
// Each member takes g_csConnect for its whole run (the lock is recursive, so a member may be
// called from code that WithListed runs). The engine's workers use Map() directly, under
// g_csConnect, to find and update records (tcp_engine.h, udp_engine.h).
//
// Guards: m_map, m_pageRecorder, and in every listed record the fields that workers write
// (strRecv, nRecvBytes, nRecvBytesAll, bUnread, sock, sendQueue, counters) and the one they read
// (recorder), by g_csConnect. strSent and nSentBytes are written only on the user-interface
// thread, under g_csConnect too (record_log.h): a log's append may drop the oldest chunks of any
// other log.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/endpoint.h"

namespace quillet::engine {

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
        // Sent but not logged (automatic replies while the page was behind, a file's pieces):
        // count them with CountSentChunk.
        uint64_t unloggedBytes = 0;
        uint64_t unloggedMessages = 0;
        // `lost` was cut because no writer thread could be made: the connection is still open.
        bool noWriter = false;
    };
    SendNews TakeSendNews(ConnectInfo* rec);
    // Gives a record a connected socket (the page connected it again); the record owns it now.
    // Bytes given to Send that the connection's writer has not yet passed to the socket.
    size_t WaitingSendBytes(const ConnectInfo* rec) const;
    void AttachSocket(ConnectInfo* rec, sock::Socket socket);
    bool IsOpen(const ConnectInfo* rec) const;
    bool IsUnread(const ConnectInfo* rec) const;
    // The user looked at the record: clears its unread mark. Returns whether it is open.
    bool MarkRead(ConnectInfo* rec);
    // Forgets the received side (unread mark, counters, log) or the sent side.
    void ClearReceived(ConnectInfo* rec);
    void ClearSent(ConnectInfo* rec);

    // What a view needs of one of a record's logs: which chunks it holds (numbers
    // [first, end)), what the limits dropped from its start, and copies of the chunks asked for.
    struct LogWindow {
        uint64_t first = 0;
        uint64_t end = 0;
        uint64_t droppedBytes = 0;
        uint64_t from = 0;  // the number of chunks[0]
        std::vector<LogChunk> chunks;
    };
    // Copies the chunks of [from, to) that the log holds, at most `maxChunks` of them; the lock
    // is held for that copy only, so its cost is that of what a view shows, not of the log.
    LogWindow CopyLogWindow(const ConnectInfo* rec, ChunkDir dir, uint64_t from, uint64_t to,
                            size_t maxChunks = 4096) const;
    // The bytes that chunks [from, to) of the log hold.
    uint64_t LogBytes(const ConnectInfo* rec, ChunkDir dir, uint64_t from, uint64_t to) const;
    // How many chunks CopyLogWindow has copied under the lock so far (diagnostics and tests).
    static uint64_t CopiedChunks();

    // A copy of the record's counters, with its receive rate as of now.
    CounterSnapshot Counters(const ConnectInfo* rec) const;
    // Where the chunks of one record, or of every record of the page, are recorded (null: not
    // recorded). The page owns the recorders and keeps each alive while it is set here.
    void SetRecorder(ConnectInfo* rec, LogRecorder* recorder);
    // The record's label as its node shows it (workers put it into recorded text lines).
    void SetLabel(ConnectInfo* rec, std::string label);
    void SetPageRecorder(LogRecorder* recorder);
    // The page's recorder; the caller holds g_csConnect.
    LogRecorder* PageRecorder() const { return m_pageRecorder; }

private:
    ConnectMap m_map;                       // guarded by g_csConnect
    LogRecorder* m_pageRecorder = nullptr;  // guarded by g_csConnect
};

}  // namespace quillet::engine

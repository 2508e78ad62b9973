#include "engine/record_store.h"

#include <algorithm>
#include <set>
#include <utility>

#include "engine/socket_closer.h"
#include "engine/send_queue.h"
#include "engine/thread_check.h"

namespace quillet::engine {

RecordStore::~RecordStore() {
    CCritSecLock lock(g_csConnect);
    m_map.clear();
}

ConnectInfo* RecordStore::Add(uint64_t key, std::unique_ptr<ConnectInfo> rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    ConnectInfo* listed = rec.release();
    InsertRecord(m_map, key, listed);
    return listed;
}

bool RecordStore::Contains(uint64_t key) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return FindRecord(m_map, key) != nullptr;
}

bool RecordStore::IsListed(uint64_t key, const ConnectInfo* rec) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return engine::IsListed(m_map, key, rec);
}

bool RecordStore::Disconnect(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    if (rec->sock == -1)
        return false;
    sock::CloseSocket(rec->sock);
    rec->sock = -1;
    return true;
}

void RecordStore::Delete(uint64_t key, ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    // The receive thread wakes at the close, finds nothing and ends.
    Disconnect(rec);
    EraseRecord(m_map, key);
    delete rec;
}

void RecordStore::CloseAndFreeAll(const std::vector<ConnectInfo*>& alsoOwned) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    // Records listed but not yet shown (their page went away while a worker announced them)
    // are freed as well as those the page shows.
    std::set<ConnectInfo*> records(alsoOwned.begin(), alsoOwned.end());
    for (auto& [key, rec] : m_map)
        records.insert(rec);
    m_map.clear();
    for (ConnectInfo* rec : records) {
        if (rec->sock != -1)
            sock::CloseSocket(rec->sock);
        delete rec;
    }
}

void RecordStore::DropSends(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    // What waits goes with the connection; the writer finds its queue restarted and ends.
    RestartSendQueue(rec->sendQueue, -1, 0);
}

RecordStore::SendNews RecordStore::TakeSendNews(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    SendNews news;
    {
        CCritSecLock lock(g_csConnect);
        SendQueue& q = rec->sendQueue;
        news = SendNews{std::move(q.done), std::move(q.lost), q.unloggedBytes, q.unloggedMessages,
                        q.noWriter};
        q.done.clear();
        q.lost.clear();
        q.doneBytes = 0;
        q.unloggedBytes = 0;
        q.unloggedMessages = 0;
        q.noWriter = false;
    }
    // A fed text cut short: its whole bytes tell what was not sent (its encoding is brief).
    for (PendingSend& item : news.lost)
        if (item.feed) {
            item.bytes = item.feed->TakeAll();
            item.feed.reset();
        }
    return news;
}

size_t RecordStore::WaitingSendBytes(const ConnectInfo* rec) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return rec->sendQueue.waitingBytes;
}

void RecordStore::AttachSocket(ConnectInfo* rec, sock::Socket socket) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->sock = socket.release();
}

bool RecordStore::IsOpen(const ConnectInfo* rec) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return rec->sock != -1;
}

bool RecordStore::IsUnread(const ConnectInfo* rec) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return rec->bUnread;
}

bool RecordStore::MarkRead(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->bUnread = false;
    return rec->sock != -1;
}

void RecordStore::ClearReceived(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->bUnread = false;
    rec->nRecvBytes = 0;
    rec->nRecvBytesAll = 0;
    rec->strRecv.clear();
    rec->counters.ClearReceived();
}

void RecordStore::ClearSent(ConnectInfo* rec) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes = 0;
    rec->strSent.clear();
    rec->counters.ClearSent();
}

void RecordStore::SetLabel(ConnectInfo* rec, std::string label) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->label = std::move(label);
}

CounterSnapshot RecordStore::Counters(const ConnectInfo* rec) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    return ReadCounters(rec->counters, RateWindow::Clock::now());
}

void RecordStore::SetRecorder(ConnectInfo* rec, LogRecorder* recorder) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    rec->recorder = recorder;
}

void RecordStore::SetPageRecorder(LogRecorder* recorder) {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    m_pageRecorder = recorder;
}

namespace {

std::atomic<uint64_t> g_copiedChunks{0};

const ChunkLog& LogOf(const ConnectInfo* rec, ChunkDir dir) {
    return dir == ChunkDir::kReceived ? rec->strRecv : rec->strSent;
}

}  // namespace

RecordStore::LogWindow RecordStore::CopyLogWindow(const ConnectInfo* rec, ChunkDir dir,
                                                  uint64_t from, uint64_t to,
                                                  size_t maxChunks) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    const ChunkLog& log = LogOf(rec, dir);
    LogWindow window;
    window.first = log.First();
    window.end = log.End();
    window.droppedBytes = log.DroppedBytes();
    window.from = std::max(from, window.first);
    to = std::min({to, window.end, window.from + maxChunks});
    window.chunks = log.Copy(window.from, to);
    g_copiedChunks += window.chunks.size();
    return window;
}

uint64_t RecordStore::LogBytes(const ConnectInfo* rec, ChunkDir dir, uint64_t from,
                               uint64_t to) const {
    QUILLET_ASSERT_UI_THREAD();
    CCritSecLock lock(g_csConnect);
    const ChunkLog& log = LogOf(rec, dir);
    return log.BytesIn(from, to);
}

uint64_t RecordStore::CopiedChunks() {
    return g_copiedChunks;
}

}  // namespace quillet::engine

#include "engine/record_store.h"

#include <set>

#include "engine/socket_closer.h"
#include "engine/tcp_engine.h"

namespace {

bool IsHighSurrogate(char16_t c) {
    return (c & 0xFC00) == 0xD800;
}

}  // namespace

RecordStore::~RecordStore() {
    CCritSecLock lock(g_csConnect);
    m_map.clear();
}

ConnectInfo* RecordStore::Add(uint64_t key, std::unique_ptr<ConnectInfo> rec) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* listed = rec.release();
    InsertRecord(m_map, key, listed);
    return listed;
}

bool RecordStore::Contains(uint64_t key) const {
    CCritSecLock lock(g_csConnect);
    return FindRecord(m_map, key) != nullptr;
}

bool RecordStore::IsListed(uint64_t key, const ConnectInfo* rec) const {
    CCritSecLock lock(g_csConnect);
    return ::IsListed(m_map, key, rec);
}

bool RecordStore::Disconnect(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    if (rec->sock == -1)
        return false;
    quillet::sock::CloseSocket(rec->sock);
    rec->sock = -1;
    return true;
}

void RecordStore::Delete(uint64_t key, ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    // The receive thread wakes at the close, finds nothing and ends.
    Disconnect(rec);
    EraseRecord(m_map, key);
    delete rec;
}

void RecordStore::CloseAndFreeAll(const std::vector<ConnectInfo*>& alsoOwned) {
    CCritSecLock lock(g_csConnect);
    // Records listed but not yet shown (their page went away while a worker announced them)
    // are freed as well as those the page shows.
    std::set<ConnectInfo*> records(alsoOwned.begin(), alsoOwned.end());
    for (auto& [key, rec] : m_map)
        records.insert(rec);
    m_map.clear();
    for (ConnectInfo* rec : records) {
        if (rec->sock != -1)
            quillet::sock::CloseSocket(rec->sock);
        delete rec;
    }
}

void RecordStore::DropSends(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    TcpEngine::DropSendQueue(rec);
}

RecordStore::SendNews RecordStore::TakeSendNews(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    SendQueue& q = rec->sendQueue;
    SendNews news{std::move(q.done), std::move(q.lost), q.unloggedBytes};
    q.done.clear();
    q.lost.clear();
    q.doneBytes = 0;
    q.unloggedBytes = 0;
    return news;
}

size_t RecordStore::WaitingSendBytes(const ConnectInfo* rec) const {
    CCritSecLock lock(g_csConnect);
    return rec->sendQueue.waitingBytes;
}

void RecordStore::AttachSocket(ConnectInfo* rec, quillet::sock::Socket socket) {
    CCritSecLock lock(g_csConnect);
    rec->sock = socket.release();
}

bool RecordStore::IsOpen(const ConnectInfo* rec) const {
    CCritSecLock lock(g_csConnect);
    return rec->sock != -1;
}

bool RecordStore::IsUnread(const ConnectInfo* rec) const {
    CCritSecLock lock(g_csConnect);
    return rec->bUnread;
}

bool RecordStore::MarkRead(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    rec->bUnread = false;
    return rec->sock != -1;
}

void RecordStore::ClearReceived(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    rec->bUnread = false;
    rec->nRecvBytes = 0;
    rec->nRecvBytesAll = 0;
    rec->strRecv.clear();
}

void RecordStore::ClearSent(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes = 0;
    rec->strSent.clear();
}

RecordStore::Logs RecordStore::CopyLogs(const ConnectInfo* rec) const {
    CCritSecLock lock(g_csConnect);
    return Logs{rec->strRecv.str(), rec->strSent.str()};
}

RecordStore::Slice RecordStore::CopyReceivedSlice(const ConnectInfo* rec, size_t shown,
                                                  size_t maxCount) const {
    CCritSecLock lock(g_csConnect);
    const LogText& log = rec->strRecv;
    Slice slice;
    slice.replaces = log.size() < shown;
    const size_t from = slice.replaces ? 0 : shown;
    size_t count = log.size() - from;
    if (!slice.replaces && count > maxCount) {
        count = maxCount;
        if (count > 0 && IsHighSurrogate(log[from + count - 1]))
            --count;  // keep pairs whole
        slice.more = true;
    }
    slice.text = log.substr(from, count);
    slice.shownAfter = from + count;
    return slice;
}

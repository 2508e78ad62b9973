#include "engine/record_log.h"

#include "engine/connect_info.h"
#include "engine/crit_sec.h"

bool LogReceivedChunk(ConnectInfo* rec, std::string_view bytes, const sockaddr_in* sender,
                      bool continuesStream) {
    const int64_t now = ChunkTimeNow();
    CCritSecLock lock(g_csConnect);
    rec->bUnread = true;
    rec->nRecvBytesAll += static_cast<uint32_t>(bytes.size());
    rec->nRecvBytes += static_cast<uint32_t>(bytes.size());
    return rec->strRecv.Append(bytes, now, sender, continuesStream);
}

bool LogSentChunk(ConnectInfo* rec, std::string_view bytes) {
    const int64_t now = ChunkTimeNow();
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes += static_cast<uint32_t>(bytes.size());
    return rec->strSent.Append(bytes, now);
}

void CountSentChunk(ConnectInfo* rec, size_t count, uint64_t messages) {
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes += static_cast<uint32_t>(count);
    rec->counters.CountSent(count, messages);
}

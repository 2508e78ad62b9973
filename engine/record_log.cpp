#include "engine/record_log.h"

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "engine/log_recorder.h"

namespace quillet::engine {

bool LogReceivedChunk(ConnectInfo* rec, std::string_view bytes, bool continuesStream) {
    const int64_t now = ChunkTimeNow();
    auto shared = ChunkLog::Share(bytes);  // a large chunk is copied before the lock, not under it
    CCritSecLock lock(g_csConnect);
    rec->bUnread = true;
    rec->nRecvBytesAll += static_cast<uint32_t>(bytes.size());
    rec->nRecvBytes += static_cast<uint32_t>(bytes.size());
    if (shared)
        return rec->strRecv.AppendShared(std::move(shared), now, continuesStream);
    return rec->strRecv.Append(bytes, now, continuesStream);
}

bool LogSentChunk(ConnectInfo* rec, std::string_view bytes) {
    const int64_t now = ChunkTimeNow();
    auto shared = ChunkLog::Share(bytes);  // as above
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes += static_cast<uint32_t>(bytes.size());
    if (shared)
        return rec->strSent.AppendShared(std::move(shared), now);
    return rec->strSent.Append(bytes, now);
}

bool LogSentChunk(ConnectInfo* rec, std::shared_ptr<const std::string> bytes) {
    if (bytes->size() < ChunkLog::kSharedFrom)
        return LogSentChunk(rec, std::string_view(*bytes));
    const int64_t now = ChunkTimeNow();
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes += static_cast<uint32_t>(bytes->size());
    return rec->strSent.AppendShared(std::move(bytes), now);
}

void CountSentChunk(ConnectInfo* rec, size_t count, uint64_t messages) {
    CCritSecLock lock(g_csConnect);
    rec->nSentBytes += static_cast<uint32_t>(count);
    rec->counters.CountSent(count, messages);
}

bool LogNoteChunk(ConnectInfo* rec, ChunkDir dir, std::string_view utf8Text) {
    const int64_t now = ChunkTimeNow();
    CCritSecLock lock(g_csConnect);
    ChunkLog& log = dir == ChunkDir::kReceived ? rec->strRecv : rec->strSent;
    const bool kept = log.AppendNote(utf8Text, now);
    if (rec->recorder && rec->recorder->GetForm() == LogRecorder::Form::kText)
        rec->recorder->Append(FormatRecordedNote(now, SideOf(dir), rec->label, utf8Text));
    return kept;
}

}  // namespace quillet::engine

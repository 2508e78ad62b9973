// Stand-in for the program's note lines: the note is kept as an ordinary chunk of the log,
// outside the byte counters.
#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/record_log.h"

bool LogNoteChunk(ConnectInfo* rec, ChunkDir dir, std::string_view utf8Text) {
    const int64_t now = ChunkTimeNow();
    CCritSecLock lock(g_csConnect);
    ChunkLog& log = dir == ChunkDir::kReceived ? rec->strRecv : rec->strSent;
    return log.Append(utf8Text, now);
}

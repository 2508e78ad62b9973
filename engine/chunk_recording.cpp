#include "engine/chunk_recording.h"

#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "engine/log_recorder.h"
#include "engine/record_log.h"

namespace quillet::engine {

namespace {

void Record(LogRecorder* recorder, ChunkSide side, const ConnectInfo& rec, std::string_view bytes,
            std::string* line) {
    if (!recorder)
        return;
    if (recorder->GetForm() == LogRecorder::Form::kRaw) {
        if (side == ChunkSide::kReceived)  // the raw form holds the peer's bytes only
            recorder->Append(bytes);
        return;
    }
    if (line->empty())
        *line = FormatRecordedLine(ChunkTimeNow(), side, rec.label, bytes);
    recorder->Append(*line);
}

}  // namespace

void NoteLoggedChunk(RecordStore& store, ConnectInfo& rec, ChunkSide side, std::string_view bytes) {
    CCritSecLock lock(g_csConnect);
    if (side == ChunkSide::kReceived)
        rec.counters.CountReceived(bytes.size(), RateWindow::Clock::now());
    else
        rec.counters.CountSent(bytes.size());
    std::string line;  // made once, for whichever text recording asks first
    Record(rec.recorder, side, rec, bytes, &line);
    if (store.PageRecorder() != rec.recorder)
        Record(store.PageRecorder(), side, rec, bytes, &line);
}

void LogPageNote(RecordStore& store, ConnectInfo& rec, ChunkDir dir, std::string_view utf8Text) {
    CCritSecLock lock(g_csConnect);
    LogNoteChunk(&rec, dir, utf8Text);
    LogRecorder* page = store.PageRecorder();
    if (page && page != rec.recorder && page->GetForm() == LogRecorder::Form::kText)
        page->Append(FormatRecordedNote(ChunkTimeNow(), SideOf(dir), rec.label, utf8Text));
}

}  // namespace quillet::engine

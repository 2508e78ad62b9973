#pragma once
// The one step after a chunk is logged, received or sent: it is counted in the record's
// counters and handed to the files that record the record or its whole page (log_recorder.h),
// the text form rendered as the views render it (FormatRecordedLine, log_line.h).
//
// Threads: any; takes g_csConnect (recursive, so a worker that holds it for its log update calls
// it there). Never waits for the disk.
#include <string_view>

#include "engine/connect_info.h"
#include "engine/log_line.h"
#include "engine/record_store.h"

namespace quillet::engine {

void NoteLoggedChunk(RecordStore& store, ConnectInfo& rec, ChunkSide side, std::string_view bytes);
// A note of the page's (LogNoteChunk, record_log.h), also into the page's text recording.
void LogPageNote(RecordStore& store, ConnectInfo& rec, ChunkDir dir, std::string_view utf8Text);

}  // namespace quillet::engine

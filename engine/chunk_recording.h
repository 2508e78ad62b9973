#pragma once
// The one step after a chunk is logged, received or sent: it is counted in the record's
// counters and handed to the files that record the record or its whole page (log_recorder.h).
//
// Threads: any; takes g_csConnect (recursive, so a worker that holds it for its log update calls
// it there). Never waits for the disk.
#include <chrono>
#include <string>
#include <string_view>

#include "engine/connect_info.h"
#include "engine/record_store.h"

enum class ChunkSide { kReceived, kSent };

void NoteLoggedChunk(RecordStore& store, ConnectInfo& rec, ChunkSide side, std::string_view bytes);

// A chunk as one line of a text recording: time stamp (in the views' stamp style), "RX" or
// "TX", the record's label, the bytes as text in the wire encoding (UTF-8), "\n". Line breaks
// inside the chunk stay.
std::string FormatRecordedLine(std::chrono::system_clock::time_point when, ChunkSide side,
                               const std::string& label, std::string_view bytes);

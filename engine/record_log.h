#pragma once
// The two places where a record's log grows: every received chunk goes through
// LogReceivedChunk, every sent one through LogSentChunk. Anything that must see each chunk of a
// record (recording to a file, rate counters) belongs beside these two.
//
// Threads: any thread. Both take g_csConnect (recursive: a worker that holds it already may
// call them) and must only be given a record that is listed or owned by the caller.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/chunk_log.h"

namespace quillet::engine {

struct ConnectInfo;

// A worker received `bytes` for `rec`: marks it unread, counts the bytes, keeps the chunk with
// its arrival time. `continuesStream` says the chunk follows the previous one in one TCP byte
// stream (a character may span them). Returns false when memory ran out and the chunk was dropped
// (it is still counted as received).
bool LogReceivedChunk(ConnectInfo* rec, std::string_view bytes, bool continuesStream);
// The page sent `bytes` on `rec`: counts them and keeps the chunk. False as above.
bool LogSentChunk(ConnectInfo* rec, std::string_view bytes);
// The same for bytes already in a buffer readers may share: a long chunk is kept without a copy.
bool LogSentChunk(ConnectInfo* rec, std::shared_ptr<const std::string> bytes);
// A note of the program's own (a step's outcome, a handshake's) in `rec`'s received or sent
// log, in time order with its data: flagged in the log, not in its bytes, so no peer byte can
// pass for one. It is counted in no counter and does not mark the record unread; the record's
// own text recording gets it as the views render it, a raw recording never. Threads and lock
// as LogReceivedChunk. False when memory ran out (the note is dropped).
bool LogNoteChunk(ConnectInfo* rec, ChunkDir dir, std::string_view utf8Text);
// The page sent `count` bytes on `rec` that are counted but not kept (a file's piece), in
// `messages` sends.
void CountSentChunk(ConnectInfo* rec, size_t count, uint64_t messages = 1);
// A note of the program's own (not the peer's bytes) shown as a marked line of its own in the
// `dir` log of `rec`. False when memory ran out.
bool LogNoteChunk(ConnectInfo* rec, ChunkDir dir, std::string_view utf8Text);

}  // namespace quillet::engine

#pragma once
// One side (received or sent) of a record's log, kept as the raw chunks that arrived or went
// out: bytes, time and direction. Views render it in whatever encoding and
// time stamp style is in force, so nothing decoded is stored.
//
// Memory: an empty log holds no heap memory. Two limits bound what logs cost: one per log and
// one for all logs of the program together (SetLogLimits). A chunk costs what it really takes
// (CostOf: its entry in the index, the heap block of its bytes with the allocator's header and
// rounding), not only its bytes, so that the limits bound memory whatever the chunks' sizes: a
// flood of 1-byte datagrams is held to the same memory as one of 64 KiB chunks. When an append
// passes either limit, the oldest chunks go (of this log for its own limit, of whichever log holds
// the oldest chunk for the program-wide one) and DroppedBytes() counts them. An allocation that
// fails drops the new chunk and counts it in FailedBytes(); nothing is thrown out of Append.
//
// Sharing: a chunk of kSharedFrom bytes or more is kept in an immutable buffer of its own that
// readers share (ChunkBytes), so At and Copy hand it out without copying its bytes, and a share
// stays valid after the log drops the chunk (its memory goes with the last share).
//
// Packing: consecutive small chunks are kept packed in one shared block (each
// with its own time, size and stream flag), so a flood of tiny datagrams costs a few bytes per
// chunk instead of a whole index entry each. Readers see every chunk on its own (At, Copy);
// numbering, drops and counts are per chunk as for any other.
//
// Threads: every member is called with g_csConnect held (records are guarded by it), except
// the destructor and the copy constructor. Appends may drop chunks of other logs, which is why
// all logs share that one lock. The program-wide list of logs has its own mutex (taken after
// g_csConnect, never before it).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/chunk_bytes.h"
#include "engine/log_limits.h"

namespace quillet::engine {

enum class ChunkDir : uint8_t { kReceived = 0, kSent = 1 };

struct LogChunk {
    int64_t timeNs = 0;  // when it arrived or went out: system clock, ns since the epoch
    ChunkDir dir = ChunkDir::kReceived;
    bool joinsPrevious = false;  // continues the byte stream of the chunk before it (TCP)
    // A line of the program's own (UTF-8 text in `bytes`), not data: set only by AppendNote,
    // never by anything a peer sends. It counts in no byte or message counter.
    bool note = false;
    ChunkBytes bytes;  // a share of the log's buffer for a large chunk
};

class ChunkLog {
public:
    // Chunks of this many bytes or more are shared, not copied, by readers.
    static constexpr size_t kSharedFrom = 4096;

    explicit ChunkLog(ChunkDir dir = ChunkDir::kReceived) : m_dir(dir) {}
    ~ChunkLog();
    // A snapshot (tests, diagnostics): not counted against the program-wide limit.
    ChunkLog(const ChunkLog& other);
    ChunkLog& operator=(const ChunkLog&) = delete;

    ChunkDir Dir() const { return m_dir; }

    // Keeps one chunk stamped `timeNs`. False when memory ran out: the chunk is dropped and
    // counted in FailedBytes().
    bool Append(std::string_view bytes, int64_t timeNs, bool joinsPrevious = false);
    // Keeps a note (LogChunk::note) stamped `timeNs`, in time order with the data chunks. It is
    // never packed and costs what a chunk of its size costs; HeldBytes() counts it too (memory).
    bool AppendNote(std::string_view utf8Text, int64_t timeNs);
    // A large chunk's buffer made before the lock is taken (Share), so an append under the lock
    // copies no bytes. Null when `bytes` is small enough to be kept by Append (or no memory).
    static std::shared_ptr<const std::string> Share(std::string_view bytes);
    // Appends a buffer from Share, as Append does its bytes.
    bool AppendShared(std::shared_ptr<const std::string> bytes, int64_t timeNs,
                      bool joinsPrevious = false);
    // Forgets every chunk and the drop counts; numbering goes on where it was.
    void clear();
    bool empty() const { return Count() == 0; }

    // The chunks held are numbered [First(), End()); a chunk keeps its number for life, so a
    // view that remembers numbers sees drops (First() grew) and clears (End() stays, First()
    // reaches it) for what they are.
    uint64_t First() const { return m_firstSeq; }
    uint64_t End() const { return m_firstSeq + Count(); }
    size_t Count() const { return m_count; }
    // A copy of chunk `seq` (held: First() <= seq < End()).
    LogChunk At(uint64_t seq) const;
    // Copies of the chunks of [from, to) that are held.
    std::vector<LogChunk> Copy(uint64_t from, uint64_t to) const;
    // The bytes that the held chunks of [from, to) hold.
    uint64_t BytesIn(uint64_t from, uint64_t to) const;

    uint64_t HeldBytes() const { return m_bytes; }
    // The memory the chunks held cost, as the limits count it.
    uint64_t Cost() const { return m_cost; }
    // What one index entry whose block has capacity `capacity` costs (the entry included; a
    // chunk kept on its own has an entry of its own), and what a log that holds any chunk costs
    // besides them.
    static uint64_t CostOf(size_t capacity);
    static uint64_t BaseCost();
    // Bytes and chunks the limits dropped from the start since the last clear().
    uint64_t DroppedBytes() const { return m_droppedBytes; }
    uint64_t DroppedChunks() const { return m_droppedChunks; }
    // Chunks lost because memory ran out, and their bytes.
    uint64_t FailedBytes() const { return m_failedBytes; }
    uint64_t FailedChunks() const { return m_failedChunks; }

    // Test seam: the next `count` appends fail as if memory ran out.
    static void FailNextAppendsForTest(int count);

private:
    friend class ChunkLogRegistry;
    // One index entry: a chunk kept on its own, or consecutive small chunks packed
    // into `bytes` as [ns after timeNs: 4][size | stream flag: 1][bytes] each.
    struct Entry {
        std::string bytes;           // empty for a shared chunk: its buffer is in m_shared
        int64_t timeNs = 0;          // the chunk's, or the first packed chunk's
        uint64_t endSeq = 0;         // the number after its last chunk
        uint32_t count = 0;          // chunks held
        uint32_t offset = 0;         // packed: where the first held chunk starts
        bool joinsPrevious = false;  // on its own
        bool packed = false;
        bool note = false;    // on its own, a line of the program's (LogChunk::note)
        bool shared = false;  // on its own, a large chunk whose buffer readers share
    };
    // The buffer of a shared chunk, kept beside the index so that an entry stays as small as
    // the packing of tiny chunks needs it.
    struct SharedBuffer {
        uint64_t seq;
        std::shared_ptr<const std::string> bytes;
    };
    // Where a packed chunk starts in its block and what it holds.
    struct Piece {
        int64_t timeNs;
        bool joinsPrevious;
        std::string_view bytes;
        size_t next;  // where the next one starts
    };
    static Piece PieceAt(const Entry& entry, size_t at);
    const std::shared_ptr<const std::string>& SharedOf(const Entry& entry) const;
    std::string_view BytesOf(const Entry& entry) const {
        return entry.shared ? std::string_view(*SharedOf(entry)) : std::string_view(entry.bytes);
    }
    // What an entry costs (CostOf its block; a shared one's buffer header and place beside).
    uint64_t EntryCost(const Entry& entry) const;
    LogChunk ChunkOf(const Entry& entry, const Piece* piece) const;
    bool AppendPacked(std::string_view bytes, int64_t timeNs, bool joinsPrevious, uint64_t& cost);
    bool AppendEntry(std::string_view bytes, int64_t timeNs, bool joinsPrevious, bool note,
                     std::shared_ptr<const std::string> shared = nullptr);
    // Calls `fn(entry, piece)` for each held chunk of [from, to), in order (piece null for a
    // chunk on its own).
    template <typename Fn>
    void Visit(uint64_t from, uint64_t to, Fn&& fn) const;
    int64_t FrontTime() const;
    void DropOldest();
    void Register();

    ChunkDir m_dir;
    bool m_registered = false;  // counted in the program-wide total
    // A deque: dropping from the front gives its memory back at once, and growing never holds a
    // spare copy of the index as a vector's doubling does. Made at the first append: an empty
    // deque holds memory already.
    std::unique_ptr<std::deque<Entry>> m_chunks;
    // The buffers of the shared entries, in order; made at the first one.
    std::unique_ptr<std::deque<SharedBuffer>> m_shared;
    uint64_t m_firstSeq = 0;
    size_t m_count = 0;  // chunks held, packed ones each
    uint64_t m_bytes = 0;
    uint64_t m_cost = 0;  // CostOf each chunk held
    uint64_t m_droppedBytes = 0;
    uint64_t m_droppedChunks = 0;
    uint64_t m_failedBytes = 0;
    uint64_t m_failedChunks = 0;
    // The program-wide list (ChunkLogRegistry), guarded by its mutex.
    ChunkLog* m_prev = nullptr;
    ChunkLog* m_next = nullptr;
};

// The limits, as plain values from the settings: each log costs at most `perLogBytes`, all
// logs together at most `totalBytes` (the newest chunk of a log always stays). Any thread.
void SetLogLimits(uint64_t perLogBytes, uint64_t totalBytes);
uint64_t LogLimitPerLog();
uint64_t LogLimitTotal();
// What all counted logs cost now (ChunkLog::Cost).
uint64_t TotalLogBytes();
// Bytes of all chunks that any log lost because memory ran out, since the program started.
uint64_t FailedLogBytesTotal();

inline constexpr uint64_t kDefaultLogLimitPerLog = uint64_t{log_limits::kDefaultRecordMiB} << 20;
inline constexpr uint64_t kDefaultLogLimitTotal = uint64_t{log_limits::kDefaultTotalMiB} << 20;

// Now on the clock chunks are stamped with.
int64_t ChunkTimeNow();

}  // namespace quillet::engine

#include "engine/chunk_log.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <queue>

namespace quillet::engine {

namespace {

std::atomic<uint64_t> g_perLogLimit{kDefaultLogLimitPerLog};
std::atomic<uint64_t> g_totalLimit{kDefaultLogLimitTotal};
std::atomic<uint64_t> g_totalBytes{0};
std::atomic<int> g_failNext{0};
std::atomic<uint64_t> g_failedBytesTotal{0};

// A heap block's header and the allocator's rounding (glibc: 8 bytes, 16-byte steps, 32 at least).
constexpr size_t kMallocHeader = 8;
constexpr size_t kMallocAlign = 16;
constexpr size_t kMallocMin = 32;
// Short texts live inside std::string itself.
constexpr size_t kInlineCapacity = 15;
// An index entry's share of the deque's blocks: each block's header and its pointer in the map.
constexpr size_t kIndexSlack = 8;
// A non-empty log's deque itself: the object, its map of blocks and its first block, with heap
// headers.
constexpr uint64_t kLogBase = sizeof(std::deque<LogChunk>) + 16 + 64 + 16 + 512 + 16;
// Chunks up to this size are packed; a packed chunk's header: ns after the block's first, size.
constexpr size_t kPackedMax = 64;
constexpr size_t kPieceHeader = 5;
constexpr uint8_t kPieceJoins = 0x80;
// A packed block grows along capacities whose heap blocks the allocator fills exactly, up to
// this one; then a new block starts.
constexpr size_t kPackedCapacityMax = 3063;

size_t NextPackedCapacity(size_t capacity) {
    return 2 * (capacity + 1 + kMallocHeader) - 1 - kMallocHeader;
}
// A shared buffer's own heap block (the std::string and the count of its shares, with the heap
// header) and its place in the list of shared buffers, beside the block of its bytes.
constexpr uint64_t kSharedHeader = 64 + 32;
// The list of shared buffers itself, as kLogBase counts the index.
constexpr uint64_t kSharedBase = kLogBase;
// From this program-wide limit on, a trim frees a sixty-fourth of it more than it must.
constexpr uint64_t kTrimSlackFrom = uint64_t{64} << 20;

}  // namespace

// Every log that holds or held data, so the program-wide limit can find the oldest chunk.
class ChunkLogRegistry {
public:
    static ChunkLogRegistry& Instance() {
        static ChunkLogRegistry registry;
        return registry;
    }
    void Add(ChunkLog* log) {
        std::lock_guard<std::mutex> lock(m_mutex);
        log->m_next = m_head;
        log->m_prev = nullptr;
        if (m_head)
            m_head->m_prev = log;
        m_head = log;
    }
    void Remove(ChunkLog* log) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (log->m_prev)
            log->m_prev->m_next = log->m_next;
        else if (m_head == log)
            m_head = log->m_next;
        if (log->m_next)
            log->m_next->m_prev = log->m_prev;
        log->m_prev = log->m_next = nullptr;
        g_totalBytes -= log->m_cost;
    }
    // Drops the oldest chunks of all logs until the total is below `target`; `keep` keeps its
    // newest chunk. Caller holds g_csConnect.
    void TrimTo(uint64_t target, const ChunkLog* keep) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto older = [](const ChunkLog* a, const ChunkLog* b) {
            return a->FrontTime() > b->FrontTime();
        };
        std::priority_queue<ChunkLog*, std::vector<ChunkLog*>, decltype(older)> fronts(older);
        for (ChunkLog* log = m_head; log; log = log->m_next)
            if (log->Count() > (log == keep ? 1u : 0u))
                fronts.push(log);
        while (g_totalBytes > target && !fronts.empty()) {
            ChunkLog* log = fronts.top();
            fronts.pop();
            log->DropOldest();
            if (log->Count() > (log == keep ? 1u : 0u))
                fronts.push(log);
        }
    }

private:
    std::mutex m_mutex;
    ChunkLog* m_head = nullptr;  // guarded by m_mutex
};

ChunkLog::~ChunkLog() {
    if (m_registered)
        ChunkLogRegistry::Instance().Remove(this);
}

ChunkLog::ChunkLog(const ChunkLog& other)
    : m_dir(other.m_dir),
      m_chunks(other.m_chunks ? std::make_unique<std::deque<Entry>>(*other.m_chunks) : nullptr),
      m_shared(other.m_shared ? std::make_unique<std::deque<SharedBuffer>>(*other.m_shared)
                              : nullptr),
      m_firstSeq(other.m_firstSeq),
      m_count(other.m_count),
      m_bytes(other.m_bytes),
      m_droppedBytes(other.m_droppedBytes),
      m_droppedChunks(other.m_droppedChunks),
      m_failedBytes(other.m_failedBytes),
      m_failedChunks(other.m_failedChunks) {
    // A copied block may have another capacity than its original.
    if (m_chunks && !m_chunks->empty()) {
        m_cost = kLogBase;
        for (const Entry& entry : *m_chunks)
            m_cost += EntryCost(entry);
        if (m_shared && !m_shared->empty())
            m_cost += kSharedBase;
    }
}

void ChunkLog::Register() {
    if (m_registered)
        return;
    ChunkLogRegistry::Instance().Add(this);
    m_registered = true;
}

uint64_t ChunkLog::CostOf(size_t capacity) {
    uint64_t heap = 0;
    if (capacity > kInlineCapacity) {
        const size_t block = capacity + 1 + kMallocHeader;  // the text's terminating zero too
        heap = std::max(kMallocMin, (block + kMallocAlign - 1) / kMallocAlign * kMallocAlign);
    }
    return sizeof(Entry) + kIndexSlack + heap;
}

const std::shared_ptr<const std::string>& ChunkLog::SharedOf(const Entry& entry) const {
    const uint64_t seq = entry.endSeq - 1;
    const auto it = std::lower_bound(m_shared->begin(), m_shared->end(), seq,
                                     [](const SharedBuffer& b, uint64_t s) { return b.seq < s; });
    return it->bytes;
}

uint64_t ChunkLog::EntryCost(const Entry& entry) const {
    return entry.shared ? CostOf(SharedOf(entry)->capacity()) + kSharedHeader
                        : CostOf(entry.bytes.capacity());
}

uint64_t ChunkLog::BaseCost() {
    return kLogBase;
}

bool ChunkLog::AppendPacked(std::string_view bytes, int64_t timeNs, bool joinsPrevious,
                            uint64_t& cost) {
    if (bytes.size() > kPackedMax)
        return false;
    const size_t need = kPieceHeader + bytes.size();
    Entry* block = m_chunks->empty() ? nullptr : &m_chunks->back();
    bool fits =
        block && block->packed && timeNs >= block->timeNs &&
        static_cast<uint64_t>(timeNs - block->timeNs) <= std::numeric_limits<uint32_t>::max();
    if (fits && block->bytes.size() + need > block->bytes.capacity()) {
        const size_t capacity = block->bytes.capacity();
        if (capacity >= kPackedCapacityMax) {
            fits = false;
        } else {
            size_t next = capacity;
            while (next < block->bytes.size() + need)
                next = NextPackedCapacity(next);
            block->bytes.reserve(next);  // throws before anything changed
            cost += CostOf(block->bytes.capacity()) - CostOf(capacity);
        }
    }
    if (!fits) {
        Entry fresh;
        fresh.packed = true;
        fresh.timeNs = timeNs;
        fresh.endSeq = End();
        size_t capacity = fresh.bytes.capacity();
        while (capacity < need)
            capacity = NextPackedCapacity(capacity);
        fresh.bytes.reserve(capacity);
        cost += CostOf(fresh.bytes.capacity());
        m_chunks->push_back(std::move(fresh));
        block = &m_chunks->back();
    }
    // Nothing below allocates: the block has room.
    const uint32_t after = static_cast<uint32_t>(timeNs - block->timeNs);
    char header[kPieceHeader];
    std::memcpy(header, &after, sizeof after);
    header[4] = static_cast<char>(bytes.size() | (joinsPrevious ? kPieceJoins : 0));
    block->bytes.append(header, sizeof header);
    block->bytes.append(bytes);
    ++block->count;
    ++block->endSeq;
    return true;
}

bool ChunkLog::Append(std::string_view bytes, int64_t timeNs, bool joinsPrevious) {
    return AppendEntry(bytes, timeNs, joinsPrevious, false);
}

bool ChunkLog::AppendNote(std::string_view utf8Text, int64_t timeNs) {
    return AppendEntry(utf8Text, timeNs, false, true);
}

std::shared_ptr<const std::string> ChunkLog::Share(std::string_view bytes) {
    if (bytes.size() < kSharedFrom)
        return nullptr;
    try {
        return std::make_shared<const std::string>(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;  // Append tries again and counts the loss
    }
}

bool ChunkLog::AppendShared(std::shared_ptr<const std::string> bytes, int64_t timeNs,
                            bool joinsPrevious) {
    const std::string_view view = *bytes;
    return AppendEntry(view, timeNs, joinsPrevious, false, std::move(bytes));
}

bool ChunkLog::AppendEntry(std::string_view bytes, int64_t timeNs, bool joinsPrevious, bool note,
                           std::shared_ptr<const std::string> shared) {
    uint64_t cost = 0;
    try {
        if (g_failNext > 0 && g_failNext.fetch_sub(1) > 0)
            throw std::bad_alloc();
        Register();
        if (!m_chunks)
            m_chunks = std::make_unique<std::deque<Entry>>();
        if (m_chunks->empty())
            cost += kLogBase;
        // A note keeps its flag in an entry of its own; a packed block after it starts afresh.
        if (note || !AppendPacked(bytes, timeNs, joinsPrevious, cost)) {
            Entry entry;
            entry.timeNs = timeNs;
            entry.joinsPrevious = joinsPrevious;
            entry.note = note;
            if (!shared && bytes.size() >= kSharedFrom)
                shared = std::make_shared<const std::string>(bytes);
            entry.count = 1;
            entry.endSeq = End() + 1;
            if (shared) {
                if (!m_shared) {
                    m_shared = std::make_unique<std::deque<SharedBuffer>>();
                    cost += kSharedBase;
                }
                entry.shared = true;
                cost += CostOf(shared->capacity()) + kSharedHeader;
                m_shared->push_back({End(), std::move(shared)});
                try {
                    m_chunks->push_back(std::move(entry));
                } catch (const std::bad_alloc&) {
                    m_shared->pop_back();
                    if (m_shared->empty())
                        m_shared.reset();
                    throw;
                }
            } else {
                entry.bytes.assign(bytes);
                cost += CostOf(entry.bytes.capacity());
                m_chunks->push_back(std::move(entry));
            }
        }
    } catch (const std::bad_alloc&) {
        if (m_chunks && m_chunks->empty())
            m_chunks.reset();
        // Out of memory (or address space) in a receive thread: the chunk is lost, counted, and
        // the program goes on.
        ++m_failedChunks;
        m_failedBytes += bytes.size();
        g_failedBytesTotal += bytes.size();
        return false;
    }
    ++m_count;
    m_bytes += bytes.size();
    m_cost += cost;
    if (m_registered)
        g_totalBytes += cost;
    const uint64_t perLog = g_perLogLimit;
    while (m_cost > perLog && Count() > 1)
        DropOldest();
    const uint64_t total = g_totalLimit;
    if (m_registered && g_totalBytes > total) {
        // Down a little further than a large limit, so the search for the oldest chunk runs
        // once per many appends, not for each of them.
        const uint64_t slack = total >= kTrimSlackFrom ? total / 64 : 0;
        ChunkLogRegistry::Instance().TrimTo(total - slack, this);
    }
    return true;
}

ChunkLog::Piece ChunkLog::PieceAt(const Entry& entry, size_t at) {
    uint32_t after = 0;
    std::memcpy(&after, entry.bytes.data() + at, sizeof after);
    const auto head = static_cast<uint8_t>(entry.bytes[at + 4]);
    const size_t size = head & ~kPieceJoins;
    return {entry.timeNs + after, (head & kPieceJoins) != 0,
            std::string_view(entry.bytes.data() + at + kPieceHeader, size),
            at + kPieceHeader + size};
}

LogChunk ChunkLog::ChunkOf(const Entry& entry, const Piece* piece) const {
    LogChunk chunk;
    chunk.timeNs = piece ? piece->timeNs : entry.timeNs;
    chunk.dir = m_dir;
    chunk.joinsPrevious = piece ? piece->joinsPrevious : entry.joinsPrevious;
    chunk.note = !piece && entry.note;
    if (piece)
        chunk.bytes = ChunkBytes(piece->bytes);
    else if (entry.shared)
        chunk.bytes = ChunkBytes(SharedOf(entry));  // a pointer copy, whatever its size
    else
        chunk.bytes = ChunkBytes(entry.bytes);
    return chunk;
}

template <typename Fn>
void ChunkLog::Visit(uint64_t from, uint64_t to, Fn&& fn) const {
    from = std::max(from, First());
    to = std::min(to, End());
    if (from >= to)
        return;
    // The first entry whose chunks reach past `from`.
    auto it = std::upper_bound(m_chunks->begin(), m_chunks->end(), from,
                               [](uint64_t seq, const Entry& e) { return seq < e.endSeq; });
    for (uint64_t seq = from; seq < to; ++it) {
        const Entry& entry = *it;
        if (!entry.packed) {
            fn(entry, nullptr);
            ++seq;
            continue;
        }
        size_t at = entry.offset;
        for (uint64_t own = entry.endSeq - entry.count; own < entry.endSeq && seq < to; ++own) {
            const Piece piece = PieceAt(entry, at);
            at = piece.next;
            if (own == seq) {
                fn(entry, &piece);
                ++seq;
            }
        }
    }
}

LogChunk ChunkLog::At(uint64_t seq) const {
    LogChunk chunk;
    Visit(seq, seq + 1,
          [&](const Entry& entry, const Piece* piece) { chunk = ChunkOf(entry, piece); });
    return chunk;
}

uint64_t ChunkLog::BytesIn(uint64_t from, uint64_t to) const {
    if (from <= First() && to >= End())
        return m_bytes;
    uint64_t bytes = 0;
    Visit(from, to, [&](const Entry& entry, const Piece* piece) {
        bytes += piece ? piece->bytes.size() : BytesOf(entry).size();
    });
    return bytes;
}

int64_t ChunkLog::FrontTime() const {
    const Entry& front = m_chunks->front();
    return front.packed ? PieceAt(front, front.offset).timeNs : front.timeNs;
}

void ChunkLog::DropOldest() {
    Entry& oldest = m_chunks->front();
    uint64_t n = BytesOf(oldest).size();
    if (oldest.packed) {
        const Piece piece = PieceAt(oldest, oldest.offset);
        n = piece.bytes.size();
        oldest.offset = static_cast<uint32_t>(piece.next);
    }
    --oldest.count;
    --m_count;
    ++m_firstSeq;
    m_bytes -= n;
    m_droppedBytes += n;
    ++m_droppedChunks;
    if (oldest.count > 0)
        return;  // a packed block's memory goes with its last chunk
    const uint64_t cost = EntryCost(oldest);
    const bool oldestShared = oldest.shared;
    m_chunks->pop_front();
    m_cost -= cost;
    if (m_registered)
        g_totalBytes -= cost;
    if (oldestShared) {
        m_shared->pop_front();  // the oldest shared buffer is this one's
        if (m_shared->empty()) {
            m_shared.reset();
            m_cost -= kSharedBase;
            if (m_registered)
                g_totalBytes -= kSharedBase;
        }
    }
    if (m_chunks->empty()) {
        m_chunks.reset();  // an empty log holds no memory
        m_cost -= kLogBase;
        if (m_registered)
            g_totalBytes -= kLogBase;
    }
}

void ChunkLog::clear() {
    m_firstSeq = End();
    if (m_registered)
        g_totalBytes -= m_cost;
    m_chunks.reset();
    m_shared.reset();
    m_count = 0;
    m_bytes = 0;
    m_cost = 0;
    m_droppedBytes = m_droppedChunks = 0;
    m_failedBytes = m_failedChunks = 0;
}

std::vector<LogChunk> ChunkLog::Copy(uint64_t from, uint64_t to) const {
    std::vector<LogChunk> out;
    const uint64_t first = std::max(from, First()), end = std::min(to, End());
    if (first < end)
        out.reserve(end - first);
    Visit(from, to,
          [&](const Entry& entry, const Piece* piece) { out.push_back(ChunkOf(entry, piece)); });
    return out;
}

void ChunkLog::FailNextAppendsForTest(int count) {
    g_failNext = count;
}

void SetLogLimits(uint64_t perLogBytes, uint64_t totalBytes) {
    g_perLogLimit = perLogBytes;
    g_totalLimit = totalBytes;
}

uint64_t LogLimitPerLog() {
    return g_perLogLimit;
}

uint64_t LogLimitTotal() {
    return g_totalLimit;
}

uint64_t TotalLogBytes() {
    return g_totalBytes;
}

uint64_t FailedLogBytesTotal() {
    return g_failedBytesTotal;
}

int64_t ChunkTimeNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace quillet::engine

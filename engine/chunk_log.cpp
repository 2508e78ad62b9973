#include "engine/chunk_log.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <queue>

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
            return a->At(a->First()).timeNs > b->At(b->First()).timeNs;
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
      m_chunks(other.m_chunks ? std::make_unique<std::deque<LogChunk>>(*other.m_chunks) : nullptr),
      m_firstSeq(other.m_firstSeq),
      m_bytes(other.m_bytes),
      m_cost(other.m_cost),
      m_droppedBytes(other.m_droppedBytes),
      m_droppedChunks(other.m_droppedChunks),
      m_failedBytes(other.m_failedBytes),
      m_failedChunks(other.m_failedChunks) {}

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
    return sizeof(LogChunk) + kIndexSlack + heap;
}

uint64_t ChunkLog::BaseCost() {
    return kLogBase;
}

bool ChunkLog::Append(std::string_view bytes, int64_t timeNs, const sockaddr_in* sender,
                      bool joinsPrevious) {
    uint64_t cost = 0;
    try {
        if (g_failNext > 0 && g_failNext.fetch_sub(1) > 0)
            throw std::bad_alloc();
        Register();
        LogChunk chunk;
        chunk.timeNs = timeNs;
        chunk.dir = m_dir;
        chunk.joinsPrevious = joinsPrevious;
        if (sender) {
            chunk.peerAddr = sender->sin_addr.s_addr;
            chunk.peerPort = sender->sin_port;
        }
        chunk.bytes.assign(bytes);
        cost = CostOf(chunk.bytes.capacity());
        if (!m_chunks)
            m_chunks = std::make_unique<std::deque<LogChunk>>();
        if (m_chunks->empty())
            cost += kLogBase;
        m_chunks->push_back(std::move(chunk));
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

void ChunkLog::DropOldest() {
    const LogChunk& oldest = m_chunks->front();
    const uint64_t n = oldest.bytes.size();
    const uint64_t cost = CostOf(oldest.bytes.capacity());
    m_chunks->pop_front();
    ++m_firstSeq;
    m_bytes -= n;
    m_cost -= cost;
    if (m_registered)
        g_totalBytes -= cost;
    m_droppedBytes += n;
    ++m_droppedChunks;
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
    m_bytes = 0;
    m_cost = 0;
    m_droppedBytes = m_droppedChunks = 0;
    m_failedBytes = m_failedChunks = 0;
}

std::vector<LogChunk> ChunkLog::Copy(uint64_t from, uint64_t to) const {
    from = std::max(from, First());
    to = std::min(to, End());
    std::vector<LogChunk> out;
    if (from >= to)
        return out;
    out.reserve(to - from);
    for (uint64_t seq = from; seq < to; ++seq)
        out.push_back(At(seq));
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

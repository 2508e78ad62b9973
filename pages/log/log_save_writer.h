#pragma once
// The writing half of a log save. It takes copies of a record's chunks (one queue for each log
// saved), merges them in time order when both logs are saved, renders them as the views show
// them (or keeps the raw bytes) and writes them on a thread of its own to a temporary file
// beside the target (QSaveFile). The target is replaced only once every byte is written and on
// the disk; a failure or a cancel removes the temporary file and leaves the old one as it was.
//
// Threads: the constructor, Feed, WantsMore, Cancel, Get and the destructor on the owner's
// thread; the rest on the writer thread. m_mutex guards every Side's shared fields, m_cancel and
// m_result; the writer holds it to take chunks and to finish, never while it writes.
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/chunk_log.h"
#include "pages/common/engine_names.h"

namespace quillet::engine {
class ChunkTextStream;
}  // namespace quillet::engine

namespace quillet::pages {

// What a save holds: the received log, the sent one, or both in time order.
enum class SaveWhat { kReceived = 0, kSent = 1, kBoth = 2 };
// Text renders the lines as the views show them; raw holds the bytes alone.
enum class SaveFormat { kText = 0, kRaw = 1 };

// The payload bytes of `chunks`. Any thread.
size_t BytesOf(const std::vector<LogChunk>& chunks);

class LogSaveWriter {
public:
    // Bytes of chunks that may wait for the writer in one queue.
    static constexpr size_t kQueueBytes = size_t{8} << 20;

    struct Result {
        bool finished = false;   // the writer has ended
        bool ok = false;         // the target now holds the whole save
        bool cancelled = false;  // ended by Cancel; the target is as it was
        int error = 0;           // errno of the failure, 0 when none is known
        QString errorText;       // the file layer's own words when no errno is known
        uint64_t chunks = 0;     // chunks taken so far
    };

    // Starts the writer; the text form is rendered with the encoding and styles in force now.
    LogSaveWriter(const QString& path, SaveWhat what, SaveFormat format);
    ~LogSaveWriter();  // cancels, and waits for the writer
    LogSaveWriter(const LogSaveWriter&) = delete;
    LogSaveWriter& operator=(const LogSaveWriter&) = delete;

    // Whether the queue of `dir` has room for another batch.
    bool WantsMore(ChunkDir dir) const;
    // The next chunks of the log of `dir`, in order; `last`: no more will come.
    void Feed(ChunkDir dir, std::vector<LogChunk> chunks, bool last);
    // Stops; the temporary file goes. Does not wait.
    void Cancel();
    Result Get() const;

    // Test seam: while held, the writer waits after each write to the temporary file.
    static void HoldForTest(bool hold);

private:
    struct Side {
        bool saved = false;
        // Shared with the owner (m_mutex).
        std::vector<std::vector<LogChunk>> queue;
        size_t queuedBytes = 0;
        bool closed = false;
        // The writer's own.
        std::deque<LogChunk> local;
        bool localClosed = false;
        std::unique_ptr<ChunkTextStream> text;
    };

    void Run();
    bool Ready(const Side& side) const { return side.local.size() >= 2 || side.localClosed; }
    // Waits for more of `side`; false when cancelled.
    bool Refill(Side& side);
    // The side whose next chunk is the oldest; null when all is taken or the save is cancelled.
    Side* Next();
    void Render(Side& side, std::string* out);
    // Writes `out` to `fd` and empties it; false (with the errno kept) on a failure.
    bool WriteOut(int fd, std::string* out);
    void Finish(Result result);

    const QString m_path;
    const SaveFormat m_format;
    const bool m_tagged;  // a merged text file marks each chunk's direction
    Side m_sides[2];

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_cancel{false};  // set under m_mutex, read without it between chunks
    Result m_result;
    std::atomic<uint64_t> m_taken{0};  // chunks rendered or copied into the file's text
    std::thread m_thread;
};

}  // namespace quillet::pages

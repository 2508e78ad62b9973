#pragma once
// What a file send reads: a regular file, a FIFO or a character or block device, opened and
// read on a thread of its own, so that a FIFO without a writer or a slow device never stops the
// window. Pieces wait in a bounded queue for the sender to take them; the thread waits while it
// is full. A FIFO or device is read until its end (a FIFO's writers all closed it) or until Stop.
//
// Threads: every public member from the owner's thread; the reader thread does the rest.
// m_mutex guards m_pieces, m_queued and m_state; m_stop is set under it and read
// without it between reads.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace quillet::pages {

// What a path names, from stat(2), which never waits for a FIFO's writer.
enum class FileKind { kMissing, kRegular, kDirectory, kFifo, kCharDevice, kBlockDevice, kSocket };
FileKind KindOfFile(const std::string& path, uint64_t* size = nullptr);
// Read until its end rather than up to a size known beforehand.
inline bool IsStreamKind(FileKind kind) {
    return kind == FileKind::kFifo || kind == FileKind::kCharDevice ||
           kind == FileKind::kBlockDevice;
}

class FileSource {
public:
    enum class Phase {
        kOpening,  // the open is under way (a FIFO waits for nothing: it is opened non-blocking)
        kReading,
        kEnded,   // the end was read; pieces may still wait
        kFailed,  // the open or a read failed: State().error says why
    };
    struct State {
        Phase phase = Phase::kOpening;
        int error = 0;
        FileKind kind = FileKind::kMissing;
        uint64_t size = 0;  // a regular file's size when it was opened
        uint64_t read = 0;  // bytes read so far
    };

    // `pieceBytes`: the size of a piece. `exact`: every piece but the last is that size (a
    // datagram); else a piece is what one read gave, up to that size. At most `queueBytes` wait.
    FileSource(std::string path, size_t pieceBytes, bool exact, size_t queueBytes);
    ~FileSource();  // stops and waits for the thread
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    State GetState() const;
    // Takes the next piece; false when none waits now.
    bool Take(std::string* piece);
    // Whether the end was read and every piece taken.
    bool Drained() const;
    void Stop();

private:
    void Run();
    int Open();
    // Reads one piece; false at the end, on a failure or on Stop.
    bool ReadPiece(int fd);
    void Push(std::string piece);
    void Fail(int error);

    const std::string m_path;
    const size_t m_pieceBytes;
    const bool m_exact;
    const size_t m_queueBytes;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<std::string> m_pieces;
    size_t m_queued = 0;
    State m_state;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace quillet::pages

#pragma once
// Appends logged chunks to a file the user chose, on a writer thread of its own, so that no
// worker and not the window ever waits for the disk. Chunks wait in a bounded queue. A TCP
// connection recorded raw stops reading while the queue is over half full (Behind), so its
// recording never overflows; when the queue does fill (datagrams, text recordings) or a write fails
// (a full disk, a read-only folder), recording stops for good: what still waits is written if it
// can be, and every byte that was not written is counted. Nothing here tells the user: the page
// looks at Status() and does.
//
// Threads: Append and Status from any thread (workers append while holding g_csConnect; the
// queue's own mutex is never held for a write, and the writer never takes g_csConnect). Stop and
// destruction from the owner's thread; destruction waits for the writer, which by then has at
// most the queue's bound left to write.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quillet::engine {

class LogRecorder {
public:
    // kRaw: the received bytes exactly as the peer sent them, nothing else. kText: one line per
    // chunk, received and sent, with its time, direction and peer, as UTF-8 text.
    enum class Form { kRaw, kText };
    enum class State {
        kRecording,
        kStopped,      // by the owner
        kQueueFull,    // the disk fell behind by more than the queue's bound
        kWriteFailed,  // a write failed; Status().error says why
    };
    struct Status {
        State state = State::kRecording;
        int error = 0;           // errno of the failed write
        uint64_t written = 0;    // bytes in the file from this recording
        uint64_t unwritten = 0;  // bytes handed over that never reached the file
        bool finished = false;   // the writer has ended and closed the file
    };
    // Bytes that may wait for the writer (including those it is writing) before recording stops.
    // Deep enough to ride out the pauses of a disk's write-back under a full-speed loopback
    // flood (32 MiB was not); it costs memory only while the disk is behind.
    static constexpr size_t kDefaultQueueBytes = size_t{256} << 20;

    struct Opened {
        std::unique_ptr<LogRecorder> recorder;  // null when the file could not be opened
        int error = 0;
    };
    // Opens `path` for appending (made if missing) and starts the writer.
    static Opened Open(const std::string& path, Form form, size_t queueBytes = kDefaultQueueBytes);
    // Test seam: records to `fd` (which it closes at the end), e.g. one that refuses writes.
    static Opened AdoptForTest(int fd, Form form, size_t queueBytes);

    ~LogRecorder();
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    Form GetForm() const { return m_form; }
    const std::string& Path() const { return m_path; }
    // Queues a copy of `bytes`; never waits for the disk. False, with the bytes counted as
    // unwritten, once recording has stopped or when they would overflow the queue (which stops
    // it).
    bool Append(std::string_view bytes);
    Status GetStatus() const;
    // True while more than half the queue's bound waits for the disk: a TCP connection recorded
    // raw pauses its reading until this clears (TCP's flow control then slows its peer), so that
    // its recording keeps every byte. A datagram cannot wait: it is counted when it finds no room.
    bool Behind() const;
    // Stops taking chunks; the writer writes what waits and closes the file. Does not wait.
    void Stop();

private:
    LogRecorder(int fd, Form form, std::string path, size_t queueBytes);
    void WriteLoop();
    // Writes every piece; returns the bytes written and sets *error on a failure.
    size_t WriteAll(const std::vector<std::string>& pieces, int* error);

    const int m_fd;
    const Form m_form;
    const std::string m_path;
    const size_t m_queueBytes;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::string> m_queue;  // guarded by m_mutex
    size_t m_queued = 0;               // guarded by m_mutex: in m_queue
    size_t m_inFlight = 0;             // guarded by m_mutex: taken by the writer, not yet booked
    Status m_status;                   // guarded by m_mutex
    std::thread m_writer;
};

}  // namespace quillet::engine

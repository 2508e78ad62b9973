#include "engine/log_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quillet::engine {
namespace {

// Small chunks are joined into pieces of about this size: fewer allocations and write calls.
constexpr size_t kPieceBytes = 64 * 1024;

}  // namespace

LogRecorder::Opened LogRecorder::Open(const std::string& path, Form form, size_t queueBytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return Opened{nullptr, errno};
    Opened opened;
    opened.recorder.reset(new LogRecorder(fd, form, path, queueBytes));
    if (!opened.recorder->m_writer.joinable()) {
        opened.recorder.reset();  // closes fd
        opened.error = EAGAIN;
    }
    return opened;
}

LogRecorder::Opened LogRecorder::AdoptForTest(int fd, Form form, size_t queueBytes) {
    Opened opened;
    opened.recorder.reset(new LogRecorder(fd, form, "fd:" + std::to_string(fd), queueBytes));
    return opened;
}

LogRecorder::LogRecorder(int fd, Form form, std::string path, size_t queueBytes)
    : m_fd(fd), m_form(form), m_path(std::move(path)), m_queueBytes(queueBytes) {
    try {
        m_writer = std::thread([this] { WriteLoop(); });
    } catch (const std::system_error&) {
        // No thread: nothing will ever be written, so recording is over before it began.
        m_status.state = State::kWriteFailed;
        m_status.error = EAGAIN;
        m_status.finished = true;
    }
}

LogRecorder::~LogRecorder() {
    Stop();
    if (m_writer.joinable())
        m_writer.join();
    else
        close(m_fd);
}

bool LogRecorder::Append(std::string_view bytes) {
    if (bytes.empty())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_status.state != State::kRecording) {
        m_status.unwritten += bytes.size();
        return false;
    }
    if (m_queued + m_inFlight + bytes.size() > m_queueBytes) {
        m_status.state = State::kQueueFull;
        m_status.unwritten += bytes.size();
        m_wake.notify_one();
        return false;
    }
    const bool wasEmpty = m_queue.empty();
    if (!wasEmpty && m_queue.back().size() + bytes.size() <= kPieceBytes)
        m_queue.back().append(bytes);
    else
        m_queue.emplace_back(bytes);
    m_queued += bytes.size();
    if (wasEmpty)
        m_wake.notify_one();
    return true;
}

bool LogRecorder::Behind() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status.state == State::kRecording && m_queued + m_inFlight > m_queueBytes / 2;
}

LogRecorder::Status LogRecorder::GetStatus() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status;
}

void LogRecorder::Stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_status.state == State::kRecording)
        m_status.state = State::kStopped;
    m_wake.notify_one();
}

void LogRecorder::WriteLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock,
                    [this] { return !m_queue.empty() || m_status.state != State::kRecording; });
        if (m_queue.empty())
            break;  // stopped, and everything that came before the stop is written
        std::vector<std::string> batch;
        batch.swap(m_queue);
        m_inFlight = m_queued;
        m_queued = 0;
        lock.unlock();
        int error = 0;
        const size_t done = WriteAll(batch, &error);
        lock.lock();
        m_status.written += done;
        if (error != 0) {
            m_status.unwritten += m_inFlight - done + m_queued;
            m_queue.clear();
            m_queued = 0;
            m_inFlight = 0;
            if (m_status.state == State::kRecording || m_status.state == State::kStopped ||
                m_status.state == State::kQueueFull) {
                m_status.state = State::kWriteFailed;
                m_status.error = error;
            }
            break;
        }
        m_inFlight = 0;
    }
    lock.unlock();
    close(m_fd);
    lock.lock();
    m_status.finished = true;
}

size_t LogRecorder::WriteAll(const std::vector<std::string>& pieces, int* error) {
    size_t total = 0;
    for (const std::string& piece : pieces) {
        size_t off = 0;
        while (off < piece.size()) {
            const ssize_t n = write(m_fd, piece.data() + off, piece.size() - off);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                *error = n < 0 ? errno : EIO;
                return total + off;
            }
            off += static_cast<size_t>(n);
        }
        total += off;
    }
    return total;
}

}  // namespace quillet::engine

#include "pages/send/file_source.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace quillet::pages {

namespace {

// How often a wait for data looks whether the send was stopped.
constexpr int kPollMs = 50;

FileKind KindOf(mode_t mode) {
    if (S_ISREG(mode))
        return FileKind::kRegular;
    if (S_ISDIR(mode))
        return FileKind::kDirectory;
    if (S_ISFIFO(mode))
        return FileKind::kFifo;
    if (S_ISCHR(mode))
        return FileKind::kCharDevice;
    if (S_ISBLK(mode))
        return FileKind::kBlockDevice;
    return FileKind::kSocket;
}

}  // namespace

FileKind KindOfFile(const std::string& path, uint64_t* size) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return FileKind::kMissing;
    if (size)
        *size = static_cast<uint64_t>(st.st_size);
    return KindOf(st.st_mode);
}

FileSource::FileSource(std::string path, size_t pieceBytes, bool exact, size_t queueBytes)
    : m_path(std::move(path)), m_pieceBytes(pieceBytes), m_exact(exact), m_queueBytes(queueBytes) {
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_state.phase = Phase::kFailed;
        m_state.error = EAGAIN;
    }
}

FileSource::~FileSource() {
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

FileSource::State FileSource::GetState() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

bool FileSource::Take(std::string* piece) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pieces.empty())
        return false;
    *piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    m_queued -= piece->size();
    m_room.notify_one();
    return true;
}

bool FileSource::Drained() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state.phase == Phase::kEnded && m_pieces.empty();
}

void FileSource::Stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stop = true;
    m_room.notify_one();
}

void FileSource::Fail(int error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.phase = Phase::kFailed;
    m_state.error = error;
}

void FileSource::Push(std::string piece) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.read += piece.size();
    m_queued += piece.size();
    m_pieces.push_back(std::move(piece));
}

int FileSource::Open() {
    // Non-blocking: opening a FIFO for reading would wait for a writer.
    const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(errno);
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        Fail(errno);
        close(fd);
        return -1;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.kind = KindOf(st.st_mode);
    m_state.size = static_cast<uint64_t>(st.st_size);
    m_state.phase = Phase::kReading;
    return fd;
}

bool FileSource::ReadPiece(int fd) {
    {
        // Waits for room: the queue holds at least one piece whatever its bound.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_stop || m_pieces.empty() || m_queued < m_queueBytes; });
    }
    std::string piece(m_pieceBytes, '\0');
    size_t have = 0;
    while (!m_stop) {
        // A FIFO without a writer is neither readable nor hung up until one comes.
        pollfd ready{fd, POLLIN, 0};
        const int n = poll(&ready, 1, kPollMs);
        if (n < 0 && errno != EINTR) {
            Fail(errno);
            return false;
        }
        if (n <= 0)
            continue;
        const ssize_t got = read(fd, piece.data() + have, piece.size() - have);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            Fail(errno);
            return false;
        }
        have += static_cast<size_t>(got);
        const bool atEnd = got == 0;
        if (atEnd || have == piece.size() || !m_exact) {
            piece.resize(have);
            if (have > 0)
                Push(std::move(piece));
            if (atEnd) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_state.phase = Phase::kEnded;
            }
            return !atEnd;
        }
    }
    return false;
}

void FileSource::Run() {
    const int fd = Open();
    if (fd < 0)
        return;
    while (ReadPiece(fd)) {
    }
    close(fd);
}

}  // namespace quillet::pages

#include "pages/log/log_save_writer.h"

#include <QSaveFile>

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "engine/log_line.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

namespace {

// The file is written in pieces of about this size.
constexpr size_t kWriteBytes = size_t{1} << 20;

std::atomic<bool> g_holdForTest{false};

}  // namespace

size_t BytesOf(const std::vector<LogChunk>& chunks) {
    size_t bytes = 0;
    for (const LogChunk& chunk : chunks)
        bytes += chunk.bytes.size();
    return bytes;
}

void LogSaveWriter::HoldForTest(bool hold) {
    g_holdForTest = hold;
}

LogSaveWriter::LogSaveWriter(const QString& path, SaveWhat what, SaveFormat format)
    : m_path(path),
      m_format(format),
      m_tagged(what == SaveWhat::kBoth && format == SaveFormat::kText) {
    m_sides[0].saved = what != SaveWhat::kSent;
    m_sides[1].saved = what != SaveWhat::kReceived;
    for (Side& side : m_sides) {
        side.closed = side.localClosed = !side.saved;
        if (side.saved && format == SaveFormat::kText)
            side.text = std::make_unique<ChunkTextStream>();  // the encoding in force now
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_result.finished = true;
        m_result.error = EAGAIN;
    }
}

LogSaveWriter::~LogSaveWriter() {
    Cancel();
    if (m_thread.joinable())
        m_thread.join();
}

bool LogSaveWriter::WantsMore(ChunkDir dir) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Side& side = m_sides[static_cast<int>(dir)];
    return side.saved && !side.closed && side.queuedBytes < kQueueBytes;
}

void LogSaveWriter::Feed(ChunkDir dir, std::vector<LogChunk> chunks, bool last) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Side& side = m_sides[static_cast<int>(dir)];
    side.queuedBytes += BytesOf(chunks);
    if (!chunks.empty())
        side.queue.push_back(std::move(chunks));
    side.closed = side.closed || last;
    m_wake.notify_all();
}

void LogSaveWriter::Cancel() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancel = true;
    m_wake.notify_all();
}

LogSaveWriter::Result LogSaveWriter::Get() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Result result = m_result;
    result.chunks = m_taken;
    return result;
}

bool LogSaveWriter::Refill(Side& side) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [&] { return m_cancel || !side.queue.empty() || side.closed; });
    if (m_cancel)
        return false;
    for (auto& batch : side.queue)
        for (LogChunk& chunk : batch)
            side.local.push_back(std::move(chunk));
    side.queue.clear();
    side.queuedBytes = 0;
    side.localClosed = side.closed;
    return true;
}

LogSaveWriter::Side* LogSaveWriter::Next() {
    if (m_cancel)
        return nullptr;
    for (Side& side : m_sides)
        while (!Ready(side))
            if (!Refill(side))
                return nullptr;
    Side* next = nullptr;
    for (Side& side : m_sides)  // received first when the times are equal
        if (!side.local.empty() &&
            (!next || side.local.front().timeNs < next->local.front().timeNs))
            next = &side;
    return next;
}

void LogSaveWriter::Render(Side& side, std::string* out) {
    const LogChunk& chunk = side.local.front();
    if (m_format == SaveFormat::kRaw) {
        if (!chunk.note)  // the program's notes are no bytes of the connection
            out->append(chunk.bytes);
    } else {
        if (m_tagged)
            out->append(&side == &m_sides[0] ? "<< " : ">> ");
        const LogChunk* next = side.local.size() > 1 ? &side.local[1] : nullptr;
        out->append(QString::fromStdU16String(side.text->Render(chunk, next)).toStdString());
    }
    side.local.pop_front();
    ++m_taken;
}

bool LogSaveWriter::WriteOut(int fd, std::string* out) {
    size_t off = 0;
    while (off < out->size()) {
        const ssize_t n = write(fd, out->data() + off, out->size() - off);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Finish({true, false, false, n < 0 ? errno : EIO, {}, 0});
            return false;
        }
        off += static_cast<size_t>(n);
    }
    out->clear();
    while (g_holdForTest && !m_cancel)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void LogSaveWriter::Finish(Result result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    result.finished = true;
    m_result = std::move(result);
}

void LogSaveWriter::Run() {
    QSaveFile file(m_path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        Finish({true, false, false, errno, file.errorString(), 0});
        return;
    }
    // Written through the descriptor, so that a failure keeps its errno.
    const int fd = static_cast<int>(file.handle());
    std::string out;
    while (Side* side = Next()) {
        Render(*side, &out);
        if (out.size() >= kWriteBytes && !WriteOut(fd, &out))
            return;  // the file's destructor removes the temporary file
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_cancel) {
            m_result = {true, false, true, 0, {}, 0};
            file.cancelWriting();
            return;
        }
    }
    if (!WriteOut(fd, &out))
        return;
    if (fdatasync(fd) != 0) {
        Finish({true, false, false, errno, {}, 0});
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_cancel) {
            m_result = {true, false, true, 0, {}, 0};
            file.cancelWriting();
            return;
        }
    }
    errno = 0;
    if (!file.commit()) {
        Finish({true, false, false, errno, file.errorString(), 0});
        return;
    }
    Finish({true, true, false, 0, {}, 0});
}

}  // namespace quillet::pages

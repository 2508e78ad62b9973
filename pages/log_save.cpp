#include "pages/log_save.h"

#include <QFile>

#include <cerrno>
#include <optional>

#include "engine/log_line.h"
#include "engine/record_store.h"
#include "pages/failure_cause.h"

namespace quillet::pages {

namespace {

// Chunks read under the lock at a time.
constexpr size_t kBatch = 1024;

// Reads one log in order, a batch at a time, keeping one chunk of look-ahead so each chunk is
// rendered knowing the one after it.
class LogReader {
public:
    LogReader(RecordStore& store, const ConnectInfo* rec, ChunkDir dir)
        : m_store(store), m_rec(rec), m_dir(dir) {
        m_end = m_store.CopyLogWindow(m_rec, m_dir, 0, 0, 0).end;
        Refill();
    }
    const LogChunk* Peek() const { return m_at < m_window.chunks.size() ? &Current() : nullptr; }
    // The chunk after the current one, when the log holds it.
    const LogChunk* After() const {
        return m_at + 1 < m_window.chunks.size() ? &m_window.chunks[m_at + 1] : nullptr;
    }
    void Advance() {
        ++m_at;
        // Keep one chunk of look-ahead in the window.
        if (m_at + 1 >= m_window.chunks.size())
            Refill();
    }

private:
    const LogChunk& Current() const { return m_window.chunks[m_at]; }
    void Refill() {
        const uint64_t from = m_window.chunks.empty() ? 0 : m_window.from + m_at;
        if (!m_window.chunks.empty() && from >= m_end)
            return;
        // Only what the log held when the save began; the look-ahead chunk comes along.
        m_window = m_store.CopyLogWindow(m_rec, m_dir, from, m_end, kBatch + 1);
        m_at = 0;
    }

    RecordStore& m_store;
    const ConnectInfo* m_rec;
    ChunkDir m_dir;
    uint64_t m_end = 0;
    RecordStore::LogWindow m_window;
    size_t m_at = 0;
};

class Writer {
public:
    explicit Writer(const QString& path) : m_file(path) {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            Failed();
    }
    bool Write(const QByteArray& bytes) {
        if (!m_error.isEmpty())
            return false;
        if (m_file.write(bytes) != bytes.size()) {
            Failed();
            return false;
        }
        m_bytes += static_cast<uint64_t>(bytes.size());
        return true;
    }
    SaveResult Finish() {
        if (m_error.isEmpty() && !m_file.flush())
            Failed();
        m_file.close();
        if (m_error.isEmpty() && m_file.error() != QFileDevice::NoError)
            Failed();
        return {m_error, m_bytes};
    }

private:
    // The system's reason in the window's language; Qt's text when the system gave none.
    void Failed() {
        const int err = errno;
        m_error = err != 0 ? CauseText(err) : m_file.errorString();
    }

    QFile m_file;
    QString m_error;
    uint64_t m_bytes = 0;
};

QByteArray TextOf(ChunkTextStream& stream, const LogChunk& chunk, const LogChunk* next,
                  const char* tag) {
    QByteArray out(tag);
    out += QString::fromStdU16String(stream.Render(chunk, next)).toUtf8();
    return out;
}

}  // namespace

SaveResult SaveRecordLog(RecordStore& store, const ConnectInfo* rec, SaveWhat what,
                         SaveFormat format, const QString& path) {
    Writer writer(path);
    std::optional<LogReader> received, sent;
    if (what != SaveWhat::kSent)
        received.emplace(store, rec, ChunkDir::kReceived);
    if (what != SaveWhat::kReceived)
        sent.emplace(store, rec, ChunkDir::kSent);
    ChunkTextStream receivedText, sentText;
    // In a merged file each chunk says which way it went.
    const bool tagged = what == SaveWhat::kBoth && format == SaveFormat::kText;
    for (;;) {
        const LogChunk* r = received ? received->Peek() : nullptr;
        const LogChunk* s = sent ? sent->Peek() : nullptr;
        if (!r && !s)
            break;
        const bool takeReceived = r && (!s || r->timeNs <= s->timeNs);
        LogReader& reader = takeReceived ? *received : *sent;
        const LogChunk& chunk = takeReceived ? *r : *s;
        QByteArray bytes;
        if (format == SaveFormat::kRaw)
            bytes = QByteArray(chunk.bytes.data(), static_cast<qsizetype>(chunk.bytes.size()));
        else
            bytes = TextOf(takeReceived ? receivedText : sentText, chunk, reader.After(),
                           !tagged        ? ""
                           : takeReceived ? "<< "
                                          : ">> ");
        if (!writer.Write(bytes))
            break;
        reader.Advance();
    }
    return writer.Finish();
}

}  // namespace quillet::pages

#include "pages/log/log_sources.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <algorithm>
#include <optional>

#include "encoding/wire_codec.h"
#include "engine/log_line.h"
#include "engine/record_store.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

QString DroppedNotice(uint64_t bytes) {
    return QCoreApplication::translate("quillet::pages::CLogView",
                                       "—— 已达日志上限，最早的 %1 字节已丢弃 ——")
        .arg(bytes);
}

QString RenderKey() {
    return QString::fromStdString(enc::WireEncoding()) + QLatin1Char('|') +
           QString::number(static_cast<int>(CurrentStampStyle())) +
           (HexTextView() ? QStringLiteral("|hex") : QStringLiteral("|text"));
}

namespace {

// Chunks at least this long keep their rendered text (a few of them per source).
constexpr size_t kKeepBytes = 64 * 1024;
constexpr size_t kKeptTexts = 4;
// What of a chunk rendered aside shows until its whole text is there.
constexpr size_t kHeadBytes = 1024;

// The item before the first chunk, when the limits dropped some: the notice line.
uint64_t FirstItem(const RecordStore::LogWindow& w) {
    return w.droppedBytes > 0 && w.first > 0 ? w.first - 1 : w.first;
}

}  // namespace

RecordLogSource::RecordLogSource(RecordStore* store, const ConnectInfo* rec, ChunkDir dir,
                                 std::shared_ptr<KeptTexts> kept)
    : m_store(store), m_rec(rec), m_dir(dir), m_kept(std::move(kept)) {
    if (!m_kept || m_kept->rec != rec || m_kept->dir != dir) {
        m_kept = std::make_shared<KeptTexts>();
        m_kept->rec = rec;
        m_kept->dir = dir;
    }
}

LogViewSource::Items RecordLogSource::Fetch(uint64_t from, uint64_t to) {
    // One chunk more on each side: a character split between chunks shows whole.
    const uint64_t copyFrom = from > 0 ? from - 1 : 0;
    const uint64_t copyTo = to < UINT64_MAX ? to + 1 : to;
    const uint64_t want = std::min<uint64_t>(to - std::min(from, to), uint64_t{1} << 20) + 2;
    const RecordStore::LogWindow w =
        m_store->CopyLogWindow(m_rec, m_dir, copyFrom, copyTo, static_cast<size_t>(want));
    Items items;
    items.first = FirstItem(w);
    items.end = w.end;
    items.from = std::max(from, items.first);
    const uint64_t until = std::min(to, w.end);
    // One stream for the batch: each chunk's carried character comes from the one rendered
    // before it instead of decoding that chunk a second time.
    const QString renderKey = RenderKey();
    if (renderKey != m_kept->key) {
        m_kept->key = renderKey;
        m_kept->kept.clear();
    }
    ChunkTextStream stream;
    bool started = false;
    for (uint64_t item = items.from; item < until; ++item) {
        if (item < w.first) {
            items.texts.push_back(DroppedNotice(w.droppedBytes));
            continue;
        }
        const size_t at = static_cast<size_t>(item - w.from);
        if (at >= w.chunks.size())
            break;
        const LogChunk& chunk = w.chunks[at];
        const LogChunk* next = at + 1 < w.chunks.size() ? &w.chunks[at + 1] : nullptr;
        const bool nextJoins = next && next->joinsPrevious;
        const bool keep = chunk.bytes.size() >= kKeepBytes;
        if (const Kept* kept = keep ? FindKept(item, nextJoins) : nullptr) {
            items.texts.push_back(kept->text);
            stream.SetCarry(kept->carry);
            started = true;
            continue;
        }
        if (!m_whole && chunk.bytes.size() >= KeptTexts::kRenderAsideBytes) {
            const LogChunk* prev = at > 0 ? &w.chunks[at - 1] : nullptr;
            items.texts.push_back(RenderAside(item, chunk, next, prev,
                                              started ? &stream.Carry() : nullptr, renderKey));
            started = false;  // the next chunk starts its stream after this one
            continue;
        }
        if (!started && !chunk.joinsPrevious) {
            stream.SetCarry({});  // nothing carries over; and a long chunk before is not decoded
        } else if (!started) {
            const LogChunk* prev = at > 0 ? &w.chunks[at - 1] : nullptr;
            if (const Kept* kept = prev ? FindKept(item - 1, true) : nullptr)
                stream.SetCarry(kept->carry);
            else
                stream.StartAfter(prev);
        }
        started = true;
        std::u16string text = stream.Render(chunk, next);
        if (!text.empty() && text.back() == u'\n')
            text.pop_back();
        items.texts.push_back(QString::fromStdU16String(text));
        if (keep)
            Keep({item, nextJoins, items.texts.back(), stream.Carry()});
    }
    return items;
}

QString RecordLogSource::RenderAside(uint64_t item, const LogChunk& chunk, const LogChunk* next,
                                     const LogChunk* prev, const std::string* carry,
                                     const QString& key) {
    // Meanwhile: the chunk's first bytes (with its stamp), then an ellipsis.
    LogChunk head = chunk;
    head.bytes = ChunkBytes(chunk.bytes.view().substr(0, kHeadBytes));
    ChunkTextStream headStream;
    if (carry)
        headStream.SetCarry(*carry);
    else if (chunk.joinsPrevious)
        headStream.StartAfter(prev);
    std::u16string shown = headStream.Render(head, nullptr);
    while (!shown.empty() && shown.back() == u'\n')
        shown.pop_back();
    shown += u" \u2026";
    const bool nextJoins = next && next->joinsPrevious;
    auto& under = m_kept->rendering;
    if (std::any_of(under.begin(), under.end(), [&](const KeptTexts::Rendering& r) {
            return r.item == item && r.nextJoins == nextJoins && r.key == key;
        }))
        return QString::fromStdU16String(shown);
    under.push_back({item, nextJoins, key});
    struct Job {
        LogChunk chunk;
        std::optional<LogChunk> next, prev;
        std::optional<std::string> carry;
    };
    auto job = std::make_shared<Job>();
    job->chunk = chunk;
    if (next)
        job->next = *next;
    if (prev && !carry && chunk.joinsPrevious)
        job->prev = *prev;
    if (carry)
        job->carry = *carry;
    std::weak_ptr<KeptTexts> weak = m_kept;
    QThreadPool::globalInstance()->start([job, weak, item, nextJoins, key] {
        ChunkTextStream stream;
        if (job->carry)
            stream.SetCarry(*job->carry);
        else
            stream.StartAfter(job->prev ? &*job->prev : nullptr);
        std::u16string text = stream.Render(job->chunk, job->next ? &*job->next : nullptr);
        if (!text.empty() && text.back() == u'\n')
            text.pop_back();
        Kept done{item, nextJoins, QString::fromStdU16String(text), stream.Carry()};
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [weak, key, done = std::move(done)]() mutable {
                const std::shared_ptr<KeptTexts> kept = weak.lock();
                if (!kept)
                    return;
                auto& under = kept->rendering;
                under.erase(std::remove_if(under.begin(), under.end(),
                                           [&](const KeptTexts::Rendering& r) {
                                               return r.item == done.item &&
                                                      r.nextJoins == done.nextJoins && r.key == key;
                                           }),
                            under.end());
                if (key != kept->key)  // the encoding or stamp style changed meanwhile
                    return;
                for (const Kept& k : kept->kept)
                    if (k.item == done.item && k.nextJoins == done.nextJoins)
                        return;  // a search or copy rendered it meanwhile
                if (kept->kept.size() >= kKeptTexts)
                    kept->kept.erase(kept->kept.begin());
                kept->kept.push_back(std::move(done));
                if (kept->rendered)
                    kept->rendered();
            },
            Qt::QueuedConnection);
    });
    return QString::fromStdU16String(shown);
}

const RecordLogSource::Kept* RecordLogSource::FindKept(uint64_t item, bool nextJoins) const {
    for (const Kept& kept : m_kept->kept)
        if (kept.item == item && kept.nextJoins == nextJoins)
            return &kept;
    return nullptr;
}

void RecordLogSource::Keep(Kept kept) {
    std::vector<Kept>& all = m_kept->kept;
    if (all.size() >= kKeptTexts)
        all.erase(all.begin());
    all.push_back(std::move(kept));
}

LogViewSource::Items RecordLogSource::FetchLast(uint64_t count) {
    const RecordStore::LogWindow w = m_store->CopyLogWindow(m_rec, m_dir, 0, 0, 0);
    const uint64_t first = FirstItem(w);
    const uint64_t from = w.end - std::min(count, w.end - first);
    return Fetch(from, w.end);
}

uint64_t RecordLogSource::Bytes(uint64_t from, uint64_t to) {
    return m_store->LogBytes(m_rec, m_dir, from, to);
}

PlainTextSource::PlainTextSource(const QString& text) {
    if (!text.isEmpty())
        m_lines = text.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start an empty one.
    if (text.endsWith(QLatin1Char('\n')))
        m_lines.removeLast();
}

LogViewSource::Items PlainTextSource::Fetch(uint64_t from, uint64_t to) {
    Items items;
    items.first = 0;
    items.end = static_cast<uint64_t>(m_lines.size());
    items.from = std::min(from, items.end);
    for (uint64_t i = items.from; i < std::min(to, items.end); ++i)
        items.texts.push_back(m_lines[static_cast<qsizetype>(i)]);
    return items;
}

LogViewSource::Items PlainTextSource::FetchLast(uint64_t count) {
    const uint64_t end = static_cast<uint64_t>(m_lines.size());
    return Fetch(end - std::min(count, end), end);
}

uint64_t PlainTextSource::Bytes(uint64_t from, uint64_t to) {
    uint64_t bytes = 0;
    const Items items = Fetch(from, to);
    for (const QString& line : items.texts)
        bytes += static_cast<uint64_t>(line.size()) * 2;
    return bytes;
}

}  // namespace quillet::pages

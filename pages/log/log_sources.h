#pragma once
// What the log views show: one of a record's logs, or a plain text.
//
// Threads: user-interface thread only. RecordLogSource copies what it is asked for through the
// page's RecordStore (under g_csConnect, for that copy only) and renders it without the lock.
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/chunk_log.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_view_source.h"

namespace quillet::engine {
class RecordStore;
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

// The texts of a log's long chunks as rendered last, kept so that showing a part of one,
// scrolling over it or searching it again renders it once, not on every look. A view keeps
// them for the log it showed last, across the sources it makes for that log.
struct KeptTexts {
    struct Kept {
        uint64_t item = 0;
        bool nextJoins = false;  // rendered with a next chunk of the stream after it
        QString text;
        std::string carry;  // what of it the next chunk of the stream completes
    };
    const ConnectInfo* rec = nullptr;
    ChunkDir dir = ChunkDir::kReceived;
    QString key;  // the rendering the texts are of (RenderKey)
    std::vector<Kept> kept;
    // Chunks of this many bytes or more are rendered on a pool thread, not the window's: until
    // their text is kept, a source shows the rendering of their first bytes and an ellipsis.
    static constexpr size_t kRenderAsideBytes = 1 << 20;
    struct Rendering {
        uint64_t item = 0;
        bool nextJoins = false;
        QString key;
    };
    std::vector<Rendering> rendering;  // under way
    // Called on the user-interface thread when a rendering is kept (the view lays out again).
    std::function<void()> rendered;
};

class RecordLogSource : public LogViewSource {
public:
    // `kept`: the texts kept for this log (a fresh set when null).
    RecordLogSource(RecordStore* store, const ConnectInfo* rec, ChunkDir dir,
                    std::shared_ptr<KeptTexts> kept = nullptr);

    Items Fetch(uint64_t from, uint64_t to) override;
    // Renders every chunk here and now (a search or copy reads whole texts).
    void RenderWhole(bool on) override { m_whole = on; }
    Items FetchLast(uint64_t count) override;
    uint64_t Bytes(uint64_t from, uint64_t to) override;

private:
    using Kept = KeptTexts::Kept;
    const Kept* FindKept(uint64_t item, bool nextJoins) const;
    void Keep(Kept kept);
    // Starts rendering a long chunk on a pool thread (once); the text that stands for it
    // meanwhile.
    QString RenderAside(uint64_t item, const LogChunk& chunk, const LogChunk* next,
                        const LogChunk* prev, const std::string* carry, const QString& key);

    RecordStore* m_store;
    const ConnectInfo* m_rec;
    ChunkDir m_dir;
    std::shared_ptr<KeptTexts> m_kept;
    bool m_whole = false;
};

// Each line of the text is an item.
class PlainTextSource : public LogViewSource {
public:
    explicit PlainTextSource(const QString& text);

    Items Fetch(uint64_t from, uint64_t to) override;
    Items FetchLast(uint64_t count) override;
    uint64_t Bytes(uint64_t from, uint64_t to) override;

private:
    QStringList m_lines;
};

// What the rendering of a chunk depends on besides its bytes: encoding, stamp style, byte view.
QString RenderKey();

// The line that stands for what the limits dropped from a log's start.
QString DroppedNotice(uint64_t bytes);

}  // namespace quillet::pages

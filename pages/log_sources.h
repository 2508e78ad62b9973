#pragma once
// What the log views show: one of a record's logs, or a plain text.
//
// Threads: user-interface thread only. RecordLogSource copies what it is asked for through the
// page's RecordStore (under g_csConnect, for that copy only) and renders it without the lock.
#include <QObject>
#include <QStringList>

#include "engine/chunk_log.h"
#include "pages/log_view.h"

namespace quillet::pages {

class RecordLogSource : public LogViewSource {
public:
    RecordLogSource(RecordStore* store, const ConnectInfo* rec, ChunkDir dir)
        : m_store(store), m_rec(rec), m_dir(dir) {}

    Items Fetch(uint64_t from, uint64_t to) override;
    Items FetchLast(uint64_t count) override;
    uint64_t Bytes(uint64_t from, uint64_t to) override;

private:
    RecordStore* m_store;
    const ConnectInfo* m_rec;
    ChunkDir m_dir;
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

// The line that stands for what the limits dropped from a log's start.
QString DroppedNotice(uint64_t bytes);

}  // namespace quillet::pages

#pragma once
// The recordings of one page: each appends the chunks of one record, or of every record of the
// page, to a file the user chose (engine/log_recorder.h). The tree's context menu starts and
// stops them. A watch looks at the running recordings a few times a second and, when one has
// stopped by itself (the disk fell behind or a write failed), takes it off its records and
// tells the user once, with the count of bytes that were not written.
//
// Threads: user-interface thread only. The recorders' writers run on threads of their own; the
// records reach a recorder only under g_csConnect, and a recorder is taken off them under the
// lock before it is destroyed.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/log_recorder.h"
#include "pages/common/engine_names.h"

class QMenu;
class QTimer;
class QWidget;

namespace quillet::engine {
class RecordStore;
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

class CRecordings : public QObject {
    Q_OBJECT
public:
    // How often a running recording is looked at.
    static constexpr int kWatchMs = 250;

    CRecordings(std::function<RecordStore&()> store, QWidget* page);
    // The page runs StopAll at teardown, before its records go; this only waits for writers.
    ~CRecordings() override;

    // The tree's menu for `rec` (null: the root or no node): record this record, record every
    // record of the page, stop. Owned by `parent`.
    QMenu* MakeMenu(ConnectInfo* rec, QWidget* parent);

    // Asks for a file and starts recording; false when the user cancelled or it failed (told).
    bool AskAndRecord(ConnectInfo* rec);
    bool AskAndRecordPage();
    // Starts recording to `path` (appending); false after telling the user it cannot be opened.
    bool Record(ConnectInfo* rec, const QString& path, LogRecorder::Form form);
    bool RecordPage(const QString& path, LogRecorder::Form form);
    void Stop(ConnectInfo* rec);
    void StopPage();
    // The record is about to be freed: its recording, if any, stops.
    void Forget(ConnectInfo* rec) { Stop(rec); }
    // Stops everything (teardown); waits for the writers to finish.
    void StopAll();

    bool IsRecording(const ConnectInfo* rec) const;
    bool IsRecordingPage() const;
    // Runs the watch now (the timer runs it every kWatchMs).
    void Watch();

private:
    struct Entry {
        ConnectInfo* rec;  // null: the whole page
        std::unique_ptr<LogRecorder> recorder;
        bool attached;  // still set on its record or page
    };
    bool Start(ConnectInfo* rec, const QString& path, LogRecorder::Form form);
    void Detach(Entry& e);
    // Shows the file prompt; empty when cancelled.
    QString AskFile(LogRecorder::Form* form);
    void Tell(const std::string& file, const LogRecorder::Status& st);
    Entry* Attached(const ConnectInfo* rec);
    const Entry* Attached(const ConnectInfo* rec) const;

    std::function<RecordStore&()> m_store;
    QWidget* m_page;
    QTimer* m_watch;
    std::vector<Entry> m_entries;  // running and finishing recordings
    bool m_telling = false;        // a failure's message is up
};

}  // namespace quillet::pages

#pragma once
// Saving a record's log to a file: the received log, the sent one, or both merged in time
// order; as the text the views show (UTF-8) or as the raw bytes.
//
// A save runs beside the window: between its events the window's thread copies the chunks the
// log held when the save began, a bounded batch at a time under g_csConnect (for that copy only),
// and a writer thread renders and writes them (log_save_writer.h). A progress box offers Cancel.
// The target is replaced only when the whole save is on the disk; a failure, a cancel or the
// record's deletion before all was copied leaves the old file as it was. What came after the
// save began is not in the file, nor what the log limits dropped meanwhile.
//
// Threads: user-interface thread only. The view that starts a save tells it (Forget) before its
// record is freed.
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>

#include "engine/chunk_log.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_save_writer.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace quillet::engine {
class RecordStore;
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

class LogSaver : public QObject {
    Q_OBJECT
public:
    struct Job {
        RecordStore* store = nullptr;
        const ConnectInfo* rec = nullptr;
        SaveWhat what = SaveWhat::kReceived;
        SaveFormat format = SaveFormat::kText;
        QString path;
    };
    // Starts a save as a child of `view`. It tells the user of a failure and deletes itself when
    // the save ends.
    static LogSaver* Start(QWidget* view, const Job& job);
    // Every save started from `view` of `rec`'s log: the record goes away.
    static void ForgetRecord(QWidget* view, const ConnectInfo* rec);
    // The same for every record (the page frees them all).
    static void ForgetAll(QWidget* view);
    ~LogSaver() override;

    const ConnectInfo* Record() const { return m_job.rec; }
    // The user cancels: the old file stays; nothing is told.
    void Cancel();

private:
    LogSaver(QWidget* view, const Job& job);
    // Feeds the writer what fits, shows the progress, ends the save when the writer has.
    void Pump();
    // Copies batches of one log while the writer wants them and the time slice lasts.
    void CopyFrom(ChunkDir dir, int64_t deadlineNs);
    void Forget(const ConnectInfo* rec);
    // Stops feeding the writer; once it has ended, `failure` (if any) is told and the saver goes.
    void Stop(const QString& failure);
    void Finish();

    struct Copying {
        bool active = false;
        uint64_t next = 0;  // the next chunk to copy
        uint64_t end = 0;   // the log's end when the save began
        size_t batch = 0;   // chunks per copy, fitted to their size
    };

    Job m_job;
    QWidget* m_view;
    Copying m_copying[2];
    uint64_t m_total = 0;    // chunks to save
    uint64_t m_skipped = 0;  // chunks the limits dropped before they were copied
    std::unique_ptr<LogSaveWriter> m_writer;
    bool m_stopping = false;
    bool m_finished = false;
    QString m_failure;  // told when the writer has ended after Stop
    QTimer* m_timer = nullptr;
    QPointer<QProgressDialog> m_progress;
};

}  // namespace quillet::pages

#pragma once
// Runs one sequence (sequences.h) on one connection: each step in turn, driven by timers and by
// the page's news of received data, never by a waiting loop, so the window stays free however
// long a step waits. Each step's outcome is a note in the connection's received log (its time
// order with the data); a failed step, a stop or a closed connection ends the run with a note
// that names the step.
//
// Waiting for an answer looks only at data received since the last send or the last answer
// found (notes aside; an answer may come before the window turns to the step that waits for
// it), kept up to kMaxWatchedBytes (the newest); text is matched after decoding in the page's
// encoding, hex bytes must equal that data exactly.
//
// Threads: user-interface thread only. The page ends a run whose record closes or goes away
// (End) before it frees the record, and hands over data news (DataArrived) outside any lock.
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/record_store.h"
#include "pages/common/engine_names.h"
#include "pages/send/raw_send.h"
#include "pages/send/saved_messages.h"
#include "pages/send/sequences.h"

class QTimer;

namespace quillet::engine {
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

class SequenceRunner : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kMaxWatchedBytes = size_t{1} << 20;
    // At most this many of the newest chunks are looked at for one piece of news.
    static constexpr uint64_t kMaxWatchedChunks = 16384;
    // Steps that end at once run at most this many in one turn of the event loop.
    static constexpr int kStepsPerTurn = 32;

    struct Hooks {
        // Sends and logs bytes on the record (the page's raw send path).
        std::function<RawSend(ConnectInfo*, const std::string&)> send;
        // Copies chunks of the record's received log (RecordStore::CopyLogWindow).
        std::function<RecordStore::LogWindow(ConnectInfo*, uint64_t from, uint64_t to)> copy;
        // Puts a note into the record's received log and shows it.
        std::function<void(ConnectInfo*, const QString&)> note;
        // The page's saved message of that name, if there is one.
        std::function<std::optional<SavedMessage>(const QString&)> saved;
    };
    struct Progress {
        int step = 0;  // 1-based, 0 when idle
        int steps = 0;
        uint64_t round = 0;  // of the innermost repeat under way, 1-based; 0 outside any
    };

    SequenceRunner(Hooks hooks, QObject* parent);
    ~SequenceRunner() override;

    // Starts `sequence` on `rec`; false when a run is under way or the sequence is empty.
    bool Start(ConnectInfo* rec, Sequence sequence);
    // The user stops the run.
    void Stop();
    // The record's connection closed or the record goes away: a run on it ends with `why`.
    void End(ConnectInfo* rec, const QString& why);
    // News of received data for `rec`.
    void DataArrived(ConnectInfo* rec);

    bool Running() const { return m_rec != nullptr; }
    const ConnectInfo* Record() const { return m_rec; }
    Progress CurrentProgress() const;

signals:
    void ProgressChanged();
    // The run ended: `ok` when every step passed; `why` is the closing note.
    void Finished(bool ok, const QString& why);

private:
    void RunStep();
    void RunOneStep();
    void ScheduleStep();
    void Send(const SequenceStep& step);
    void StartExpect();
    void Take();
    bool Matches() const;
    void Passed(const QString& what);
    void Finish(bool ok, const QString& why);
    QString StepName() const;

    Hooks m_hooks;
    ConnectInfo* m_rec = nullptr;  // the run's record; null when idle
    Sequence m_sequence;
    size_t m_index = 0;
    std::map<size_t, uint64_t> m_rounds;  // runs done of each repeat step under way
    std::vector<size_t> m_repeats;        // the repeat steps under way, innermost last
    QTimer* m_timer = nullptr;            // wait and time-out
    QTimer* m_next = nullptr;             // the next step, from the event loop
    bool m_inTurn = false;                // RunStep is under way
    bool m_again = false;                 // a step ended at once during it: the next one is due
    bool m_expecting = false;
    uint64_t m_mark = 0;    // the received log's next chunk to look at
    std::string m_watched;  // what came since the expect step began
    std::string m_hexWant;  // an expect of hex bytes: those bytes
};

}  // namespace quillet::pages

#pragma once
// Repeated sends: the same bytes to a record every N milliseconds, M times or until stopped.
// Each record repeats at most once at a time; several records may repeat at once. A timer on
// the user-interface thread drives each repeat and catches up with the sends that a late tick
// owes, a bounded number per tick, so the window stays responsive at any interval.
//
// Threads: user-interface thread only. Records are the page's: the page ends a record's repeat
// before it frees the record (End) and stops all before teardown (StopAll).
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "pages/common/engine_names.h"
#include "pages/send/raw_send.h"

class QTimer;

namespace quillet::engine {
struct ConnectInfo;
}  // namespace quillet::engine

namespace quillet::pages {

class RepeatSender : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxIntervalMs = 24 * 60 * 60 * 1000;  // a day
    // Sends owed by a late tick that one tick makes at most.
    static constexpr int kMaxPerTick = 64;

    struct Plan {
        int intervalMs = 1000;
        int64_t times = 0;  // 0: until stopped
    };
    using SendFn = std::function<RawSend(ConnectInfo*, const std::string&)>;
    // A repeat ended by itself before its count (`why`), after `sent` sends.
    using StoppedFn = std::function<void(ConnectInfo*, const QString& why, uint64_t sent)>;

    RepeatSender(SendFn send, StoppedFn stopped, QObject* parent);
    ~RepeatSender() override;

    // Starts repeating `wire` to `rec`; false when `rec` repeats already.
    bool Start(ConnectInfo* rec, std::string wire, Plan plan);
    bool IsRunning(const ConnectInfo* rec) const { return m_jobs.count(rec) != 0; }
    size_t Running() const { return m_jobs.size(); }
    // Sends made so far by the record's running repeat (0 when none).
    uint64_t SentCount(const ConnectInfo* rec) const;
    // The user stops it: no message.
    void Stop(const ConnectInfo* rec);
    // The record's connection closed or the record goes: stops and tells why.
    void End(ConnectInfo* rec, const QString& why);
    void StopAll();

private:
    struct Job {
        std::string wire;
        Plan plan;
        uint64_t attempted = 0;  // ticks owed and served, sent or skipped
        uint64_t sent = 0;
        std::chrono::steady_clock::time_point start;
        QTimer* timer = nullptr;
    };
    void Tick(ConnectInfo* rec);

    SendFn m_send;
    StoppedFn m_stopped;
    std::map<const ConnectInfo*, std::unique_ptr<Job>> m_jobs;
};

}  // namespace quillet::pages

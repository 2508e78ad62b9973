#include "pages/send/repeat_sender.h"

#include <QTimer>

#include <algorithm>

namespace quillet::pages {

RepeatSender::RepeatSender(SendFn send, StoppedFn stopped, QObject* parent)
    : QObject(parent), m_send(std::move(send)), m_stopped(std::move(stopped)) {
    setObjectName(QStringLiteral("repeatSender"));
}

RepeatSender::~RepeatSender() {
    StopAll();
}

bool RepeatSender::Start(ConnectInfo* rec, std::string wire, Plan plan) {
    if (!rec || IsRunning(rec) || plan.intervalMs < 1 || plan.times < 0)
        return false;
    auto job = std::make_unique<Job>();
    job->wire = std::move(wire);
    job->plan = plan;
    job->start = std::chrono::steady_clock::now();
    job->timer = new QTimer(this);
    job->timer->setObjectName(QStringLiteral("repeatTimer"));
    job->timer->setTimerType(Qt::PreciseTimer);
    job->timer->setInterval(plan.intervalMs);
    connect(job->timer, &QTimer::timeout, this, [this, rec] { Tick(rec); });
    QTimer* timer = job->timer;
    m_jobs[rec] = std::move(job);
    Tick(rec);  // the first send goes at once
    if (IsRunning(rec))
        timer->start();
    return true;
}

uint64_t RepeatSender::SentCount(const ConnectInfo* rec) const {
    auto it = m_jobs.find(rec);
    return it == m_jobs.end() ? 0 : it->second->sent;
}

void RepeatSender::Stop(const ConnectInfo* rec) {
    auto it = m_jobs.find(rec);
    if (it == m_jobs.end())
        return;
    it->second->timer->stop();
    it->second->timer->deleteLater();
    m_jobs.erase(it);
}

void RepeatSender::End(ConnectInfo* rec, const QString& why) {
    auto it = m_jobs.find(rec);
    if (it == m_jobs.end())
        return;
    const uint64_t sent = it->second->sent;
    Stop(rec);
    if (m_stopped)
        m_stopped(rec, why, sent);
}

void RepeatSender::StopAll() {
    for (auto& [rec, job] : m_jobs) {
        job->timer->stop();
        job->timer->deleteLater();
    }
    m_jobs.clear();
}

void RepeatSender::Tick(ConnectInfo* rec) {
    auto it = m_jobs.find(rec);
    if (it == m_jobs.end())
        return;
    Job& job = *it->second;
    // Sends owed by now: one at the start and one per interval since.
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - job.start);
    uint64_t owed = static_cast<uint64_t>(elapsed.count() / job.plan.intervalMs) + 1;
    if (job.plan.times > 0)
        owed = std::min<uint64_t>(owed, static_cast<uint64_t>(job.plan.times));
    int budget = kMaxPerTick;
    while (job.attempted < owed && budget-- > 0) {
        ++job.attempted;
        switch (m_send(rec, job.wire)) {
            case RawSend::kSent:
            case RawSend::kWaiting:
                ++job.sent;
                break;
            case RawSend::kFull:  // the peer is not reading: this one is skipped
                break;
            case RawSend::kGone:
                End(rec, tr("连接已关闭"));
                return;
        }
    }
    // An endless repeat far behind gives up the sends it cannot catch up on, so that it never
    // runs long; a counted one makes all of its sends.
    if (job.plan.times == 0 && job.attempted < owed &&
        owed - job.attempted > static_cast<uint64_t>(kMaxPerTick) * 4)
        job.attempted = owed - kMaxPerTick;
    if (job.plan.times > 0 && job.attempted >= static_cast<uint64_t>(job.plan.times))
        Stop(rec);
}

}  // namespace quillet::pages

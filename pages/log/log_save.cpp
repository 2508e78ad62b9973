#include "pages/log/log_save.h"

#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "engine/record_store.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_save_writer.h"
#include "pages/common/failure_cause.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

constexpr int kTickMs = 2;
// The window's thread copies for at most this long per tick.
constexpr int64_t kSliceNs = 4'000'000;
constexpr int kProgressSteps = 1000;
// Chunks per copy under the lock: fitted so that a copy holds about this many bytes.
constexpr size_t kFirstBatch = 256;
constexpr size_t kMaxBatch = 4096;
constexpr size_t kBatchBytesLow = size_t{1} << 20;
constexpr size_t kBatchBytesHigh = size_t{4} << 20;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

LogSaver* LogSaver::Start(QWidget* view, const Job& job) {
    return new LogSaver(view, job);
}

void LogSaver::ForgetRecord(QWidget* view, const ConnectInfo* rec) {
    for (LogSaver* saver : view->findChildren<LogSaver*>(Qt::FindDirectChildrenOnly))
        saver->Forget(rec);
}

void LogSaver::ForgetAll(QWidget* view) {
    for (LogSaver* saver : view->findChildren<LogSaver*>(Qt::FindDirectChildrenOnly))
        saver->Forget(saver->Record());
}

LogSaver::LogSaver(QWidget* view, const Job& job) : QObject(view), m_job(job), m_view(view) {
    setObjectName(QStringLiteral("logSaver"));
    for (ChunkDir dir : {ChunkDir::kReceived, ChunkDir::kSent}) {
        const bool saved = dir == ChunkDir::kReceived ? job.what != SaveWhat::kSent
                                                      : job.what != SaveWhat::kReceived;
        Copying& c = m_copying[static_cast<int>(dir)];
        if (!saved)
            continue;
        const RecordStore::LogWindow w = job.store->CopyLogWindow(job.rec, dir, 0, 0, 0);
        c = {true, w.first, w.end, kFirstBatch};
        m_total += w.end - w.first;
    }
    m_writer = std::make_unique<LogSaveWriter>(job.path, job.what, job.format);
    auto* box = new QProgressDialog(tr("正在保存日志……"), tr("取消"), 0, kProgressSteps, view);
    box->setObjectName(QStringLiteral("saveProgress"));
    box->setWindowTitle(tr("保存日志"));
    box->setWindowModality(Qt::NonModal);
    box->setAutoClose(false);
    box->setAutoReset(false);
    box->setMinimumDuration(500);  // a quick save shows no box
    box->setValue(0);
    connect(box, &QProgressDialog::canceled, this, [this] { Cancel(); });
    m_progress = box;
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("saveTimer"));
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, [this] { Pump(); });
    m_timer->start();
}

LogSaver::~LogSaver() {
    if (m_progress)
        m_progress->deleteLater();
}

void LogSaver::Cancel() {
    Stop(QString());
}

void LogSaver::Forget(const ConnectInfo* rec) {
    if (!rec || rec != m_job.rec || m_stopping)
        return;
    const bool copied = std::none_of(std::begin(m_copying), std::end(m_copying),
                                     [](const Copying& c) { return c.active; });
    m_job.rec = nullptr;  // never read again
    if (!copied)          // the writer holds copies of all it needs otherwise
        Stop(tr("保存失败：%1").arg(tr("连接已删除")));
}

void LogSaver::Stop(const QString& failure) {
    if (m_stopping || m_finished)
        return;
    m_stopping = true;
    m_failure = failure;
    for (Copying& c : m_copying)
        c.active = false;
    m_writer->Cancel();
    if (m_progress)
        m_progress->hide();
}

void LogSaver::CopyFrom(ChunkDir dir, int64_t deadlineNs) {
    Copying& c = m_copying[static_cast<int>(dir)];
    while (c.active && m_writer->WantsMore(dir) && NowNs() < deadlineNs) {
        RecordStore::LogWindow w =
            m_job.store->CopyLogWindow(m_job.rec, dir, c.next, c.end, c.batch);
        const uint64_t upTo = w.chunks.empty() ? c.end : w.from + w.chunks.size();
        m_skipped += (w.chunks.empty() ? c.end : w.from) - std::min(c.next, upTo);
        c.next = upTo;
        const size_t bytes = BytesOf(w.chunks);
        if (bytes > kBatchBytesHigh)
            c.batch = std::max<size_t>(c.batch / 2, 1);
        else if (bytes < kBatchBytesLow)
            c.batch = std::min(c.batch * 2, kMaxBatch);
        c.active = c.next < c.end;
        m_writer->Feed(dir, std::move(w.chunks), !c.active);
    }
}

void LogSaver::Pump() {
    if (m_finished)
        return;
    if (!m_stopping) {
        const int64_t deadline = NowNs() + kSliceNs;
        CopyFrom(ChunkDir::kReceived, deadline);
        CopyFrom(ChunkDir::kSent, deadline);
    }
    const LogSaveWriter::Result result = m_writer->Get();
    if (!result.finished) {
        if (m_progress && m_total > 0 && !m_stopping)
            m_progress->setValue(static_cast<int>(std::min(result.chunks + m_skipped, m_total) *
                                                  kProgressSteps / m_total));
        return;
    }
    if (!m_stopping && !result.ok) {
        const QString cause = result.error != 0 || result.errorText.isEmpty()
                                  ? CauseText(result.error)
                                  : result.errorText;
        m_failure = tr("保存失败：%1").arg(cause);
    }
    Finish();
}

void LogSaver::Finish() {
    m_finished = true;
    m_timer->stop();
    if (m_progress) {
        m_progress->disconnect(this);  // closing it would say "canceled"
        m_progress->close();
    }
    const QString failure = m_failure;
    QWidget* view = m_view;
    setParent(nullptr);  // no longer one of the view's saves, whenever the deletion comes
    deleteLater();
    if (!failure.isEmpty())
        ui::ShowMessage(view, failure, tr("错误"));
}

}  // namespace quillet::pages

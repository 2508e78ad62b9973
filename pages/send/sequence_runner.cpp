#include "pages/send/sequence_runner.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

#include "encoding/escaped_text.h"
#include "encoding/wire_codec.h"

namespace quillet::pages {

SequenceRunner::SequenceRunner(Hooks hooks, QObject* parent)
    : QObject(parent), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("sequenceRunner"));
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("sequenceStepTimer"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_expecting) {
            Passed(DescribeStep(m_sequence.steps[m_index]));
            return;
        }
        Take();
        if (Matches())
            Passed(DescribeStep(m_sequence.steps[m_index]));
        else
            Finish(false, tr("%1 失败：%2 毫秒内未收到所等的数据（%3）")
                              .arg(StepName())
                              .arg(m_sequence.steps[m_index].ms)
                              .arg(DescribeStep(m_sequence.steps[m_index])));
    });
    m_next = new QTimer(this);
    m_next->setObjectName(QStringLiteral("sequenceNextStep"));
    m_next->setSingleShot(true);
    m_next->setInterval(0);
    connect(m_next, &QTimer::timeout, this, [this] { RunStep(); });
}

SequenceRunner::~SequenceRunner() = default;

bool SequenceRunner::Start(ConnectInfo* rec, Sequence sequence) {
    if (m_rec || !rec || sequence.steps.empty())
        return false;
    m_rec = rec;
    m_sequence = std::move(sequence);
    m_index = 0;
    m_rounds.clear();
    m_repeats.clear();
    m_mark = m_hooks.copy(m_rec, 0, 0).end;
    m_hooks.note(m_rec,
                 tr("序列“%1”开始，共 %2 步").arg(m_sequence.name).arg(m_sequence.steps.size()));
    ScheduleStep();
    return true;
}

void SequenceRunner::Stop() {
    if (m_rec)
        Finish(false, tr("已停止，停在%1").arg(StepName()));
}

void SequenceRunner::End(ConnectInfo* rec, const QString& why) {
    if (m_rec && (!rec || rec == m_rec))
        Finish(false, tr("%1，停在%2").arg(why, StepName()));
}

void SequenceRunner::DataArrived(ConnectInfo* rec) {
    if (!m_expecting || rec != m_rec)
        return;
    Take();
    if (Matches())
        Passed(DescribeStep(m_sequence.steps[m_index]));
}

SequenceRunner::Progress SequenceRunner::CurrentProgress() const {
    Progress progress;
    if (!m_rec)
        return progress;
    progress.step = static_cast<int>(std::min(m_index, m_sequence.steps.size() - 1)) + 1;
    progress.steps = static_cast<int>(m_sequence.steps.size());
    if (!m_repeats.empty()) {
        const auto found = m_rounds.find(m_repeats.back());
        progress.round = (found == m_rounds.end() ? 0 : found->second) + 1;
    }
    return progress;
}

QString SequenceRunner::StepName() const {
    return tr("第 %1 步").arg(std::min(m_index, m_sequence.steps.size() - 1) + 1);
}

void SequenceRunner::ScheduleStep() {
    emit ProgressChanged();
    if (m_inTurn)
        m_again = true;  // RunStep goes on with it
    else
        m_next->start();
}

void SequenceRunner::RunStep() {
    // Steps that end at once (a send, a repeat) follow each other in one turn of the event loop,
    // a bounded number of them, so a quick peer is not slowed by a turn per step.
    m_inTurn = true;
    int steps = 0;
    do {
        m_again = false;
        RunOneStep();
    } while (m_again && m_rec && ++steps < kStepsPerTurn);
    m_inTurn = false;
    if (m_again && m_rec)
        m_next->start();
}

void SequenceRunner::RunOneStep() {
    if (!m_rec)
        return;
    if (m_index >= m_sequence.steps.size()) {
        Finish(true, tr("序列“%1”完成").arg(m_sequence.name));
        return;
    }
    const SequenceStep& step = m_sequence.steps[m_index];
    switch (step.kind) {
        case StepKind::kSend:
            Send(step);
            return;
        case StepKind::kWait:
            m_timer->start(step.ms);
            return;
        case StepKind::kExpect:
            StartExpect();
            return;
        case StepKind::kRepeat: {
            const uint64_t done = ++m_rounds[m_index];
            if (step.count == 0 || done < static_cast<uint64_t>(step.count)) {
                if (m_repeats.empty() || m_repeats.back() != m_index)
                    m_repeats.push_back(m_index);
                m_index = static_cast<size_t>(step.from - 1);
            } else {
                m_rounds.erase(m_index);
                std::erase(m_repeats, m_index);
                ++m_index;
            }
            ScheduleStep();
            return;
        }
    }
}

void SequenceRunner::Send(const SequenceStep& step) {
    SavedMessage message{QString(), step.form, step.text, step.lineEnding};
    if (!step.saved.isEmpty()) {
        const auto saved = m_hooks.saved(step.saved);
        if (!saved) {
            Finish(false, tr("%1 失败：没有名为“%2”的常用消息").arg(StepName(), step.saved));
            return;
        }
        message = *saved;
    }
    // An answer may come before the window turns to the step that waits for it: what counts
    // for that step is what came since this send.
    m_mark = m_hooks.copy(m_rec, 0, 0).end;
    const std::u16string text = message.text.toStdU16String();
    const enc::ReadBytes read = WireBytesIn(text, message.form, message.lineEnding);
    if (read.fault) {
        Finish(false, tr("%1 失败：%2").arg(StepName(), FaultPlace(text, *read.fault)));
        return;
    }
    switch (m_hooks.send(m_rec, read.bytes)) {
        case RawSend::kSent:
        case RawSend::kWaiting:
            Passed(DescribeStep(step));
            return;
        case RawSend::kFull:
            Finish(false, tr("%1 失败：待发送的数据已达上限").arg(StepName()));
            return;
        case RawSend::kGone:
            Finish(false, tr("%1 失败：连接已断开").arg(StepName()));
            return;
    }
}

void SequenceRunner::StartExpect() {
    const SequenceStep& step = m_sequence.steps[m_index];
    m_watched.clear();
    m_hexWant.clear();
    if (step.match == MatchKind::kHex)
        m_hexWant = enc::ReadHexPairs(step.pattern.toStdU16String()).bytes;
    m_expecting = true;
    m_timer->start(step.ms);
    Take();  // what came since the last send or answer
    if (Matches())
        Passed(DescribeStep(step));
}

void SequenceRunner::Take() {
    // Far behind (a flood): only the newest chunks can matter, as only the newest bytes are kept.
    const uint64_t end = m_hooks.copy(m_rec, 0, 0).end;
    if (end - std::min(m_mark, end) > kMaxWatchedChunks)
        m_mark = end - kMaxWatchedChunks;
    for (;;) {
        const RecordStore::LogWindow w = m_hooks.copy(m_rec, m_mark, UINT64_MAX);
        for (const LogChunk& chunk : w.chunks)
            if (!chunk.note)
                m_watched += chunk.bytes;
        if (m_watched.size() > kMaxWatchedBytes)
            m_watched.erase(0, m_watched.size() - kMaxWatchedBytes);
        m_mark = std::max(m_mark, w.from + w.chunks.size());
        if (w.chunks.empty() || m_mark >= w.end)
            return;
    }
}

bool SequenceRunner::Matches() const {
    const SequenceStep& step = m_sequence.steps[m_index];
    if (step.match == MatchKind::kHex)
        return m_watched == m_hexWant;
    if (m_watched.empty())
        return false;
    const std::string name = enc::WireEncoding();
    const std::string charset = enc::CharsetFor(name == enc::kHex ? enc::kAnsi : name);
    const QString text = QString::fromStdU16String(enc::DecodeWith(charset, m_watched));
    if (step.match == MatchKind::kRegex)
        return QRegularExpression(step.pattern).match(text).hasMatch();
    return text.contains(step.pattern);
}

void SequenceRunner::Passed(const QString& what) {
    if (m_expecting)  // the next wait looks at what comes after this answer
        m_mark = m_hooks.copy(m_rec, 0, 0).end;
    m_expecting = false;
    m_timer->stop();
    m_hooks.note(m_rec, tr("%1 通过：%2").arg(StepName(), what));
    ++m_index;
    ScheduleStep();
}

void SequenceRunner::Finish(bool ok, const QString& why) {
    m_timer->stop();
    m_next->stop();
    m_expecting = false;
    m_watched.clear();
    m_watched.shrink_to_fit();
    m_hooks.note(m_rec, ok ? why : tr("序列“%1”%2").arg(m_sequence.name, why));
    m_rec = nullptr;
    emit ProgressChanged();
    emit Finished(ok, why);
}

}  // namespace quillet::pages

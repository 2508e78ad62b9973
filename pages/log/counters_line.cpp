#include "pages/log/counters_line.h"

#include <QLocale>
#include <QTimer>

#include <algorithm>

#include "pages/log/recordings.h"
#include "skin/ui_kit.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

namespace {

// How often the line reads the selected record's counters.
constexpr int kCountersMs = 250;
// The line: under the left column's lowest box, down to the page's foot.
constexpr int kCountersTopDu = 292;

QString ByteCount(uint64_t n) {
    constexpr uint64_t kKiB = 1024;
    if (n < kKiB)
        return CCountersLine::tr("%1 字节").arg(n);
    // Computed in powers of 1024, and labelled so (KiB, MiB, GiB).
    return QLocale::c().formattedDataSize(static_cast<qint64>(n), 1, QLocale::DataSizeIecFormat);
}

}  // namespace

CCountersLine::CCountersLine(QWidget* page, std::function<RecordStore&()> store,
                             const CRecordings* recordings, std::function<ConnectInfo*()> selected)
    : QLabel(page),
      m_store(std::move(store)),
      m_recordings(recordings),
      m_selected(std::move(selected)) {
    setObjectName(QStringLiteral("countersLine"));
    const int top = ui::Du(kCountersTopDu);
    setGeometry(ui::Du(6), top, ui::Du(236), std::max(1, page->height() - top));
    setFont(ui::SansFont(std::clamp(page->height() - top, 8, 12)));
    auto* timer = new QTimer(page);
    timer->setObjectName(QStringLiteral("countersTimer"));
    connect(timer, &QTimer::timeout, this, [this, page] {
        if (page->isVisible())
            Refresh();
    });
    timer->start(kCountersMs);
}

QString CCountersLine::Text(ConnectInfo* rec) const {
    const CounterSnapshot c = m_store().Counters(rec);
    QString text = tr("收 %1 / %2 条，%3/秒；发 %4 / %5 条")
                       .arg(ByteCount(c.recvBytes))
                       .arg(c.recvMessages)
                       .arg(ByteCount(c.recvPerSecond))
                       .arg(ByteCount(c.sentBytes))
                       .arg(c.sentMessages);
    if (m_recordings->IsRecording(rec) || m_recordings->IsRecordingPage())
        text += tr("；记录中");
    // Said here, in the record's own view, rather than in a box per peer.
    if (c.repliesToOwn > 0)
        text += tr("；未自动回复本程序自己的套接字 %1 次").arg(c.repliesToOwn);
    if (c.repliesOverBudget > 0)
        text += tr("；超出自动回复限额，已丢弃 %1 个回复").arg(c.repliesOverBudget);
    return text;
}

void CCountersLine::Refresh() {
    ConnectInfo* rec = m_selected();
    const QString text = rec ? Text(rec) : QString();
    if (this->text() != text)
        setText(text);
}

}  // namespace quillet::pages

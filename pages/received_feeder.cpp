#include "pages/received_feeder.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

#include "engine/record_store.h"

namespace quillet::pages {

namespace {

// Data updates for the shown connection reach the view at most this often, whatever the rate
// of received chunks; the handler itself only notes what is new.
constexpr int kViewRefreshMs = 10;
// New text goes into the view in slices of at most this much, so that no refresh holds the
// user-interface thread for long, however fast the log grows.
constexpr size_t kMaxAppendChars = 256 * 1024;
constexpr auto kCatchUpScrollInterval = std::chrono::milliseconds(200);

}  // namespace

void ScrollViewToEnd(QPlainTextEdit* view) {
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
}

ReceivedFeeder::ReceivedFeeder(QPlainTextEdit* view, std::function<RecordStore&()> store,
                               QObject* parent)
    : QObject(parent), m_view(view), m_store(std::move(store)) {}

void ReceivedFeeder::Showing(const ConnectInfo* rec, size_t length) {
    m_shown = rec;
    m_shownLength = length;
    m_pending = nullptr;
}

void ReceivedFeeder::Update(const ConnectInfo* rec) {
    m_pending = rec;
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(kViewRefreshMs, this, [this] { Flush(); });
}

void ReceivedFeeder::Forget(const ConnectInfo* rec) {
    if (m_shown == rec)
        m_shown = nullptr;
    if (m_pending == rec)
        m_pending = nullptr;
}

void ReceivedFeeder::Reset() {
    m_shown = m_pending = nullptr;
}

void ReceivedFeeder::Flush() {
    m_flushScheduled = false;
    const ConnectInfo* rec = m_pending;
    m_pending = nullptr;
    if (!rec)
        return;
    // A flood is shown one slice at a time, each after the events that queued up meanwhile.
    bool replaced = false;
    const bool more = ShowNextSlice(rec, &replaced);
    // Scrolling lays out the long lines at the end: once the view has caught up, and now and
    // then while it catches up, is enough for the eye.
    const auto now = std::chrono::steady_clock::now();
    if (!more || now - m_lastScroll >= kCatchUpScrollInterval) {
        ScrollViewToEnd(m_view);
        m_lastScroll = now;
    }
    if (replaced)
        QTimer::singleShot(0, m_view, [view = m_view] { ScrollViewToEnd(view); });
    if (more) {
        m_pending = rec;
        m_flushScheduled = true;
        QTimer::singleShot(0, this, [this] { Flush(); });
    }
}

bool ReceivedFeeder::ShowNextSlice(const ConnectInfo* rec, bool* replaced) {
    // Copied under the lock, laid into the view without it: the worker keeps receiving.
    const size_t shown = m_shown == rec ? m_shownLength : LogText::npos;
    const RecordStore::Slice slice = m_store().CopyReceivedSlice(rec, shown, kMaxAppendChars);
    const QString text = QString::fromStdU16String(slice.text);
    m_shown = rec;
    m_shownLength = slice.shownAfter;
    if (slice.replaces) {
        m_view->setPlainText(text);
        *replaced = true;
    } else if (!text.isEmpty()) {
        QTextCursor cursor(m_view->document());
        cursor.movePosition(QTextCursor::End);
        // One edit block: the view hears of all new lines at once and lays out only the last
        // of them (to size its scroll bar), not each line as it goes in.
        cursor.beginEditBlock();
        cursor.insertText(text);
        cursor.endEditBlock();
    }
    return slice.more;
}

}  // namespace quillet::pages

#pragma once
// Feeds a record's received log into the received view as it grows. News of data only notes
// which record changed; a refresh at most every few milliseconds adds what is new, in slices,
// so that however fast a log grows no refresh holds the user-interface thread for long.
//
// Threads: user-interface thread only. The log is copied through the page's RecordStore (under
// g_csConnect) and laid into the view without the lock, so workers keep receiving meanwhile.
#include <QObject>

#include <chrono>
#include <cstddef>
#include <functional>

class QPlainTextEdit;
class RecordStore;
struct ConnectInfo;

namespace quillet::pages {

// Scrolls a view to its last line.
void ScrollViewToEnd(QPlainTextEdit* view);

class ReceivedFeeder : public QObject {
public:
    // `store` gives the page's records when a refresh runs.
    ReceivedFeeder(QPlainTextEdit* view, std::function<RecordStore&()> store, QObject* parent);

    // The view now shows the first `length` characters of rec's received log.
    void Showing(const ConnectInfo* rec, size_t length);
    // rec's received log grew: its new part goes in at the next refresh.
    void Update(const ConnectInfo* rec);
    // The record is about to be freed: never look at it again.
    void Forget(const ConnectInfo* rec);
    // The view shows no record's log any more.
    void Reset();

private:
    void Flush();
    // Puts the next part of rec's received log into the view; true when more remains.
    bool ShowNextSlice(const ConnectInfo* rec, bool* replaced);

    QPlainTextEdit* m_view;
    std::function<RecordStore&()> m_store;
    // What the view shows: the record and how much of its log.
    const ConnectInfo* m_shown = nullptr;
    size_t m_shownLength = 0;
    const ConnectInfo* m_pending = nullptr;  // a data update waiting for the next refresh
    bool m_flushScheduled = false;
    std::chrono::steady_clock::time_point m_lastScroll;  // of the view, by a refresh
};

}  // namespace quillet::pages

#pragma once
// A search of a log view's items for a pattern, one batch of items per step, so that the view
// can run it in slices between events and a huge log never freezes the window. Forward it goes
// from a position to the log's end and then round from its start; backward from the position
// to the start and round from the end. Items are numbered for good (the oldest may be dropped
// meanwhile), so a search that spans several slices stays correct while data arrives.
//
// Threads: user-interface thread.
#include <QRegularExpression>

#include <cstdint>

namespace quillet::pages {

class LogViewSource;

class LogSearch {
public:
    struct Match {
        uint64_t item = 0;
        qsizetype start = 0;
        qsizetype end = 0;
    };
    enum class Step { kFound, kMore, kDone };

    // From `offset` in item `item`; the log's items are [first, end), end > first.
    LogSearch(QRegularExpression pattern, bool forward, uint64_t item, int offset, uint64_t first,
              uint64_t end);
    // Searches the next `batchItems` items at most.
    Step Next(LogViewSource& source, uint64_t batchItems);
    // The match, after Next gave kFound.
    const Match& Found() const { return m_match; }

private:
    // One stretch of items: forward [from, stop), backward [stop, from]; `next` is where the
    // next batch starts (forward) or ends (backward, exclusive).
    struct Leg {
        uint64_t from = 0;
        int fromOffset = 0;
        uint64_t stop = 0;
        uint64_t next = 0;
    };
    Step Forward(Leg& leg, LogViewSource& source, uint64_t batchItems);
    Step Backward(Leg& leg, LogViewSource& source, uint64_t batchItems);

    QRegularExpression m_pattern;
    bool m_forward;
    Leg m_legs[2];
    int m_leg = 0;
    Match m_match;
};

}  // namespace quillet::pages

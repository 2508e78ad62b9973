#include "pages/log/log_search.h"

#include <algorithm>
#include <climits>

#include "pages/log/log_view_source.h"

namespace quillet::pages {

LogSearch::LogSearch(QRegularExpression pattern, bool forward, uint64_t item, int offset,
                     uint64_t first, uint64_t end)
    : m_pattern(std::move(pattern)), m_forward(forward) {
    if (forward) {
        m_legs[0] = {item, offset, end, item};
        m_legs[1] = {first, 0, item + 1, first};
    } else {
        m_legs[0] = {item, offset, first, item + 1};
        m_legs[1] = {end - 1, INT_MAX, item, end};
    }
}

LogSearch::Step LogSearch::Next(LogViewSource& source, uint64_t batchItems) {
    while (m_leg < 2) {
        Leg& leg = m_legs[m_leg];
        const Step step =
            m_forward ? Forward(leg, source, batchItems) : Backward(leg, source, batchItems);
        if (step != Step::kDone)
            return step;
        ++m_leg;
        if (m_leg < 2)
            return Step::kMore;  // the next leg starts with the next step
    }
    return Step::kDone;
}

LogSearch::Step LogSearch::Forward(Leg& leg, LogViewSource& source, uint64_t batchItems) {
    if (leg.next >= leg.stop)
        return Step::kDone;
    const LogViewSource::Items items =
        source.Fetch(leg.next, std::min(leg.stop, leg.next + batchItems));
    if (items.texts.empty())
        return Step::kDone;
    for (size_t i = 0; i < items.texts.size(); ++i) {
        const uint64_t n = items.from + i;
        const QString& text = items.texts[i];
        const int offset = n == leg.from ? std::min<int>(leg.fromOffset, text.size()) : 0;
        const QRegularExpressionMatch m = m_pattern.match(text, offset);
        if (m.hasMatch() && m.capturedLength() > 0) {
            m_match = {n, m.capturedStart(), m.capturedEnd()};
            return Step::kFound;
        }
    }
    leg.next = items.from + items.texts.size();
    return leg.next >= leg.stop ? Step::kDone : Step::kMore;
}

LogSearch::Step LogSearch::Backward(Leg& leg, LogViewSource& source, uint64_t batchItems) {
    if (leg.next <= leg.stop)
        return Step::kDone;
    const uint64_t batchFrom = leg.next - std::min(leg.next - leg.stop, batchItems);
    const LogViewSource::Items items = source.Fetch(batchFrom, leg.next);
    if (items.texts.empty())
        return Step::kDone;
    for (size_t i = items.texts.size(); i-- > 0;) {
        const uint64_t n = items.from + i;
        const int limit = n == leg.from ? leg.fromOffset : INT_MAX;
        qsizetype start = -1, end = -1;
        for (auto it = m_pattern.globalMatch(items.texts[i]); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedEnd() > limit || m.capturedLength() == 0)
                break;
            start = m.capturedStart();
            end = m.capturedEnd();
        }
        if (start >= 0) {
            m_match = {n, start, end};
            return Step::kFound;
        }
    }
    leg.next = items.from;
    return leg.next <= leg.stop ? Step::kDone : Step::kMore;
}

}  // namespace quillet::pages

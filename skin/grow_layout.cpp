#include "skin/grow_layout.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QWidget>

#include <algorithm>

namespace quillet::ui {
namespace {

// One axis: extra pixels `extra` split at `split`; the first part gets half.
struct Axis {
    int split;
    int extra;
    int firstShare() const { return extra / 2; }
    // Where a leading edge (left or top) goes.
    int Lead(int e) const { return e < split ? e : e + firstShare(); }
    // Where a trailing edge (exclusive right or bottom) goes.
    int Trail(int e) const { return e <= split ? e + firstShare() : e + extra; }
    // How far a fixed-size control from `a` to `b` (exclusive) moves: with the nearer side of
    // its part of the axis. `size` is the laid-out length of the whole axis.
    int Shift(int a, int b, int size) const {
        const bool first = (a + b) / 2 < split;
        const int lo = first ? 0 : split, hi = first ? split : size;
        const bool nearLow = (a - lo) <= (hi - b);
        if (first)
            return nearLow ? 0 : firstShare();
        return nearLow ? firstShare() : extra;
    }
};

}  // namespace

QRect GrowRect(const QRect& laidOut, bool stretches, const QSize& base, const QSize& now) {
    const Axis x{kColumnSplit, std::max(0, now.width() - base.width())};
    const Axis y{kRowSplit, std::max(0, now.height() - base.height())};
    const int left = laidOut.x(), top = laidOut.y();
    const int right = left + laidOut.width(), bottom = top + laidOut.height();
    if (stretches) {
        const int l = x.Lead(left), t = y.Lead(top);
        return QRect(l, t, x.Trail(right) - l, y.Trail(bottom) - t);
    }
    return laidOut.translated(x.Shift(left, right, base.width()),
                              y.Shift(top, bottom, base.height()));
}

bool Stretches(const QWidget* control) {
    return qobject_cast<const QAbstractScrollArea*>(control) != nullptr ||
           qobject_cast<const QGroupBox*>(control) != nullptr;
}

void PageGrowth::Capture(QWidget* page) {
    m_page = page;
    m_base = page->size();
    m_children.clear();
    for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        m_children.push_back({child, child->geometry(), Stretches(child)});
}

void PageGrowth::Apply() const {
    if (m_page == nullptr)
        return;
    for (const Placed& c : m_children)
        c.control->setGeometry(GrowRect(c.laidOut, c.stretches, m_base, m_page->size()));
}

}  // namespace quillet::ui

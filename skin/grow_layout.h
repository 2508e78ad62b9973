#pragma once
// How a page's controls follow the page when it is larger than its laid-out size. The page is
// two columns and two rows; the extra width goes half to the left column and half to the right,
// the extra height half to the top row and half to the bottom. Trees, views and group boxes
// stretch with their column and row (one spanning both stretches over both); every other control
// keeps its size and its distance to the nearer side of its column and row, so a button stays
// beside the view it belongs to. At the laid-out size nothing moves; below it nothing moves
// either (the window never gets smaller than that).
//
// GrowRect is a pure function; PageGrowth applies it to a widget's children. User-interface
// thread only.
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace quillet::ui {

// Where the columns and rows of a page meet, in pixels of the laid-out page: just between the
// left and the right group boxes, and between the upper and the lower ones.
constexpr int kColumnSplit = 372;
constexpr int kRowSplit = 222;

// The rectangle of a control laid out at `base` in `base`, for a page now of size `now`.
QRect GrowRect(const QRect& laidOut, bool stretches, const QSize& base, const QSize& now);

// Whether a control stretches with the page: trees, views, edit boxes and group boxes.
bool Stretches(const QWidget* control);

// Remembers a page's direct children's rectangles at the page's present size and places them
// for any later size.
class PageGrowth {
public:
    // Records the page's present size and each direct child's rectangle.
    void Capture(QWidget* page);
    // Places the recorded children for the page's present size.
    void Apply() const;
    QSize BaseSize() const { return m_base; }

private:
    struct Placed {
        QWidget* control;
        QRect laidOut;
        bool stretches;
    };
    QWidget* m_page = nullptr;
    QSize m_base;
    std::vector<Placed> m_children;
};

}  // namespace quillet::ui

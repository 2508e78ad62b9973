// The page layout above its laid-out size: unchanged at that size, views growing beyond it,
// buttons keeping to their views, nothing overlapping that did not before.
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "skin/grow_layout.h"
#include "skin/ui_kit.h"

namespace quillet::test {
namespace {

using ui::DuRect;
using ui::GrowRect;

const QSize kBase(743, 529);

// The standard page: tree, received view, sent view, send box, and buttons above the views.
struct Control {
    QRect rect;
    bool stretches;
};
const Control kStandard[] = {
    {DuRect(6, 19, 235, 125), true},     // tree
    {DuRect(255, 19, 230, 125), true},   // received view
    {DuRect(252, 5, 239, 141), true},    // its group box
    {DuRect(6, 163, 236, 125), true},    // sent view
    {DuRect(255, 163, 230, 125), true},  // send box
    {QRect(14, 5, 51, 24), false},       // a top-row button at the tree's left
    {QRect(666, 218, 51, 24), false},    // Send, right-aligned above the send box
    {QRect(626, 5, 91, 21), false},      // Clear, right-aligned above the received view
};

TEST(GrowLayout, AtTheLaidOutSizeNothingMoves) {
    for (const Control& c : kStandard) {
        EXPECT_EQ(GrowRect(c.rect, c.stretches, kBase, kBase), c.rect);
        // Below it neither: the window never gets smaller, but a stray size must not break it.
        EXPECT_EQ(GrowRect(c.rect, c.stretches, kBase, kBase - QSize(100, 100)), c.rect);
    }
}

TEST(GrowLayout, ViewsGrowAndButtonsFollowTheirViews) {
    const QSize now = kBase + QSize(300, 200);
    const QRect tree = GrowRect(kStandard[0].rect, true, kBase, now);
    EXPECT_EQ(tree, kStandard[0].rect.adjusted(0, 0, 150, 100));
    const QRect recv = GrowRect(kStandard[1].rect, true, kBase, now);
    EXPECT_EQ(recv, kStandard[1].rect.adjusted(150, 0, 300, 100));
    const QRect send = GrowRect(kStandard[4].rect, true, kBase, now);
    EXPECT_EQ(send, kStandard[4].rect.adjusted(150, 100, 300, 200));
    // Buttons keep their size and their gap to the view's right edge and top.
    const QRect sendBtn = GrowRect(kStandard[6].rect, false, kBase, now);
    EXPECT_EQ(sendBtn.size(), kStandard[6].rect.size());
    EXPECT_EQ((send.x() + send.width()) - (sendBtn.x() + sendBtn.width()),
              (kStandard[4].rect.x() + kStandard[4].rect.width()) -
                  (kStandard[6].rect.x() + kStandard[6].rect.width()));
    EXPECT_EQ(send.y() - sendBtn.y(), kStandard[4].rect.y() - kStandard[6].rect.y());
    EXPECT_EQ(GrowRect(kStandard[5].rect, false, kBase, now), kStandard[5].rect);
    // A tree over the full height stretches over both rows.
    EXPECT_EQ(GrowRect(DuRect(6, 19, 235, 271), true, kBase, now),
              DuRect(6, 19, 235, 271).adjusted(0, 0, 150, 200));
}

TEST(GrowLayout, NothingOverlapsThatDidNotBefore) {
    for (const QSize extra : {QSize(1, 1), QSize(301, 7), QSize(17, 403), QSize(900, 700)}) {
        const QSize now = kBase + extra;
        for (const Control& a : kStandard) {
            for (const Control& b : kStandard) {
                if (&a == &b || a.rect.intersects(b.rect))
                    continue;
                EXPECT_FALSE(GrowRect(a.rect, a.stretches, kBase, now)
                                 .intersects(GrowRect(b.rect, b.stretches, kBase, now)))
                    << extra.width() << "x" << extra.height();
            }
        }
    }
}

TEST(GrowLayout, PageGrowthPlacesTheChildren) {
    QWidget page;
    page.resize(kBase);
    auto* view = new QPlainTextEdit(&page);
    view->setGeometry(kStandard[4].rect);
    auto* box = new QGroupBox(&page);
    box->setGeometry(DuRect(252, 150, 239, 141));
    auto* button = new QPushButton(&page);
    button->setGeometry(kStandard[6].rect);
    ui::PageGrowth growth;
    growth.Capture(&page);
    page.resize(kBase + QSize(100, 60));
    growth.Apply();
    EXPECT_EQ(view->geometry(), kStandard[4].rect.adjusted(50, 30, 100, 60));
    EXPECT_EQ(box->geometry(), DuRect(252, 150, 239, 141).adjusted(50, 30, 100, 60));
    EXPECT_EQ(button->geometry(), kStandard[6].rect.translated(100, 30));
    page.resize(kBase);
    growth.Apply();
    EXPECT_EQ(view->geometry(), kStandard[4].rect);
    EXPECT_EQ(button->geometry(), kStandard[6].rect);
}

}  // namespace
}  // namespace quillet::test

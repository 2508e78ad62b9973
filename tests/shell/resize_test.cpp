// Moving and resizing by dragging: the zones, the rules of each tick, the minimum size.
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTest>

#include "pages/base/dialog_p.h"
#include "shell/resize_grip.h"
#include "shell/resize_rules.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"
#include "tests/shell/shell_fixture.h"

#include <vector>

namespace quillet::test {
namespace {

using shell::kZoneBottomLeft;
using shell::kZoneBottomRight;
using shell::kZoneMove;
using shell::kZoneNone;
using shell::kZoneTopLeft;
using shell::kZoneTopRight;

class DragTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        dlg_->setGeometry(100, 100, 747, 606);
        ASSERT_EQ(dlg_->geometry(), QRect(100, 100, 747, 606));
    }
    void TearDown() override {
        QTest::mouseRelease(dlg_.get(), Qt::LeftButton, {}, QPoint(300, 40));
        ShellTest::TearDown();
    }
    // Presses at a window point and checks which drag started.
    void Press(QPoint at, int expectedZone) {
        QTest::mousePress(dlg_.get(), Qt::LeftButton, {}, at);
        ASSERT_EQ(dlg_->DragZone(), expectedZone);
    }
    QRect Tick(int x, int y) {
        dlg_->OnDragTick(QPoint(x, y));
        return dlg_->geometry();
    }
};

TEST(ResizeRules, ZonesInsideTheBorder) {
    const int w = 747, h = 606;
    EXPECT_EQ(shell::ZoneOf({4, 4}, w, h), kZoneTopLeft);
    EXPECT_EQ(shell::ZoneOf({6, 6}, w, h), kZoneTopLeft);
    EXPECT_EQ(shell::ZoneOf({7, 7}, w, h), kZoneMove);
    EXPECT_EQ(shell::ZoneOf({742, 4}, w, h), kZoneTopRight);
    EXPECT_EQ(shell::ZoneOf({4, 601}, w, h), kZoneBottomLeft);
    EXPECT_EQ(shell::ZoneOf({742, 601}, w, h), kZoneBottomRight);
    EXPECT_EQ(shell::ZoneOf({743, 601}, w, h), kZoneNone);  // right border strip
    EXPECT_EQ(shell::ZoneOf({3, 300}, w, h), kZoneNone);    // left border strip
    EXPECT_EQ(shell::ZoneOf({300, 40}, w, h), kZoneMove);
}

TEST_F(DragTest, DraggingTheSurfaceMovesWithoutResizing) {
    Press({300, 40}, kZoneMove);
    EXPECT_EQ(Tick(500, 240), QRect(200, 200, 747, 606));
    EXPECT_EQ(Tick(320, 145), QRect(20, 105, 747, 606));
    QTest::mouseRelease(dlg_.get(), Qt::LeftButton, {}, QPoint(300, 40));
    EXPECT_EQ(dlg_->DragZone(), 0);
}

TEST_F(DragTest, PressInABorderStripGripsThatEdge) {
    // Offscreen there is no window system to hand the resize to: the window follows itself.
    Press({1, 300}, shell::kZoneLeft);
    EXPECT_EQ(Tick(60, 300), QRect(60, 100, 787, 606));
    EXPECT_EQ(Tick(400, 300), QRect(100, 100, 747, 606));  // never narrower than laid out
    QTest::mouseRelease(dlg_.get(), Qt::LeftButton, {}, QPoint(300, 40));
    Press({300, 604}, shell::kZoneBottom);
    EXPECT_EQ(Tick(300, 805), QRect(100, 100, 747, 706));
    QTest::mouseRelease(dlg_.get(), Qt::LeftButton, {}, QPoint(300, 40));
    Press({745, 1}, kZoneTopRight);  // the strip beside a corner zone grips the corner
}

TEST_F(DragTest, BottomRightGrowsAndSnapsToTheMinimum) {
    Press({742, 601}, kZoneBottomRight);
    EXPECT_EQ(Tick(892, 731), QRect(100, 100, 797, 636));
    // Past the left limit the width snaps to the laid-out 747; the height still follows.
    EXPECT_EQ(Tick(150, 741), QRect(100, 100, 747, 646));
    // Past the top limit the height snaps to 606; the width follows again.
    EXPECT_EQ(Tick(1000, 300), QRect(100, 100, 900, 606));
    // Exactly on a limit nothing happens.
    EXPECT_EQ(Tick(847, 900), QRect(100, 100, 900, 606));
}

TEST_F(DragTest, TopLeftFollowsUntilTheMinimumAndStops) {
    Press({4, 4}, kZoneTopLeft);
    EXPECT_EQ(Tick(54, 64), QRect(50, 60, 797, 646));
    // The right and bottom edges never move; the top follows, the left stays.
    EXPECT_EQ(Tick(800, 80), QRect(50, 76, 797, 630));
    // Beyond both limits the window stays where it is.
    EXPECT_EQ(Tick(800, 600), QRect(50, 76, 797, 630));
    for (int i = 0; i < 40; ++i) {
        const QRect r = Tick(100 + i * 20, 100 + i * 15);
        EXPECT_GE(r.width(), shell::kMinWidth);
        EXPECT_GE(r.height(), shell::kMinHeight);
        EXPECT_EQ(r.right() + 1, 847);
        EXPECT_EQ(r.bottom() + 1, 706);
    }
}

TEST_F(DragTest, TopRightAndBottomLeftKeepTheOppositeEdges) {
    Press({742, 4}, kZoneTopRight);
    EXPECT_EQ(Tick(892, 54), QRect(100, 50, 797, 656));
    EXPECT_EQ(Tick(150, 60), QRect(100, 56, 747, 650));  // snaps to the minimum width
    QTest::mouseRelease(dlg_.get(), Qt::LeftButton, {}, QPoint(300, 40));

    dlg_->setGeometry(100, 100, 747, 606);
    Press({4, 601}, kZoneBottomLeft);
    EXPECT_EQ(Tick(54, 751), QRect(50, 100, 797, 656));
    EXPECT_EQ(Tick(54, 300), QRect(50, 100, 797, 656));  // too low: only the left follows
    EXPECT_EQ(Tick(64, 300), QRect(60, 100, 787, 656));
}

TEST_F(DragTest, PressesOnChildrenNeverMoveTheWindow) {
    QWidget* page = dlg_->Page(0);
    ASSERT_TRUE(page->isVisible());
    auto* group = page->findChild<QGroupBox*>(QStringLiteral("groupBox") +
                                              ui::ControlName(pages::CDialogP::kReceivedView));
    ASSERT_NE(group, nullptr);
    const QPoint caption(20, group->fontMetrics().height() / 2);
    ui::CSkinBtn* disabled = nullptr;
    for (auto* b : page->findChildren<ui::CSkinBtn*>())
        if (!b->isEnabled())
            disabled = b;
    ASSERT_NE(disabled, nullptr);
    const std::pair<QWidget*, QPoint> presses[] = {{page, QPoint(page->width() / 2, 300)},
                                                   {group, caption},
                                                   {dlg_->TabStrip(), QPoint(300, 4)},
                                                   {disabled, QPoint(5, 5)}};
    for (const auto& [child, at] : presses) {
        QTest::mousePress(child, Qt::LeftButton, {}, at);
        EXPECT_EQ(dlg_->DragZone(), 0) << child->objectName().toStdString();
        ProcessEvents();
        QTest::mouseRelease(child, Qt::LeftButton, {}, at);
        EXPECT_EQ(dlg_->DragZone(), 0) << child->objectName().toStdString();
        EXPECT_EQ(dlg_->geometry(), QRect(100, 100, 747, 606));
    }
}

TEST_F(DragTest, AReleaseOnAChildEndsAMove) {
    auto* group = dlg_->Page(0)->findChild<QGroupBox*>(
        QStringLiteral("groupBox") + ui::ControlName(pages::CDialogP::kReceivedView));
    ASSERT_NE(group, nullptr);
    Press({600, 40}, kZoneMove);
    EXPECT_EQ(Tick(800, 240), QRect(200, 200, 747, 606));
    QTest::mouseRelease(group, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(dlg_->DragZone(), 0);
}

TEST_F(DragTest, CornerZonesShowTheDiagonalCursors) {
    // The cursor shown is that of the widget under the pointer: a grip or the window itself.
    auto cursorAt = [this](QPoint at) {
        QTest::mouseMove(dlg_.get(), at);
        QWidget* under = dlg_->childAt(at);
        return (under ? under : dlg_.get())->cursor().shape();
    };
    EXPECT_EQ(dlg_->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(cursorAt(QPoint(5, 5)), Qt::SizeFDiagCursor);
    EXPECT_EQ(cursorAt(QPoint(741, 5)), Qt::SizeBDiagCursor);
    EXPECT_EQ(cursorAt(QPoint(5, 600)), Qt::SizeBDiagCursor);
    EXPECT_EQ(cursorAt(QPoint(741, 600)), Qt::SizeFDiagCursor);
    EXPECT_EQ(cursorAt(QPoint(300, 40)), Qt::ArrowCursor);
    EXPECT_EQ(cursorAt(QPoint(1, 300)), Qt::SizeHorCursor);
    EXPECT_EQ(cursorAt(QPoint(300, 605)), Qt::SizeVerCursor);
}

TEST(ResizeRules, GripsOnTheBorderStrips) {
    const int w = 747, h = 606;
    EXPECT_EQ(shell::GripZoneOf({0, 300}, w, h), shell::kZoneLeft);
    EXPECT_EQ(shell::GripZoneOf({746, 300}, w, h), shell::kZoneRight);
    EXPECT_EQ(shell::GripZoneOf({300, 0}, w, h), shell::kZoneTop);
    EXPECT_EQ(shell::GripZoneOf({300, 605}, w, h), shell::kZoneBottom);
    EXPECT_EQ(shell::GripZoneOf({0, 6}, w, h), kZoneTopLeft);
    EXPECT_EQ(shell::GripZoneOf({740, 605}, w, h), kZoneBottomRight);
    EXPECT_EQ(shell::GripZoneOf({300, 40}, w, h), kZoneMove);
    EXPECT_EQ(shell::GripZoneOf({-1, 300}, w, h), kZoneNone);
    EXPECT_EQ(shell::EdgesOf(kZoneBottomLeft), Qt::BottomEdge | Qt::LeftEdge);
    EXPECT_EQ(shell::EdgesOf(kZoneMove), Qt::Edges());
}

// A press where a hand would grip each edge and corner: delivered as the window system would,
// to whatever widget lies there, it starts that resize.
struct GripPress {
    QPoint at;  // from the window's nearest corner: negative counts from the right or bottom
    int zone;
};

class GripTest : public DragTest, public ::testing::WithParamInterface<GripPress> {};

TEST_P(GripTest, APressNearTheEdgeStartsItsResize) {
    const QPoint at((GetParam().at.x() + 747) % 747, (GetParam().at.y() + 606) % 606);
    QWidget* hit = dlg_->childAt(at);
    ASSERT_NE(hit, nullptr) << "nothing at " << at.x() << "," << at.y();
    EXPECT_NE(qobject_cast<shell::CResizeGrip*>(hit), nullptr) << hit->objectName().toStdString();
    QTest::mousePress(dlg_->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(dlg_->DragZone(), GetParam().zone) << at.x() << "," << at.y();
    EXPECT_EQ(hit->cursor().shape(), shell::CursorOfZone(GetParam().zone));
    QTest::mouseRelease(dlg_->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_EQ(dlg_->DragZone(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EdgesAndCorners, GripTest,
    ::testing::Values(GripPress{{2, 2}, kZoneTopLeft}, GripPress{{15, 3}, kZoneTopLeft},
                      GripPress{{3, 15}, kZoneTopLeft}, GripPress{{-3, 2}, kZoneTopRight},
                      GripPress{{-3, 15}, kZoneTopRight}, GripPress{{3, -3}, kZoneBottomLeft},
                      GripPress{{15, -2}, kZoneBottomLeft}, GripPress{{5, -15}, kZoneBottomLeft},
                      GripPress{{-3, -3}, kZoneBottomRight}, GripPress{{-15, -2}, kZoneBottomRight},
                      GripPress{{-5, -15}, kZoneBottomRight}, GripPress{{300, 3}, shell::kZoneTop},
                      GripPress{{5, 300}, shell::kZoneLeft},
                      GripPress{{-5, 300}, shell::kZoneRight},
                      GripPress{{300, -5}, shell::kZoneBottom}));

TEST(ResizeRules, GripsCoverTheBandsWithTheirOwnZones) {
    const int w = 900, h = 700;
    const auto grips = shell::GripsOf(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool inBand = x < shell::kGripWidth || y < shell::kGripWidth ||
                                x >= w - shell::kGripWidth || y >= h - shell::kGripWidth;
            int covering = 0, zone = kZoneNone;
            for (const shell::Grip& g : grips) {
                if (g.rect.contains(x, y)) {
                    ++covering;
                    zone = g.zone;
                }
            }
            ASSERT_EQ(covering, inBand ? 1 : 0) << x << "," << y;
            if (inBand) {
                ASSERT_EQ(zone, shell::GripZoneOf({x, y}, w, h)) << x << "," << y;
            }
        }
    }
}

TEST_F(DragTest, GripsFollowTheSizeAndCoverNoControlOfAPage) {
    dlg_->setGeometry(100, 100, 1047, 806);
    ProcessEvents();
    const auto grips = shell::GripsOf(1047, 806);
    for (size_t i = 0; i < grips.size(); ++i)
        EXPECT_EQ(dlg_->Grips()[i]->geometry(), grips[i].rect);
    for (int tab = 0; tab < shell::CMgrDlg::kTabCount; ++tab) {
        dlg_->TabStrip()->SelectItem(tab);
        ProcessEvents();
        for (QWidget* c : dlg_->PageOfTab(tab)->findChildren<QWidget*>()) {
            if (!c->isVisible())
                continue;
            const QRect r(c->mapTo(dlg_.get(), QPoint(0, 0)), c->size());
            for (const shell::Grip& g : grips)
                EXPECT_FALSE(r.intersects(g.rect)) << c->objectName().toStdString();
        }
    }
}

TEST_F(DragTest, DoubleClickOnTheCaptionMaximisesAndRestores) {
    QTest::mouseDClick(dlg_->windowHandle(), Qt::LeftButton, {}, QPoint(600, 12));
    ProcessEvents();
    EXPECT_TRUE(dlg_->isMaximized());
    EXPECT_GE(dlg_->width(), shell::kMinWidth);
    QTest::mouseDClick(dlg_->windowHandle(), Qt::LeftButton, {}, QPoint(600, 12));
    ProcessEvents();
    EXPECT_FALSE(dlg_->isMaximized());
    EXPECT_EQ(dlg_->size(), QSize(747, 606));
    EXPECT_EQ(dlg_->minimumSize(), QSize(shell::kMinWidth, shell::kMinHeight));
    // A double-click on a page is the page's own.
    QTest::mouseDClick(dlg_->windowHandle(), Qt::LeftButton, {}, QPoint(600, 300));
    ProcessEvents();
    EXPECT_FALSE(dlg_->isMaximized());
}

// Every control of every page, by object and rectangle.
std::vector<std::pair<QWidget*, QRect>> Controls(shell::CMgrDlg& dlg) {
    std::vector<std::pair<QWidget*, QRect>> all;
    for (int i = 0; i < shell::kPageCount; ++i)
        for (QWidget* c : dlg.Page(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            all.emplace_back(c, c->geometry());
    return all;
}

TEST_F(DragTest, PagesGrowWithTheWindowAndComeBackExactly) {
    const auto laidOut = Controls(*dlg_);
    auto* page = static_cast<pages::CDialogP*>(dlg_->Page(0));
    EXPECT_EQ(page->Tree()->geometry(), ui::DuRect(6, 19, 235, 125));
    EXPECT_EQ(page->SendBox()->geometry(), ui::DuRect(255, 163, 230, 125));

    dlg_->setGeometry(100, 100, 1047, 806);
    ProcessEvents();
    EXPECT_EQ(dlg_->Page(0)->size(), QSize(1043, 729));
    EXPECT_EQ(page->Tree()->size(), ui::DuRect(6, 19, 235, 125).size() + QSize(150, 100));
    EXPECT_EQ(page->SendBox()->size(), ui::DuRect(255, 163, 230, 125).size() + QSize(150, 100));
    EXPECT_EQ(dlg_->CloseButton()->geometry().right(), 1047 - 21 + 15);
    const auto grown = Controls(*dlg_);
    for (size_t a = 0; a < grown.size(); ++a) {
        EXPECT_TRUE(dlg_->Page(0)->rect().contains(grown[a].second))
            << grown[a].first->objectName().toStdString();
        for (size_t b = a + 1; b < grown.size(); ++b) {
            // The broadcast page's hidden received view lies under others from the start.
            if (grown[a].first->parent() != grown[b].first->parent() ||
                grown[a].first->isHidden() || grown[b].first->isHidden() ||
                laidOut[a].second.intersects(laidOut[b].second))
                continue;
            EXPECT_FALSE(grown[a].second.intersects(grown[b].second))
                << grown[a].first->objectName().toStdString() << " "
                << grown[b].first->objectName().toStdString() << " " << grown[a].second.x() << ","
                << grown[a].second.y() << " " << grown[a].second.width() << "x"
                << grown[a].second.height() << " " << grown[b].second.x() << ","
                << grown[b].second.y() << " " << grown[b].second.width() << "x"
                << grown[b].second.height();
        }
    }

    dlg_->setGeometry(100, 100, 747, 606);
    ProcessEvents();
    const auto back = Controls(*dlg_);
    for (size_t i = 0; i < back.size(); ++i)
        EXPECT_EQ(back[i].second, laidOut[i].second) << back[i].first->objectName().toStdString();
    // Smaller than laid out is refused: nothing can be cut off.
    dlg_->resize(500, 400);
    EXPECT_EQ(dlg_->size(), QSize(747, 606));
}

}  // namespace
}  // namespace quillet::test

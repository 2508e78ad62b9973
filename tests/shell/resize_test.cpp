// Moving and resizing by dragging: the zones, the rules of each tick, the minimum size.
#include <QGroupBox>
#include <QTest>

#include "pages/dialog_p.h"
#include "shell/resize_rules.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "tests/shell/shell_fixture.h"

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

TEST_F(DragTest, PressInABorderStripStartsNothing) {
    Press({1, 300}, 0);
    Press({300, 604}, 0);
}

TEST_F(DragTest, BottomRightGrowsAndSnapsToTheMinimum) {
    Press({742, 601}, kZoneBottomRight);
    EXPECT_EQ(Tick(892, 731), QRect(100, 100, 797, 636));
    // Past the left limit the width snaps to 170; the height still follows.
    EXPECT_EQ(Tick(150, 741), QRect(100, 100, 170, 646));
    // Past the top limit the height snaps to 400; the width follows again.
    EXPECT_EQ(Tick(500, 300), QRect(100, 100, 400, 400));
    // Exactly on a limit nothing happens.
    EXPECT_EQ(Tick(270, 500), QRect(100, 100, 400, 400));
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
        EXPECT_GE(r.width(), 170);
        EXPECT_GE(r.height(), 400);
        EXPECT_EQ(r.right() + 1, 847);
        EXPECT_EQ(r.bottom() + 1, 706);
    }
}

TEST_F(DragTest, TopRightAndBottomLeftKeepTheOppositeEdges) {
    Press({742, 4}, kZoneTopRight);
    EXPECT_EQ(Tick(892, 54), QRect(100, 50, 797, 656));
    EXPECT_EQ(Tick(150, 60), QRect(100, 56, 170, 650));  // snaps to the minimum width
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
    EXPECT_EQ(dlg_->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(dlg_.get(), QPoint(5, 5));
    EXPECT_EQ(dlg_->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(dlg_.get(), QPoint(741, 5));
    EXPECT_EQ(dlg_->cursor().shape(), Qt::SizeBDiagCursor);
    QTest::mouseMove(dlg_.get(), QPoint(300, 40));
    EXPECT_EQ(dlg_->cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace quillet::test

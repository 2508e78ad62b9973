// The main window's frame: its size and look, the clipped corners, the caption buttons.
#include <QImage>

#include "shell/frame_painter.h"
#include "skin/skin_btn.h"
#include "skin/ui_kit.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

using shell::CMgrDlg;

bool IsKey(QRgb c) {
    return qRed(c) == 255 && qGreen(c) == 0 && qBlue(c) == 255;
}

TEST_F(ShellTest, FrameIsFramelessWithTitleIconAndFixedStartSize) {
    EXPECT_EQ(dlg_->size(), QSize(747, 606));
    EXPECT_TRUE(dlg_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dlg_->windowTitle(), "Quillet");
    EXPECT_FALSE(dlg_->windowIcon().isNull());

    const QImage frame = dlg_->ComposeSurface().toImage();
    // Caption band in the caption fill, the frame line on the left edge, the emblem at (8, 8).
    EXPECT_EQ(frame.pixelColor(300, 50), QColor(36, 139, 204));
    EXPECT_EQ(frame.pixelColor(0, 200), QColor(50, 89, 141));
    EXPECT_NE(frame.pixelColor(16, 16), QColor(36, 139, 204));
    // The title is drawn in white somewhere in its rectangle.
    bool white = false;
    for (int x = 28; x < 228 && !white; ++x) {
        for (int y = 8; y < 24 && !white; ++y)
            white = frame.pixelColor(x, y) == Qt::white;
    }
    EXPECT_TRUE(white);
    // No picture covers the bottom edge: the black outline stays there.
    EXPECT_EQ(frame.pixelColor(300, 605), QColor(Qt::black));
}

TEST_F(ShellTest, KeyColouredCornerPixelsAreOutsideTheWindowShape) {
    const QPixmap surface = dlg_->ComposeSurface();
    const QImage img = surface.toImage();
    const QRegion shape = shell::ShapeOf(surface);
    const int w = img.width(), h = img.height();
    int keyed = 0;
    for (QPoint corner : {QPoint(0, 0), QPoint(w - 6, 0), QPoint(0, h - 6), QPoint(w - 6, h - 6)}) {
        for (int y = corner.y(); y < corner.y() + 6; ++y) {
            for (int x = corner.x(); x < corner.x() + 6; ++x) {
                const bool key = IsKey(img.pixel(x, y));
                keyed += key ? 1 : 0;
                EXPECT_EQ(shape.contains(QPoint(x, y)), !key) << x << "," << y;
            }
        }
    }
    // 8 pixels at each corner, as the corner pictures have them.
    EXPECT_EQ(keyed, 32);
    EXPECT_TRUE(shape.contains(QPoint(4, 0)));
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(w - 1, h - 1)));
    // The window applies that shape once it has painted.
    dlg_->grab();
    EXPECT_EQ(dlg_->mask(), shape);
}

TEST_F(ShellTest, CaptionButtonsSitAtTheRightEdgeAndFollowIt) {
    EXPECT_EQ(dlg_->CloseButton()->geometry(), QRect(747 - 21, 5, 16, 16));
    EXPECT_EQ(dlg_->MenuButton()->geometry(), QRect(747 - 81, 8, 50, 18));
    EXPECT_EQ(dlg_->CloseButton()->objectName(), ui::ControlName(CMgrDlg::kCloseId));
    EXPECT_EQ(dlg_->MenuButton()->objectName(), ui::ControlName(CMgrDlg::kMenuId));
    dlg_->resize(900, 650);
    EXPECT_EQ(dlg_->CloseButton()->geometry(), QRect(900 - 21, 5, 16, 16));
    EXPECT_EQ(dlg_->MenuButton()->geometry(), QRect(900 - 81, 8, 50, 18));
    // The shape follows the new size: the new bottom-right corner is clipped.
    dlg_->grab();
    EXPECT_FALSE(dlg_->mask().contains(QPoint(899, 649)));
    EXPECT_TRUE(dlg_->mask().contains(QPoint(450, 649)));
}

}  // namespace
}  // namespace quillet::test

// The main window and a page on a scaled screen: run once per scale factor (QT_SCALE_FACTOR
// 1.25, 1.5 and 2, see CMakeLists.txt). Every frame line and picture edge covers device pixels
// along its whole length, and the twice-size pictures are the ones drawn.
#include <QIcon>
#include <QImage>
#include <QAbstractScrollArea>
#include <QPlainTextEdit>

#include <cmath>
#include <functional>
#include <vector>

#include <QGroupBox>
#include <QLineEdit>

#include "pages/base/dialog_p.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "shell/frame_painter.h"
#include "skin/crisp_lines.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

using Predicate = std::function<bool(QRgb)>;

class HighDpiTest : public ShellTest {
protected:
    void SetUp() override {
        ui::UseCrispFrames();  // as the program does at start
        ShellTest::SetUp();
        ratio_ = dlg_->devicePixelRatioF();
        shot_ = dlg_->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // The first and last device pixels that logical pixel `i` touches.
    int First(int i) const { return int(std::floor(i * ratio_)); }
    int Last(int i) const { return int(std::ceil((i + 1) * ratio_)) - 1; }

    // Whether every device row (or column) along `edge` of `r` (window pixels), `skip` pixels
    // short of each end, has a pixel matching `isLine` in the edge's one-pixel band. Reports
    // the first gap. `inward` widens the band by that many device pixels towards the inside of `r`.
    ::testing::AssertionResult LineAlong(const QRect& r, Qt::Edge edge, int skip,
                                         const Predicate& isLine, int inward = 0) const {
        const bool vertical = edge == Qt::LeftEdge || edge == Qt::RightEdge;
        const int at = edge == Qt::LeftEdge    ? r.left()
                       : edge == Qt::RightEdge ? r.right()
                       : edge == Qt::TopEdge   ? r.top()
                                               : r.bottom();
        // Only device pixels wholly inside the stretch.
        const int from = int(std::ceil(((vertical ? r.top() : r.left()) + skip) * ratio_));
        const int to =
            int(std::floor(((vertical ? r.bottom() : r.right()) - skip + 1) * ratio_)) - 1;
        for (int along = from; along <= to; ++along) {
            bool found = false;
            const bool leading = edge == Qt::LeftEdge || edge == Qt::TopEdge;
            const int first = First(at) - (leading ? 0 : inward);
            const int last = Last(at) + (leading ? inward : 0);
            for (int across = first; across <= last && !found; ++across) {
                const QPoint px = vertical ? QPoint(across, along) : QPoint(along, across);
                found = shot_.valid(px) && isLine(shot_.pixel(px));
            }
            if (!found)
                return ::testing::AssertionFailure()
                       << "no line at device " << (vertical ? "row " : "column ") << along;
        }
        return ::testing::AssertionSuccess();
    }

    // How many device pixels of `rim` run in from `edge` of `r` (window pixels), across the
    // middle of that edge.
    int RimDepth(const QRect& r, Qt::Edge edge, QRgb rim) const {
        const bool vertical = edge == Qt::LeftEdge || edge == Qt::RightEdge;
        const bool leading = edge == Qt::LeftEdge || edge == Qt::TopEdge;
        const int at = edge == Qt::LeftEdge    ? First(r.left())
                       : edge == Qt::RightEdge ? Last(r.right())
                       : edge == Qt::TopEdge   ? First(r.top())
                                               : Last(r.bottom());
        const int along = vertical ? (First(r.top()) + Last(r.bottom())) / 2
                                   : (First(r.left()) + Last(r.right())) / 2;
        int run = 0;
        for (; run < 16; ++run) {
            const int across = leading ? at + run : at - run;
            const QPoint px = vertical ? QPoint(across, along) : QPoint(along, across);
            if (!shot_.valid(px) || (shot_.pixel(px) & 0xffffff) != (rim & 0xffffff))
                break;
        }
        return run;
    }

    // `w`'s rectangle in the pixels of the window grabbed into shot_.
    QRect InWindow(const QWidget* w) const {
        return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
    }

    qreal ratio_ = 1;
    QImage shot_;
};

Predicate Is(const QColor& c) {
    return [c](QRgb px) { return (px & 0xffffff) == (c.rgb() & 0xffffff); };
}

// A style's frame line: clearly darker than both the view's inside and the page around it.
Predicate DarkerThan(const QColor& inside, const QColor& outside) {
    const int limit = qMin(qGray(inside.rgb()), qGray(outside.rgb())) - 20;
    return [limit](QRgb px) { return qGray(px) < limit; };
}

TEST_F(HighDpiTest, RunsAtTheScaleFactorOfItsEnvironment) {
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    ASSERT_FALSE(factor.isEmpty()) << "run by ctest with QT_SCALE_FACTOR set";
    EXPECT_DOUBLE_EQ(ratio_, factor.toDouble());
    EXPECT_EQ(shot_.size(), QSize(qRound(747 * ratio_), qRound(606 * ratio_)));
}

TEST_F(HighDpiTest, MainFrameLinesRunTheWholeEdge) {
    const QColor line(50, 89, 141);
    const QRect window(QPoint(0, 0), dlg_->size());
    // Between the corner pictures (76 pixels high) on the sides, past the caption buttons on top.
    EXPECT_TRUE(LineAlong(window, Qt::LeftEdge, 77, Is(line)));
    EXPECT_TRUE(LineAlong(window, Qt::RightEdge, 77, Is(line)));
    EXPECT_TRUE(LineAlong(window, Qt::TopEdge, 7, Is(line)));
    EXPECT_TRUE(LineAlong(window, Qt::BottomEdge, 7, Is(Qt::black)));
    // The very first and last device pixels are the line: nothing falls off the edge.
    const int midY = shot_.height() / 2, midX = shot_.width() / 2;
    EXPECT_TRUE(Is(line)(shot_.pixel(0, midY)));
    EXPECT_TRUE(Is(line)(shot_.pixel(shot_.width() - 1, midY)));
    EXPECT_TRUE(Is(line)(shot_.pixel(midX, 0)));
    EXPECT_TRUE(Is(Qt::black)(shot_.pixel(midX, shot_.height() - 1)));
}

TEST_F(HighDpiTest, KeyColourStaysInTheCutCornersAndTheShapeIsTheUnscaledOne) {
    const int corner = Last(5) + 1;
    const int w = shot_.width(), h = shot_.height();
    int keyed = 0;
    for (int y = 0; y < h; ++y) {
        const bool cornerRow = y < corner || y >= h - corner;
        for (int x = 0; x < w; ++x) {
            if (cornerRow && (x < corner || x >= w - corner))
                continue;
            keyed += Is(QColor(255, 0, 255))(shot_.pixel(x, y)) ? 1 : 0;
        }
    }
    EXPECT_EQ(keyed, 0);
    // The shape is cut in window pixels, the same as with the unscaled pictures.
    shell::FramePictures plain;
    for (auto [slot, id] : {std::pair{&plain.caption, 284},
                            {&plain.topLeft, 224},
                            {&plain.top, 222},
                            {&plain.topRight, 217},
                            {&plain.left, 227},
                            {&plain.right, 223},
                            {&plain.bottomLeft, 218},
                            {&plain.bottomRight, 219}})
        *slot = QPixmap(QStringLiteral(":/bitmap/%1.png").arg(id));
    const QRegion unscaled =
        shell::ShapeOf(shell::ComposeFrame(dlg_->size(), plain, "Quillet", dlg_->font()));
    EXPECT_EQ(shell::ShapeOf(dlg_->ComposeSurface()), unscaled);
}

TEST_F(HighDpiTest, PageViewsAndTreeKeepTheirFrameLines) {
    QWidget* page = dlg_->PageOfTab(0);
    ASSERT_NE(page, nullptr);
    const QColor background = page->palette().color(QPalette::Window);
    auto* tree = page->findChild<pages::CTreeCtrlEx*>();
    ASSERT_NE(tree, nullptr);
    std::vector<QWidget*> framed = {tree};
    for (int id :
         {pages::CDialogP::kReceivedView, pages::CDialogP::kSentView, pages::CDialogP::kSendBox})
        framed.push_back(page->findChild<QAbstractScrollArea*>(ui::ControlName(id)));
    for (QWidget* w : framed) {
        ASSERT_NE(w, nullptr);
        const QRect r = InWindow(w);
        const Predicate frameLine = DarkerThan(w->palette().color(QPalette::Base), background);
        for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge})
            EXPECT_TRUE(LineAlong(r, edge, 3, frameLine))
                << w->objectName().toStdString() << " edge " << edge;
    }
}

TEST_F(HighDpiTest, GroupBoxFramesStayWhole) {
    QWidget* page = dlg_->PageOfTab(0);
    ASSERT_NE(page, nullptr);
    const QColor background = page->palette().color(QPalette::Window);
    const QList<QGroupBox*> boxes = page->findChildren<QGroupBox*>();
    ASSERT_FALSE(boxes.isEmpty());
    // A faint line; its top runs under the title, so the sides and the bottom are checked.
    const Predicate line = [limit = qGray(background.rgb()) - 10](QRgb px) {
        return qGray(px) < limit;
    };
    for (const QGroupBox* box : boxes) {
        const QRect r = InWindow(box);
        for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge, Qt::BottomEdge})
            EXPECT_TRUE(LineAlong(r, edge, 20, line, 1))
                << box->objectName().toStdString() << " edge " << edge;
    }
}

TEST_F(HighDpiTest, PromptEditFramesStayWhole) {
    pages::CDlgSetIp prompt("127.0.0.1", QColor(236, 233, 216), dlg_.get());
    prompt.show();
    ProcessEvents();
    shot_ = prompt.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QList<QLineEdit*> edits = prompt.findChildren<QLineEdit*>();
    ASSERT_EQ(edits.size(), 3);
    for (const QLineEdit* edit : edits) {
        const QRect r = InWindow(edit);
        const Predicate frameLine = DarkerThan(edit->palette().color(QPalette::Base),
                                               prompt.palette().color(QPalette::Window));
        for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge})
            EXPECT_TRUE(LineAlong(r, edge, 3, frameLine))
                << edit->objectName().toStdString() << " edge " << edge;
    }
    prompt.hide();
}

TEST_F(HighDpiTest, TreeLinesAndExpandBoxStayWhole) {
    pages::CTreeCtrlEx tree(QColor(232, 243, 250));
    tree.resize(240, 160);
    tree.SetBkColor(QColor(232, 243, 250));
    pages::TreeNode* root = tree.InsertItem("127.0.0.1:6000");
    pages::TreeNode* first = tree.InsertItem("127.0.0.1:40000", root);
    tree.InsertItem("127.0.0.1:40001", root);
    root->setExpanded(true);
    tree.show();
    ProcessEvents();
    shot_ = tree.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint viewport = tree.viewport()->pos();
    const int indent = tree.indentation();
    // The 9 by 9 box around the middle of the root's column, a minus inside.
    const QRect row = tree.visualItemRect(root).translated(viewport);
    const QPoint centre(viewport.x() + indent / 2, row.top() + row.height() / 2);
    const QRect box(centre - QPoint(4, 4), QSize(9, 9));
    for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge})
        EXPECT_TRUE(LineAlong(box, edge, 1, Is(pages::CTreeCtrlEx::kLineColour)))
            << "edge " << edge;
    EXPECT_TRUE(LineAlong(QRect(centre.x() - 2, centre.y(), 5, 1), Qt::TopEdge, 0, Is(Qt::black)));
    // The first child's column: a dot on every other pixel, each covering device pixels.
    const QRect child = tree.visualItemRect(first).translated(viewport);
    const int x = viewport.x() + indent + indent / 2;
    int dots = 0;
    for (int y = child.top(); y <= child.bottom(); ++y) {
        const QRgb px = shot_.pixel(int((x + 0.5) * ratio_), int((y + 0.5) * ratio_));
        dots += Is(pages::CTreeCtrlEx::kLineColour)(px) ? 1 : 0;
    }
    EXPECT_GE(dots, child.height() / 2 - 1);
    tree.hide();
}

TEST_F(HighDpiTest, PictureEdgesStayWhole) {
    // The close button's rim (normal look) along its straight stretches. Where the twice-size
    // picture is resampled the band may reach one device pixel further in; a picture laid from
    // a half pixel lost it altogether.
    const QRect close = InWindow(dlg_->CloseButton());
    const QColor rim(160, 58, 10);
    for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge})
        EXPECT_TRUE(LineAlong(close, edge, 4, Is(rim), 1)) << "edge " << edge;
}

TEST_F(HighDpiTest, ButtonAndTabRimsAreTwoDevicePixelsOnEverySideAtTwice) {
    if (ratio_ != 2.0)
        GTEST_SKIP() << "exact pixels only where the pictures are not resampled";
    QWidget* page = dlg_->PageOfTab(0);
    ASSERT_NE(page, nullptr);
    const ui::CSkinBtn* button = page->findChild<ui::CSkinBtn*>();
    ASSERT_NE(button, nullptr);
    const ui::CSkinTab* strip = dlg_->TabStrip();
    const QRect selected =
        strip->itemRect(strip->selectedIndex()).translated(InWindow(strip).topLeft());
    struct Framed {
        const char* what;
        QRect r;
        std::vector<Qt::Edge> edges;
    };
    const std::vector<Framed> framed = {
        {"close button",
         InWindow(dlg_->CloseButton()),
         {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge}},
        {"page button",
         InWindow(button),
         {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge}},
        // The selected tab opens into its page below.
        {"selected tab", selected, {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge}}};
    for (const Framed& f : framed) {
        const QRgb rim =
            shot_.pixel(First(f.r.left()), (First(f.r.top()) + Last(f.r.bottom())) / 2);
        for (Qt::Edge edge : f.edges)
            EXPECT_EQ(RimDepth(f.r, edge, rim), 2) << f.what << " edge " << edge;
    }
}

TEST_F(HighDpiTest, TwiceSizePicturesAreDrawnOnScaledScreens) {
    const shell::FramePictures pics = shell::FramePictures::Load();
    for (const QPixmap* p : {&pics.caption, &pics.topLeft, &pics.top, &pics.topRight, &pics.left,
                             &pics.right, &pics.bottomLeft, &pics.bottomRight}) {
        EXPECT_EQ(p->devicePixelRatio(), 2.0);
    }
    EXPECT_EQ(pics.topLeft.deviceIndependentSize(), QSizeF(6, 76));
    EXPECT_EQ(pics.caption.deviceIndependentSize(), QSizeF(18, 18));
    for (int i = 0; i < 6; ++i) {
        const QIcon icon = pages::CTreeCtrlEx::StandardImageList()[i];
        EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32)) << i;
    }
    if (ratio_ != 2.0)
        return;  // exact pixels only where the pictures are not resampled
    const QImage emblem = QImage(":/bitmap/284@2x.png").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot_.copy(QRect(QPoint(16, 16), emblem.size())), emblem);
    // The rounded corner itself (the tab strip covers the corner picture's lower part).
    const QRect round(0, 0, 12, 12);
    EXPECT_EQ(shot_.copy(round),
              QImage(":/bitmap/224@2x.png").convertToFormat(QImage::Format_RGB32).copy(round));
    // The tree's icons, in the order of its image list.
    const int ids[] = {136, 137, 140, 142, 144, 143};
    for (int i = 0; i < 6; ++i) {
        const QImage icon = QImage(QStringLiteral(":/icon/%1@2x.png").arg(ids[i]))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(pages::CTreeCtrlEx::StandardImageList()[i]
                      .pixmap(QSize(16, 16), 2.0)
                      .toImage()
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  icon)
            << ids[i];
    }
}

}  // namespace
}  // namespace quillet::test

// The picture tab strip: hit testing, the queued page-select notification, hover, and which
// picture ends up on top.
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "skin/skin_tab.h"
#include "skin/ui_kit.h"
#include "tests/common/qt_test_base.h"
#include "tests/skin/picture_compare.h"

namespace quillet::test {
namespace {

using ui::CSkinTab;

const QColor kCaption(36, 139, 204);
// normal, hover, selected per tab, as the main window sets them.
const int kTabPictures[7][3] = {{306, 305, 307}, {302, 304, 303}, {296, 297, 298}, {301, 300, 299},
                                {314, 315, 1},   {311, 319, 313}, {308, 309, 310}};

class SkinTabTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        host_ = std::make_unique<QWidget>();
        host_->setObjectName("host");
        host_->resize(520, 120);
        QPalette pal;
        pal.setColor(QPalette::Window, kCaption);
        host_->setPalette(pal);
        host_->setAutoFillBackground(true);
        tab_ = new CSkinTab(host_.get());
        tab_->setGeometry(6, 18, 497, 57);
        tab_->SetItemCount(7);
        for (int i = 0; i < 7; ++i) {
            tab_->SetItemRect(i, 6 + 70 * i, 12, 76 + 70 * i, 57);
            tab_->SetItemBitmaps(i, kTabPictures[i][0], kTabPictures[i][1], kTabPictures[i][2]);
        }
        host_->show();
    }
    void TearDown() override {
        host_.reset();
        QtTestBase::TearDown();
    }
    QImage ItemShown(int i) const {
        return Rgb32(host_->grab(tab_->itemRect(i).translated(tab_->pos())).toImage());
    }
    // The whole strip with the parent's pixels beneath it.
    QImage StripShown() const { return Rgb32(host_->grab(tab_->geometry()).toImage()); }
    QImage Expected(int bitmap) const { return OverBackground(ui::Bitmap(bitmap), kCaption); }
    QPoint Centre(int i) const { return tab_->itemRect(i).center(); }

    std::unique_ptr<QWidget> host_;
    CSkinTab* tab_ = nullptr;
};

TEST_F(SkinTabTest, ClickOnAnotherTabPostsOneNotificationAfterTheClick) {
    QSignalSpy spy(tab_, &CSkinTab::pageSelected);
    QTest::mouseClick(tab_, Qt::LeftButton, {}, Centre(3));
    EXPECT_EQ(spy.count(), 0) << "posted, not sent";
    EXPECT_EQ(tab_->selectedIndex(), 3);
    ProcessEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 3);

    // The selected tab, the gap above the items and a point right of the last item: nothing.
    QTest::mouseClick(tab_, Qt::LeftButton, {}, Centre(3));
    QTest::mouseClick(tab_, Qt::LeftButton, {}, QPoint(40, 5));
    QTest::mouseClick(tab_, Qt::LeftButton, {}, QPoint(2, 40));
    ProcessEvents();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(tab_->selectedIndex(), 3);
}

TEST_F(SkinTabTest, SelectedPictureShowsForTheSelectedItemOnly) {
    EXPECT_EQ(tab_->selectedIndex(), 0);
    EXPECT_EQ(ItemShown(0), Expected(307));
    EXPECT_EQ(ItemShown(4), Expected(314));
    QTest::mouseClick(tab_, Qt::LeftButton, {}, Centre(4));
    EXPECT_EQ(ItemShown(4), Expected(1));
    EXPECT_EQ(ItemShown(0), Expected(306));
    ProcessEvents();
}

TEST_F(SkinTabTest, HoverFollowsTheMouseAndLeavingClearsIt) {
    QMouseEvent move(QEvent::MouseMove, QPointF(Centre(2)), QPointF(tab_->mapToGlobal(Centre(2))),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(tab_, &move);
    EXPECT_EQ(tab_->hoverIndex(), 2);
    EXPECT_EQ(ItemShown(2), Expected(297));
    // The selected tab keeps its selected picture while hovered.
    QMouseEvent onSelected(QEvent::MouseMove, QPointF(Centre(0)),
                           QPointF(tab_->mapToGlobal(Centre(0))), Qt::NoButton, Qt::NoButton,
                           Qt::NoModifier);
    QApplication::sendEvent(tab_, &onSelected);
    EXPECT_EQ(ItemShown(0), Expected(307));
    EXPECT_EQ(ItemShown(2), Expected(296));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(tab_, &leave);
    EXPECT_EQ(tab_->hoverIndex(), -1);
    EXPECT_EQ(ItemShown(0), Expected(307));
}

TEST_F(SkinTabTest, OverlapsHitTheLowerIndexAndPaintItOnTop) {
    tab_->SetItemCount(3);
    tab_->SetItemRect(0, 400, 12, 470, 57);
    tab_->SetItemRect(1, 6, 12, 76, 57);
    tab_->SetItemRect(2, 40, 12, 110, 57);  // overlaps item 1 over x 40..75
    tab_->SetItemBitmaps(0, 306, 305, 307);
    tab_->SetItemBitmaps(1, 302, 304, 303);
    tab_->SetItemBitmaps(2, 296, 297, 298);
    EXPECT_EQ(tab_->HitTest(QPoint(50, 30)), 1);
    EXPECT_EQ(tab_->HitTest(QPoint(100, 30)), 2);
    EXPECT_EQ(tab_->HitTest(QPoint(200, 30)), -1);

    const QImage shown = StripShown();
    const QImage one = Expected(302);
    // In the overlap, item 1's picture lies on top of item 2's.
    for (QPoint p : {QPoint(50, 30), QPoint(60, 20), QPoint(70, 50)}) {
        EXPECT_EQ(shown.pixel(p), one.pixel(p - QPoint(6, 12))) << p.x() << "," << p.y();
    }
}

TEST_F(SkinTabTest, ItemCountResetsPicturesButKeepsTheSelection) {
    QTest::mouseClick(tab_, Qt::LeftButton, {}, Centre(2));
    ProcessEvents();
    tab_->SetItemCount(7);
    EXPECT_EQ(tab_->selectedIndex(), 2);
    EXPECT_EQ(tab_->itemRect(2), QRect());
    // No rectangles, no pictures: the strip shows only its parent.
    QImage plain(tab_->size(), QImage::Format_RGB32);
    plain.fill(kCaption);
    EXPECT_EQ(StripShown(), plain);
    tab_->SetItemBitmaps(9, 1, 1, 1);  // out of range: ignored
}

}  // namespace
}  // namespace quillet::test

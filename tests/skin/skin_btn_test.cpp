// The four-picture button: the picture shown after enter, press, release and disable events,
// the transparent key pixels, and the command that reaches the parent.
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "skin/skin_btn.h"
#include "skin/ui_kit.h"
#include "tests/common/qt_test_base.h"
#include "tests/skin/picture_compare.h"

namespace quillet::test {
namespace {

using ui::CSkinBtn;

const QColor kPage(232, 243, 250);
// Any command id will do; this is the TCP server page's Create.
constexpr int kButtonId = 1030;

class SkinBtnTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        host_ = std::make_unique<QWidget>();
        host_->setObjectName("host");
        host_->resize(200, 100);
        QPalette pal;
        pal.setColor(QPalette::Window, kPage);
        host_->setPalette(pal);
        host_->setAutoFillBackground(true);
        btn_ = CSkinBtn::Create(host_.get(), kButtonId, QRect(14, 5, 51, 24), {236, 241, 237, 240});
        host_->show();
    }
    void TearDown() override {
        host_.reset();
        QtTestBase::TearDown();
    }

    // The button's area as the user sees it.
    QImage Shown() const { return Rgb32(host_->grab(btn_->geometry()).toImage()); }
    QImage Expected(int bitmap) const { return OverBackground(ui::Bitmap(bitmap), kPage); }
    void Enter() {
        QEnterEvent ev(QPointF(20, 10), QPointF(34, 15), QPointF(34, 15));
        QApplication::sendEvent(btn_, &ev);
    }
    void Leave() {
        QEvent ev(QEvent::Leave);
        QApplication::sendEvent(btn_, &ev);
    }

    std::unique_ptr<QWidget> host_;
    CSkinBtn* btn_ = nullptr;
};

TEST_F(SkinBtnTest, ShowsTheNormalPictureWithKeyPixelsShowingTheParent) {
    EXPECT_EQ(btn_->objectName(), ui::ControlName(kButtonId));
    EXPECT_EQ(btn_->state(), CSkinBtn::kNormal);
    const QImage shown = Shown();
    EXPECT_EQ(shown, Expected(236));
    // The corners are key-coloured in the picture and show the page behind the button.
    EXPECT_EQ(ui::Bitmap(236).toImage().pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(shown.pixel(0, 0), kPage.rgb());
    EXPECT_EQ(shown.pixel(50, 23), kPage.rgb());
}

TEST_F(SkinBtnTest, HoverPressReleaseAndLeaveShowTheirPictures) {
    QSignalSpy commands(btn_, &CSkinBtn::clicked);
    Enter();
    EXPECT_EQ(btn_->state(), CSkinBtn::kHover);
    EXPECT_EQ(Shown(), Expected(241));

    QTest::mousePress(btn_, Qt::LeftButton, {}, QPoint(25, 12));
    EXPECT_EQ(btn_->state(), CSkinBtn::kPressed);
    EXPECT_EQ(Shown(), Expected(237));
    EXPECT_EQ(commands.count(), 0);

    QTest::mouseRelease(btn_, Qt::LeftButton, {}, QPoint(25, 12));
    EXPECT_EQ(btn_->state(), CSkinBtn::kHover);
    EXPECT_EQ(Shown(), Expected(241));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kButtonId);

    Leave();
    EXPECT_EQ(btn_->state(), CSkinBtn::kNormal);
    EXPECT_EQ(Shown(), Expected(236));
}

TEST_F(SkinBtnTest, ReleaseOutsideSendsNoCommand) {
    QSignalSpy commands(btn_, &CSkinBtn::clicked);
    QTest::mousePress(btn_, Qt::LeftButton, {}, QPoint(25, 12));
    QTest::mouseRelease(btn_, Qt::LeftButton, {}, QPoint(120, 60));
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(btn_->state(), CSkinBtn::kNormal);
}

TEST_F(SkinBtnTest, DisabledShowsItsPictureIgnoresHoverAndClicks) {
    QSignalSpy commands(btn_, &CSkinBtn::clicked);
    btn_->setEnabled(false);
    EXPECT_EQ(Shown(), Expected(240));
    Enter();
    EXPECT_EQ(btn_->state(), CSkinBtn::kDisabled);
    QTest::mouseClick(btn_, Qt::LeftButton, {}, QPoint(25, 12));
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(Shown(), Expected(240));

    btn_->setEnabled(true);
    EXPECT_EQ(btn_->state(), CSkinBtn::kNormal);
    EXPECT_EQ(Shown(), Expected(236));
}

TEST_F(SkinBtnTest, AMissingPictureLeavesOnlyTheParentVisible) {
    btn_->SetBitmaps(236, 9999, 237, 240);
    Enter();
    QImage plain(btn_->size(), QImage::Format_RGB32);
    plain.fill(kPage);
    EXPECT_EQ(Shown(), plain);
    EXPECT_EQ(btn_->NormalPicture().size(), QSize(51, 24));
}

TEST_F(SkinBtnTest, CaptionButtonsAndPositionInParent) {
    auto* close = CSkinBtn::Create(host_.get(), 10200, QRect(179, 5, 16, 16), {210, 209, 211, 210});
    EXPECT_EQ(close->PositionInParent(), QRect(179, 5, 16, 16));
    const QImage shown = Rgb32(host_->grab(close->geometry()).toImage());
    EXPECT_EQ(shown, OverBackground(ui::Bitmap(210), kPage));
    EXPECT_EQ(shown.pixel(0, 0), kPage.rgb());  // soft corner
}

}  // namespace
}  // namespace quillet::test

// Picture controls for keyboard and screen-reader users: the focus rectangle of a picture
// button, the words behind its pictures, and the tab strip's tooltips and keyboard selection.
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"
#include "tests/common/qt_test_base.h"
#include "tests/skin/picture_compare.h"

namespace quillet::test {
namespace {

using ui::CSkinBtn;
using ui::CSkinTab;

const QColor kPage(232, 243, 250);
// Any two command ids will do; these are the TCP server page's Create and Delete.
constexpr int kFirstId = 1030, kSecondId = 1037;

class SkinAccessTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        host_ = std::make_unique<QWidget>();
        host_->resize(300, 120);
        QPalette pal;
        pal.setColor(QPalette::Window, kPage);
        host_->setPalette(pal);
        host_->setAutoFillBackground(true);
        first_ =
            CSkinBtn::Create(host_.get(), kFirstId, QRect(14, 5, 51, 24), {236, 241, 237, 240});
        second_ =
            CSkinBtn::Create(host_.get(), kSecondId, QRect(80, 5, 51, 24), {261, 258, 259, 260});
        host_->show();
        host_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    }
    void TearDown() override {
        host_.reset();
        QtTestBase::TearDown();
    }
    QImage Shown(const CSkinBtn* b) const { return Rgb32(host_->grab(b->geometry()).toImage()); }

    std::unique_ptr<QWidget> host_;
    CSkinBtn* first_ = nullptr;
    CSkinBtn* second_ = nullptr;
};

TEST_F(SkinAccessTest, PicturesGiveTheButtonItsNameAndTooltip) {
    EXPECT_EQ(first_->accessibleName(), "创建");
    EXPECT_EQ(first_->toolTip(), "创建");
    EXPECT_EQ(second_->accessibleName(), "删除");
    // A picture set without words of its own leaves the name to the caller.
    CSkinBtn plain(host_.get(), 1, QRect(0, 60, 20, 20));
    plain.SetBitmaps(1, 1, 1, 1);
    EXPECT_TRUE(plain.accessibleName().isEmpty());
    plain.setAccessibleName("kept");
    plain.SetBitmaps(1, 1, 1, 1);
    EXPECT_EQ(plain.accessibleName(), "kept");
}

TEST_F(SkinAccessTest, FocusFromTheKeyboardIsDrawnAndAClickDoesNotDrawIt) {
    const QImage normal = OverBackground(ui::Bitmap(236), kPage);
    // The window's activation hands the focus on without showing it.
    second_->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(second_->focusShown());
    EXPECT_EQ(Shown(first_), normal);

    first_->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(first_->hasFocus());
    EXPECT_TRUE(first_->focusShown());
    const QImage focused = Shown(first_);
    EXPECT_NE(focused, normal);
    // The rectangle lies inside the picture: the corners still show the parent.
    EXPECT_EQ(focused.pixelColor(0, 0), normal.pixelColor(0, 0));
    int dots = 0;  // white dots down the rectangle's left side
    for (int y = 3; y <= 20; ++y)
        dots += focused.pixelColor(3, y) == QColor(Qt::white);
    EXPECT_GE(dots, 5);

    // Tab moves the focus, and the rectangle with it.
    QTest::keyClick(first_, Qt::Key_Tab);
    EXPECT_TRUE(second_->hasFocus());
    EXPECT_TRUE(second_->focusShown());
    EXPECT_EQ(Shown(first_), normal);

    // Focus taken by a click shows no rectangle: the window looks as before.
    QTest::mouseClick(first_, Qt::LeftButton);
    EXPECT_TRUE(first_->hasFocus());
    EXPECT_FALSE(first_->focusShown());
    // Space on the focused button shows it again, and clicks.
    QSignalSpy clicked(first_, &CSkinBtn::clicked);
    QTest::keyClick(first_, Qt::Key_Space);
    EXPECT_TRUE(first_->focusShown());
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(SkinAccessTest, TabStripShowsItemTooltipsAndSelectsFromCode) {
    auto* strip = new CSkinTab(host_.get());
    strip->setGeometry(0, 40, 160, 57);
    strip->SetItemCount(2);
    strip->SetItemRect(0, 6, 12, 76, 57);
    strip->SetItemRect(1, 76, 12, 146, 57);
    strip->SetItemText(0, "A", "first tab");
    strip->SetItemText(1, "B", "second tab");
    strip->SetItemText(5, "out", "of range");  // ignored
    EXPECT_EQ(strip->itemName(1), "B");
    EXPECT_EQ(strip->itemToolTip(5), "");

    const QPoint at = strip->itemRect(1).center();
    QHelpEvent help(QEvent::ToolTip, at, strip->mapToGlobal(at));
    QApplication::sendEvent(strip, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "second tab");
    QToolTip::hideText();

    QSignalSpy spy(strip, &CSkinTab::pageSelected);
    strip->SelectItem(0);  // already selected
    strip->SelectItem(7);  // out of range
    strip->SelectItem(1);
    EXPECT_EQ(strip->selectedIndex(), 1);
    EXPECT_EQ(spy.count(), 0) << "queued like a click";
    ProcessEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
}

}  // namespace
}  // namespace quillet::test

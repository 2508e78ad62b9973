// The strip of seven tabs over the six pages: one page shown at a time, hidden pages kept.
#include <QPlainTextEdit>
#include <QTest>

#include "pages/base/dialog_p.h"
#include "skin/skin_tab.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

using shell::CMgrDlg;

// Which of the six pages are visible, as a string of 0 and 1.
std::string Visible(const CMgrDlg& dlg) {
    std::string s;
    for (int i = 0; i < shell::kPageCount; ++i)
        s += dlg.Page(i)->isVisible() ? '1' : '0';
    return s;
}

void ClickTab(CMgrDlg& dlg, int tab) {
    const QRect r = dlg.TabStrip()->itemRect(tab);
    QTest::mouseClick(dlg.TabStrip(), Qt::LeftButton, {}, r.center());
    QCoreApplication::processEvents();  // the strip's selection arrives queued
}

TEST_F(ShellTest, StripAndPagesSitWhereTheLayoutPutsThem) {
    EXPECT_EQ(dlg_->TabStrip()->geometry(), QRect(6, 18, 497, 57));
    EXPECT_EQ(dlg_->TabStrip()->objectName(), ui::ControlName(ui::CSkinTab::kStripId));
    ASSERT_EQ(dlg_->TabStrip()->itemCount(), 7);
    EXPECT_EQ(dlg_->TabStrip()->itemRect(3), QRect(QPoint(216, 12), QPoint(285, 56)));
    const char* names[] = {"page129", "page130", "page140", "page141", "page296", "page299"};
    for (int i = 0; i < shell::kPageCount; ++i) {
        EXPECT_EQ(dlg_->Page(i)->objectName(), names[i]);
        EXPECT_EQ(dlg_->Page(i)->parentWidget(), dlg_.get());
        EXPECT_EQ(dlg_->Page(i)->geometry(), QRect(2, 75, 743, 529));
    }
    EXPECT_EQ(Visible(*dlg_), "100000");
    // Resizing the window grows the pages with it, under the strip as before.
    dlg_->resize(900, 700);
    EXPECT_EQ(dlg_->Page(0)->geometry(), QRect(2, 75, 896, 623));
}

TEST_F(ShellTest, ClickingATabShowsItsPageOnly) {
    for (int tab : {1, 2, 3, 4, 0}) {
        ClickTab(*dlg_, tab);
        EXPECT_EQ(dlg_->CurrentTab(), tab);
        std::string expected(shell::kPageCount, '0');
        expected[tab] = '1';
        EXPECT_EQ(Visible(*dlg_), expected) << "tab " << tab;
    }
}

TEST_F(ShellTest, BothMulticastTabsShowTheOneMulticastPage) {
    ClickTab(*dlg_, 5);
    QWidget* page = dlg_->Page(shell::kMulticast);
    EXPECT_EQ(Visible(*dlg_), "000001");
    page->setProperty("marker", 42);
    ClickTab(*dlg_, 6);
    EXPECT_EQ(dlg_->CurrentTab(), 6);
    EXPECT_EQ(dlg_->PageOfTab(6), page);
    EXPECT_EQ(Visible(*dlg_), "000001");
    EXPECT_EQ(page->property("marker").toInt(), 42);
}

TEST_F(ShellTest, AnIndexOutOfRangeKeepsTheCurrentPage) {
    dlg_->OnPageSelect(2);
    dlg_->OnPageSelect(7);
    EXPECT_EQ(dlg_->CurrentTab(), 2);
    dlg_->OnPageSelect(-1);
    EXPECT_EQ(dlg_->CurrentTab(), 2);
    EXPECT_EQ(Visible(*dlg_), "001000");
}

TEST_F(ShellTest, ActivationChangeShowsTheCurrentPageAgain) {
    dlg_->OnPageSelect(3);
    dlg_->Page(3)->hide();
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(dlg_.get(), &activation);
    EXPECT_TRUE(dlg_->Page(3)->isVisible());
    // The page gets the focus, but a control of it that had the focus keeps it.
    EXPECT_TRUE(dlg_->focusWidget() == dlg_->Page(3) ||
                dlg_->Page(3)->isAncestorOf(dlg_->focusWidget()));
    auto* page = static_cast<pages::CDialogP*>(dlg_->Page(3));
    page->SendBox()->setFocus();
    QCoreApplication::sendEvent(dlg_.get(), &activation);
    EXPECT_EQ(dlg_->focusWidget(), page->SendBox());
}

}  // namespace
}  // namespace quillet::test

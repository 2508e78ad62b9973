// The connection tree: the process-wide colour-and-font store, bold flags, item data, icons,
// and the selected item painted white on blue.
#include <QTest>

#include <memory>

#include "pages/tcp_server_dlg.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

using pages::CTreeCtrlEx;

const QColor kPage(232, 243, 250);
const QRgb kBlue = qRgb(49, 106, 197);

class TreeCtrlExTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        tree_ = std::make_unique<CTreeCtrlEx>();
        ui::SetControlId(tree_.get(), pages::CTcpServerDlg::kTree);
        tree_->resize(240, 160);
        tree_->SetBkColor(kPage);
        root_ = tree_->InsertItem("192.168.1.10:6000");
        a_ = tree_->InsertItem("127.0.0.1:40001", root_);
        b_ = tree_->InsertItem("127.0.0.1:40002", root_);
        tree_->SetItemImage(root_, CTreeCtrlEx::kEndpointIdle);
        tree_->SetItemImage(a_, CTreeCtrlEx::kOpen);
        tree_->SetItemImage(b_, CTreeCtrlEx::kClosed);
        tree_->expandAll();
    }
    void TearDown() override {
        tree_.reset();
        QtTestBase::TearDown();
    }
    // Counts pixels of `rgb` inside the row of `item`.
    int CountInRow(const QImage& img, pages::TreeNode* item, QRgb rgb) const {
        const QRect row = tree_->visualItemRect(item).translated(tree_->viewport()->pos());
        int n = 0;
        for (int y = row.top(); y <= row.bottom(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                n += img.pixel(x, y) == rgb;
            }
        }
        return n;
    }
    QImage Shown() const { return tree_->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<CTreeCtrlEx> tree_;
    pages::TreeNode* root_ = nullptr;
    pages::TreeNode* a_ = nullptr;
    pages::TreeNode* b_ = nullptr;
};

TEST_F(TreeCtrlExTest, ColourAndFontAreStoredIndependently) {
    EXPECT_FALSE(CTreeCtrlEx::GetItemColor(a_).isValid());
    QFont font;
    EXPECT_FALSE(CTreeCtrlEx::GetItemFont(a_, &font));

    CTreeCtrlEx::SetItemColor(a_, QColor(136, 0, 21));
    EXPECT_EQ(CTreeCtrlEx::GetItemColor(a_), QColor(136, 0, 21));
    EXPECT_FALSE(CTreeCtrlEx::GetItemFont(a_, &font));

    CTreeCtrlEx::SetItemFont(b_, QFont("DejaVu Sans", 11));
    EXPECT_FALSE(CTreeCtrlEx::GetItemColor(b_).isValid());
    ASSERT_TRUE(CTreeCtrlEx::GetItemFont(b_, &font));
    EXPECT_EQ(font.family(), "DejaVu Sans");

    // Each setter keeps what the other stored.
    CTreeCtrlEx::SetItemFont(a_, QFont("DejaVu Serif", 9));
    CTreeCtrlEx::SetItemColor(b_, Qt::green);
    EXPECT_EQ(CTreeCtrlEx::GetItemColor(a_), QColor(136, 0, 21));
    EXPECT_TRUE(CTreeCtrlEx::GetItemFont(b_, &font));
    EXPECT_EQ(font.family(), "DejaVu Sans");
    // A font without a family counts as none.
    QFont nameless;
    nameless.setFamilies({});
    nameless.setFamily("");
    CTreeCtrlEx::SetItemFont(root_, nameless);
    EXPECT_FALSE(CTreeCtrlEx::GetItemFont(root_, &font));
    // Null items are ignored.
    CTreeCtrlEx::SetItemColor(nullptr, Qt::red);
    EXPECT_FALSE(CTreeCtrlEx::GetItemColor(nullptr).isValid());
}

TEST_F(TreeCtrlExTest, StoreIsSharedByTreesWithoutMixingTheirItems) {
    CTreeCtrlEx other;
    pages::TreeNode* o = other.InsertItem("10.0.0.1");
    CTreeCtrlEx::SetItemColor(o, Qt::blue);
    CTreeCtrlEx::SetItemColor(root_, QColor(136, 0, 21));
    EXPECT_EQ(CTreeCtrlEx::GetItemColor(o), QColor(Qt::blue));
    EXPECT_EQ(CTreeCtrlEx::GetItemColor(root_), QColor(136, 0, 21));

    // A new item never inherits the entry of a deleted one, even at the same address.
    CTreeCtrlEx::SetItemColor(b_, Qt::red);
    tree_->DeleteItem(b_);
    b_ = nullptr;
    for (int i = 0; i < 50; ++i) {
        pages::TreeNode* fresh = tree_->InsertItem(QString::number(i), root_);
        EXPECT_FALSE(CTreeCtrlEx::GetItemColor(fresh).isValid());
    }
}

TEST_F(TreeCtrlExTest, BoldDataAndImages) {
    EXPECT_FALSE(CTreeCtrlEx::GetItemBold(root_));
    CTreeCtrlEx::SetItemBold(root_, true);
    EXPECT_TRUE(CTreeCtrlEx::GetItemBold(root_));
    EXPECT_FALSE(CTreeCtrlEx::GetItemBold(a_));
    CTreeCtrlEx::SetItemBold(root_, false);
    EXPECT_FALSE(CTreeCtrlEx::GetItemBold(root_));

    int record = 7;
    CTreeCtrlEx::SetItemData(a_, &record);
    EXPECT_EQ(CTreeCtrlEx::ItemData<int>(a_), &record);
    EXPECT_EQ(CTreeCtrlEx::GetItemData(b_), nullptr);

    const QList<QIcon> icons = CTreeCtrlEx::StandardImageList();
    ASSERT_EQ(icons.size(), 6);
    for (const QIcon& icon : icons) {
        EXPECT_FALSE(icon.isNull());
    }
    // Index 4 is icon 144 and 5 is icon 143: the list is not in number order.
    EXPECT_EQ(icons[4].pixmap(16).toImage(), ui::Icon(144).pixmap(16).toImage());
    EXPECT_EQ(icons[5].pixmap(16).toImage(), ui::Icon(143).pixmap(16).toImage());
    tree_->SetItemImage(a_, CTreeCtrlEx::kOpenUnread);
    EXPECT_EQ(CTreeCtrlEx::GetItemImage(a_), 5);
    EXPECT_EQ(CTreeCtrlEx::GetItemImage(b_), 2);
    EXPECT_EQ(CTreeCtrlEx::GetItemImage(tree_->InsertItem("new", root_)), -1);
    EXPECT_EQ(a_->icon(0).pixmap(16).toImage(), ui::Icon(143).pixmap(16).toImage());
}

TEST_F(TreeCtrlExTest, SelectedItemIsWhiteOnBlueAndOnlyIt) {
    QImage img = Shown();
    EXPECT_EQ(CountInRow(img, a_, kBlue) + CountInRow(img, b_, kBlue), 0) << "no selection";
    EXPECT_EQ(img.pixel(img.width() - 5, img.height() - 5), kPage.rgb());

    tree_->setCurrentItem(a_);
    img = Shown();
    EXPECT_GT(CountInRow(img, a_, kBlue), 100);
    EXPECT_GT(CountInRow(img, a_, qRgb(255, 255, 255)), 10) << "white text";
    EXPECT_EQ(CountInRow(img, b_, kBlue), 0);

    tree_->setCurrentItem(b_);
    img = Shown();
    EXPECT_EQ(CountInRow(img, a_, kBlue), 0);
    EXPECT_GT(CountInRow(img, b_, kBlue), 100);

    // The highlight covers the text only: nothing blue left of the text, icon and branch
    // lines included.
    const QRect row = tree_->visualItemRect(b_).translated(tree_->viewport()->pos());
    for (int x = 0; x < row.left() + 18; ++x) {
        EXPECT_NE(img.pixel(x, row.center().y()), kBlue) << x;
    }
}

TEST_F(TreeCtrlExTest, SelectionSurvivesClicksOnEmptySpaceAndCtrlClicks) {
    tree_->show();
    const QPoint onA = tree_->visualItemRect(a_).center();
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, onA);
    ASSERT_EQ(tree_->currentItem(), a_);
    ASSERT_TRUE(a_->isSelected());

    const QPoint below(onA.x(), tree_->viewport()->height() - 3);
    ASSERT_EQ(tree_->itemAt(below), nullptr);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(tree_->currentItem(), a_);
    EXPECT_TRUE(a_->isSelected());

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, Qt::ControlModifier, onA);
    EXPECT_EQ(tree_->currentItem(), a_);
    EXPECT_TRUE(a_->isSelected());
    EXPECT_GT(CountInRow(Shown(), a_, kBlue), 100);

    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, tree_->visualItemRect(b_).center());
    EXPECT_EQ(tree_->selectedItems(), QList<pages::TreeNode*>{b_});
    tree_->hide();
}

}  // namespace
}  // namespace quillet::test

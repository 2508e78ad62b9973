// The connection tree's own view: keys that move the current node and expand or collapse it,
// clicks on a node's box, rows that come or go out of sight leaving the rows shown where they
// were, and a row appended in sight painted while one appended out of sight paints nothing.
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pages/tree/tree_ctrl_ex.h"
#include "tests/common/qt_test_base.h"
#include "tests/common/wait_until.h"

namespace quillet::test {
namespace {

using pages::CTreeCtrlEx;
using pages::TreeNode;

// Gathers what the viewport is asked to paint.
class PaintSpy : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return QObject::eventFilter(watched, event);
    }
};

class TreeViewTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        tree_ = std::make_unique<CTreeCtrlEx>();
        tree_->resize(240, 160);
        a_ = tree_->InsertItem("127.0.0.1:6000");
        b_ = tree_->InsertItem("127.0.0.1:7000");
        Append(a_, 30);
        Append(b_, 2);
        a_->setExpanded(true);
    }
    void TearDown() override {
        tree_.reset();
        QtTestBase::TearDown();
    }
    void Append(TreeNode* parent, int count) {
        std::vector<TreeNode*> nodes;
        for (int i = 0; i < count; ++i) {
            nodes.push_back(new TreeNode(QStringLiteral("127.0.0.1:%1").arg(40000 + next_++)));
            tree_->SetItemImage(nodes.back(), CTreeCtrlEx::kOpen);
        }
        tree_->AppendItems(parent, nodes);
    }
    TreeNode* TopShown() const { return tree_->itemAt(QPoint(30, 1)); }
    int RowsInView() const { return tree_->viewport()->height() / tree_->RowHeight(); }

    std::unique_ptr<CTreeCtrlEx> tree_;
    TreeNode* a_ = nullptr;  // rows 0..30 while expanded
    TreeNode* b_ = nullptr;  // row 31, collapsed
    int next_ = 0;
};

struct KeyCase {
    const char* name;
    int from;    // the current node's row
    bool openB;  // the second top-level node expanded first
    Qt::Key key;
    int to;  // the row of the new current node, plus `pages` pages
    int pages;
    int rowsAfter;  // rows shown afterwards
};

const KeyCase kKeys[] = {
    {"down", 4, false, Qt::Key_Down, 5, 0, 32},
    {"up", 4, false, Qt::Key_Up, 3, 0, 32},
    {"up to the parent's row", 1, false, Qt::Key_Up, 0, 0, 32},
    {"down at the last row stays", 31, false, Qt::Key_Down, 31, 0, 32},
    {"home", 11, false, Qt::Key_Home, 0, 0, 32},
    {"end", 11, false, Qt::Key_End, 31, 0, 32},
    {"page down", 1, false, Qt::Key_PageDown, 1, 1, 32},
    {"page up", 25, false, Qt::Key_PageUp, 25, -1, 32},
    {"left goes to the parent", 6, false, Qt::Key_Left, 0, 0, 32},
    {"left collapses", 0, false, Qt::Key_Left, 0, 0, 2},
    {"right expands", 31, false, Qt::Key_Right, 31, 0, 34},
    {"right enters an expanded node", 31, true, Qt::Key_Right, 32, 0, 34},
    {"right on a leaf stays", 3, false, Qt::Key_Right, 3, 0, 32},
    {"minus collapses", 0, false, Qt::Key_Minus, 0, 0, 2},
    {"plus expands", 31, false, Qt::Key_Plus, 31, 0, 34},
};

class TreeKeyTest : public TreeViewTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(TreeKeyTest, KeysMoveTheCurrentNodeAndExpandOrCollapseIt) {
    const KeyCase& c = GetParam();
    tree_->show();
    if (c.openB)
        b_->setExpanded(true);
    tree_->setCurrentItem(tree_->NodeAtFlatRow(c.from));
    QTest::keyClick(tree_.get(), c.key);
    EXPECT_EQ(tree_->FlatRow(tree_->currentItem()), c.to + c.pages * RowsInView());
    EXPECT_EQ(tree_->FlatRowCount(), c.rowsAfter);
    EXPECT_EQ(tree_->selectedItems(), QList<TreeNode*>{tree_->currentItem()});
    // The new current node is in sight.
    EXPECT_TRUE(tree_->viewport()->rect().contains(tree_->visualItemRect(tree_->currentItem())));
    tree_->hide();
}

INSTANTIATE_TEST_SUITE_P(Keys, TreeKeyTest, ::testing::ValuesIn(kKeys), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

TEST_F(TreeViewTest, AClickOnTheBoxOrADoubleClickTogglesTheNode) {
    tree_->show();
    tree_->setCurrentItem(a_->child(2));
    const QRect rowA = tree_->visualItemRect(a_);
    const QPoint boxA(tree_->indentation() / 2, rowA.center().y());
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, boxA);
    EXPECT_FALSE(a_->isExpanded());
    EXPECT_EQ(tree_->currentItem(), a_->child(2)) << "the box selects nothing";
    EXPECT_EQ(tree_->itemAt(tree_->visualItemRect(a_).center() + QPoint(0, rowA.height())), b_);
    QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, boxA);
    EXPECT_TRUE(a_->isExpanded());

    tree_->scrollToItem(b_);
    const QPoint onB = tree_->visualItemRect(b_).center();
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, onB);
    EXPECT_TRUE(b_->isExpanded());
    EXPECT_EQ(tree_->currentItem(), b_);
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, onB);
    EXPECT_FALSE(b_->isExpanded());
    // A leaf's double click selects it and changes nothing else.
    const QPoint onLeaf = tree_->visualItemRect(a_->child(29)).center();
    QTest::mouseDClick(tree_->viewport(), Qt::LeftButton, {}, onLeaf);
    EXPECT_EQ(tree_->currentItem(), a_->child(29));
    EXPECT_EQ(tree_->FlatRowCount(), 32);
    tree_->hide();
}

// The first row shown and its place stay while rows come and go above or below it.
TEST_F(TreeViewTest, RowsComingAndGoingOutOfSightKeepTheViewStill) {
    b_->setExpanded(true);
    Append(b_, 60);
    tree_->show();
    tree_->scrollTo(tree_->IndexOf(b_->child(30)), QAbstractItemView::PositionAtTop);
    ASSERT_EQ(TopShown(), b_->child(30));
    const QRect place = tree_->visualItemRect(b_->child(30));
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"append above", [&] { Append(a_, 25); }},
        {"append below", [&] { Append(b_, 25); }},
        {"delete above", [&] { tree_->DeleteItem(a_->child(3)); }},
        {"delete below", [&] { tree_->DeleteItem(b_->child(50)); }},
        {"collapse above", [&] { a_->setExpanded(false); }},
        {"expand above", [&] { a_->setExpanded(true); }},
        {"new top-level node below", [&] { tree_->InsertItem("10.0.0.1:80"); }},
    };
    for (const auto& [name, step] : steps) {
        step();
        ProcessEvents();
        EXPECT_EQ(TopShown(), b_->child(30)) << name;
        EXPECT_EQ(tree_->visualItemRect(b_->child(30)), place) << name;
        EXPECT_EQ(tree_->verticalScrollBar()->maximum(), tree_->FlatRowCount() - RowsInView())
            << name;
    }
    tree_->hide();
}

TEST_F(TreeViewTest, AnAppendedRowIsPaintedInSightAndCostsNothingOutOfSight) {
    b_->setExpanded(true);
    tree_->show();
    ASSERT_TRUE(WaitUntil([&] { return tree_->isVisible(); }));
    tree_->scrollToItem(b_->child(1));
    ProcessEvents();
    PaintSpy spy;
    tree_->viewport()->installEventFilter(&spy);
    Append(b_, 1);
    ASSERT_TRUE(WaitUntil([&] {
        ProcessEvents();
        return !spy.painted.isEmpty();
    }));
    const QRect fresh = tree_->visualItemRect(b_->child(2));
    ASSERT_TRUE(tree_->viewport()->rect().intersects(fresh));
    EXPECT_TRUE(spy.painted.contains(fresh.intersected(tree_->viewport()->rect())));
    const QImage shown = tree_->viewport()->grab().toImage();
    int dark = 0;
    for (int x = fresh.left(); x <= fresh.right(); ++x)
        dark += qGray(shown.pixel(x, fresh.center().y())) < 100;
    EXPECT_GT(dark, 5) << "its text";

    // Rows appended below the last row shown are not painted until they scroll in.
    tree_->scrollToItem(a_);
    ProcessEvents();
    spy.painted = QRegion();
    Append(b_, 50);
    a_->child(29)->setText(0, "far out of sight");
    ProcessEvents();
    ProcessEvents();
    EXPECT_TRUE(spy.painted.isEmpty()) << spy.painted.boundingRect().y();
    tree_->viewport()->removeEventFilter(&spy);
    tree_->hide();
}

}  // namespace
}  // namespace quillet::test

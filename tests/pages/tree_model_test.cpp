// The model behind the connection tree: rows that follow the nodes through batches of inserts
// and deletes with one notice per batch, changes announced once and only for rows in sight,
// and what a screen reader is told: a named tree whose rows are the nodes, where only the
// current node of a focused tree is focused.
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

#include "pages/tree/tree_ctrl_ex.h"
#include "pages/tree/tree_model.h"
#include "tests/common/qt_test_base.h"
#include "tests/common/screen_reader.h"

namespace quillet::test {
namespace {

using pages::CTreeCtrlEx;
using pages::TreeNode;

class TreeModelTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        tree_ = std::make_unique<CTreeCtrlEx>();
        tree_->resize(240, 160);
        root_ = tree_->InsertItem("127.0.0.1:6000");
        CTreeCtrlEx::SetItemBold(root_, true);
        tree_->SetItemImage(root_, CTreeCtrlEx::kEndpointActive);
    }
    void TearDown() override {
        tree_.reset();
        QtTestBase::TearDown();
    }
    // Appends `count` nodes "peer N" in one batch, numbering on from `next_`.
    void AppendBatch(int count) {
        std::vector<TreeNode*> nodes;
        for (int i = 0; i < count; ++i) {
            auto* node = new TreeNode(QStringLiteral("peer %1").arg(next_++));
            tree_->SetItemImage(node, CTreeCtrlEx::kOpen);
            nodes.push_back(node);
        }
        tree_->AppendItems(root_, nodes);
        root_->setExpanded(true);
    }
    // The model's rows under the root, as the view reads them.
    QStringList Rows() const {
        QStringList texts;
        const QAbstractItemModel* model = tree_->model();
        const QModelIndex root = model->index(0, 0);
        for (int r = 0; r < model->rowCount(root); ++r)
            texts << model->data(model->index(r, 0, root), Qt::DisplayRole).toString();
        return texts;
    }
    QStringList Nodes() const {
        QStringList texts;
        for (int i = 0; i < root_->childCount(); ++i)
            texts << root_->child(i)->text(0);
        return texts;
    }

    std::unique_ptr<CTreeCtrlEx> tree_;
    TreeNode* root_ = nullptr;
    int next_ = 0;
};

TEST_F(TreeModelTest, RowsFollowBatchesOfInsertsAndDeletesWithOneNoticePerBatch) {
    QSignalSpy inserted(tree_->model(), &QAbstractItemModel::rowsInserted);
    // Batches of inserts (count > 0) and deletes of the child at a row (count < 0: -1 - row).
    const int steps[] = {500, 1, -1 - 0, 250, -1 - 100, -1 - 748, 3000, -1 - 1200};
    int batches = 0;
    for (int step : steps) {
        if (step > 0) {
            AppendBatch(step);
            ++batches;
        } else {
            tree_->DeleteItem(root_->child(-1 - step));
        }
        ASSERT_EQ(Rows(), Nodes());
        for (int i = 0; i < root_->childCount(); ++i) {
            ASSERT_EQ(root_->indexOfChild(root_->child(i)), i);
            ASSERT_EQ(tree_->IndexOf(root_->child(i)).row(), i);
        }
    }
    EXPECT_EQ(inserted.count(), batches);
    EXPECT_EQ(root_->childCount(), 500 + 1 + 250 + 3000 - 4);
    EXPECT_EQ(root_->child(0)->text(0), "peer 1");
    tree_->clear();
    EXPECT_EQ(tree_->topLevelItemCount(), 0);
    EXPECT_EQ(tree_->model()->rowCount(), 0);
}

// Rows appended to a long expanded list are in the model and the view's rows at once.
TEST_F(TreeModelTest, BatchesAppendedToALongListShowEveryRow) {
    tree_->show();
    AppendBatch(5000);
    for (int batch = 0; batch < 3; ++batch) {
        AppendBatch(300);
        ASSERT_EQ(Rows(), Nodes());
        ASSERT_EQ(tree_->FlatRowCount(), 1 + root_->childCount());
        ASSERT_EQ(tree_->NodeAtFlatRow(root_->childCount())->text(0),
                  QStringLiteral("peer %1").arg(next_ - 1));
    }
    QTest::keyClick(tree_.get(), Qt::Key_End);  // the view's own rows reach the last node
    EXPECT_EQ(tree_->currentItem(), root_->child(root_->childCount() - 1));
    // A fresh row has its place at once.
    AppendBatch(10);
    TreeNode* newest = root_->child(root_->childCount() - 1);
    tree_->scrollToItem(newest);
    const QRect r = tree_->visualItemRect(newest);
    ASSERT_TRUE(r.isValid());
    EXPECT_EQ(tree_->itemAt(r.center()), newest);
}

TEST_F(TreeModelTest, RowsShowTheNodesTextIconAndBoldness) {
    AppendBatch(2);
    tree_->SetItemImage(root_->child(1), CTreeCtrlEx::kClosedUnread);
    const QAbstractItemModel* model = tree_->model();
    const QModelIndex root = model->index(0, 0);
    EXPECT_TRUE(model->data(root, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(model->data(model->index(0, 0, root), Qt::FontRole).value<QFont>().bold());
    const QList<QIcon> icons = CTreeCtrlEx::StandardImageList();
    const auto pixels = [](const QVariant& icon) {
        return icon.value<QIcon>().pixmap(16).toImage();
    };
    EXPECT_EQ(pixels(model->data(root, Qt::DecorationRole)), icons[1].pixmap(16).toImage());
    EXPECT_EQ(pixels(model->data(model->index(1, 0, root), Qt::DecorationRole)),
              icons[4].pixmap(16).toImage());
    root_->child(0)->setText(0, "127.0.0.1:1<->127.0.0.1:2");
    EXPECT_EQ(model->data(model->index(0, 0, root), Qt::DisplayRole), "127.0.0.1:1<->127.0.0.1:2");
}

TEST_F(TreeModelTest, ChangesAreAnnouncedOncePerPassAndOnlyForRowsInSight) {
    tree_->show();
    AppendBatch(2000);
    ProcessEvents();
    QSignalSpy changed(tree_->model(), &QAbstractItemModel::dataChanged);
    for (int i = 0; i < root_->childCount(); ++i)
        tree_->SetItemImage(root_->child(i), CTreeCtrlEx::kClosed);
    EXPECT_EQ(changed.count(), 0);  // not yet: once for all of them
    ProcessEvents();
    ASSERT_EQ(changed.count(), 1);
    const int first = changed[0][0].value<QModelIndex>().row();
    const int last = changed[0][1].value<QModelIndex>().row();
    EXPECT_EQ(first, 0);
    EXPECT_LT(last, tree_->viewport()->height() / 16 + 2);  // what the view can show
    // Far below the view: nothing to announce; the row reads its new icon when it comes.
    changed.clear();
    tree_->SetItemImage(root_->child(1500), CTreeCtrlEx::kOpenUnread);
    ProcessEvents();
    EXPECT_EQ(changed.count(), 0);
    tree_->scrollToItem(root_->child(1500));
    EXPECT_TRUE(tree_->viewport()->rect().intersects(tree_->visualItemRect(root_->child(1500))));
    EXPECT_EQ(CTreeCtrlEx::GetItemImage(root_->child(1500)), CTreeCtrlEx::kOpenUnread);
    tree_->hide();
}

// Screen reader side: events go to a handler that reads them as a bridge would.
struct Heard {
    QAccessible::Event type;
    QString name;
    bool focused;
};
std::vector<Heard>* g_heard = nullptr;
// A row's state change as heard: whose row, and whether it is expanded now.
struct Change {
    QString name;
    bool expanded;
};
std::vector<Change>* g_changes = nullptr;

void Listen(QAccessibleEvent* event) {
    if (g_changes && event->type() == QAccessible::StateChanged) {
        QAccessibleInterface* iface = event->accessibleInterface();
        if (iface && iface->role() == QAccessible::TreeItem)
            g_changes->push_back({iface->text(QAccessible::Name), bool(iface->state().expanded)});
    }
    if (!g_heard || event->type() != QAccessible::Focus)
        return;
    QAccessibleInterface* iface = event->accessibleInterface();
    if (iface)
        g_heard->push_back(
            {event->type(), iface->text(QAccessible::Name), bool(iface->state().focused)});
}

class TreeAccessibilityTest : public TreeModelTest {
protected:
    void SetUp() override {
        TreeModelTest::SetUp();
        previous_ = QAccessible::installUpdateHandler(Listen);
        ASSERT_TRUE(SetScreenReaderActive(true));
        g_heard = &heard_;
        g_changes = &changes_;
        AppendBatch(3);
        tree_->show();
        ProcessEvents();
        iface_ = QAccessible::queryAccessibleInterface(tree_.get());
        ASSERT_NE(iface_, nullptr);
    }
    void TearDown() override {
        g_heard = nullptr;
        g_changes = nullptr;
        QAccessible::installUpdateHandler(previous_);
        SetScreenReaderActive(false);
        tree_->hide();
        TreeModelTest::TearDown();
    }
    // The rows that say they are focused.
    QStringList Focused() const {
        QStringList names;
        for (int i = 0; i < iface_->childCount(); ++i)
            if (QAccessibleInterface* row = iface_->child(i); row && row->state().focused)
                names << row->text(QAccessible::Name);
        return names;
    }

    QAccessible::UpdateHandler previous_ = nullptr;
    std::vector<Heard> heard_;
    std::vector<Change> changes_;
    QAccessibleInterface* iface_ = nullptr;
};

TEST_F(TreeAccessibilityTest, TheTreeIsNamedAndItsRowsAreTheNodes) {
    EXPECT_EQ(iface_->role(), QAccessible::Tree);
    EXPECT_EQ(iface_->text(QAccessible::Name), "连接树");
    ASSERT_EQ(iface_->childCount(), 1 + 1 + 3);  // the hidden header, the root, its children
    EXPECT_TRUE(iface_->child(0)->state().invisible);
    for (int i = 1; i < iface_->childCount(); ++i) {
        QAccessibleInterface* row = iface_->child(i);
        const TreeNode* node = i == 1 ? root_ : root_->child(i - 2);
        EXPECT_EQ(row->role(), QAccessible::TreeItem);
        EXPECT_EQ(row->text(QAccessible::Name), node->text(0));
        EXPECT_EQ(iface_->indexOfChild(row), i);
        EXPECT_EQ(row->parent(), iface_);
        EXPECT_EQ(iface_->childAt(row->rect().center().x(), row->rect().center().y()), row);
    }
    EXPECT_TRUE(iface_->child(1)->state().expanded);
    // A node that goes takes its row; the rows after it move up.
    QAccessibleInterface* last = iface_->child(4);
    tree_->DeleteItem(root_->child(1));
    EXPECT_EQ(iface_->childCount(), 4);
    EXPECT_EQ(iface_->indexOfChild(last), 3);
    EXPECT_EQ(iface_->child(3)->text(QAccessible::Name), "peer 2");
}

TEST_F(TreeAccessibilityTest, OnlyTheCurrentNodeOfAFocusedTreeIsFocused) {
    tree_->clearFocus();
    tree_->setCurrentItem(root_->child(0));
    ProcessEvents();
    EXPECT_TRUE(Focused().isEmpty());  // selected, but the tree has no focus
    EXPECT_FALSE(tree_->hasFocus());
    for (const Heard& h : heard_)
        EXPECT_NE(h.name, "peer 0");
    tree_->activateWindow();
    tree_->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree_->hasFocus(); }));
    EXPECT_EQ(Focused(), QStringList{"peer 0"});
    EXPECT_EQ(iface_->focusChild()->text(QAccessible::Name), "peer 0");
    heard_.clear();
    QTest::keyClick(tree_.get(), Qt::Key_Down);
    EXPECT_EQ(tree_->currentItem(), root_->child(1));
    EXPECT_EQ(Focused(), QStringList{"peer 1"});
    ASSERT_FALSE(heard_.empty());
    for (const Heard& h : heard_) {
        // Focus news names the tree itself or its current node, never another node.
        EXPECT_TRUE(h.name == "peer 1" || h.name == "连接树") << h.name.toStdString();
        EXPECT_TRUE(h.focused);
    }
    EXPECT_TRUE(std::any_of(heard_.begin(), heard_.end(),
                            [](const Heard& h) { return h.name == "peer 1"; }));
}

// Expanding or collapsing a node is told as a change of that row's state, and its children
// come or go among the tree's rows.
TEST_F(TreeAccessibilityTest, ExpandingANodeIsToldOnItsRow) {
    changes_.clear();  // the expand when the fixture's rows came
    root_->setExpanded(false);
    ASSERT_EQ(changes_.size(), 1u);
    EXPECT_EQ(changes_[0].name, root_->text(0));
    EXPECT_FALSE(changes_[0].expanded);
    EXPECT_EQ(iface_->childCount(), 1 + 1);
    root_->setExpanded(true);
    ASSERT_EQ(changes_.size(), 2u);
    EXPECT_TRUE(changes_[1].expanded);
    EXPECT_EQ(iface_->childCount(), 1 + 1 + 3);
}

}  // namespace
}  // namespace quillet::test

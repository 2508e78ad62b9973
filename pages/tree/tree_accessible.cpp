#include "pages/tree/tree_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace quillet::pages {
namespace {

QAccessibleInterface* TreeInterface(QAbstractItemView* view) {
    return view ? QAccessible::queryAccessibleInterface(view) : nullptr;
}

// A tree view and what it tells of its nodes (the same object).
struct TreeRef {
    QAbstractItemView* view;
    AccessibleTree* tree;
};

// The leaf interfaces share what a child of the tree answers.
class TreeChildAccessible : public QAccessibleInterface {
public:
    explicit TreeChildAccessible(TreeRef tree) : m_view(tree.view), m_tree(tree.tree) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return TreeInterface(m_view.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<QAbstractItemView> m_view;
    AccessibleTree* m_tree;  // m_view's, valid while m_view is
};

// The column header the view keeps hidden.
class TreeHeaderAccessible : public TreeChildAccessible {
public:
    using TreeChildAccessible::TreeChildAccessible;
    bool isValid() const override { return !m_view.isNull(); }
    QString text(QAccessible::Text) const override { return {}; }
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = true;
        return s;
    }
};

class TreeRowAccessible : public TreeChildAccessible {
public:
    TreeRowAccessible(TreeRef tree, const TreeNode* node)
        : TreeChildAccessible(tree), m_node(node) {}

    // The tree drops a row's interface before its node goes.
    bool isValid() const override { return !m_view.isNull(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return m_node->text();
        if (t == QAccessible::Description)
            return m_node->toolTip();
        return {};
    }
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_tree->visualItemRect(m_node);
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::TreeItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const QModelIndex index = m_tree->Model()->IndexOf(m_node);
        s.selectable = true;
        s.focusable = true;
        s.selected = m_view->selectionModel()->isSelected(index);
        s.focused = m_view->hasFocus() && m_view->currentIndex() == index;
        s.expandable = m_node->childCount() > 0;
        s.expanded = s.expandable && m_node->isExpanded();
        const QRect r = m_tree->visualItemRect(m_node);
        s.invisible = !m_view->isVisible() || !m_view->viewport()->rect().intersects(r);
        s.offscreen = s.invisible;
        return s;
    }
    const TreeNode* Node() const { return m_node; }

private:
    const TreeNode* m_node;
};

class TreeAccessible : public QAccessibleWidget {
public:
    explicit TreeAccessible(TreeRef tree)
        : QAccessibleWidget(tree.view, QAccessible::Tree), m_tree(tree.tree) {
        QAbstractItemView* view = tree.view;
        TreeModel* model = m_tree->Model();
        QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, view,
                         [view](const QModelIndex& parent, int first, int last) {
                             if (auto* self = Of(view))
                                 self->DropRows(parent, first, last);
                         });
        QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, view, [view] {
            if (auto* self = Of(view))
                self->DropAll();
        });
    }
    ~TreeAccessible() override { DropAll(); }

    int childCount() const override { return 1 + Tree()->FlatRowCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return Header();
        const TreeNode* node = Tree()->NodeAtFlatRow(index - 1);
        return node ? Row(node) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->parent() != this)
            return -1;
        if (child->role() == QAccessible::ColumnHeader)
            return 0;
        const int row = Tree()->FlatRow(static_cast<const TreeRowAccessible*>(child)->Node());
        return row < 0 ? -1 : row + 1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = View()->viewport()->mapFromGlobal(QPoint(x, y));
        const TreeNode* node = Tree()->itemAt(at);
        return node ? Row(node) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const TreeNode* current = Tree()->currentItem();
        return View()->hasFocus() && current ? Row(current) : nullptr;
    }

private:
    static TreeAccessible* Of(QAbstractItemView* view) {
        // Only an interface that already exists has rows to drop.
        return static_cast<TreeAccessible*>(QAccessible::queryAccessibleInterface(view));
    }
    QAbstractItemView* View() const { return static_cast<QAbstractItemView*>(widget()); }
    AccessibleTree* Tree() const { return m_tree; }
    TreeRef Ref() const { return {View(), m_tree}; }

    QAccessibleInterface* Header() const {
        if (!m_header)
            m_header = QAccessible::registerAccessibleInterface(new TreeHeaderAccessible(Ref()));
        return QAccessible::accessibleInterface(m_header);
    }
    QAccessibleInterface* Row(const TreeNode* node) const {
        if (const auto it = m_rows.constFind(node); it != m_rows.cend())
            return QAccessible::accessibleInterface(*it);
        auto* row = new TreeRowAccessible(Ref(), node);
        m_rows.insert(node, QAccessible::registerAccessibleInterface(row));
        return row;
    }
    void Drop(const TreeNode* node) {
        for (int i = 0; i < node->childCount(); ++i)
            Drop(node->child(i));
        if (const auto id = m_rows.take(node))
            QAccessible::deleteAccessibleInterface(id);
    }
    void DropRows(const QModelIndex& parent, int first, int last) {
        const TreeNode* p = parent.isValid() ? TreeModel::NodeAt(parent) : Tree()->Model()->Top();
        for (int row = first; row <= last; ++row)
            if (const TreeNode* node = p->child(row))
                Drop(node);
    }
    void DropAll() {
        for (QAccessible::Id id : std::as_const(m_rows))
            QAccessible::deleteAccessibleInterface(id);
        m_rows.clear();
        if (m_header)
            QAccessible::deleteAccessibleInterface(std::exchange(m_header, 0));
    }

    AccessibleTree* m_tree;
    mutable QHash<const TreeNode*, QAccessible::Id> m_rows;  // node -> registered interface
    mutable QAccessible::Id m_header = 0;
};

QAccessibleInterface* TreeFactory(const QString& className, QObject* object) {
    // Asked once per class of the object's chain: answer for its own class only.
    auto* view = qobject_cast<QAbstractItemView*>(object);
    if (!view || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* tree = dynamic_cast<AccessibleTree*>(view);
    return tree ? new TreeAccessible({view, tree}) : nullptr;
}

}  // namespace

void InstallTreeAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(TreeFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace quillet::pages

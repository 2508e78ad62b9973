#pragma once
// The model behind a connection tree: rows are the tree's nodes, read when the view asks for
// them (no item objects per row). Inserts come as one notice per batch; changes of text, icon
// or boldness are gathered and announced once per pass of the event loop, only for the rows in
// sight (what is out of sight is read afresh when it scrolls in). User-interface thread only.
#include <QAbstractItemModel>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QList>

#include <optional>
#include <utility>
#include <vector>

#include "pages/tree/tree_node.h"

namespace quillet::pages {

// What the model and its nodes ask of the view that shows them. The view implements it, so the
// model knows no view class and the includes go from the view to the model only.
class TreeShown {
public:
    virtual bool IsShownExpanded(const QModelIndex& index) const = 0;
    virtual void SetShownExpanded(const QModelIndex& index, bool expanded) = 0;
    virtual bool IsShownSelected(const QModelIndex& index) const = 0;
    virtual const QList<QIcon>& ImageList() const = 0;
    virtual QFont ShownFont() const = 0;
    // Of rows first..last of `parent`'s children, those that may be in sight; nullopt when none.
    virtual std::optional<std::pair<int, int>> RowsInSight(const TreeNode* parent, int first,
                                                           int last) const = 0;

protected:
    ~TreeShown() = default;
};

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // `owner` owns the model; `view` shows it and outlives it.
    TreeModel(QObject* owner, TreeShown* view);
    ~TreeModel() override;

    TreeShown* View() const { return m_view; }
    // The hidden node whose children are the top-level nodes.
    TreeNode* Top() { return &m_top; }
    QModelIndex IndexOf(const TreeNode* node) const;
    static TreeNode* NodeAt(const QModelIndex& index);

    // Appends `nodes` (not yet in a tree) as the last children of `parent` (top level when
    // null), with one insert notice.
    void Append(TreeNode* parent, const std::vector<TreeNode*>& nodes);
    // Removes `node` and its children from the tree and deletes them.
    void Remove(TreeNode* node);
    // Deletes every node.
    void Clear();
    // The node's text, icon or boldness changed: announced with the others of this pass.
    void Changed(TreeNode* node);
    // Announces the gathered changes now (the view repaints those in sight).
    void FlushChanges();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TreeNode* NodeOrTop(const QModelIndex& index) const;
    // True for a node below the top level while no such node has children (the pages' trees):
    // told from the index alone, so a layout over every row reads no node.
    bool IsLeafBelowTop(const QModelIndex& index) const;
    void Adopt(TreeNode* node, TreeNode* parent, int row);

    TreeShown* m_view;
    TreeNode m_top;
    // Changed rows per parent (first, last) waiting for FlushChanges.
    QHash<TreeNode*, std::pair<int, int>> m_dirty;
    bool m_flushPosted = false;
    bool m_deep = false;  // some node below the top level has had children
};

}  // namespace quillet::pages

#pragma once
// What screen readers see of a connection tree: a tree whose children are its rows as shown
// (child 0 is the hidden column header, as for the framework's trees, so the view's own
// notices name the right row), each a tree item with the node's text, rectangle and states.
// Row interfaces are made when asked for and kept per node, so a row's index is found from
// its node at once and inserts renumber nothing. Only the current node of a tree that has the
// keyboard focus says it is focused.
//
// Threads: user-interface thread only (Qt's accessibility runs there).
#include <QPoint>
#include <QRect>
#include <QAbstractItemView>

#include "pages/tree/tree_model.h"
#include "pages/tree/tree_node.h"

namespace quillet::pages {

// What a screen reader's view of a tree asks of the tree widget beside the item view's own: the
// widget implements it, so this file knows no widget class and the includes go one way.
class AccessibleTree {
public:
    virtual TreeModel* Model() const = 0;
    // The rows as shown: a node's row (-1 when not shown), the node at a row, how many.
    virtual int FlatRow(const TreeNode* node) const = 0;
    virtual TreeNode* NodeAtFlatRow(int row) const = 0;
    virtual int FlatRowCount() const = 0;
    virtual TreeNode* itemAt(const QPoint& pos) const = 0;
    virtual QRect visualItemRect(const TreeNode* node) const = 0;
    virtual TreeNode* currentItem() const = 0;

protected:
    ~AccessibleTree() = default;
};

// Registers the accessibility factory for tree views that are an AccessibleTree; later calls
// do nothing.
void InstallTreeAccessibility();

}  // namespace quillet::pages

#pragma once
// One node of a connection tree: its text, icon index, bold flag and the page's record behind
// it. The tree's model owns its nodes; a node stays valid until the tree deletes it
// (CTreeCtrlEx::DeleteItem, clear) or the tree goes. User-interface thread only.
#include <QFont>
#include <QIcon>
#include <QString>

#include <vector>

namespace quillet::pages {

class CTreeCtrlEx;
class TreeModel;

class TreeNode {
public:
    // A node not yet in a tree, for CTreeCtrlEx::AppendItems.
    explicit TreeNode(const QString& text = {}) : m_text(text) {}
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    QString text(int column = 0) const {
        (void)column;
        return m_text;
    }
    void setText(int column, const QString& text);
    QString toolTip(int column = 0) const {
        (void)column;
        return m_toolTip;
    }
    void setToolTip(int column, const QString& text) {
        (void)column;
        m_toolTip = text;  // read when the tooltip is asked for
    }
    // Null for a top-level node.
    TreeNode* parent() const { return m_parent && m_parent->m_parent ? m_parent : nullptr; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    TreeNode* child(int i) const {
        return i >= 0 && i < childCount() ? m_children[static_cast<size_t>(i)] : nullptr;
    }
    int indexOfChild(const TreeNode* node) const {
        return node && node->m_parent == this ? node->m_row : -1;
    }
    // The node's place among its parent's children.
    int Row() const { return m_row; }
    bool isExpanded() const;
    void setExpanded(bool expanded);
    bool isSelected() const;
    // The icon the tree shows for the node, and its font (bold or not).
    QIcon icon(int column = 0) const;
    QFont font(int column = 0) const;
    CTreeCtrlEx* treeWidget() const;

private:
    friend class TreeModel;
    friend class CTreeCtrlEx;
    ~TreeNode();  // through the tree only

    TreeModel* m_model = nullptr;  // null until the node joins a tree
    TreeNode* m_parent = nullptr;  // the model's hidden top for a top-level node
    int m_row = 0;
    int m_image = -1;
    bool m_bold = false;
    bool m_expanded = false;  // kept by the view: its children are shown when it has any
    void* m_data = nullptr;
    quint64 m_storeKey = 0;  // its entry in the colour-and-font store, 0 before one
    QString m_text;
    QString m_toolTip;
    std::vector<TreeNode*> m_children;
};

}  // namespace quillet::pages

#include "pages/tree/tree_model.h"

#include <QTimer>

#include <algorithm>

namespace quillet::pages {

TreeNode::~TreeNode() {
    for (TreeNode* child : m_children)
        delete child;
}

void TreeNode::setText(int column, const QString& text) {
    (void)column;
    if (m_text == text)
        return;
    m_text = text;
    if (m_model)
        m_model->Changed(this);
}

bool TreeNode::isExpanded() const {
    return m_model && m_model->View()->IsShownExpanded(m_model->IndexOf(this));
}

void TreeNode::setExpanded(bool expanded) {
    if (m_model)
        m_model->View()->SetShownExpanded(m_model->IndexOf(this), expanded);
}

bool TreeNode::isSelected() const {
    return m_model && m_model->View()->IsShownSelected(m_model->IndexOf(this));
}

QIcon TreeNode::icon(int column) const {
    (void)column;
    if (!m_model)
        return {};
    const QList<QIcon>& icons = m_model->View()->ImageList();
    return m_image >= 0 && m_image < icons.size() ? icons[m_image] : QIcon();
}

QFont TreeNode::font(int column) const {
    (void)column;
    QFont f = m_model ? m_model->View()->ShownFont() : QFont();
    f.setBold(m_bold);
    return f;
}

TreeModel::TreeModel(QObject* owner, TreeShown* view) : QAbstractItemModel(owner), m_view(view) {
    m_top.m_model = this;
}

TreeModel::~TreeModel() = default;  // m_top deletes every node

QModelIndex TreeModel::IndexOf(const TreeNode* node) const {
    if (!node || node == &m_top || node->m_model != this)
        return {};
    return createIndex(node->m_row, 0, const_cast<TreeNode*>(node));
}

TreeNode* TreeModel::NodeAt(const QModelIndex& index) {
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

TreeNode* TreeModel::NodeOrTop(const QModelIndex& index) const {
    return index.isValid() ? NodeAt(index) : const_cast<TreeNode*>(&m_top);
}

void TreeModel::Adopt(TreeNode* node, TreeNode* parent, int row) {
    node->m_model = this;
    node->m_parent = parent;
    node->m_row = row;
    for (int i = 0; i < node->childCount(); ++i)
        Adopt(node->m_children[static_cast<size_t>(i)], node, i);
}

void TreeModel::Append(TreeNode* parent, const std::vector<TreeNode*>& nodes) {
    if (nodes.empty())
        return;
    if (!parent)
        parent = &m_top;
    m_deep = m_deep || (parent != &m_top && parent->m_parent != &m_top);
    for (const TreeNode* node : nodes)
        m_deep = m_deep || (parent != &m_top && !node->m_children.empty());
    const int first = parent->childCount();
    beginInsertRows(IndexOf(parent), first, first + static_cast<int>(nodes.size()) - 1);
    parent->m_children.reserve(parent->m_children.size() + nodes.size());
    for (TreeNode* node : nodes) {
        Adopt(node, parent, parent->childCount());
        parent->m_children.push_back(node);
    }
    endInsertRows();
}

void TreeModel::Remove(TreeNode* node) {
    if (!node || node->m_model != this || node == &m_top)
        return;
    TreeNode* parent = node->m_parent;
    const int row = node->m_row;
    beginRemoveRows(IndexOf(parent), row, row);
    parent->m_children.erase(parent->m_children.begin() + row);
    for (int i = row; i < parent->childCount(); ++i)
        parent->m_children[static_cast<size_t>(i)]->m_row = i;
    endRemoveRows();
    m_dirty.remove(node);  // its children's changes go with it
    delete node;
}

void TreeModel::Clear() {
    beginResetModel();
    for (TreeNode* node : m_top.m_children)
        delete node;
    m_top.m_children.clear();
    m_dirty.clear();
    endResetModel();
}

void TreeModel::Changed(TreeNode* node) {
    if (!node || node->m_model != this || node == &m_top)
        return;
    auto it = m_dirty.find(node->m_parent);
    if (it == m_dirty.end())
        m_dirty.insert(node->m_parent, {node->m_row, node->m_row});
    else
        *it = {std::min(it->first, node->m_row), std::max(it->second, node->m_row)};
    if (!m_flushPosted) {
        m_flushPosted = true;
        QTimer::singleShot(0, this, [this] { FlushChanges(); });
    }
}

void TreeModel::FlushChanges() {
    m_flushPosted = false;
    const auto dirty = std::exchange(m_dirty, {});
    for (auto it = dirty.begin(); it != dirty.end(); ++it) {
        TreeNode* parent = it.key();
        const int last = std::min(it->second, parent->childCount() - 1);
        if (last < it->first)
            continue;
        const auto rows = m_view->RowsInSight(parent, it->first, last);
        if (!rows)
            continue;
        emit dataChanged(index(rows->first, 0, IndexOf(parent)),
                         index(rows->second, 0, IndexOf(parent)));
    }
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    const TreeNode* p = NodeOrTop(parent);
    if (column != 0 || row < 0 || row >= p->childCount())
        return {};
    return createIndex(row, 0, p->m_children[static_cast<size_t>(row)]);
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = NodeAt(child);
    return node ? IndexOf(node->m_parent) : QModelIndex();
}

bool TreeModel::IsLeafBelowTop(const QModelIndex& index) const {
    if (m_deep || !index.isValid())
        return false;
    const auto& top = m_top.m_children;
    return std::find(top.begin(), top.end(), index.internalPointer()) == top.end();
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0 || IsLeafBelowTop(parent))
        return 0;
    return NodeOrTop(parent)->childCount();
}

int TreeModel::columnCount(const QModelIndex& parent) const {
    (void)parent;
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = NodeAt(index);
    if (!node)
        return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return node->m_text;
        case Qt::DecorationRole: {
            const QList<QIcon>& icons = m_view->ImageList();
            if (node->m_image >= 0 && node->m_image < icons.size())
                return icons[node->m_image];
            return {};
        }
        case Qt::ToolTipRole:
            return node->m_toolTip.isEmpty() ? QVariant() : QVariant(node->m_toolTip);
        case Qt::FontRole:
            return node->m_bold ? QVariant(node->font()) : QVariant();
        default:
            return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // A connection's node never has children: the view skips looking for them.
    if (IsLeafBelowTop(index))
        f |= Qt::ItemNeverHasChildren;
    return f;
}

}  // namespace quillet::pages

// The connection tree as an item view: rows of one height numbered from the top-level nodes
// (a node's row is its place among the rows shown), so finding a row, scrolling, moving the
// cursor, selecting and painting cost what is in sight plus one step per top-level node, and
// rows that come or go change the scroll range without a layout of every row.
#include "pages/tree/tree_ctrl_ex.h"

#include <QAccessible>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "pages/tree/tree_model.h"

namespace quillet::pages {

namespace {
// The children a top-level node shows: all of them while expanded, none otherwise.
int ShownChildren(const TreeNode* top, bool expanded) {
    return expanded ? top->childCount() : 0;
}
}  // namespace

int CTreeCtrlEx::FlatRow(const TreeNode* node) const {
    if (!node || node->m_model != m_model)
        return -1;
    int flat = 0;
    const TreeNode* top = m_model->Top();
    for (int i = 0; i < top->childCount(); ++i) {
        const TreeNode* t = top->child(i);
        const bool open = t->m_expanded;
        if (t == node)
            return flat;
        if (node->m_parent == t)
            return open ? flat + 1 + node->Row() : -1;
        flat += 1 + ShownChildren(t, open);
    }
    return -1;
}

TreeNode* CTreeCtrlEx::NodeAtFlatRow(int row) const {
    const TreeNode* top = m_model->Top();
    for (int i = 0; i < top->childCount() && row >= 0; ++i) {
        TreeNode* t = top->child(i);
        if (row == 0)
            return t;
        const int shown = ShownChildren(t, t->m_expanded);
        if (row <= shown)
            return t->child(row - 1);
        row -= 1 + shown;
    }
    return nullptr;
}

int CTreeCtrlEx::FlatRowCount() const {
    int count = 0;
    const TreeNode* top = m_model->Top();
    for (int i = 0; i < top->childCount(); ++i)
        count += 1 + ShownChildren(top->child(i), top->child(i)->m_expanded);
    return count;
}

int CTreeCtrlEx::FlatRowOfChild(const TreeNode* parent, int row) const {
    const TreeNode* top = m_model->Top();
    if (parent == top) {
        int flat = 0;
        for (int i = 0; i < row && i < top->childCount(); ++i)
            flat += 1 + ShownChildren(top->child(i), top->child(i)->m_expanded);
        return flat;
    }
    if (!parent || parent->m_parent != top || !parent->m_expanded)
        return -1;  // a collapsed node's children, or a level the tree does not show
    const int at = FlatRow(parent);
    return at < 0 ? -1 : at + 1 + row;
}

std::optional<std::pair<int, int>> CTreeCtrlEx::RowsInSight(const TreeNode* parent, int first,
                                                            int last) const {
    if (!isVisible())
        return std::nullopt;  // painted afresh when shown
    if (parent == m_model->Top())
        return std::pair{first, last};  // as many as there are top-level nodes
    const int base = FlatRowOfChild(parent, 0);
    if (base < 0)
        return std::nullopt;
    const int top = FirstShownRow();
    const int from = std::max(first, top - base);
    const int to = std::min(last, top + RowsInView() - base);
    if (from > to)
        return std::nullopt;
    return std::pair{from, to};
}

void CTreeCtrlEx::setIndentation(int pixels) {
    m_indent = pixels;
    viewport()->update();
}

void CTreeCtrlEx::setRootIsDecorated(bool show) {
    m_rootDecorated = show;
    viewport()->update();
}

bool CTreeCtrlEx::isExpanded(const QModelIndex& index) const {
    const TreeNode* node = NodeAt(index);
    return node && node->m_expanded;
}

void CTreeCtrlEx::setExpanded(const QModelIndex& index, bool expanded) {
    TreeNode* node = NodeAt(index);
    if (!node || node->m_expanded == expanded)
        return;
    // Rows that come or go above the first row shown keep the view still.
    const int at = FlatRow(node);
    const int first = FirstShownRow();
    node->m_expanded = expanded;
    const int moved = node->parent() ? 0 : node->childCount();
    const int shift = expanded ? moved : -std::min(moved, first - at - 1);
    updateGeometries();  // the range first: a shorter one may have moved the first row
    if (at >= 0 && at < first && moved > 0)
        verticalScrollBar()->setValue(first + shift);
    viewport()->update();
    if (QAccessible::isActive() && at >= 0) {
        QAccessible::State changed;
        changed.expanded = true;
        changed.collapsed = true;
        QAccessibleStateChangeEvent news(this, changed);
        news.setChild(at + 1);  // child 0 is the hidden header
        QAccessible::updateAccessibility(&news);
    }
    if (expanded)
        emit this->expanded(index);
    else
        emit collapsed(index);
}

void CTreeCtrlEx::expandAll() {
    const TreeNode* top = m_model->Top();
    for (int i = 0; i < top->childCount(); ++i)
        top->child(i)->m_expanded = true;
    updateGeometries();
    viewport()->update();
}

int CTreeCtrlEx::RowHeight() const {
    if (m_rowHeight > 0)
        return m_rowHeight;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = m_model->index(0, 0);
    if (!first.isValid())
        return std::max({1, iconSize().height(), fontMetrics().height()});
    // As the framework's tree with rows of one height: the first row's height for all.
    m_rowHeight = std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
    return m_rowHeight;
}

int CTreeCtrlEx::IndentOf(const TreeNode* node) const {
    const int level = (node && node->parent() ? 1 : 0) + (m_rootDecorated ? 1 : 0);
    return level * m_indent;
}

int CTreeCtrlEx::FirstShownRow() const {
    return verticalScrollBar()->value();
}

int CTreeCtrlEx::RowsInView() const {
    return std::max(1, viewport()->height() / RowHeight());
}

int CTreeCtrlEx::verticalOffset() const {
    return FirstShownRow() * RowHeight();
}

QRect CTreeCtrlEx::visualRect(const QModelIndex& index) const {
    const TreeNode* node = NodeAt(index);
    const int flat = FlatRow(node);
    if (flat < 0)
        return {};
    const int h = RowHeight();
    const int x = IndentOf(node);
    return QRect(x, (flat - FirstShownRow()) * h, viewport()->width() - x, h);
}

QModelIndex CTreeCtrlEx::indexAt(const QPoint& point) const {
    if (point.y() < 0)
        return {};
    return IndexOf(NodeAtFlatRow(FirstShownRow() + point.y() / RowHeight()));
}

QRect CTreeCtrlEx::ToggleCell(const QModelIndex& index) const {
    const TreeNode* node = NodeAt(index);
    if (!node || node->childCount() == 0 || (!node->parent() && !m_rootDecorated))
        return {};
    const QRect row = visualRect(index);
    return QRect(row.left() - m_indent, row.top(), m_indent, row.height());
}

void CTreeCtrlEx::scrollTo(const QModelIndex& index, ScrollHint hint) {
    TreeNode* node = NodeAt(index);
    if (!node)
        return;
    if (TreeNode* parent = node->parent(); parent && !parent->m_expanded)
        setExpanded(IndexOf(parent), true);  // as the framework's tree: show it
    const int flat = FlatRow(node);
    if (flat < 0)
        return;
    const int first = FirstShownRow();
    const int rows = RowsInView();
    int top = first;
    switch (hint) {
        case PositionAtTop:
            top = flat;
            break;
        case PositionAtBottom:
            top = flat - rows + 1;
            break;
        case PositionAtCenter:
            top = flat - rows / 2;
            break;
        case EnsureVisible:
            if (flat < first)
                top = flat;
            else if (flat >= first + rows)
                top = flat - rows + 1;
            break;
    }
    verticalScrollBar()->setValue(top);
}

QModelIndex CTreeCtrlEx::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    (void)modifiers;
    const int count = FlatRowCount();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    TreeNode* node = NodeAt(current);
    int row = FlatRow(node);
    if (row < 0 && node && node->parent())
        row = FlatRow(node->parent());  // in a collapsed node: move from the node
    if (row < 0)  // no current node yet: End goes to the last row, any other key the first
        return IndexOf(NodeAtFlatRow(cursorAction == MoveEnd ? count - 1 : 0));
    switch (cursorAction) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = count - 1;
            break;
        case MovePageUp:
            row -= RowsInView();
            break;
        case MovePageDown:
            row += RowsInView();
            break;
        case MoveLeft:
            if (node->m_expanded && node->childCount() > 0) {
                setExpanded(current, false);
                return current;
            }
            return node->parent() ? IndexOf(node->parent()) : current;
        case MoveRight:
            if (node->childCount() == 0)
                return current;
            if (!node->m_expanded) {
                setExpanded(current, true);
                return current;
            }
            return IndexOf(node->child(0));
    }
    return IndexOf(NodeAtFlatRow(std::clamp(row, 0, count - 1)));
}

bool CTreeCtrlEx::isIndexHidden(const QModelIndex& index) const {
    return FlatRow(NodeAt(index)) < 0;
}

void CTreeCtrlEx::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    // The rows the rectangle crosses, clipped to those in sight.
    const QRect area = rect.normalized().intersected(viewport()->rect());
    QItemSelection selection;
    if (!area.isEmpty()) {
        const int h = RowHeight();
        for (int y = area.top() - area.top() % h; y <= area.bottom(); y += h) {
            const QModelIndex index = indexAt(QPoint(0, y));
            if (index.isValid())
                selection.select(index, index);
        }
    }
    if (selection.isEmpty()) {
        if (command & QItemSelectionModel::Clear)
            selectionModel()->clearSelection();
        return;
    }
    selectionModel()->select(selection, command);
}

QRegion CTreeCtrlEx::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int h = RowHeight();
    const int first = FirstShownRow();
    const int last = first + RowsInView();
    const int width = viewport()->width();
    for (const QItemSelectionRange& range : selection) {
        const TreeNode* parent = range.parent().isValid() ? NodeAt(range.parent()) : m_model->Top();
        if (parent == m_model->Top()) {
            for (int r = range.top(); r <= range.bottom(); ++r)
                if (const int flat = FlatRowOfChild(parent, r); flat >= first && flat <= last)
                    region += QRect(0, (flat - first) * h, width, h);
            continue;
        }
        const int base = FlatRowOfChild(parent, 0);
        if (base < 0)
            continue;
        const int from = std::max(base + range.top(), first);
        const int to = std::min(base + range.bottom(), last);
        if (from <= to)
            region += QRect(0, (from - first) * h, width, (to - from + 1) * h);
    }
    return region;
}

void CTreeCtrlEx::updateGeometries() {
    const int rows = RowsInView();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(rows);
    bar->setRange(0, std::max(0, FlatRowCount() - rows));
    horizontalScrollBar()->setRange(0, 0);
    QAbstractItemView::updateGeometries();
}

void CTreeCtrlEx::scrollContentsBy(int dx, int dy) {
    (void)dx;
    (void)dy;
    viewport()->update();
}

void CTreeCtrlEx::ShiftTopRow(int by) {
    verticalScrollBar()->setValue(FirstShownRow() + by);
}

void CTreeCtrlEx::UpdateFlatRows(int first, int last) {
    const int top = FirstShownRow();
    const int from = std::max(first, top);
    const int to = std::min(last, top + RowsInView());
    if (from > to)
        return;
    const int h = RowHeight();
    viewport()->update(QRect(0, (from - top) * h, viewport()->width(), (to - from + 1) * h));
}

void CTreeCtrlEx::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    const TreeNode* p = parent.isValid() ? NodeAt(parent) : m_model->Top();
    if (p == m_model->Top() && start == 0)
        m_rowHeight = 0;  // measured again on the new first row
    const int at = FlatRowOfChild(p, start);
    int count = end - start + 1;
    if (p == m_model->Top())
        count = FlatRowOfChild(p, end + 1) - at;
    const int first = FirstShownRow();
    updateGeometries();
    if (at < 0) {
        if (start == 0)
            UpdateFlatRows(FlatRow(p), FlatRow(p));  // its box comes
        return;
    }
    if (at < first)
        ShiftTopRow(count);
    else  // the row above: its box or its line down to the new rows
        UpdateFlatRows(at - 1, FlatRowCount() - 1);
}

void CTreeCtrlEx::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    const TreeNode* p = parent.isValid() ? NodeAt(parent) : m_model->Top();
    const int at = FlatRowOfChild(p, start);
    const int count = p == m_model->Top() ? FlatRowOfChild(p, end + 1) - at : end - start + 1;
    const int first = FirstShownRow();
    m_removedAbove = at >= 0 && at < first ? std::min(count, first - at) : 0;
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
}

void CTreeCtrlEx::RowsRemoved() {
    const int above = std::exchange(m_removedAbove, 0);
    const int first = FirstShownRow();
    updateGeometries();
    if (above > 0)
        verticalScrollBar()->setValue(first - above);
    viewport()->update();
}

void CTreeCtrlEx::reset() {
    m_rowHeight = 0;
    m_removedAbove = 0;
    QAbstractItemView::reset();
    updateGeometries();
    viewport()->update();
}

void CTreeCtrlEx::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect area = event->rect();
    const int h = RowHeight();
    const int width = viewport()->width();
    const QModelIndex current = currentIndex();
    int row = FirstShownRow() + std::max(0, area.top()) / h;
    int y = (row - FirstShownRow()) * h;
    // Walks the rows in sight from the first one touched: a node's next row is its next
    // sibling, its first child when expanded, or the next top-level node.
    TreeNode* node = NodeAtFlatRow(row);
    const TreeNode* top = m_model->Top();
    while (node && y <= area.bottom()) {
        const QModelIndex index = IndexOf(node);
        const int indent = IndentOf(node);
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = QRect(indent, y, width - indent, h);
        option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        if (isActiveWindow())
            option.state |= QStyle::State_Active;
        drawBranches(&p, QRect(0, y, indent, h), index);
        itemDelegateForIndex(index)->paint(&p, option, index);
        y += h;
        TreeNode* parent = node->m_parent;
        if (parent == top && node->m_expanded && node->childCount() > 0)
            node = node->child(0);
        else if (TreeNode* next = parent->child(node->Row() + 1))
            node = next;
        else
            node = parent == top ? nullptr : top->child(parent->Row() + 1);
    }
}

}  // namespace quillet::pages

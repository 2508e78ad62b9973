#include "pages/tree/tree_ctrl_ex.h"

#include "engine/thread_check.h"
#include "pages/common/engine_names.h"
#include "pages/tree/tree_accessible.h"
#include "pages/tree/tree_model.h"

#include <QAccessible>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "skin/crisp_lines.h"
#include "skin/ui_kit.h"

namespace quillet::pages {
namespace {

QHash<quint64, Color_Font>& Store() {
    static QHash<quint64, Color_Font> store;
    return store;
}

// Node pointers can be reused after a delete, so the store keys on a serial number that a node
// receives the first time it is stored: a new node never inherits an old entry.
quint64 StoreKey(TreeNode* item, quint64* key) {
    static quint64 next = 1;
    if (*key == 0)
        *key = next++;
    (void)item;
    return *key;
}

// Paints the tree's selected item itself: its text rectangle filled blue, the text white,
// 2 pixels right of and below the rectangle's corner. Other items keep the normal look.
class SelectedItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        auto* tree = static_cast<const QAbstractItemView*>(parent());
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool isSelected = tree->currentIndex().isValid() && tree->currentIndex() == index &&
                                tree->selectionModel()->isSelected(index);
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (!isSelected) {
            QStyledItemDelegate::paint(p, opt, index);
            return;
        }
        const QString text = opt.text;
        opt.text.clear();
        QStyledItemDelegate::paint(p, opt, index);  // icon and background
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : nullptr;
        QRect textRect =
            style ? style->subElementRect(QStyle::SE_ItemViewItemText, &opt, w) : opt.rect;
        const QFontMetrics fm(opt.font);
        textRect.setWidth(qMin(textRect.width(), fm.horizontalAdvance(text) + 4));
        p->save();
        p->fillRect(textRect, CTreeCtrlEx::kSelectedFill);
        p->setFont(opt.font);
        p->setPen(Qt::white);
        p->drawText(textRect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
        p->restore();
    }
};

// Lines are dotted on every other pixel of the viewport, so that the pieces drawn row by row
// join into one even line. Dots are filled pixels, which stay whole at fractional scales.
void DottedVertical(QPainter* p, int x, int top, int bottom) {
    for (int y = top; y <= bottom; ++y)
        if (((x + y) & 1) == 0)
            p->fillRect(x, y, 1, 1, CTreeCtrlEx::kLineColour);
}

void DottedHorizontal(QPainter* p, int left, int right, int y) {
    for (int x = left; x <= right; ++x)
        if (((x + y) & 1) == 0)
            p->fillRect(x, y, 1, 1, CTreeCtrlEx::kLineColour);
}

// A 9 by 9 box around (x, y) in the background colour with a minus, and a plus when collapsed.
void ExpandButton(QPainter* p, int x, int y, const QColor& fill, bool expanded) {
    constexpr int kHalf = 4, kArm = 2;
    const QRect box(x - kHalf, y - kHalf, 2 * kHalf + 1, 2 * kHalf + 1);
    p->fillRect(box, fill);
    ui::FrameRect(*p, box, CTreeCtrlEx::kLineColour);
    ui::HLine(*p, x - kArm, x + kArm, y, Qt::black);
    if (!expanded)
        ui::VLine(*p, x, y - kArm, y + kArm, Qt::black);
}

}  // namespace

CTreeCtrlEx* TreeNode::treeWidget() const {
    return m_model ? static_cast<CTreeCtrlEx*>(m_model->View()) : nullptr;
}

CTreeCtrlEx::CTreeCtrlEx(QWidget* parent) : QAbstractItemView(parent) {
    InstallTreeAccessibility();
    m_model = new TreeModel(this, this);
    setModel(m_model);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CTreeCtrlEx::RowsRemoved);
    // The first row's height is every row's: measured again when the first row changes.
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from) {
        if (from.row() == 0 && !from.parent().isValid())
            RemeasureRows();
    });
    setAccessibleName(tr("连接树"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    m_indent = style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
    setItemDelegate(new SelectedItemDelegate(this));
    HideStyleSelection();
    m_images = StandardImageList();
}

CTreeCtrlEx::CTreeCtrlEx(const QColor& background, QWidget* parent) : CTreeCtrlEx(parent) {
    m_background = background;
}

QItemSelectionModel::SelectionFlags CTreeCtrlEx::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    QItemSelectionModel::SelectionFlags flags = QAbstractItemView::selectionCommand(index, event);
    if (flags & QItemSelectionModel::Deselect)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (ToggleCell(index).contains(at)) {
        setExpanded(index, !isExpanded(index));
        event->accept();
        return;
    }
    QAbstractItemView::mousePressEvent(event);
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || ToggleCell(indexAt(at)).contains(at)) {
        event->accept();
        return;
    }
    QAbstractItemView::mouseReleaseEvent(event);
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (ToggleCell(index).contains(at)) {
        mousePressEvent(event);  // the second press on the box toggles it back
        return;
    }
    QAbstractItemView::mouseDoubleClickEvent(event);
    if (index.isValid() && m_model->hasChildren(index))
        setExpanded(index, !isExpanded(index));
}

void CTreeCtrlEx::keyPressEvent(QKeyEvent* event) {
    // Plus and minus expand and collapse the current node, as in the framework's tree.
    const QModelIndex current = currentIndex();
    if (current.isValid() && m_model->hasChildren(current) &&
        (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Minus)) {
        setExpanded(current, event->key() == Qt::Key_Plus);
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void CTreeCtrlEx::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        RemeasureRows();
    QAbstractItemView::changeEvent(event);
}

void CTreeCtrlEx::showEvent(QShowEvent* event) {
    RemeasureRows();  // the first row may have changed unannounced while hidden
    QAbstractItemView::showEvent(event);
}

void CTreeCtrlEx::RemeasureRows() {
    const int before = m_rowHeight;
    m_rowHeight = 0;
    if (RowHeight() != before) {
        updateGeometries();
        viewport()->update();
    }
}

void CTreeCtrlEx::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!current.isValid() && !previous.isValid())
        return;
    QAbstractItemView::currentChanged(current, previous);
    if (QAccessible::isActive() && current.isValid() && hasFocus()) {
        QAccessibleEvent news(this, QAccessible::Focus);
        news.setChild(FlatRow(NodeAt(current)) + 1);  // child 0 is the hidden header
        QAccessible::updateAccessibility(&news);
    }
}

void CTreeCtrlEx::drawBranches(QPainter* p, const QRect& rect, const QModelIndex& index) const {
    // One column per level, outermost first; the top level has one when lines reach the root.
    QList<QModelIndex> chain;
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        chain.prepend(i);
    if (!rootIsDecorated() && !chain.isEmpty())
        chain.removeFirst();
    const int indent = indentation();
    const int midY = rect.top() + rect.height() / 2;
    p->save();
    p->setPen(kLineColour);
    for (int level = 0; level < chain.size(); ++level) {
        const QModelIndex& node = chain[level];
        const bool more = node.sibling(node.row() + 1, 0).isValid();
        const int left = rect.left() + level * indent;
        const int midX = left + indent / 2;
        if (level + 1 < chain.size()) {
            // An ancestor's column: its line runs on to its next sibling.
            if (more)
                DottedVertical(p, midX, rect.top(), rect.bottom());
            continue;
        }
        // The item's own column: from the line above (none above the very first item), on
        // down when a sibling follows, and across to the item.
        const bool first = node.row() == 0 && !node.parent().isValid();
        DottedVertical(p, midX, first ? midY : rect.top(), more ? rect.bottom() : midY);
        DottedHorizontal(p, midX, left + indent - 1, midY);
        if (model()->hasChildren(node))
            ExpandButton(p, midX, midY, palette().color(QPalette::Base), isExpanded(node));
    }
    p->restore();
}

void CTreeCtrlEx::SetItemColor(TreeNode* item, const QColor& color) {
    if (item)
        Store()[StoreKey(item, &item->m_storeKey)].color = color;
}

QColor CTreeCtrlEx::GetItemColor(const TreeNode* item) {
    const auto it = item ? Store().constFind(item->m_storeKey) : Store().constEnd();
    return it != Store().constEnd() ? it->color : QColor();
}

void CTreeCtrlEx::SetItemFont(TreeNode* item, const QFont& font) {
    if (item)
        Store()[StoreKey(item, &item->m_storeKey)].font = font;
}

bool CTreeCtrlEx::GetItemFont(const TreeNode* item, QFont* font) {
    const auto it = item ? Store().constFind(item->m_storeKey) : Store().constEnd();
    if (it == Store().constEnd() || !it->font || it->font->family().isEmpty())
        return false;
    if (font)
        *font = *it->font;
    return true;
}

void CTreeCtrlEx::SetItemBold(TreeNode* item, bool bold) {
    if (!item || item->m_bold == bold)
        return;
    item->m_bold = bold;
    if (item->m_model)
        item->m_model->Changed(item);
}

bool CTreeCtrlEx::GetItemBold(const TreeNode* item) {
    return item && item->m_bold;
}

void CTreeCtrlEx::SetItemData(TreeNode* item, void* data) {
    if (item)
        item->m_data = data;
}

void* CTreeCtrlEx::GetItemData(const TreeNode* item) {
    return item ? item->m_data : nullptr;
}

QList<QIcon> CTreeCtrlEx::StandardImageList() {
    QList<QIcon> icons;
    for (int id : {136, 137, 140, 142, 144, 143}) {
        icons.append(ui::Icon(id));
    }
    return icons;
}

void CTreeCtrlEx::SetItemImage(TreeNode* item, int index) {
    if (!item || item->m_image == index)
        return;
    item->m_image = index;
    if (item->m_model)
        item->m_model->Changed(item);
}

int CTreeCtrlEx::GetItemImage(const TreeNode* item) {
    return item ? item->m_image : -1;
}

void CTreeCtrlEx::HideStyleSelection() {
    // The delegate paints the selected item; the style's own row and branch highlight stays
    // invisible so only the text rectangle turns blue.
    QPalette pal = palette();
    pal.setColor(QPalette::Highlight, Qt::transparent);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(pal);
}

void CTreeCtrlEx::SetBkColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    viewport()->setAutoFillBackground(true);
}

QColor CTreeCtrlEx::BkColor() const {
    return palette().color(QPalette::Base);
}

TreeNode* CTreeCtrlEx::InsertItem(const QString& text, TreeNode* parent) {
    auto* node = new TreeNode(text);
    m_model->Append(parent, {node});
    return node;
}

void CTreeCtrlEx::AppendItems(TreeNode* parent, const std::vector<TreeNode*>& nodes) {
    QUILLET_ASSERT_UI_THREAD();
    QUILLET_ASSERT_UNLOCKED();
    m_model->Append(parent, nodes);
}

void CTreeCtrlEx::DeleteItem(TreeNode* node) {
    m_model->Remove(node);
}

void CTreeCtrlEx::clear() {
    m_model->Clear();
}

TreeNode* CTreeCtrlEx::topLevelItem(int i) const {
    return m_model->Top()->child(i);
}

int CTreeCtrlEx::topLevelItemCount() const {
    return m_model->Top()->childCount();
}

TreeNode* CTreeCtrlEx::currentItem() const {
    return NodeAt(currentIndex());
}

void CTreeCtrlEx::setCurrentItem(TreeNode* node) {
    setCurrentIndex(IndexOf(node));
}

TreeNode* CTreeCtrlEx::itemAt(const QPoint& pos) const {
    return NodeAt(indexAt(pos));
}

QRect CTreeCtrlEx::visualItemRect(const TreeNode* node) const {
    return visualRect(IndexOf(node));
}

void CTreeCtrlEx::scrollToItem(const TreeNode* node) {
    scrollTo(IndexOf(node));
}

QList<TreeNode*> CTreeCtrlEx::selectedItems() const {
    QList<TreeNode*> nodes;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        nodes.append(NodeAt(index));
    return nodes;
}

QModelIndex CTreeCtrlEx::IndexOf(const TreeNode* node) const {
    return m_model->IndexOf(node);
}

TreeNode* CTreeCtrlEx::NodeAt(const QModelIndex& index) {
    return TreeModel::NodeAt(index);
}

}  // namespace quillet::pages

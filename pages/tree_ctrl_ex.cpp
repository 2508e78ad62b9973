#include "pages/tree_ctrl_ex.h"

#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "skin/crisp_lines.h"
#include "skin/ui_kit.h"

namespace quillet::pages {
namespace {

// Item pointers can be reused after a delete, so the store keys on a serial number that an
// item receives the first time it is stored: a new item never inherits an old entry.
constexpr int kStoreKeyRole = Qt::UserRole + 0x7F0;
constexpr int kDataRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 0x7F1;

QHash<quint64, Color_Font>& Store() {
    static QHash<quint64, Color_Font> store;
    return store;
}

quint64 StoreKey(QTreeWidgetItem* item) {
    static quint64 next = 1;
    QVariant key = item->data(0, kStoreKeyRole);
    if (!key.isValid()) {
        key = QVariant::fromValue<quint64>(next++);
        item->setData(0, kStoreKeyRole, key);
    }
    return key.value<quint64>();
}

const Color_Font* Find(const QTreeWidgetItem* item) {
    const QVariant key = item ? item->data(0, kStoreKeyRole) : QVariant();
    if (!key.isValid()) {
        return nullptr;
    }
    auto it = Store().constFind(key.value<quint64>());
    return it == Store().constEnd() ? nullptr : &*it;
}

// Paints the tree's selected item itself: its text rectangle filled blue, the text white,
// 2 pixels right of and below the rectangle's corner. Other items keep the normal look.
class SelectedItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        auto* tree = static_cast<const QTreeWidget*>(parent());
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const bool isSelected = tree->currentItem() != nullptr && tree->currentIndex() == index &&
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

CTreeCtrlEx::CTreeCtrlEx(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    // Rows of one height: finding a row's place never sums the heights of the rows above it,
    // which with thousands of peers costs more than the change being shown.
    setUniformRowHeights(true);
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
    QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, event);
    if (flags & QItemSelectionModel::Deselect)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
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

void CTreeCtrlEx::SetItemColor(QTreeWidgetItem* item, const QColor& color) {
    if (item == nullptr) {
        return;
    }
    Store()[StoreKey(item)].color = color;
}

QColor CTreeCtrlEx::GetItemColor(const QTreeWidgetItem* item) {
    const Color_Font* cf = Find(item);
    return cf ? cf->color : QColor();
}

void CTreeCtrlEx::SetItemFont(QTreeWidgetItem* item, const QFont& font) {
    if (item == nullptr) {
        return;
    }
    Store()[StoreKey(item)].font = font;
}

bool CTreeCtrlEx::GetItemFont(const QTreeWidgetItem* item, QFont* font) {
    const Color_Font* cf = Find(item);
    if (cf == nullptr || !cf->font || cf->font->family().isEmpty()) {
        return false;
    }
    if (font != nullptr) {
        *font = *cf->font;
    }
    return true;
}

void CTreeCtrlEx::SetItemBold(QTreeWidgetItem* item, bool bold) {
    if (item == nullptr) {
        return;
    }
    QFont f = item->font(0);
    f.setBold(bold);
    item->setFont(0, f);
}

bool CTreeCtrlEx::GetItemBold(const QTreeWidgetItem* item) {
    return item != nullptr && item->font(0).bold();
}

void CTreeCtrlEx::SetItemData(QTreeWidgetItem* item, void* data) {
    if (item != nullptr) {
        item->setData(0, kDataRole,
                      QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(data)));
    }
}

void* CTreeCtrlEx::GetItemData(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<void*>(item->data(0, kDataRole).value<quintptr>());
}

QList<QIcon> CTreeCtrlEx::StandardImageList() {
    QList<QIcon> icons;
    for (int id : {136, 137, 140, 142, 144, 143}) {
        icons.append(ui::Icon(id));
    }
    return icons;
}

void CTreeCtrlEx::SetItemImage(QTreeWidgetItem* item, int index) {
    if (item == nullptr) {
        return;
    }
    item->setData(0, kImageRole, index);
    item->setIcon(0, index >= 0 && index < m_images.size() ? m_images[index] : QIcon());
}

int CTreeCtrlEx::GetItemImage(const QTreeWidgetItem* item) {
    const QVariant v = item ? item->data(0, kImageRole) : QVariant();
    return v.isValid() ? v.toInt() : -1;
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

QTreeWidgetItem* CTreeCtrlEx::InsertItem(const QString& text, QTreeWidgetItem* parent) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    if (parent != nullptr) {
        parent->addChild(item);
    } else {
        addTopLevelItem(item);
    }
    return item;
}

}  // namespace quillet::pages

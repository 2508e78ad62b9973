#pragma once
// The connection tree of every page: a view over a model of its own nodes (TreeNode), with a
// process-wide colour-and-font store per node, a bold flag per node, the six state icons, and
// its own look for the selected node (white text on RGB(49,106,197)). Its operations mirror the
// framework tree's that the pages use. Rows are of one height and numbered as shown (top-level
// nodes and the children of expanded ones: two levels), so every operation costs the rows in
// sight plus one step per top-level node, however many children a node has: nothing is laid
// out ahead. User-interface thread only.
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QAbstractItemView>

#include <optional>
#include <utility>
#include <vector>

#include "pages/tree/tree_accessible.h"
#include "pages/tree/tree_model.h"
#include "pages/tree/tree_node.h"

namespace quillet::pages {

// What the store keeps per item. An invalid colour or no font means "none set".
struct Color_Font {
    QColor color;
    std::optional<QFont> font;
};

class CTreeCtrlEx : public QAbstractItemView, public TreeShown, public AccessibleTree {
    Q_OBJECT
public:
    // Icon indexes of the node convention.
    enum Image {
        kEndpointIdle = 0,    // icon 136
        kEndpointActive = 1,  // icon 137
        kClosed = 2,          // icon 140
        kOpen = 3,            // icon 142
        kClosedUnread = 4,    // icon 144
        kOpenUnread = 5,      // icon 143
    };
    static inline const QColor kSelectedFill{49, 106, 197};
    static inline const QColor kLineColour{128, 128, 128};  // lines and button frames

    explicit CTreeCtrlEx(QWidget* parent = nullptr);
    // Also keeps `background` (the constructor with a colour); painting uses SetBkColor.
    CTreeCtrlEx(const QColor& background, QWidget* parent = nullptr);

    // The colour-and-font store, shared by every tree of the process.
    static void SetItemColor(TreeNode* item, const QColor& color);
    static QColor GetItemColor(const TreeNode* item);  // invalid when none
    static void SetItemFont(TreeNode* item, const QFont& font);
    // True and `font` filled when a font with a family is stored for the item.
    static bool GetItemFont(const TreeNode* item, QFont* font);
    static void SetItemBold(TreeNode* item, bool bold);
    static bool GetItemBold(const TreeNode* item);

    // Item data: one pointer per item (the page's record behind the node).
    static void SetItemData(TreeNode* item, void* data);
    static void* GetItemData(const TreeNode* item);
    template <typename T>
    static T* ItemData(const TreeNode* item) {
        return static_cast<T*>(GetItemData(item));
    }

    // The six icons in index order 0..5: 136, 137, 140, 142, 144, 143.
    static QList<QIcon> StandardImageList();
    // Sets the item's icon from this tree's image list and remembers the index.
    void SetItemImage(TreeNode* item, int index);
    static int GetItemImage(const TreeNode* item);  // -1 when none was set
    void SetImageList(const QList<QIcon>& icons) { m_images = icons; }
    const QList<QIcon>& ImageList() const override { return m_images; }

    // The tree's visible background.
    void SetBkColor(const QColor& color);
    QColor BkColor() const;
    QColor ConstructedBackground() const { return m_background; }

    // Inserts a child with `text` as the last child of `parent` (top level when null).
    TreeNode* InsertItem(const QString& text, TreeNode* parent = nullptr);
    // Appends nodes made with `new TreeNode(text)` as the last children of `parent`, with one
    // insert notice for all of them; the tree owns them from now on.
    void AppendItems(TreeNode* parent, const std::vector<TreeNode*>& nodes);
    // Removes the node (and its children) and deletes it.
    void DeleteItem(TreeNode* node);
    // Deletes every node.
    void clear();
    TreeNode* SelectedItem() const { return currentItem(); }

    // The framework tree's operations that the pages and their tests use.
    TreeModel* Model() const override { return m_model; }
    TreeNode* topLevelItem(int i) const;
    int topLevelItemCount() const;
    TreeNode* currentItem() const override;
    void setCurrentItem(TreeNode* node);
    TreeNode* itemAt(const QPoint& pos) const override;
    QRect visualItemRect(const TreeNode* node) const override;
    void scrollToItem(const TreeNode* node);
    QList<TreeNode*> selectedItems() const;
    QModelIndex IndexOf(const TreeNode* node) const;
    static TreeNode* NodeAt(const QModelIndex& index);
    // Of rows first..last of `parent`'s children, those that may be in sight (all of them when
    // that cannot be told cheaply); nullopt when none is.
    std::optional<std::pair<int, int>> RowsInSight(const TreeNode* parent, int first,
                                                   int last) const override;
    // The rows of the tree as shown, top-level nodes and the children of expanded ones (the
    // pages' two levels): a node's row, -1 when it is not shown; the node at a row; how many.
    int FlatRow(const TreeNode* node) const override;
    TreeNode* NodeAtFlatRow(int row) const override;
    int FlatRowCount() const override;

    // The framework tree's look and expansion settings that the pages use.
    int indentation() const { return m_indent; }
    void setIndentation(int pixels);
    bool rootIsDecorated() const { return m_rootDecorated; }
    void setRootIsDecorated(bool show);
    bool isHeaderHidden() const { return true; }  // the tree never shows a header
    void setHeaderHidden(bool hide) { (void)hide; }
    bool uniformRowHeights() const { return true; }
    bool isExpanded(const QModelIndex& index) const;
    void setExpanded(const QModelIndex& index, bool expanded);
    void expand(const QModelIndex& index) { setExpanded(index, true); }
    void collapse(const QModelIndex& index) { setExpanded(index, false); }
    void expandAll();
    // The height of every row: the item delegate's for the first top-level node.
    int RowHeight() const;

    // TreeShown: what the model and its nodes ask of the view.
    bool IsShownExpanded(const QModelIndex& index) const override { return isExpanded(index); }
    void SetShownExpanded(const QModelIndex& index, bool expanded) override {
        setExpanded(index, expanded);
    }
    bool IsShownSelected(const QModelIndex& index) const override {
        return selectionModel()->isSelected(index);
    }
    QFont ShownFont() const override { return font(); }

    // The view's geometry, in rows of RowHeight() from the first row shown.
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void reset() override;

signals:
    void expanded(const QModelIndex& index);
    void collapsed(const QModelIndex& index);

protected:
    // Up and Down step a row, Home and End go to the ends, PageUp and PageDown a page; Left
    // collapses an expanded node or goes to its parent, Right expands a node or enters it.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    // The scroll range is the count of rows shown, scrolled a row at a time.
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    // Paints the rows in sight only: branch lines, then the delegate's icon and text.
    void paintEvent(QPaintEvent* event) override;
    // Dotted lines from each item to its parent's line and on to its next sibling, lines at the
    // root, and a boxed plus or minus on every item with children.
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const;
    // The selected node is what the page's commands act on, so it stays selected: a click on
    // empty space or a Ctrl+click never leaves the tree without a visible selection.
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;
    // Only the left button selects: the page refreshes its views and buttons on a left click
    // alone, so another button must not move the selection behind its back. A click on a
    // node's box and a double click on a node with children toggle it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // A new current node is told to screen readers only while the tree has the focus: a node
    // chosen by the program in a tree the user is not in is no focus news.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Inserts and removes cost the rows in sight: the scroll range moves, rows in sight are
    // repainted, and rows that come or go above the first row shown keep the view still.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void HideStyleSelection();
    // The branch cell of a node with children, where a click toggles it (empty when none).
    QRect ToggleCell(const QModelIndex& index) const;
    void RowsRemoved();
    void RemeasureRows();
    int IndentOf(const TreeNode* node) const;  // the width of a row's branch columns
    int FirstShownRow() const;
    int RowsInView() const;  // rows wholly in the viewport, at least one
    // The flat row where `parent`'s child `row` is or would be shown, -1 when hidden.
    int FlatRowOfChild(const TreeNode* parent, int row) const;
    // Repaints flat rows first..last where they are in sight.
    void UpdateFlatRows(int first, int last);
    void ShiftTopRow(int by);

    TreeModel* m_model = nullptr;
    int m_indent = 20;
    bool m_rootDecorated = true;
    mutable int m_rowHeight = 0;  // 0 until measured
    int m_removedAbove = 0;       // rows going above the first shown row
    QColor m_background;
    QList<QIcon> m_images;
};

}  // namespace quillet::pages

#pragma once
// The connection tree of every page: a tree view over a model of its own nodes (TreeNode),
// with a process-wide colour-and-font store per node, a bold flag per node, the six state
// icons, and its own look for the selected node (white text on RGB(49,106,197)). Its
// operations mirror the framework tree's that the pages use. User-interface thread only.
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QTimer>
#include <QTreeView>

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

class CTreeCtrlEx : public QTreeView, public TreeShown, public AccessibleTree {
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

    // TreeShown: what the model and its nodes ask of the view.
    bool IsShownExpanded(const QModelIndex& index) const override { return isExpanded(index); }
    void SetShownExpanded(const QModelIndex& index, bool expanded) override {
        setExpanded(index, expanded);
    }
    bool IsShownSelected(const QModelIndex& index) const override {
        return selectionModel()->isSelected(index);
    }
    QFont ShownFont() const override { return font(); }

protected:
    // Dotted lines from each item to its parent's line and on to its next sibling, lines at the
    // root, and a boxed plus or minus on every item with children.
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;
    // The selected node is what the page's commands act on, so it stays selected: a click on
    // empty space or a Ctrl+click never leaves the tree without a visible selection.
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;
    // Only the left button selects: the page refreshes its views and buttons on a left click
    // alone, so another button must not move the selection behind its back.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // A new current node is told to screen readers only while the tree has the focus: a node
    // chosen by the program in a tree the user is not in is no focus news.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Rows appended to a long expanded list are laid out together a little later: the view
    // lays out every shown row whenever rows come, so the wait grows with what the last layout
    // cost and the window's share spent on layouts stays bounded however long the list grows.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

public:
    void doItemsLayout() override;
    // Lays out rows whose layout was put off (any operation that needs their place calls it).
    void SettleLayout();
    // True while appended rows wait for their layout (they are in the model, not yet painted).
    bool LayoutOwed() const { return m_layoutOwed; }

private:
    void HideStyleSelection();
    bool PutsOffLayout(const QModelIndex& parent, int start, int end) const;

    TreeModel* m_model = nullptr;
    QTimer* m_layoutTimer = nullptr;
    bool m_layoutOwed = false;
    double m_lastLayoutMs = 0;  // what the last full layout took
    QColor m_background;
    QList<QIcon> m_images;
};

}  // namespace quillet::pages

#pragma once
// The connection tree of every page: a QTreeWidget with a process-wide colour-and-font store
// per item, a bold flag per item, the six state icons, and its own look for the selected item
// (white text on RGB(49,106,197)).
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QTreeWidget>

#include <optional>

namespace quillet::pages {

// What the store keeps per item. An invalid colour or no font means "none set".
struct Color_Font {
    QColor color;
    std::optional<QFont> font;
};

class CTreeCtrlEx : public QTreeWidget {
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
    static void SetItemColor(QTreeWidgetItem* item, const QColor& color);
    static QColor GetItemColor(const QTreeWidgetItem* item);  // invalid when none
    static void SetItemFont(QTreeWidgetItem* item, const QFont& font);
    // True and `font` filled when a font with a family is stored for the item.
    static bool GetItemFont(const QTreeWidgetItem* item, QFont* font);
    static void SetItemBold(QTreeWidgetItem* item, bool bold);
    static bool GetItemBold(const QTreeWidgetItem* item);

    // Item data: one pointer per item (the page's record behind the node).
    static void SetItemData(QTreeWidgetItem* item, void* data);
    static void* GetItemData(const QTreeWidgetItem* item);
    template <typename T>
    static T* ItemData(const QTreeWidgetItem* item) {
        return static_cast<T*>(GetItemData(item));
    }

    // The six icons in index order 0..5: 136, 137, 140, 142, 144, 143.
    static QList<QIcon> StandardImageList();
    // Sets the item's icon from this tree's image list and remembers the index.
    void SetItemImage(QTreeWidgetItem* item, int index);
    static int GetItemImage(const QTreeWidgetItem* item);  // -1 when none was set
    void SetImageList(const QList<QIcon>& icons) { m_images = icons; }
    const QList<QIcon>& ImageList() const { return m_images; }

    // The tree's visible background.
    void SetBkColor(const QColor& color);
    QColor BkColor() const;
    QColor ConstructedBackground() const { return m_background; }

    // Inserts a child with `text` as the last child of `parent` (top level when null).
    QTreeWidgetItem* InsertItem(const QString& text, QTreeWidgetItem* parent = nullptr);
    QTreeWidgetItem* SelectedItem() const { return currentItem(); }

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

private:
    void HideStyleSelection();

    QColor m_background;
    QList<QIcon> m_images;
};

}  // namespace quillet::pages

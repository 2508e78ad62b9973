#pragma once
// A strip of picture tabs. Each item has a rectangle and three pictures (normal, hover,
// selected); a click on another item selects it and tells the parent, after the click.
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <vector>

namespace quillet::ui {

class CSkinTab : public QWidget {
    Q_OBJECT
public:
    // The notification number the design gives the page-select message (WM_USER + 100).
    static constexpr int kPageSelectMessage = 0x464;
    // The main window's strip (its control id and objectName).
    static constexpr int kStripId = 1053;

    explicit CSkinTab(QWidget* parent = nullptr, int controlId = kStripId);

    // n empty items; the selected and hover indexes stay as they are.
    void SetItemCount(int n);
    // Item i's rectangle in the strip's coordinates (right and bottom exclusive).
    void SetItemRect(int i, int left, int top, int right, int bottom);
    // Item i's pictures by bitmap number; a number that does not exist leaves its slot empty.
    void SetItemBitmaps(int i, int normal, int hover, int selected);

    int itemCount() const { return static_cast<int>(m_items.size()); }
    QRect itemRect(int i) const;
    int selectedIndex() const { return m_selected; }
    int hoverIndex() const { return m_hover; }
    // The first item (in index order) containing `pt`, or -1.
    int HitTest(const QPoint& pt) const;

signals:
    // Queued: arrives after the click handling has returned, and only for a new selection.
    void pageSelected(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Item {
        QRect rect;
        QPixmap normal, hover, selected;  // key pixels already transparent
    };
    void DrawItem(QPainter& p, const Item& item, const QPixmap& picture) const;

    std::vector<Item> m_items;
    int m_selected = 0;
    int m_hover = -1;
};

}  // namespace quillet::ui

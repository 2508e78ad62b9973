#pragma once
// A strip of picture tabs. Each item has a rectangle and three pictures (normal, hover,
// selected); a click on another item selects it and tells the parent, after the click. Each
// item also has a name and a tooltip, which screen readers see as a page tab (see
// skin_tab_accessible.h).
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <vector>

#include "skin/skin_tab_accessible.h"

namespace quillet::ui {

class CSkinTab : public QWidget, public PictureTabs {
    Q_OBJECT
public:
    // The page-select message keeps its Windows number (WM_USER + 100), so the strip and the
    // main window that listens for it agree on one value.
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
    // Item i's words: the name a screen reader reads and the tooltip shown over it.
    void SetItemText(int i, const QString& name, const QString& toolTip);
    // Selects item i as a click on it does: nothing for the selected item or an index out of
    // range, otherwise a repaint and a queued pageSelected.
    void SelectItem(int i) override;

    int itemCount() const override { return static_cast<int>(m_items.size()); }
    QRect itemRect(int i) const override;
    QString itemName(int i) const override;
    QString itemToolTip(int i) const override;
    int selectedIndex() const override { return m_selected; }
    int hoverIndex() const override { return m_hover; }
    // The first item (in index order) containing `pt`, or -1.
    int HitTest(const QPoint& pt) const override;

signals:
    // Queued: arrives after the click handling has returned, and only for a new selection.
    void pageSelected(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Item {
        QRect rect;
        QPixmap normal, hover, selected;  // key pixels already transparent
        QString name, toolTip;
    };
    void DrawItem(QPainter& p, const Item& item, const QPixmap& picture) const;

    std::vector<Item> m_items;
    int m_selected = 0;
    int m_hover = -1;
};

}  // namespace quillet::ui

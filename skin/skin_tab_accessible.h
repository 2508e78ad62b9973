#pragma once
// What screen readers see of a picture tab strip: a page tab list whose children are the
// items, each a page tab with the item's name, its tooltip as description, its rectangle, its
// selected state and a press action that selects it.
//
// Threads: user-interface thread only (Qt's accessibility runs there).

#include <QPoint>
#include <QRect>
#include <QString>

namespace quillet::ui {

// What a screen reader asks of a picture tab strip.
class PictureTabs {
public:
    virtual int itemCount() const = 0;
    virtual QRect itemRect(int i) const = 0;
    virtual QString itemName(int i) const = 0;
    virtual QString itemToolTip(int i) const = 0;
    virtual int selectedIndex() const = 0;
    virtual int hoverIndex() const = 0;
    virtual void SelectItem(int i) = 0;
    virtual int HitTest(const QPoint& pt) const = 0;

protected:
    ~PictureTabs() = default;
};

// Registers the accessibility factory for widgets that are PictureTabs; later calls do nothing.
void InstallSkinTabAccessibility();

}  // namespace quillet::ui

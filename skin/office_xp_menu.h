#pragma once
// A pop-up menu drawn in a flat style: a blue strip on the left, a framed light-blue
// highlight for the item under the mouse. Loaded from a menu resource by number.
#include <QColor>
#include <QFont>
#include <QMenu>
#include <QSize>

#include <vector>

#include "skin/office_xp_metrics.h"

namespace quillet::ui {

class COfficeXPMenu : public QMenu {
    Q_OBJECT
public:
    // Layout constants of the image column; text items use them too.
    static constexpr int kImageWidth = xp::kImageWidth;
    static constexpr int kImageHeight = xp::kImageHeight;
    static inline const QColor kBarColor = xp::kBarColor;
    static inline const QColor kFrameColor = xp::kFrameColor;
    static inline const QColor kFillColor = xp::kFillColor;

    explicit COfficeXPMenu(QWidget* parent = nullptr);
    ~COfficeXPMenu() override;

    // Reads ":/menu/<id>.menu"; false when it is missing or malformed (the menu stays empty).
    bool LoadMenu(int resourceId);
    // The nested menu at `pos` of this level, or nullptr.
    COfficeXPMenu* SubMenu(int pos) const;
    // Releases every item and nested menu and leaves the menu empty.
    void Destroy();

    // Item size: text width + 2 * image width + 1 by max(menu bar height, image height + 4).
    static QSize MeasureItem(const QString& text, bool separator);
    static QFont MenuFont();
    static int MenuBarHeight();
    // Each channel c becomes the integer part of c + f * (255 - c).
    static QColor Lighten(const QColor& c, double f);
    // Process-wide drawing option (1 = the flat style); the first value applies when the
    // button face colour equals the menu colour, the second otherwise.
    static void SetDrawStyle(int whenFaceIsMenu, int otherwise);
    static int DrawStyle();
    // The nested menus that loaded menus have created and not yet destroyed.
    static const std::vector<const QMenu*>& PopupRegistry();

signals:
    // The command number of the item the user chose.
    void command(int id);

private:
    std::vector<COfficeXPMenu*> m_subMenus;
};

}  // namespace quillet::ui

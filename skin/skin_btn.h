#pragma once
// A push button drawn entirely from four pictures: normal, hover, pressed, disabled. The
// pictures carry the label; pixels of RGB(255,0,255) let the parent show through. The words of
// the label are also its accessible name and tooltip, and keyboard focus is drawn as a dotted
// rectangle inside the picture.
#include <QAbstractButton>
#include <QPixmap>

#include <array>

namespace quillet::ui {

class CSkinBtn : public QAbstractButton {
    Q_OBJECT
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

    // A button with command `id` (also its objectName) at `rect` in `parent`.
    CSkinBtn(QWidget* parent, int id, const QRect& rect);
    // Creates, shows and gives pictures (normal, hover, pressed, disabled) in one step.
    static CSkinBtn* Create(QWidget* parent, int id, const QRect& rect,
                            const std::array<int, 4>& bitmaps);

    // Loads the four bitmaps by number; a number that does not exist leaves its slot empty.
    void SetBitmaps(int normal, int hover, int pressed, int disabled);

    int id() const { return m_id; }
    int state() const;  // the picture shown now, 0-3
    bool hovering() const { return m_hovering; }
    // Whether the focus rectangle is drawn: the button has the focus and got it (or was used)
    // from the keyboard. A click does not show it, as on desktops that hide focus until a key.
    bool focusShown() const { return hasFocus() && m_focusFromKeyboard; }
    // The rectangle in parent coordinates (where the main window repaints the picture).
    QRect PositionInParent() const { return geometry(); }
    // The normal picture as loaded, key colour intact.
    const QPixmap& NormalPicture() const { return m_pictures[kNormal]; }
    QSize sizeHint() const override;

signals:
    // A completed click: the command reaching the parent. Hides QAbstractButton::clicked(bool).
    void clicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetHovering(bool on);

    int m_id;
    bool m_hovering = false;
    bool m_focusFromKeyboard = false;
    std::array<QPixmap, 4> m_pictures;  // as loaded
    std::array<QPixmap, 4> m_keyed;     // key pixels transparent
};

}  // namespace quillet::ui

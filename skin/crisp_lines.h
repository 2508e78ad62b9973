#pragma once
// Lines one pixel wide that stay whole on screens scaled by a fraction (1.25, 1.5). A stroked
// line whose edge falls on half a device pixel may be covered by the next widget's background or
// cover no pixel at all; a filled strip of one pixel always covers at least one whole device
// pixel, and strips that meet share no pixel. User-interface thread only.
#include <QColor>
#include <QPixmap>
#include <QProxyStyle>
#include <QRectF>

class QPainter;

namespace quillet::ui {

// The pixels drawRect(r.adjusted(0, 0, -1, -1)) would stroke with a one-pixel pen: the outermost
// ring of `r`, as four strips.
void FrameRect(QPainter& p, const QRectF& r, const QColor& colour);
// A row of pixels from x1 to x2 inclusive, and a column from y1 to y2 inclusive.
void HLine(QPainter& p, int x1, int x2, int y, const QColor& colour);
void VLine(QPainter& p, int x, int y1, int y2, const QColor& colour);
// Every other pixel of the outline of `r` (as FrameRect), starting at its top-left pixel.
void DottedFrameRect(QPainter& p, const QRect& r, const QColor& colour);

// Draws `picture` at its device-independent size from `at`, its corners moved to the nearest
// whole device pixels at fractional scales: resampled from a half-pixel origin, a picture may
// lose its outermost row or column, and with it its rim.
void DrawPicture(QPainter& p, const QPointF& at, const QPixmap& picture);

// True when `p` maps its pixels to a fractional number of device pixels.
bool FractionalScale(const QPainter& p);

// The application's style, with the frames of views, line edits and group boxes drawn at one
// device pixel per pixel and then laid on whole device pixels when the screen's scale is a
// fraction: drawn directly there, the style's one-pixel lines vanish under the views' contents.
// At whole scales it draws exactly as the application's style.
class CrispFrameStyle : public QProxyStyle {
public:
    CrispFrameStyle() = default;
    void drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
};

// Makes a CrispFrameStyle over the current style the application's style (once).
void UseCrispFrames();

}  // namespace quillet::ui

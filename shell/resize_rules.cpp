#include "shell/resize_rules.h"

namespace quillet::shell {
namespace {

WinRect Sized(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

bool TopLeft(QPoint c, const WinRect& r, DragState* d, WinRect* out) {
    const QPoint a = d->anchor;
    const WinRect& s = d->saved;
    const bool tallEnough = c.y() < r.bottom - kMinHeight;
    const bool wideEnough = c.x() < r.right - kMinWidth;
    if (tallEnough && wideEnough) {
        *out = {c.x() - a.x(), c.y() - a.y(), s.right, s.bottom};
    } else if (tallEnough && c.x() > r.right - kMinWidth) {
        *out = {s.left, c.y() - a.y(), s.left + r.width(), s.bottom};
    } else if (c.y() > r.bottom - kMinHeight && wideEnough) {
        *out = Sized(c.x() - a.x(), s.top, s.right - (c.x() - a.x()), r.height());
    } else {
        return false;
    }
    return true;
}

bool TopRight(QPoint c, const WinRect& r, DragState* d, WinRect* out) {
    const QPoint a = d->anchor;
    const WinRect& s = d->saved;
    const bool tallEnough = c.y() < r.bottom - kMinHeight;
    const int grownWidth = r.width() + c.x() - (s.left + a.x());
    if (tallEnough && c.x() > r.left + kMinWidth) {
        *out = Sized(s.left, c.y() - a.y(), grownWidth, r.height() + s.top + a.y() - c.y());
        d->anchor.setX(c.x() - s.left);
    } else if (tallEnough && c.x() < r.left + kMinWidth) {
        *out = {s.left, c.y() - a.y(), s.left + kMinWidth, s.bottom};
        d->anchor.setX(kMinWidth);
    } else if (c.y() > r.bottom - kMinHeight && c.x() > r.left + kMinWidth) {
        *out = Sized(s.left, s.top, grownWidth, r.height());
        d->anchor.setX(c.x() - s.left);
    } else {
        return false;
    }
    return true;
}

bool BottomLeft(QPoint c, const WinRect& r, DragState* d, WinRect* out) {
    const QPoint a = d->anchor;
    const WinRect& s = d->saved;
    const bool wideEnough = c.x() < r.right - kMinWidth;
    const int grownHeight = r.height() + c.y() - (s.top + a.y());
    if (c.y() > r.top + kMinHeight && wideEnough) {
        *out = Sized(c.x() - a.x(), s.top, s.right - (c.x() - a.x()), grownHeight);
        d->anchor.setY(c.y() - s.top);
    } else if (c.y() < r.top + kMinHeight && wideEnough) {
        *out = Sized(c.x() - a.x(), s.top, s.right - (c.x() - a.x()), r.height());
    } else if (c.y() > r.top + kMinHeight && c.x() > r.right - kMinWidth) {
        *out = Sized(s.left, s.top, r.width(), grownHeight);
        d->anchor = QPoint(0, c.y() - s.top);
    } else {
        return false;
    }
    return true;
}

bool BottomRight(QPoint c, const WinRect& r, DragState* d, WinRect* out) {
    const QPoint a = d->anchor;
    const WinRect& s = d->saved;
    const int grownWidth = r.width() + c.x() - (s.left + a.x());
    const int grownHeight = r.height() + c.y() - (s.top + a.y());
    if (c.y() > r.top + kMinHeight && c.x() > r.left + kMinWidth) {
        *out = Sized(s.left, s.top, grownWidth, grownHeight);
        d->anchor = QPoint(c.x() - s.left, c.y() - s.top);
    } else if (c.y() > r.top + kMinHeight && c.x() < r.left + kMinWidth) {
        *out = Sized(s.left, s.top, kMinWidth, grownHeight);
        d->anchor = QPoint(kMinWidth, c.y() - s.top);
    } else if (c.y() < r.top + kMinHeight && c.x() > r.left + kMinWidth) {
        *out = Sized(s.left, s.top, grownWidth, kMinHeight);
        d->anchor = QPoint(c.x() - s.left, kMinHeight);
    } else {
        return false;
    }
    return true;
}

bool InRect(QPoint p, int l, int t, int r, int b) {
    return p.x() >= l && p.x() < r && p.y() >= t && p.y() < b;
}

}  // namespace

int ZoneOf(QPoint pt, int w, int h) {
    const int b = kBorderWidth, c = kCornerZone;
    if (!InRect(pt, b, b, w - b, h - b))
        return kZoneNone;
    if (InRect(pt, b, b, b + c, b + c))
        return kZoneTopLeft;
    if (InRect(pt, w - c - b, b, w - b, b + c))
        return kZoneTopRight;
    if (InRect(pt, b, h - c - b, b + c, h - b))
        return kZoneBottomLeft;
    if (InRect(pt, w - c - b, h - c - b, w - b, h - b))
        return kZoneBottomRight;
    return kZoneMove;
}

bool ResizeTick(int zone, QPoint cursor, const WinRect& current, DragState* drag, WinRect* placed) {
    switch (zone) {
        case kZoneMove:
            *placed = Sized(cursor.x() - drag->anchor.x(), cursor.y() - drag->anchor.y(),
                            current.width(), current.height());
            return true;
        case kZoneTopLeft:
            return TopLeft(cursor, current, drag, placed);
        case kZoneTopRight:
            return TopRight(cursor, current, drag, placed);
        case kZoneBottomLeft:
            return BottomLeft(cursor, current, drag, placed);
        case kZoneBottomRight:
            return BottomRight(cursor, current, drag, placed);
        default:
            return false;
    }
}

}  // namespace quillet::shell

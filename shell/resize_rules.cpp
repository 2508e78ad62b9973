#include "shell/resize_rules.h"

#include <algorithm>

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

int GripZoneOf(QPoint pt, int w, int h) {
    if (!InRect(pt, 0, 0, w, h))
        return kZoneNone;
    const int g = kGripWidth, c = kCornerGrip;
    const bool top = pt.y() < g, bottom = pt.y() >= h - g;
    const bool left = pt.x() < g, right = pt.x() >= w - g;
    if (!top && !bottom && !left && !right)
        return ZoneOf(pt, w, h);
    const bool nearLeft = pt.x() < c, nearRight = pt.x() >= w - c;
    const bool nearTop = pt.y() < c, nearBottom = pt.y() >= h - c;
    if ((top || left) && nearTop && nearLeft)
        return kZoneTopLeft;
    if ((top || right) && nearTop && nearRight)
        return kZoneTopRight;
    if ((bottom || left) && nearBottom && nearLeft)
        return kZoneBottomLeft;
    if ((bottom || right) && nearBottom && nearRight)
        return kZoneBottomRight;
    return top ? kZoneTop : bottom ? kZoneBottom : left ? kZoneLeft : kZoneRight;
}

std::array<Grip, kGripCount> GripsOf(int w, int h) {
    const int g = kGripWidth, c = kCornerGrip;
    // Each corner is two strips: along the top or bottom edge, and down the side.
    return {{{kZoneTopLeft, QRect(0, 0, c, g)},
             {kZoneTopLeft, QRect(0, g, g, c - g)},
             {kZoneTopRight, QRect(w - c, 0, c, g)},
             {kZoneTopRight, QRect(w - g, g, g, c - g)},
             {kZoneBottomLeft, QRect(0, h - g, c, g)},
             {kZoneBottomLeft, QRect(0, h - c, g, c - g)},
             {kZoneBottomRight, QRect(w - c, h - g, c, g)},
             {kZoneBottomRight, QRect(w - g, h - c, g, c - g)},
             {kZoneTop, QRect(c, 0, w - 2 * c, g)},
             {kZoneBottom, QRect(c, h - g, w - 2 * c, g)},
             {kZoneLeft, QRect(0, c, g, h - 2 * c)},
             {kZoneRight, QRect(w - g, c, g, h - 2 * c)}}};
}

Qt::Edges EdgesOf(int zone) {
    switch (zone) {
        case kZoneTopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case kZoneTop:
            return Qt::TopEdge;
        case kZoneTopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case kZoneLeft:
            return Qt::LeftEdge;
        case kZoneRight:
            return Qt::RightEdge;
        case kZoneBottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case kZoneBottom:
            return Qt::BottomEdge;
        case kZoneBottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

bool EdgeTick(int zone, QPoint cursor, const WinRect& current, WinRect* placed) {
    WinRect r = current;
    switch (zone) {
        case kZoneTop:
            r.top = std::min(cursor.y(), current.bottom - kMinHeight);
            break;
        case kZoneLeft:
            r.left = std::min(cursor.x(), current.right - kMinWidth);
            break;
        case kZoneRight:
            r.right = std::max(cursor.x() + 1, current.left + kMinWidth);
            break;
        case kZoneBottom:
            r.bottom = std::max(cursor.y() + 1, current.top + kMinHeight);
            break;
        default:
            return false;
    }
    if (r == current)
        return false;
    *placed = r;
    return true;
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

QRect CloseButtonRect(int width) {
    return QRect(QPoint(width - 21, 5), QSize(16, 16));
}

QRect MenuButtonRect(int width) {
    return QRect(QPoint(width - 81, 8), QSize(50, 18));
}

}  // namespace quillet::shell

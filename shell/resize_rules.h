#pragma once
// Where a press on the main window's surface starts a move or a corner resize, and what each
// 20 ms tick of that drag does with the cursor position. Pure functions of their arguments, so
// the rules can be driven with made-up cursor positions.
#include <QPoint>

namespace quillet::shell {

// Window rectangles with exclusive right and bottom, in screen coordinates.
struct WinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const WinRect&) const = default;
};

constexpr int kBorderWidth = 4;
constexpr int kCornerZone = 3;
constexpr int kMinWidth = 170;
constexpr int kMinHeight = 400;

// Drag zones, numbered like a telephone keypad: corners 1, 3, 7, 9; 5 moves the window.
enum Zone {
    kZoneNone = 0,
    kZoneTopLeft = 1,
    kZoneTopRight = 3,
    kZoneMove = 5,
    kZoneBottomLeft = 7,
    kZoneBottomRight = 9
};

// The zone of a point in window coordinates of a w × h window; kZoneNone outside the interior
// (the four border strips and the corners beyond them start nothing).
int ZoneOf(QPoint pt, int w, int h);

// What a drag remembers between ticks: the press point in window coordinates and the window
// rectangle at the press (both updated while resizing).
struct DragState {
    QPoint anchor;
    WinRect saved;
};

// One tick of a drag in `zone` with the cursor at `cursor` (screen coordinates) and the window
// now at `current`. Returns true and the new rectangle in *placed when the window is to be
// placed; updates the drag state as the rules say. Comparisons are strict, so a cursor exactly
// on a minimum boundary leaves the window where it is.
bool ResizeTick(int zone, QPoint cursor, const WinRect& current, DragState* drag, WinRect* placed);

}  // namespace quillet::shell

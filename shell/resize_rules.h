#pragma once
// Where a press on the main window's surface starts a move or a resize (corner or edge), and
// what each 20 ms tick of that drag does with the cursor position. Pure functions of their
// arguments, so the rules can be driven with made-up cursor positions.
#include <QPoint>
#include <QRect>
#include <Qt>

#include <array>

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
// The resize grips along the window's edges: a band this deep inside each edge, its ends this
// long along both edges of a corner gripping the corner. They lie over the pages, which reach
// within 2 pixels of the edges.
constexpr int kGripWidth = 6;
constexpr int kCornerGrip = 20;
// The laid-out size is also the smallest: below it a control would be cut off.
constexpr int kMinWidth = 747;
constexpr int kMinHeight = 606;

// The caption buttons of a window `width` pixels wide: both keep their distance from the right
// edge, so they stay together in the caption band as the window grows.
QRect CloseButtonRect(int width);
QRect MenuButtonRect(int width);

// Drag zones, numbered like a telephone keypad: corners 1, 3, 7, 9; 5 moves the window.
enum Zone {
    kZoneNone = 0,
    kZoneTopLeft = 1,
    kZoneTop = 2,
    kZoneTopRight = 3,
    kZoneLeft = 4,
    kZoneMove = 5,
    kZoneRight = 6,
    kZoneBottomLeft = 7,
    kZoneBottom = 8,
    kZoneBottomRight = 9
};

// The zone of a point in window coordinates of a w × h window; kZoneNone outside the interior
// (the four border strips and the corners beyond them start nothing).
int ZoneOf(QPoint pt, int w, int h);
// The same, with the grip bands as resize grips: an edge, or a corner within kCornerGrip of it
// along either edge. Points outside the window are kZoneNone.
int GripZoneOf(QPoint pt, int w, int h);

// One resize grip: its zone and its rectangle in window coordinates.
struct Grip {
    int zone = kZoneNone;
    QRect rect;
};
// The grips of a w × h window: two strips for each corner and one for each edge between them.
// Together they cover the grip bands, and GripZoneOf gives each point of a grip its zone.
constexpr int kGripCount = 12;
std::array<Grip, kGripCount> GripsOf(int w, int h);
// The window edges a resize zone moves; none for kZoneMove and kZoneNone.
Qt::Edges EdgesOf(int zone);

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
// One tick of a drag on an edge grip (kZoneTop, kZoneLeft, kZoneRight, kZoneBottom): the edge
// follows the cursor, never closer to the opposite edge than the minimum size. Returns false
// when the window stays as it is.
bool EdgeTick(int zone, QPoint cursor, const WinRect& current, WinRect* placed);

}  // namespace quillet::shell

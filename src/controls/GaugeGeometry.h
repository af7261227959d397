#pragma once

#include <QPoint>
#include <QSize>
#include <cstdint>

// The arithmetic of the progress gauge, apart from any widget.
//
// Rectangles are given by their edges as the drawing works with them: Right
// and Bottom lie one past the last pixel (a control 81 pixels wide spans 0
// to 81).
namespace GaugeGeometry {

struct Edges {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

// How far Progress has come from Min to Max, rounded down: done 2 of span 3
// gives 66. 0 when Min equals Max.
int PercentDone(int32_t minValue, int32_t maxValue, int32_t progress);

// The client area, shrunk by the one-pixel border when there is one.
Edges PaintRect(QSize client, bool border);

// The pie: the disc bounded by (Left, Top) and (W, H), where W and H are the
// paint rectangle's width and height (plus 1 with a border); the wedge runs
// counter-clockwise from the radial through Start to the radial through End
// (12 o'clock), so that it grows clockwise from 12 o'clock.
//
//   MX = W / 2, MY = H / 2 (rounded toward zero)
//   a  = (percent * 0.02 + 0.5) * pi
//   Start = (floor(MX * (1 - cos a)), floor(MY * (1 - sin a))),  End = (MX, 0)
//
// At 100 % the rounding of Start leaves a hairline at 12 o'clock.
struct Pie {
    Edges Disc;     // Right = W, Bottom = H
    bool HasWedge;  // false at 0 % and below: only the empty disc
    QPoint Start;
    QPoint End;
    // The radials as angles around the disc's centre, in degrees
    // counter-clockwise from 3 o'clock (y pointing up), and the wedge's
    // counter-clockwise span from Start to End, in (0, 360].
    double StartDegrees;
    double EndDegrees;
    double SpanDegrees;
};
Pie PieGeometry(Edges paint, bool border, int percent);

// The angle of a point around the centre of a rectangle, in degrees
// counter-clockwise from 3 o'clock, in [0, 360).
double AngleAround(Edges box, double x, double y);

// Where the percentage text starts: centred in the paint rectangle's size,
// measured from the control's origin (not from the paint rectangle's).
QPoint TextOrigin(Edges paint, QSize text);

// The bars: w and h are the paint rectangle's width and height plus 1.
// Horizontal: floor(percent * 0.01 * w), at most w. Vertical:
// floor(percent * 0.01 * h), at most h - 1.
int HorizontalBarLength(Edges paint, int percent);
int VerticalBarLength(Edges paint, int percent);

} // namespace GaugeGeometry

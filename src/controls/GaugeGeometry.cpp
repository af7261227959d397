#include "controls/GaugeGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace GaugeGeometry {

int PercentDone(int32_t minValue, int32_t maxValue, int32_t progress)
{
    // In double precision: the span of the whole 32-bit range does not fit
    // in an int.
    const double span = double(maxValue) - double(minValue);
    if (span == 0)
        return 0;
    const double done = double(progress) - double(minValue);
    return int(std::floor(done * 100.0 / span));
}

Edges PaintRect(QSize client, bool border)
{
    Edges r{0, 0, client.width(), client.height()};
    if (border)
        r = Edges{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    return r;
}

double AngleAround(Edges box, double x, double y)
{
    const double cx = (box.Left + box.Right) / 2.0;
    const double cy = (box.Top + box.Bottom) / 2.0;
    double degrees = std::atan2(cy - y, x - cx) * 180.0 / std::numbers::pi;
    if (degrees < 0)
        degrees += 360.0;
    return degrees;
}

Pie PieGeometry(Edges paint, bool border, int percent)
{
    int w = paint.Right - paint.Left;
    int h = paint.Bottom - paint.Top;
    if (border) {
        ++w;
        ++h;
    }
    // The disc's right and bottom bounds are W and H themselves.
    Pie pie{};
    pie.Disc = Edges{paint.Left, paint.Top, w, h};
    pie.HasWedge = percent > 0;
    if (!pie.HasWedge)
        return pie;
    const int mx = w / 2;
    const int my = h / 2;
    const double a = (percent * 0.02 + 0.5) * std::numbers::pi;
    pie.Start = QPoint(int(std::floor(mx * (1 - std::cos(a)))), int(std::floor(my * (1 - std::sin(a)))));
    pie.End = QPoint(mx, 0);
    pie.StartDegrees = AngleAround(pie.Disc, pie.Start.x(), pie.Start.y());
    pie.EndDegrees = AngleAround(pie.Disc, pie.End.x(), pie.End.y());
    double span = std::fmod(pie.EndDegrees - pie.StartDegrees + 360.0, 360.0);
    if (span <= 0)
        span = 360.0;
    pie.SpanDegrees = span;
    return pie;
}

QPoint TextOrigin(Edges paint, QSize text)
{
    return QPoint((paint.Right - paint.Left - text.width() + 1) / 2,
                  (paint.Bottom - paint.Top - text.height() + 1) / 2);
}

int HorizontalBarLength(Edges paint, int percent)
{
    const int w = paint.Right - paint.Left + 1;
    return std::min(int(std::floor(percent * 0.01 * w)), w);
}

int VerticalBarLength(Edges paint, int percent)
{
    const int h = paint.Bottom - paint.Top + 1;
    return std::min(int(std::floor(percent * 0.01 * h)), h - 1);
}

} // namespace GaugeGeometry

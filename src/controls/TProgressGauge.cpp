#include "controls/TProgressGauge.h"

#include "controls/GaugeGeometry.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

using GaugeGeometry::Edges;

namespace {

QRect ToRect(const Edges& e)
{
    return QRect(e.Left, e.Top, e.Right - e.Left, e.Bottom - e.Top);
}

// The box whose one-pixel outline covers the pixels from Left to Right - 1.
QRectF OutlineBox(const Edges& e)
{
    return QRectF(e.Left + 0.5, e.Top + 0.5, e.Right - e.Left - 1, e.Bottom - e.Top - 1);
}

std::out_of_range RangeError(qint64 low, qint64 high)
{
    return std::out_of_range(QStringLiteral("Value must be between %1 and %2").arg(low).arg(high).toStdString());
}

// Combines `overlay` into `image` by exclusive-or.
void XorInto(QImage& image, const QImage& overlay)
{
    QPainter p(&image);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(0, 0, overlay);
}

} // namespace

TProgressGauge::TProgressGauge(QWidget* parent) : QWidget(parent)
{
    color_ = palette().color(QPalette::Window);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

int TProgressGauge::PercentDone() const
{
    return GaugeGeometry::PercentDone(minValue_, maxValue_, progress_);
}

// --- setters ----------------------------------------------------------------------

template <typename T>
void TProgressGauge::Change(T& member, const T& value)
{
    if (member != value) {
        member = value;
        repaint();
    }
}

void TProgressGauge::setKind(TGaugeKind kind) { Change(kind_, kind); }
void TProgressGauge::setShowText(bool show) { Change(showText_, show); }
void TProgressGauge::setBorderStyle(TBorderStyle style) { Change(borderStyle_, style); }
void TProgressGauge::setForeColor(const QColor& colour) { Change(foreColor_, colour); }
void TProgressGauge::setBackColor(const QColor& colour) { Change(backColor_, colour); }
void TProgressGauge::setColor(const QColor& colour) { Change(color_, colour); }

void TProgressGauge::setMinValue(int32_t value)
{
    if (value == minValue_)
        return;
    if (value > maxValue_)
        throw RangeError(-std::numeric_limits<int32_t>::max(), qint64(maxValue_) - 1);
    minValue_ = value;
    progress_ = std::max(progress_, value);
    repaint();
}

void TProgressGauge::setMaxValue(int32_t value)
{
    if (value == maxValue_)
        return;
    if (value < minValue_)
        throw RangeError(qint64(minValue_) + 1, std::numeric_limits<int32_t>::max());
    maxValue_ = value;
    progress_ = std::min(progress_, value);
    repaint();
}

void TProgressGauge::setProgress(int32_t value)
{
    const int32_t clamped = std::clamp(value, minValue_, maxValue_);
    if (clamped == progress_)
        return;
    const int before = PercentDone();
    progress_ = clamped;
    if (PercentDone() != before)
        repaint();
}

void TProgressGauge::AddProgress(int32_t delta)
{
    const qint64 sum = qint64(progress_) + delta;
    setProgress(int32_t(std::clamp<qint64>(sum, minValue_, maxValue_)));
    repaint();
}

// --- painting ------------------------------------------------------------------------

void TProgressGauge::paintEvent(QPaintEvent*)
{
    const Edges paint = GaugeGeometry::PaintRect(size(), borderStyle_ == bsSingle);
    const qreal ratio = devicePixelRatioF();
    auto blackImage = [&] {
        QImage image(size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::black);
        return image;
    };
    // The image starts black, so combining the overlay into it copies the
    // shape; a border shows as the black frame left around the paint area.
    QImage image = blackImage();
    QImage overlay = blackImage();
    PaintShape(overlay, paint);
    XorInto(image, overlay);
    if (showText_) {
        QImage text = blackImage();
        PaintAsText(text, paint);
        XorInto(image, text);
    }
    QPainter(this).drawImage(0, 0, image);
}

void TProgressGauge::PaintShape(QImage& overlay, const Edges& paint) const
{
    if (kind_ == gkPie)
        return PaintAsPie(overlay, paint);
    if (kind_ == gkNeedle)
        return PaintAsNeedle(overlay, paint);
    QPainter p(&overlay);
    p.setClipRect(ToRect(paint));
    p.fillRect(ToRect(paint), backColor_);
    const int percent = PercentDone();
    if (kind_ == gkHorizontalBar) {
        const int length = GaugeGeometry::HorizontalBarLength(paint, percent);
        if (length > 0)
            p.fillRect(QRect(paint.Left, paint.Top, length, paint.Bottom - paint.Top), foreColor_);
    } else if (kind_ == gkVerticalBar) {
        const int height = GaugeGeometry::VerticalBarLength(paint, percent);
        if (height > 0)
            p.fillRect(QRect(paint.Left, paint.Bottom - height, paint.Right - paint.Left, height), foreColor_);
    }
}

void TProgressGauge::PaintAsPie(QImage& overlay, const Edges& paint) const
{
    const GaugeGeometry::Pie pie = GaugeGeometry::PieGeometry(paint, borderStyle_ == bsSingle, PercentDone());
    QPainter p(&overlay);
    p.setClipRect(ToRect(paint));
    p.fillRect(ToRect(paint), color_);
    p.setPen(QPen(foreColor_, 1));
    p.setBrush(backColor_);
    const QRectF box = OutlineBox(pie.Disc);
    p.drawEllipse(box);
    if (!pie.HasWedge)
        return;
    p.setBrush(foreColor_);
    p.drawPie(box, int(std::lround(pie.StartDegrees * 16)), int(std::lround(pie.SpanDegrees * 16)));
}

void TProgressGauge::PaintAsNeedle(QImage& overlay, const Edges& paint) const
{
    QPainter p(&overlay);
    p.setClipRect(ToRect(paint));
    p.fillRect(ToRect(paint), color_);
    // The upper half of an ellipse standing on the bottom edge.
    const Edges whole{paint.Left, paint.Top, paint.Right, paint.Bottom + (paint.Bottom - paint.Top)};
    const QRectF box = OutlineBox(whole);
    p.setPen(QPen(foreColor_, 1));
    p.setBrush(backColor_);
    p.drawChord(box, 0, 180 * 16);
    const int percent = PercentDone();
    if (percent <= 0)
        return;
    const double a = percent * 0.01 * std::numbers::pi;
    const QPointF centre = box.center();
    p.drawLine(centre, QPointF(centre.x() - std::cos(a) * box.width() / 2, centre.y() - std::sin(a) * box.height() / 2));
}

void TProgressGauge::PaintAsText(QImage& text, const Edges& paint) const
{
    const QString label = QString::number(PercentDone()) + QLatin1Char('%');
    const QFontMetrics metrics(font());
    const QSize size(metrics.horizontalAdvance(label), metrics.height());
    QPainter p(&text);
    p.setClipRect(ToRect(paint));
    p.setFont(font());
    p.setPen(Qt::white);
    p.drawText(QRect(GaugeGeometry::TextOrigin(paint, size), size), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
               label);
}

#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

class QImage;
namespace GaugeGeometry {
struct Edges;
}

// A passive gauge that shows how far Progress has come from MinValue to
// MaxValue, as a whole percentage, as text, a bar, a pie or a needle. It
// paints every pixel itself, through off-screen images combined by
// exclusive-or, so that it never flickers and its white percentage text
// inverts whatever lies below it (black on the background, white on the
// filled part).
//
// MinValue <= Progress <= MaxValue holds after every setter.
class TProgressGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TGaugeKind Kind READ Kind WRITE setKind)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool ShowText READ ShowText WRITE setShowText)
public:
    enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
    Q_ENUM(TGaugeKind)
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TProgressGauge(QWidget* parent = nullptr);

    TGaugeKind Kind() const { return kind_; }
    bool ShowText() const { return showText_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    QColor ForeColor() const { return foreColor_; }
    QColor BackColor() const { return backColor_; }
    // The ordinary background, around the pie and the needle.
    QColor Color() const { return color_; }
    int32_t MinValue() const { return minValue_; }
    int32_t MaxValue() const { return maxValue_; }
    int32_t Progress() const { return progress_; }
    int PercentDone() const;

    // These repaint at once when the value changes.
    void setKind(TGaugeKind kind);
    void setShowText(bool show);
    void setBorderStyle(TBorderStyle style);
    void setForeColor(const QColor& colour);
    void setBackColor(const QColor& colour);
    void setColor(const QColor& colour);
    // A minimum above MaxValue (a maximum below MinValue) throws
    // std::out_of_range naming the allowed range and changes nothing.
    void setMinValue(int32_t value);
    void setMaxValue(int32_t value);
    // Clamped into the range; repaints only when the percentage changes, so
    // it may be set for every block of bytes sent.
    void setProgress(int32_t value);
    // Moves Progress by delta and repaints.
    void AddProgress(int32_t delta);

    QSize sizeHint() const override { return QSize(100, 100); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Stores a changed value and repaints; an equal value does nothing.
    template <typename T>
    void Change(T& member, const T& value);
    // Draws the shape into the overlay, inside the paint rectangle.
    void PaintShape(QImage& overlay, const GaugeGeometry::Edges& paint) const;
    void PaintAsPie(QImage& overlay, const GaugeGeometry::Edges& paint) const;
    void PaintAsNeedle(QImage& overlay, const GaugeGeometry::Edges& paint) const;
    void PaintAsText(QImage& image, const GaugeGeometry::Edges& paint) const;

    TGaugeKind kind_ = gkHorizontalBar;
    bool showText_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    QColor foreColor_ = Qt::black;
    QColor backColor_ = Qt::white;
    QColor color_;
    int32_t minValue_ = 0;
    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
};

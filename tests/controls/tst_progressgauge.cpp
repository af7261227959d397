// The progress gauge: its percentage and ranges, when it repaints, and what
// it draws, read back from an offscreen grab.
#include "controls/GaugeGeometry.h"
#include "controls/TProgressGauge.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

bool Dark(QRgb pixel) { return qGray(pixel) < 128; }

// The pixels where two grabs of the same size differ.
QRect DifferingPixels(const QImage& a, const QImage& b)
{
    QRect box;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestProgressGauge : public QObject {
    Q_OBJECT
private slots:
    void percentDone_data()
    {
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("percent");
        QTest::newRow("two-of-three-rounds-down") << 0 << 3 << 2 << 66;
        QTest::newRow("min-equals-max") << 5 << 5 << 5 << 0;
        QTest::newRow("negative-range") << -200 << -100 << -150 << 50;
        QTest::newRow("whole-32-bit-range") << -std::numeric_limits<int>::max() << std::numeric_limits<int>::max()
                                            << 0 << 50;
    }
    void percentDone()
    {
        QFETCH(int, minValue);
        QFETCH(int, maxValue);
        QFETCH(int, progress);
        QFETCH(int, percent);
        QCOMPARE(GaugeGeometry::PercentDone(minValue, maxValue, progress), percent);
    }

    void settersKeepTheRange()
    {
        TProgressGauge g;
        g.setProgress(150);
        QCOMPARE(g.Progress(), 100);
        g.setProgress(-5);
        QCOMPARE(g.Progress(), 0);
        g.setProgress(80);
        try {
            g.setMinValue(101);
            QFAIL("a minimum above the maximum was taken");
        } catch (const std::out_of_range& e) {
            QCOMPARE(QByteArray(e.what()), QByteArray("Value must be between -2147483647 and 99"));
        }
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, g.setMaxValue(-1));
        QCOMPARE(g.MinValue(), 0);
        QCOMPARE(g.MaxValue(), 100);
        QCOMPARE(g.Progress(), 80);
        g.setMaxValue(60); // lowers Progress with it
        QCOMPARE(g.Progress(), 60);
        g.setMinValue(60); // Min may reach Max
        QCOMPARE(g.PercentDone(), 0);
    }

    void repaintsOnlyWhenThePercentChanges()
    {
        TProgressGauge g;
        g.setMaxValue(1000);
        g.setProgress(10);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        PaintCounter counter;
        g.installEventFilter(&counter);
        g.setProgress(11); // still 1 %
        g.setProgress(11);
        QCOMPARE(counter.paints, 0);
        QCOMPARE(g.Progress(), 11);
        g.setProgress(20);
        QCOMPARE(counter.paints, 1);
        g.AddProgress(0);
        QCOMPARE(counter.paints, 2);
    }

    // Grabs of the pie (as the upload window has it) and of the bar: the
    // filled part against the computed geometry, and the text centred.
    void draws_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("minValue");
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("percent");
        const int pie = TProgressGauge::gkPie;
        const int bar = TProgressGauge::gkHorizontalBar;
        for (int p : {0, 1, 25, 50, 99, 100}) {
            QTest::addRow("pie-%d", p) << pie << 0 << 100 << p << p;
            QTest::addRow("bar-%d", p) << bar << 0 << 100 << p << p;
        }
        QTest::newRow("pie-clamped-150") << pie << 0 << 100 << 150 << 100;
        QTest::newRow("pie-min-equals-max") << pie << 5 << 5 << 5 << 0;
    }
    void draws()
    {
        QFETCH(int, kind);
        QFETCH(int, minValue);
        QFETCH(int, maxValue);
        QFETCH(int, progress);
        QFETCH(int, percent);
        TProgressGauge g;
        g.setKind(TProgressGauge::TGaugeKind(kind));
        const bool isPie = kind == TProgressGauge::gkPie;
        if (isPie) {
            g.setBorderStyle(TProgressGauge::bsNone);
            g.resize(81, 81);
        } else {
            g.resize(120, 30);
        }
        g.setColor(Qt::gray);
        g.setMaxValue(maxValue);
        g.setMinValue(minValue);
        g.setProgress(progress);
        QCOMPARE(g.PercentDone(), percent);
        g.setShowText(false);
        const QImage shape = g.grab().toImage();
        g.setShowText(true);
        const QImage withText = g.grab().toImage();
        const GaugeGeometry::Edges paint = GaugeGeometry::PaintRect(g.size(), !isPie);

        if (isPie) {
            const GaugeGeometry::Pie geometry = GaugeGeometry::PieGeometry(paint, false, percent);
            // The wedge starts at 12 o'clock and grows clockwise by 3.6 degrees a percent.
            if (percent > 0 && percent < 100)
                QVERIFY(std::abs(std::fmod(450 - geometry.StartDegrees, 360) - percent * 3.6) < 3);
            // On a circle well outside the text, every pixel more than one
            // pixel away from the wedge's edges is filled exactly inside it.
            const double radius = 32;
            const double tolerance = 180 / std::numbers::pi / radius;
            const double cx = 40.5, cy = 40.5;
            for (int step = 0; step < 720; ++step) {
                const double angle = step * 0.5;
                const double fromStart = std::fmod(angle - geometry.StartDegrees + 360, 360);
                const double toEnd = std::fmod(geometry.EndDegrees - angle + 360, 360);
                const bool inside = geometry.HasWedge && fromStart <= geometry.SpanDegrees;
                if (geometry.HasWedge && (std::min(fromStart, 360 - fromStart) < tolerance
                                          || std::min(toEnd, 360 - toEnd) < tolerance))
                    continue;
                const double rad = angle * std::numbers::pi / 180;
                const QRgb pixel = shape.pixel(int(cx + radius * std::cos(rad)), int(cy - radius * std::sin(rad)));
                QVERIFY2(Dark(pixel) == inside, qPrintable(QStringLiteral("at %1 degrees").arg(angle)));
            }
            QCOMPARE(shape.pixel(0, 0), QColor(Qt::gray).rgb()); // the surround
        } else {
            // One dark run from the left edge, as long a share of the inside
            // as the percentage says, give or take a pixel.
            int length = 0;
            while (paint.Left + length < paint.Right && Dark(shape.pixel(paint.Left + length, 3)))
                ++length;
            const double inside = paint.Right - paint.Left;
            QVERIFY2(std::abs(length - percent * inside / 100) <= 1, qPrintable(QString::number(length)));
            for (int x = paint.Left + length; x < paint.Right; ++x)
                QVERIFY2(!Dark(shape.pixel(x, 3)), qPrintable(QString::number(x)));
            QVERIFY(Dark(shape.pixel(0, 0))); // the border
        }

        // The text sits in the middle and says the percentage.
        const QString label = QString::number(percent) + QLatin1Char('%');
        const QRect ink = DifferingPixels(shape, withText);
        QVERIFY(!ink.isEmpty());
        const QRectF centre = QRectF(0, 0, g.width(), g.height());
        QVERIFY2(std::abs(ink.center().x() + 0.5 - centre.center().x()) <= 2, qPrintable(label));
        QVERIFY2(std::abs(ink.center().y() + 0.5 - centre.center().y()) <= 2, qPrintable(label));
        QVERIFY(std::abs(ink.width() - QFontMetrics(g.font()).boundingRect(label).width()) <= 2);
        // Readable over both colours: dark on the light part, light on the dark one.
        bool darkOnLight = false, lightOnDark = false;
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            for (int x = ink.left(); x <= ink.right(); ++x) {
                const QRgb before = shape.pixel(x, y), after = withText.pixel(x, y);
                darkOnLight |= !Dark(before) && Dark(after);
                lightOnDark |= Dark(before) && !Dark(after);
            }
        if (percent <= 50)
            QVERIFY(darkOnLight);
        if (percent >= 50)
            QVERIFY(lightOnDark);
    }
};

QTEST_MAIN(TestProgressGauge)
#include "tst_progressgauge.moc"

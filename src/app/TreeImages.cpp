#include "app/TreeImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Size = 16;

// A sheet of paper with a folded corner and three lines of "text".
void DrawPage(QPainter& p, QColor paper, QColor edge, QColor lines, Qt::PenStyle edgeStyle)
{
    QPainterPath sheet;
    sheet.moveTo(2.5, 0.5);
    sheet.lineTo(10.5, 0.5);
    sheet.lineTo(13.5, 3.5);
    sheet.lineTo(13.5, 15.5);
    sheet.lineTo(2.5, 15.5);
    sheet.closeSubpath();
    p.setPen(QPen(edge, 1, edgeStyle));
    p.setBrush(paper);
    p.drawPath(sheet);
    p.drawLine(QPointF(10.5, 0.5), QPointF(10.5, 3.5));
    p.drawLine(QPointF(10.5, 3.5), QPointF(13.5, 3.5));
    p.setPen(QPen(lines, 1));
    for (int y : {6, 9, 12})
        p.drawLine(QPointF(4.5, y + 0.5), QPointF(11.5, y + 0.5));
}

QPixmap NodeImage(int state, bool selected)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor paper = selected ? QColor(255, 244, 180) : Qt::white;
    const QColor edge = selected ? QColor(20, 40, 120) : QColor(60, 60, 60);
    switch (state) {
    case 0: // normal
        DrawPage(p, paper, edge, QColor(40, 90, 200), Qt::SolidLine);
        break;
    case 1: // hidden: pale lines behind a dotted edge, with a minus box
        DrawPage(p, paper, edge, QColor(180, 180, 180), Qt::DotLine);
        p.setPen(QColor(40, 90, 200));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7.5, 8.5, 7, 7));
        p.drawLine(QPointF(9.5, 12), QPointF(13, 12));
        break;
    default: // unpublished: crossed out in red
        DrawPage(p, paper, edge, QColor(150, 150, 150), Qt::SolidLine);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(210, 30, 30), 2));
        p.drawLine(QPointF(4, 5), QPointF(13, 14));
        p.drawLine(QPointF(13, 5), QPointF(4, 14));
        break;
    }
    return pixmap;
}

} // namespace

std::array<QPixmap, 6> DrawTreeImages()
{
    std::array<QPixmap, 6> images;
    for (int i = 0; i < 6; ++i)
        images[size_t(i)] = NodeImage(i % 3, i >= 3);
    return images;
}

std::array<QPixmap, 6> DrawArrowFrames()
{
    std::array<QPixmap, 6> frames;
    for (int i = 0; i < 6; ++i) {
        QPixmap pixmap(Size, Size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(Size / 2.0, Size / 2.0);
        p.rotate(36.0 * i); // frame 0 points down, frame 5 up
        QPolygonF arrow({{-5, -2}, {5, -2}, {0, 4}});
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 30, 30));
        p.drawPolygon(arrow);
        frames[size_t(i)] = pixmap;
    }
    return frames;
}

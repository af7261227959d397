#include "app/ToolBarImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Size = 16;
const QColor Ink(40, 40, 40);
const QColor Accent(40, 90, 200);

void Sheet(QPainter& p, QRectF r)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(Accent, 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void TreeBox(QPainter& p, bool plus)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 8, 8));
    p.drawLine(QPointF(3.5, 5.5), QPointF(7.5, 5.5));
    if (plus)
        p.drawLine(QPointF(5.5, 3.5), QPointF(5.5, 7.5));
    p.setPen(QPen(Accent, 1, Qt::DotLine));
    p.drawLine(QPointF(5.5, 10), QPointF(5.5, 13.5));
    p.drawLine(QPointF(5.5, 13.5), QPointF(9, 13.5));
    p.setPen(QPen(Accent, 2));
    p.drawLine(QPointF(11, 13.5), QPointF(15, 13.5));
    if (plus)
        p.drawLine(QPointF(11, 7), QPointF(15, 7));
}

} // namespace

QPixmap DrawToolImage(ToolImage image)
{
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (image) {
    case ToolImage::New:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{2.5, 1.5}, {10.5, 1.5}, {13.5, 4.5}, {13.5, 14.5}, {2.5, 14.5}}));
        p.setPen(QPen(QColor(230, 170, 0), 2));
        p.drawLine(QPointF(11, 9), QPointF(15, 9));
        p.drawLine(QPointF(13, 7), QPointF(13, 11));
        break;
    case ToolImage::Open:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawPolygon(QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
        p.setBrush(QColor(250, 225, 140));
        p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
        break;
    case ToolImage::Save:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Accent);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
        break;
    case ToolImage::Browser:
        p.setPen(QPen(Accent, 1.2));
        p.setBrush(QColor(220, 235, 255));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.drawEllipse(QPointF(8, 8), 2.8, 6.5);
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case ToolImage::ExternalTool:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(160, 160, 170));
        p.drawRect(QRectF(1.5, 10.5, 8, 4));
        p.setPen(QPen(Accent, 2.5));
        p.drawLine(QPointF(5, 10), QPointF(13, 2));
        break;
    case ToolImage::Redo:
        // The undo arrow, mirrored.
        p.translate(16, 0);
        p.scale(-1, 1);
        [[fallthrough]];
    case ToolImage::Undo: {
        QPainterPath arc;
        arc.moveTo(4, 6);
        arc.cubicTo(9, 1, 16, 5, 13, 12);
        p.setPen(QPen(Accent, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(Accent);
        p.drawPolygon(QPolygonF({{1, 3}, {7, 3}, {3, 9}}));
        break;
    }
    case ToolImage::Cut:
        p.setPen(QPen(Ink, 1.5));
        p.drawLine(QPointF(4, 1), QPointF(10, 11));
        p.drawLine(QPointF(12, 1), QPointF(6, 11));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Accent, 1.5));
        p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
        p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
        break;
    case ToolImage::Copy:
        Sheet(p, QRectF(1.5, 1.5, 8, 10));
        Sheet(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case ToolImage::Paste:
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(QRectF(1.5, 2.5, 11, 12));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 1.5, 5, 3));
        Sheet(p, QRectF(7.5, 6.5, 7, 8));
        break;
    case ToolImage::ExpandAll:
        TreeBox(p, true);
        break;
    case ToolImage::CollapseAll:
        TreeBox(p, false);
        break;
    }
    return pixmap;
}

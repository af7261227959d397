#include "dialogs/ProgramPictures.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The icon's colours.
const QColor TileTop(0x3f, 0x82, 0xdc);
const QColor TileBottom(0x1a, 0x46, 0x90);
const QColor Marker(0xf0, 0x92, 0x1a);

QPixmap Canvas(QSize size, qreal devicePixelRatio)
{
    QPixmap picture(size * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    return picture;
}

QFont Font(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The largest font up to `pixelSize` in which `text` fits `width`.
QFont FittingFont(const QString& text, int pixelSize, bool bold, int width)
{
    QFont font = Font(pixelSize, bold);
    while (pixelSize > 8 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(--pixelSize);
    return font;
}

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tav-outliner-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap SplashPicture(qreal devicePixelRatio)
{
    const QSize size(360, 270);
    QPixmap picture = Canvas(size, devicePixelRatio);
    QPainter p(&picture);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

    QLinearGradient tile(0, 0, 0, size.height());
    tile.setColorAt(0, TileTop);
    tile.setColorAt(1, TileBottom);
    p.fillRect(QRect(QPoint(), size), tile);

    ProgramIcon().paint(&p, QRect(24, 44, 112, 112));

    p.setPen(Qt::white);
    const QString name = QStringLiteral("Tav Outliner");
    p.setFont(FittingFont(name, 30, true, 196));
    p.drawText(QRect(152, 52, 200, 40), Qt::AlignLeft | Qt::AlignVCenter, name);
    p.setFont(Font(15, false));
    p.drawText(QRect(154, 92, 200, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Version " TAV_VERSION "  Release 9"));
    p.setPen(QColor(255, 255, 255, 210));
    p.setFont(Font(12, false));
    p.drawText(QRect(154, 122, 200, 36), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("日本語のウェブページを書く\nアウトライン プロセッサ"));

    // A light band at the foot, with a word for the wait.
    p.fillRect(QRect(0, 206, size.width(), 64), QColor(255, 255, 255, 238));
    p.fillRect(QRect(0, 206, size.width(), 3), Marker);
    p.setPen(TileBottom);
    p.setFont(Font(15, true));
    p.drawText(QRect(24, 214, 312, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ちょぉっと待っててネ☆"));
    p.setPen(QColor(0x55, 0x66, 0x80));
    p.setFont(Font(11, false));
    p.drawText(QRect(24, 240, 312, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Tav Outliner 開発チーム  ·  tav-outliner.example.org"));
    return picture;
}

QPixmap AboutPicture(qreal devicePixelRatio)
{
    const QSize size(200, 40);
    QPixmap picture = Canvas(size, devicePixelRatio);
    QPainter p(&picture);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    QLinearGradient tile(0, 0, size.width(), 0);
    tile.setColorAt(0, TileBottom);
    tile.setColorAt(1, TileTop);
    QPainterPath band;
    band.addRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 6, 6);
    p.fillPath(band, tile);

    // A small outline: a heading and two entries below it.
    p.setPen(Qt::NoPen);
    p.setBrush(Marker);
    p.drawRoundedRect(QRectF(10, 9, 6, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(16, 18, 6, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(16, 27, 6, 6), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(19, 9, 20, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(25, 18, 16, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(25, 27, 11, 6), 1.5, 1.5);

    p.setPen(Qt::white);
    p.setFont(Font(12, true));
    p.drawText(QRectF(50, 3, 146, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Outline Processor"));
    p.setPen(QColor(255, 255, 255, 215));
    p.setFont(Font(10, false));
    p.drawText(QRectF(50, 20, 146, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("日本語のウェブページ作成に"));
    return picture;
}

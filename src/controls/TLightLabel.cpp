#include "controls/TLightLabel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace {

// The font with its styles taken off.
QFont WithoutStyles(QFont font)
{
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// As the desktop "opens" a text: an address, a mail address or a file; a
// relative name is taken from the program's folder.
void OpenText(const QString& text)
{
    QDesktopServices::openUrl(
        QUrl::fromUserInput(text, QCoreApplication::applicationDirPath(), QUrl::AssumeLocalFile));
}

} // namespace

TLightLabel::TLightLabel(QWidget* parent) : QLabel(parent)
{
    const QColor buttonFace = palette().color(QPalette::Button);
    lightColor_ = defaultColor_ = clickColor_ = buttonFace;
    QFont underlined = QApplication::font();
    underlined.setUnderline(true);
    lightFont_ = {underlined, Qt::blue};
    defaultFont_ = {WithoutStyles(font()), Qt::blue};
    clickFont_ = {WithoutStyles(font()), Qt::red};
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    applyLook(defaultColor_, defaultFont_);
}

void TLightLabel::setDefaultColor(const QColor& value)
{
    const bool changed = value != defaultColor_;
    defaultColor_ = value;
    if (defaultEnabled_ && changed)
        setLabelColor(value);
}

void TLightLabel::setDefaultFont(const LabelFont& value)
{
    defaultFont_ = value;
    if (defaultEnabled_) {
        setFont(value.font);
        QPalette p = palette();
        p.setColor(QPalette::WindowText, value.color);
        setPalette(p);
    }
}

QColor TLightLabel::currentColor() const
{
    return palette().color(QPalette::Window);
}

LabelFont TLightLabel::currentFont() const
{
    return {font(), palette().color(QPalette::WindowText)};
}

void TLightLabel::setLabelColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void TLightLabel::applyLook(const QColor& color, const LabelFont& look)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    p.setColor(QPalette::WindowText, look.color);
    setPalette(p);
    setFont(look.font);
}

QStringList TLightLabel::JumpTargets(TJumpType type, const QString& jumpTo, const QString& caption)
{
    QStringList targets;
    if (!jumpTo.isEmpty()) {
        switch (type) {
        case jtCust:
        case jtHome: targets << jumpTo; break;
        case jtMail: targets << QStringLiteral("mailto:") + jumpTo; break;
        // An absolute path here starts with its own slash.
        case jtFile: targets << (jumpTo.startsWith(QLatin1Char('/')) ? QStringLiteral("file://")
                                                                     : QStringLiteral("file:///"))
                                    + jumpTo;
            break;
        case jtNone:
        case jtCaption: break;
        }
    }
    if (type == jtCaption && !caption.isEmpty())
        targets << caption;
    return targets;
}

void TLightLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    inside_ = true;
    if (lightEnabled_)
        applyLook(lightColor_, lightFont_);
    emit OnMouseEnter(this);
}

void TLightLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    inside_ = false;
    if (defaultEnabled_)
        applyLook(defaultColor_, defaultFont_);
    emit OnMouseLeave(this);
}

void TLightLabel::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    pressed_ = true;
    if (clickEnabled_)
        applyLook(clickColor_, clickFont_);
}

void TLightLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    // Unlike entry and exit, the release does not ask LightEnabled or DefaultEnabled.
    if (inside_)
        applyLook(lightColor_, lightFont_);
    else
        applyLook(defaultColor_, defaultFont_);
    const bool clicked = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (!clicked)
        return;
    for (const QString& target : JumpTargets(jumpType_, jumpTo_, text()))
        OpenText(target);
    emit OnClick(this);
}

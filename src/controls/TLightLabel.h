#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QStringList>

// A font with the colour its text is drawn in: what the label's looks carry.
struct LabelFont {
    QFont font;
    QColor color;
    bool operator==(const LabelFont&) const = default;
};

// A label that behaves like a hyperlink: it takes the light look while the
// mouse is over it and the click look while a button is down, and a click
// hands its target to the desktop to open.
class TLightLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor LightColor READ LightColor WRITE setLightColor)
    Q_PROPERTY(bool LightEnabled READ LightEnabled WRITE setLightEnabled)
    Q_PROPERTY(QColor DefaultColor READ DefaultColor WRITE setDefaultColor)
    Q_PROPERTY(bool DefaultEnabled READ DefaultEnabled WRITE setDefaultEnabled)
    Q_PROPERTY(QColor ClickColor READ ClickColor WRITE setClickColor)
    Q_PROPERTY(bool ClickEnabled READ ClickEnabled WRITE setClickEnabled)
    Q_PROPERTY(TJumpType JumpType READ JumpType WRITE setJumpType)
    Q_PROPERTY(QString JumpTo READ JumpTo WRITE setJumpTo)

public:
    // How JumpTo is opened: not at all, as it stands (jtCust, jtHome), as a
    // mail address, as a file; jtCaption opens the caption instead.
    enum TJumpType { jtNone, jtCust, jtHome, jtMail, jtFile, jtCaption };
    Q_ENUM(TJumpType)

    explicit TLightLabel(QWidget* parent = nullptr);

    QColor LightColor() const { return lightColor_; }
    void setLightColor(const QColor& value) { lightColor_ = value; }
    LabelFont LightFont() const { return lightFont_; }
    void setLightFont(const LabelFont& value) { lightFont_ = value; }
    bool LightEnabled() const { return lightEnabled_; }
    void setLightEnabled(bool value) { lightEnabled_ = value; }

    QColor DefaultColor() const { return defaultColor_; }
    void setDefaultColor(const QColor& value);
    LabelFont DefaultFont() const { return defaultFont_; }
    void setDefaultFont(const LabelFont& value);
    // Also makes the label follow DefaultColor and DefaultFont at once.
    bool DefaultEnabled() const { return defaultEnabled_; }
    void setDefaultEnabled(bool value) { defaultEnabled_ = value; }

    QColor ClickColor() const { return clickColor_; }
    void setClickColor(const QColor& value) { clickColor_ = value; }
    LabelFont ClickFont() const { return clickFont_; }
    void setClickFont(const LabelFont& value) { clickFont_ = value; }
    bool ClickEnabled() const { return clickEnabled_; }
    void setClickEnabled(bool value) { clickEnabled_ = value; }

    TJumpType JumpType() const { return jumpType_; }
    void setJumpType(TJumpType value) { jumpType_ = value; }
    QString JumpTo() const { return jumpTo_; }
    void setJumpTo(const QString& value) { jumpTo_ = value; }

    // What the label shows now: its background and its font.
    QColor currentColor() const;
    LabelFont currentFont() const;

    // The texts a click opens, in order.
    static QStringList JumpTargets(TJumpType type, const QString& jumpTo, const QString& caption);

signals:
    void OnMouseEnter(TLightLabel* sender);
    void OnMouseLeave(TLightLabel* sender);
    void OnClick(TLightLabel* sender);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyLook(const QColor& color, const LabelFont& font);
    void setLabelColor(const QColor& color);

    QColor lightColor_;
    LabelFont lightFont_;
    bool lightEnabled_ = true;
    QColor defaultColor_;
    LabelFont defaultFont_;
    bool defaultEnabled_ = true;
    QColor clickColor_;
    LabelFont clickFont_;
    bool clickEnabled_ = true;
    TJumpType jumpType_ = jtCust;
    QString jumpTo_;
    bool inside_ = false;
    bool pressed_ = false;
};

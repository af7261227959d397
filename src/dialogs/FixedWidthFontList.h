#pragma once

#include <QObject>

class QFont;
class QFontDialog;

// Makes a font dialog list every font whose Latin letters have one width,
// the Japanese fixed-pitch fonts among them: the dialog's own filter for
// monospaced fonts goes by the fonts' fixed-pitch flag, which those fonts,
// with their double-width kana and kanji, do not carry.
//
// The dialog refills its list when its font is set or another writing
// system is chosen; this filters it again each time.
class FixedWidthFontList : public QObject {
    Q_OBJECT
public:
    explicit FixedWidthFontList(QFontDialog* dialog);

    // Sets the dialog's font and selects its family in the filtered list
    // (the first family when that one is not listed).
    void setCurrentFont(const QFont& font);

private:
    void filter(const QString& family);

    QFontDialog* dialog_;
};

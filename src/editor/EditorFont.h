#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The font of the tree and the editors, where HTML is lined up by its tags:
// one whose Latin letters all have one width. Japanese fixed-pitch fonts
// count, although Qt does not call them fixed pitch: their kana and kanji
// are twice as wide as their Latin letters, so text still lines up.

// Whether the Latin letters, digits and signs of `family` have one width.
bool HasFixedWidthLatin(const QString& family);
// The installed families that do, in the font database's order.
QStringList FixedWidthLatinFamilies();
// An installed font with Japanese glyphs and fixed-width Latin letters:
// what fontconfig chooses for `wanted` (a family that may not be installed)
// or else for monospace in Japanese, where fontconfig is present; otherwise
// the first such font. Qt's fixed-pitch font when no font has Japanese
// glyphs.
QString JapaneseMonospaceFamily(const QString& wanted = {});
// The font for a stored family name: that family when it is installed, else
// JapaneseMonospaceFamily(family) - never a proportional stand-in, which
// would break the lined-up HTML (the default, "ＭＳ ゴシック", is a Windows
// font).
QFont EditorFont(const QString& family, int pointSize);

#include "editor/EditorFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>

#ifdef TAV_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {

bool HasJapanese(const QString& family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese);
}

bool SuitsJapaneseHtml(const QString& family)
{
    return QFontDatabase::hasFamily(family) && HasJapanese(family) && HasFixedWidthLatin(family);
}

#ifdef TAV_HAVE_FONTCONFIG
// The families fontconfig offers for `wanted`, then monospace, in Japanese,
// best first, as `fc-match -s 'wanted,monospace:lang=ja'` lists them.
QStringList FontconfigChoices(const QString& wanted)
{
    QStringList families;
    FcPattern* pattern = FcPatternCreate();
    if (!wanted.isEmpty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(wanted.toUtf8().constData()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcFontSet* fonts = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result)) {
        for (int i = 0; i < fonts->nfont; ++i) {
            // A font has its family in several languages; any that Qt knows will do.
            FcChar8* name = nullptr;
            for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &name) == FcResultMatch; ++n)
                families << QString::fromUtf8(reinterpret_cast<const char*>(name));
        }
        FcFontSetDestroy(fonts);
    }
    FcPatternDestroy(pattern);
    return families;
}
#endif

} // namespace

bool HasFixedWidthLatin(const QString& family)
{
    // Loading a font to measure it takes a moment; the answers are kept
    // (the font picker asks for every family each time it opens).
    static QHash<QString, bool> known;
    if (const auto found = known.constFind(family); found != known.constEnd())
        return *found;
    const QFontMetricsF metrics(QFont(family, 12));
    const qreal width = metrics.horizontalAdvance(u'i');
    bool fixed = width > 0;
    for (QChar c : QStringLiteral("Wm.l0_<>"))
        fixed = fixed && qFuzzyCompare(metrics.horizontalAdvance(c), width);
    known.insert(family, fixed);
    return fixed;
}

QStringList FixedWidthLatinFamilies()
{
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family) && HasFixedWidthLatin(family))
            families << family;
    return families;
}

QString JapaneseMonospaceFamily(const QString& wanted)
{
#ifdef TAV_HAVE_FONTCONFIG
    for (const QString& family : FontconfigChoices(wanted))
        if (SuitsJapaneseHtml(family))
            return family;
#else
    Q_UNUSED(wanted);
#endif
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
        if (SuitsJapaneseHtml(family))
            return family;
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont EditorFont(const QString& family, int pointSize)
{
    QFont font(QFontDatabase::hasFamily(family) ? family : JapaneseMonospaceFamily(family));
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}

#include "page/TextFolding.h"

#include <array>

namespace {

constexpr char16_t HalfWidthFirst = 0xFF61;
constexpr char16_t HalfWidthLast = 0xFF9F;
constexpr char16_t VoicedMark = 0xFF9E;
constexpr char16_t SemiVoicedMark = 0xFF9F;

// Full-width forms of U+FF61-FF9F, in code order: ｡｢｣､･ｦ, the small
// ｧｨｩｪｫｬｭｮｯ, ｰ, then ｱ to ﾝ and the two sound marks.
constexpr std::array<char16_t, HalfWidthLast - HalfWidthFirst + 1> FullWidthKana = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};

// The katakana that `kana` becomes with a sound mark, or 0 when it takes
// none. Voiced: カ to ト (+1; ツ is 30C4), ハ to ホ (+1), ウ -> ヴ, ワ -> ヷ,
// ヲ -> ヺ; semi-voiced: ハ to ホ (+2).
char16_t WithSoundMark(char16_t kana, char16_t mark)
{
    const bool haRow = kana == 0x30CF || kana == 0x30D2 || kana == 0x30D5 || kana == 0x30D8 || kana == 0x30DB;
    if (mark == SemiVoicedMark)
        return haRow ? char16_t(kana + 2) : 0;
    if (haRow || (kana >= 0x30AB && kana <= 0x30C8 && kana != 0x30C3))
        return char16_t(kana + 1);
    switch (kana) {
    case 0x30A6: return 0x30F4;
    case 0x30EF: return 0x30F7;
    case 0x30F2: return 0x30FA;
    default: return 0;
    }
}

// One character folded, for all but the half-width katakana.
char16_t FoldJapanese(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E)
        return char16_t(c - 0xFF01 + 0x21);
    if (c == 0x3000)
        return u' ';
    if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)
        return char16_t(c + 0x60);
    return c;
}

char16_t FoldCase(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return char16_t(QChar::toCaseFolded(c));
}

} // namespace

void FoldText(QStringView source, Folding folding, FoldedText& out, bool withOrigins)
{
    out.text.resize(source.size());
    if (withOrigins)
        out.origin.resize(std::size_t(source.size()) + 1);
    QChar* text = out.text.data();
    qsizetype n = 0;
    const auto put = [&](char16_t c, qsizetype from) {
        if (withOrigins)
            out.origin[std::size_t(n)] = int(from);
        text[n++] = QChar(folding.caseless ? FoldCase(c) : c);
    };
    for (qsizetype i = 0; i < source.size();) {
        const char16_t c = source[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < source.size() && source[i + 1].isLowSurrogate()) {
            // Kept as it is (nothing that code page 932 holds out there has
            // a case); no match may begin or end between its halves.
            put(c, i);
            if (withOrigins)
                out.origin[std::size_t(n)] = int(i);
            text[n++] = source[i + 1];
            i += 2;
            continue;
        }
        if (!folding.japanese) {
            put(c, i);
            ++i;
            continue;
        }
        if (c < HalfWidthFirst || c > HalfWidthLast) {
            put(FoldJapanese(c), i);
            ++i;
            continue;
        }
        const char16_t kana = FullWidthKana[c - HalfWidthFirst];
        const char16_t next = i + 1 < source.size() ? source[i + 1].unicode() : 0;
        const char16_t voiced = next == VoicedMark || next == SemiVoicedMark ? WithSoundMark(kana, next) : 0;
        put(voiced ? voiced : kana, i);
        i += voiced ? 2 : 1;
    }
    out.text.truncate(n);
    if (withOrigins) {
        out.origin.resize(std::size_t(n) + 1);
        out.origin[std::size_t(n)] = int(source.size());
    }
}

QString FoldPattern(QStringView pattern, Folding folding, bool regularExpression)
{
    FoldedText folded;
    FoldText(pattern, folding, folded, true);
    if (!regularExpression)
        return folded.text;
    QString escaped;
    escaped.reserve(folded.text.size());
    for (qsizetype i = 0; i < folded.text.size(); ++i) {
        const QChar c = folded.text[i];
        const QChar original = pattern[folded.origin[std::size_t(i)]];
        if (c != original && c.unicode() < 0x80 && !c.isLetterOrNumber())
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

#pragma once

#include <QString>

#include <vector>

// The Japanese folding of find: a text and a pattern are both brought to one
// canonical form, so that characters a reader takes for the same match:
//   full-width ASCII U+FF01-FF5E      -> U+0021-007E (Ａ -> A, ０ -> 0)
//   ideographic space U+3000          -> ' '
//   half-width katakana U+FF61-FF9F   -> full-width (ｱ -> ア, ｰ -> ー); one
//     followed by a sound mark it takes (ﾞ U+FF9E, ﾟ U+FF9F) -> the voiced
//     katakana, one character (ｶﾞ -> ガ, ﾊﾟ -> パ)
//   hiragana U+3041-3096, U+309D-309E -> katakana, 0x60 further (が -> ガ)
// With `caseless`, case is folded too (Unicode simple case folding), so that
// a plain pattern is then looked for as it is.
struct Folding {
    bool japanese = false;
    bool caseless = false;
};

struct FoldedText {
    QString text;
    // Made only when asked for (most texts hold no match, and need none):
    // origin[i] is where in the source the character that became unit i
    // starts; origin[text.size()] is the source's size.
    std::vector<int> origin;

    // Unit i begins a source character (a katakana with its sound mark is
    // one, and so is a surrogate pair): a match may start or end there.
    bool IsBoundary(qsizetype i) const
    {
        return i <= 0 || i >= text.size() || origin[std::size_t(i)] != origin[std::size_t(i) - 1];
    }
};

// Folds `source` into `out`, reusing its buffers; the origins only when
// `withOrigins`.
void FoldText(QStringView source, Folding folding, FoldedText& out, bool withOrigins);

// The pattern folded as texts are. In a regular expression a character
// that folds to ASCII punctuation is escaped: a full-width "（" stays a
// literal parenthesis, not a group.
QString FoldPattern(QStringView pattern, Folding folding, bool regularExpression);

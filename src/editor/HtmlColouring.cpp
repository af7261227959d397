#include "editor/HtmlColouring.h"

namespace {

bool IsBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == '\r' || u == '\n' || u == '\t' || u == ' ' || u == 0x2029;
}

// First pass: the tag-symbol runs, marked into `classes`.
void MarkTagRuns(QStringView text, std::vector<CharClass>& classes)
{
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype q = text.indexOf(u'<', pos);
        if (q < 0)
            return;
        qsizetype scan = q;
        while (true) {
            const qsizetype close = text.indexOf(u'>', scan + 1);
            if (close < 0) {
                // No ">" after this "<": the run ends just past it.
                scan += 1;
                break;
            }
            scan = close + 1;
            while (scan < n && IsBlank(text[scan]))
                ++scan;
            if (scan >= n || text[scan] != u'<')
                break;
        }
        for (qsizetype i = q; i < scan; ++i)
            classes[size_t(i)] = CharClass::TagSymbol;
        pos = scan;
    }
}

// Second pass: names and parameters inside each "<...>".
void MarkNamesAndParameters(QStringView text, std::vector<CharClass>& classes)
{
    qsizetype pos = 0;
    while (true) {
        const qsizetype q = text.indexOf(u'<', pos);
        if (q < 0)
            return;
        const qsizetype s = text.indexOf(u'>', q + 1);
        if (s < 0)
            return;
        const qsizetype r = text.indexOf(u' ', q + 1);
        const qsizetype nameEnd = (r >= 0 && r < s) ? r : s;
        for (qsizetype i = q + 1; i < nameEnd; ++i)
            classes[size_t(i)] = CharClass::TagDirective;
        for (qsizetype i = nameEnd + 1; i < s; ++i)
            classes[size_t(i)] = CharClass::TagParameter;
        pos = s + 1;
    }
}

} // namespace

std::vector<ColourRun> ComputeColourRuns(QStringView text)
{
    std::vector<CharClass> classes(size_t(text.size()), CharClass::Text);
    MarkTagRuns(text, classes);
    MarkNamesAndParameters(text, classes);

    std::vector<ColourRun> runs;
    int start = 0;
    for (int i = 1; i <= int(classes.size()); ++i) {
        if (i == int(classes.size()) || classes[size_t(i)] != classes[size_t(start)]) {
            runs.push_back({start, i - start, classes[size_t(start)]});
            start = i;
        }
    }
    return runs;
}

bool BackwardTagScan::feed(QStringView piece)
{
    for (qsizetype i = piece.size() - 1; i >= 0 && !decided_; --i) {
        const char16_t c = piece[i].unicode();
        if (c == '>') {
            result_ = CharClass::Text;
            decided_ = true;
        } else if (c == '<') {
            result_ = spaceSeen_ ? CharClass::TagParameter : CharClass::TagDirective;
            decided_ = true;
        } else if (c == ' ') {
            spaceSeen_ = true;
        }
    }
    return decided_;
}

CharClass TypingClass(QChar key, QStringView before)
{
    if (key == u'<' || key == u'>')
        return CharClass::TagSymbol;
    BackwardTagScan scan;
    scan.feed(before);
    return scan.result();
}

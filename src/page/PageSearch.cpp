#include "page/PageSearch.h"

#include "document/TextCodec.h"
#include "page/TextFolding.h"

#include <algorithm>
#include <array>

namespace {

// --- Shift_JIS bytes ------------------------------------------------------------
// A character is a lead byte (0x81-0x9F, 0xE0-0xFC) with a trail byte
// (0x40-0x7E, 0x80-0xFC), or one byte; a lead without a trail stands alone,
// as the codec reads it.

bool IsTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

std::size_t CharacterBytes(SjisView bytes, std::size_t at)
{
    return IsSjisLeadByte(static_cast<unsigned char>(bytes[at])) && at + 1 < bytes.size()
                   && IsTrailByte(static_cast<unsigned char>(bytes[at + 1]))
               ? 2
               : 1;
}

bool IsAscii(SjisView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The last character of `bytes` is a lead byte on its own: in a text it
// could pair with the byte that follows.
bool EndsInLoneLead(SjisView bytes)
{
    std::size_t at = 0;
    std::size_t last = 0;
    while (at < bytes.size()) {
        last = at;
        at += CharacterBytes(bytes, at);
    }
    return !bytes.empty() && at - last == 1 && IsSjisLeadByte(static_cast<unsigned char>(bytes[last]));
}

const std::array<unsigned char, 256>& LowerAscii()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[std::size_t(i)] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
        return t;
    }();
    return table;
}

std::size_t FindBytes(SjisView text, SjisView pattern, std::size_t from, bool caseSensitive)
{
    if (caseSensitive)
        return text.find(pattern, from);
    const auto& lower = LowerAscii();
    const unsigned char first = lower[static_cast<unsigned char>(pattern[0])];
    for (std::size_t i = from; i + pattern.size() <= text.size(); ++i) {
        if (lower[static_cast<unsigned char>(text[i])] != first)
            continue;
        std::size_t k = 1;
        while (k < pattern.size()
               && lower[static_cast<unsigned char>(text[i + k])] == lower[static_cast<unsigned char>(pattern[k])])
            ++k;
        if (k == pattern.size())
            return i;
    }
    return SjisView::npos;
}

// Positions the bytes take in the shown text, where a CR LF is one.
int ShownLength(SjisView bytes, PageTextField field)
{
    int length = int(TextCodec::ToUnicode(bytes).size());
    if (field != PageTextField::Name)
        for (std::size_t at = bytes.find("\r\n"); at != SjisView::npos; at = bytes.find("\r\n", at + 2))
            --length;
    return length;
}

// --- Whole words ------------------------------------------------------------------
// Japanese runs words together: a word ends where the kind of character
// changes (kanji, hiragana, katakana, letters and digits), not only at a
// blank or a sign.

enum class WordClass { None, Letters, Hiragana, Katakana, Kanji };

WordClass ClassOf(char32_t c)
{
    if ((c >= 0x3041 && c <= 0x3096) || (c >= 0x309D && c <= 0x309F))
        return WordClass::Hiragana;
    if ((c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF)
        || (c >= 0xFF66 && c <= 0xFF9F))
        return WordClass::Katakana;
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0x3005 && c <= 0x3007) || (c >= 0x20000 && c <= 0x2FFFF))
        return WordClass::Kanji;
    if (c == u'_' || QChar::isLetterOrNumber(c))
        return WordClass::Letters;
    return WordClass::None;
}

char32_t CodePointAt(QStringView text, qsizetype at)
{
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[at], text[at + 1]);
    return text[at].unicode();
}

char32_t CodePointBefore(QStringView text, qsizetype at)
{
    if (text[at - 1].isLowSurrogate() && at >= 2 && text[at - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(text[at - 2], text[at - 1]);
    return text[at - 1].unicode();
}

// The characters on both sides of `at` belong to one word.
bool JoinsWord(QStringView text, qsizetype at)
{
    if (at <= 0 || at >= text.size())
        return false;
    const WordClass before = ClassOf(CodePointBefore(text, at));
    return before != WordClass::None && before == ClassOf(CodePointAt(text, at));
}

// Not between the halves of a surrogate pair.
bool IsCharacterBoundary(QStringView text, qsizetype at)
{
    return at <= 0 || at >= text.size() || !(text[at].isLowSurrogate() && text[at - 1].isHighSurrogate());
}

QString UnencodableNameMessage(const QString& character)
{
    return QStringLiteral("ノード名には Shift_JIS で表せない文字「%1」を使えないため、置換しませんでした。").arg(character);
}

} // namespace

// --- Order and moving between matches ------------------------------------------------

int PlaceOrder(const Page& page, PageTextPlace place)
{
    if (place.field == PageTextField::UserHeader)
        return 2 * page.NodeCount();
    const std::vector<Node*> nodes = page.NodesInDocumentOrder();
    const auto found = std::find(nodes.begin(), nodes.end(), place.node);
    if (found == nodes.end())
        return -1;
    return 2 * int(found - nodes.begin()) + (place.field == PageTextField::Body ? 1 : 0);
}

std::optional<std::size_t> AdjacentMatch(const std::vector<PageMatch>& matches, SearchPosition from, bool forward)
{
    if (matches.empty())
        return std::nullopt;
    const auto before = [](const PageMatch& m, std::pair<int, int> at) {
        return std::pair(m.order, m.start) < at;
    };
    if (forward) {
        const auto next = std::lower_bound(matches.begin(), matches.end(), std::pair(from.order, from.end), before);
        return next == matches.end() ? 0 : std::size_t(next - matches.begin());
    }
    const auto at = std::lower_bound(matches.begin(), matches.end(), std::pair(from.order, from.start), before);
    return at == matches.begin() ? matches.size() - 1 : std::size_t(at - matches.begin()) - 1;
}

// --- The search -------------------------------------------------------------------------

// A match found in one text: its range in the shown text and, when asked
// for, in the bytes, with the ranges of a regular expression's groups.
struct PageSearch::Span {
    int start = 0;
    int end = 0;
    std::size_t byteStart = 0;
    std::size_t byteEnd = 0;
    std::vector<std::pair<int, int>> groups; // in the shown text; -1 when not taken
};

// Buffers one text after another is decoded into.
class PageSearch::Scratch {
public:
    QString shown;
    FoldedText folded; // what is searched
    FoldedText mapped; // the same with its origins, once a text has a match
    std::vector<int> offsets; // byte offsets of `shown`, once it has a match
    QString again;            // `shown` made again with its offsets
};

PageSearch::PageSearch(const QString& pattern, const SearchOptions& options) : pattern_(pattern), options_(options)
{
    if (pattern_.isEmpty())
        return;
    // A regular expression ignores case by its own option: folding its
    // pattern would turn \D into \d.
    folding_ = {options_.foldJapanese, !options_.caseSensitive && !options_.regularExpression};
    searched_ = folding_.japanese || folding_.caseless
        ? FoldPattern(pattern_, folding_, options_.regularExpression)
        : pattern_;
    if (options_.regularExpression) {
        QRegularExpression::PatternOptions flags =
            QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
        if (!options_.caseSensitive)
            flags |= QRegularExpression::CaseInsensitiveOption;
        regex_ = QRegularExpression(searched_, flags);
        if (!regex_.isValid())
            error_ = QStringLiteral("正規表現が正しくありません（%1 文字目）: %2")
                         .arg(regex_.patternErrorOffset() + 1)
                         .arg(regex_.errorString());
        else
            regex_.optimize();
        return;
    }
    if (options_.foldJapanese || options_.wholeWord || pattern_.contains(u'\r') || pattern_.contains(u'\n'))
        return;
    // In the bytes only when they say exactly what the text says.
    std::optional<SjisString> bytes = TextCodec::FromUnicodeStrict(pattern_);
    if (bytes && TextCodec::ToUnicode(*bytes) == pattern_ && !EndsInLoneLead(*bytes)
        && (options_.caseSensitive || IsAscii(*bytes)))
        bytePattern_ = std::move(bytes);
}

template <typename OnSpan>
void PageSearch::Scan(SjisView bytes, PageTextField field, bool wantBytes, Scratch& scratch, OnSpan&& onSpan) const
{
    if (pattern_.isEmpty() || !error_.isEmpty())
        return;
    if (bytePattern_)
        ScanBytes(bytes, field, onSpan);
    else
        ScanShown(bytes, field, wantBytes, scratch, onSpan);
}

template <typename OnSpan> void PageSearch::ScanBytes(SjisView bytes, PageTextField field, OnSpan&& onSpan) const
{
    const SjisView pattern = *bytePattern_;
    std::size_t boundary = 0; // a character starts here
    std::size_t counted = 0;  // the shown position of this byte is `shown`
    int shown = 0;
    std::size_t at = FindBytes(bytes, pattern, 0, options_.caseSensitive);
    while (at != SjisView::npos) {
        while (boundary < at)
            boundary += CharacterBytes(bytes, boundary);
        if (boundary != at) { // the bytes of the pattern, but inside a character
            at = FindBytes(bytes, pattern, at + 1, options_.caseSensitive);
            continue;
        }
        shown += ShownLength(bytes.substr(counted, at - counted), field);
        counted = at;
        Span span;
        span.start = shown;
        span.end = shown + int(pattern_.size());
        span.byteStart = at;
        span.byteEnd = at + pattern.size();
        if (!onSpan(span))
            return;
        boundary = span.byteEnd; // the pattern is whole characters
        at = FindBytes(bytes, pattern, boundary, options_.caseSensitive);
    }
}

template <typename OnSpan>
void PageSearch::ScanShown(SjisView bytes, PageTextField field, bool wantBytes, Scratch& s, OnSpan&& onSpan) const
{
    s.shown = TextAsShown(bytes, field);
    const bool fold = folding_.japanese || folding_.caseless;
    if (fold)
        FoldText(s.shown, folding_, s.folded, false);
    const QStringView haystack = fold ? QStringView(s.folded.text) : QStringView(s.shown);
    // Most texts hold no match: the maps back to the source and to the
    // bytes are made for those that do.
    bool mapped = false;
    enum Verdict { Rejected, Stop, Go };
    const auto offer = [&](qsizetype from, qsizetype to, const QRegularExpressionMatch* match) {
        if (!mapped) {
            if (fold)
                FoldText(s.shown, folding_, s.mapped, true);
            if (wantBytes)
                TextAsShownWithOffsets(bytes, field, s.again, s.offsets);
            mapped = true;
        }
        const bool whole = fold ? s.mapped.IsBoundary(from) && s.mapped.IsBoundary(to)
                                : IsCharacterBoundary(s.shown, from) && IsCharacterBoundary(s.shown, to);
        if (!whole)
            return Rejected;
        const auto source = [&](qsizetype i) { return fold ? s.mapped.origin[std::size_t(i)] : int(i); };
        Span span;
        span.start = source(from);
        span.end = source(to);
        if (options_.wholeWord && (JoinsWord(s.shown, span.start) || JoinsWord(s.shown, span.end)))
            return Rejected;
        if (wantBytes) {
            span.byteStart = std::size_t(s.offsets[std::size_t(span.start)]);
            span.byteEnd = std::size_t(s.offsets[std::size_t(span.end)]);
            for (int g = 0; match && g <= match->lastCapturedIndex(); ++g) {
                const qsizetype gs = match->capturedStart(g);
                span.groups.emplace_back(gs < 0 ? -1 : source(gs), gs < 0 ? -1 : source(match->capturedEnd(g)));
            }
        }
        return onSpan(span) ? Go : Stop;
    };
    if (options_.regularExpression) {
        QRegularExpressionMatchIterator it = regex_.globalMatch(haystack);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() > 0 && offer(match.capturedStart(), match.capturedEnd(), &match) == Stop)
                return;
        }
        return;
    }
    // Case, where it does not count, is folded away with the rest.
    qsizetype at = haystack.indexOf(searched_);
    while (at >= 0) {
        const qsizetype end = at + searched_.size();
        const Verdict verdict = offer(at, end, nullptr);
        if (verdict == Stop)
            return;
        at = haystack.indexOf(searched_, verdict == Go ? end : at + 1);
    }
}

PageSearch::Matches PageSearch::FindAll(const Page& page, int limit) const
{
    Matches found;
    Scratch scratch;
    const auto search = [&](PageTextPlace place, int order) {
        Scan(TextAt(page, place), place.field, false, scratch, [&](const Span& span) {
            if (int(found.matches.size()) >= limit) {
                found.truncated = true;
                return false;
            }
            found.matches.push_back({place, order, span.start, span.end - span.start});
            return true;
        });
        return !found.truncated;
    };
    if (pattern_.isEmpty() || !error_.isEmpty())
        return found;
    const std::vector<Node*> nodes = page.NodesInDocumentOrder();
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (!search({nodes[i], PageTextField::Name}, 2 * int(i))
            || !search({nodes[i], PageTextField::Body}, 2 * int(i) + 1))
            return found;
    if (options_.userHeader)
        search({nullptr, PageTextField::UserHeader}, 2 * int(nodes.size()));
    return found;
}

// --- Replacing ------------------------------------------------------------------------------

QString PageSearch::Expand(const QString& replacement, const Span& span, const Scratch& scratch) const
{
    if (!options_.regularExpression)
        return replacement;
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c != u'\\' || i + 1 == replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement[++i];
        if (next.isDigit() && next.unicode() < 0x80) {
            const std::size_t g = std::size_t(next.unicode() - u'0');
            if (g < span.groups.size() && span.groups[g].first >= 0)
                out += QStringView(scratch.shown).mid(span.groups[g].first, span.groups[g].second - span.groups[g].first);
        } else if (next == u'n') {
            out += u'\n';
        } else if (next == u't') {
            out += u'\t';
        } else if (next == u'\\') {
            out += u'\\';
        } else {
            out += c;
            out += next;
        }
    }
    return out;
}

namespace {

// What the model stores for `text` in a text of this kind: line breaks as
// CR LF; in a body or the header, characters Shift_JIS lacks as numeric
// character references; in a name they are refused (nothing).
std::optional<SjisString> Encode(QString text, PageTextField field)
{
    if (text.contains(u'\n'))
        text.replace(u'\n', QStringLiteral("\r\n"));
    if (field == PageTextField::Name)
        return TextCodec::FromUnicodeStrict(text);
    return TextCodec::FromUnicodeWithReferences(text);
}

} // namespace

std::optional<SjisString> PageSearch::Splice(SjisView bytes, PageTextField field, const std::vector<Span>& spans,
                                             const std::vector<QString>& texts) const
{
    // A literal replacement is encoded once for all its matches.
    std::optional<SjisString> literal;
    if (!options_.regularExpression && !texts.empty())
        if (!(literal = Encode(texts.front(), field)))
            return std::nullopt;
    SjisString out;
    out.reserve(bytes.size() + spans.size() * (literal ? literal->size() : 8));
    std::size_t at = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        out.append(bytes.substr(at, spans[i].byteStart - at));
        if (literal) {
            out += *literal;
        } else {
            const std::optional<SjisString> encoded = Encode(texts[i], field);
            if (!encoded)
                return std::nullopt;
            out += *encoded;
        }
        at = spans[i].byteEnd;
    }
    out.append(bytes.substr(at));
    return out;
}

PageSearch::Replaced PageSearch::ReplaceAll(const Page& page, const QString& replacement) const
{
    Replaced result;
    Scratch scratch;
    std::vector<Span> spans;
    std::vector<QString> texts;
    const auto replaceIn = [&](PageTextPlace place) {
        const SjisString& bytes = TextAt(page, place);
        spans.clear();
        texts.clear();
        Scan(bytes, place.field, true, scratch, [&](const Span& span) {
            texts.push_back(Expand(replacement, span, scratch));
            spans.push_back(span);
            return true;
        });
        if (spans.empty())
            return true;
        std::optional<SjisString> text = Splice(bytes, place.field, spans, texts);
        if (!text) {
            const std::optional<QString> character = TextCodec::FirstUnencodable(replacement);
            result = {{}, 0, UnencodableNameMessage(character.value_or(replacement))};
            return false;
        }
        result.changes.push_back({place, std::move(*text)});
        result.count += int(spans.size());
        return true;
    };
    for (Node* node : page.NodesInDocumentOrder())
        if (!replaceIn({node, PageTextField::Name}) || !replaceIn({node, PageTextField::Body}))
            return result;
    if (options_.userHeader)
        replaceIn({nullptr, PageTextField::UserHeader});
    return result;
}

PageSearch::Replaced PageSearch::ReplaceOne(const Page& page, const PageMatch& match, const QString& replacement,
                                            PageMatch* replaced) const
{
    const SjisString& bytes = TextAt(page, match.place);
    Scratch scratch;
    std::vector<Span> spans;
    Scan(bytes, match.place.field, true, scratch, [&](const Span& span) {
        if (span.start == match.start && span.end == match.start + match.length)
            spans.push_back(span);
        return spans.empty() && span.start <= match.start;
    });
    if (spans.empty())
        return {};
    const QString text = Expand(replacement, spans.front(), scratch);
    std::optional<SjisString> spliced = Splice(bytes, match.place.field, spans, {text});
    if (!spliced)
        return {{}, 0, UnencodableNameMessage(TextCodec::FirstUnencodable(text).value_or(text))};
    if (replaced) {
        *replaced = match;
        const std::size_t added = spliced->size() - (bytes.size() - (spans.front().byteEnd - spans.front().byteStart));
        replaced->length = ShownLength(SjisView(*spliced).substr(spans.front().byteStart, added), match.place.field);
    }
    return {{{match.place, std::move(*spliced)}}, 1, {}};
}

#pragma once

#include "page/PageTexts.h"
#include "page/TextFolding.h"

#include <QRegularExpression>
#include <QString>

#include <optional>
#include <vector>

struct SearchOptions {
    bool caseSensitive = false;
    bool wholeWord = false;
    bool regularExpression = false;
    // Full-width and half-width, hiragana and katakana match (TextFolding.h).
    bool foldJapanese = false;
    bool userHeader = false; // the user header is searched too
    bool operator==(const SearchOptions&) const = default;
};

// A match: where it lies, and its range in the text as the user sees it
// (TextAsShown: a decoded name, a body as the editor shows it). `order` is
// its text's rank in the search order (PlaceOrder).
struct PageMatch {
    PageTextPlace place;
    int order = 0;
    int start = 0;
    int length = 0;
    bool operator==(const PageMatch&) const = default;
};

// The search order is document order, a node's name before its body; the
// user header comes last. A text's rank: 2 × the node's index, +1 for the
// body; the header's is 2 × the node count.
int PlaceOrder(const Page& page, PageTextPlace place);

// Where the user stands in that order: a text's rank and a range in it. A
// rank of -1 stands before every text.
struct SearchPosition {
    int order = -1;
    int start = 0;
    int end = 0;
};

// The match F3 goes to from `from`: forward, the first that starts at or
// after its end; backward, the last that starts before its start. Either
// way round the page when there is none. Nothing when there are no matches.
std::optional<std::size_t> AdjacentMatch(const std::vector<PageMatch>& matches, SearchPosition from, bool forward);

// One pattern with its options, searched in the texts of a page. Matching
// works on the text the user sees, never on half a character: a match
// begins and ends between characters (with folding, a half-width katakana
// and its sound mark are one). Empty matches of a regular expression are
// left out.
//
// A plain pattern (no regular expression, folding or whole words, no line
// break, ASCII unless case counts) is looked for in the Shift_JIS bytes
// themselves, which needs no decoding of the texts it is not in.
class PageSearch {
public:
    // FindAll stops here: the count then reads "more than".
    static constexpr int MaxMatches = 100000;

    PageSearch(const QString& pattern, const SearchOptions& options);

    // Why the pattern cannot be searched (an invalid regular expression),
    // for the user; empty when it can.
    const QString& error() const { return error_; }
    bool isEmpty() const { return pattern_.isEmpty(); }

    struct Matches {
        std::vector<PageMatch> matches;
        bool truncated = false; // there are more than `limit`
    };
    Matches FindAll(const Page& page, int limit = MaxMatches) const;

    // Replace all: the new texts, one for each text that changes, and how
    // many matches were replaced. In a regular expression's replacement,
    // \0 to \9 stand for the groups, \n and \t for a line break and a tab,
    // \\ for a backslash. Only the matches are re-encoded; the bytes
    // between them stay as they are. A name cannot take a character that
    // Shift_JIS cannot hold: then nothing is replaced and `error` says why.
    struct Replaced {
        std::vector<PageTextChange> changes;
        int count = 0;
        QString error;
    };
    Replaced ReplaceAll(const Page& page, const QString& replacement) const;
    // One match replaced, when the text still has it; `replaced` gets the
    // range of the new text, as the user sees it.
    Replaced ReplaceOne(const Page& page, const PageMatch& match, const QString& replacement,
                        PageMatch* replaced = nullptr) const;

private:
    struct Span;
    class Scratch;
    template <typename OnSpan> void Scan(SjisView bytes, PageTextField field, bool wantBytes, Scratch& scratch,
                                         OnSpan&& onSpan) const;
    template <typename OnSpan> void ScanBytes(SjisView bytes, PageTextField field, OnSpan&& onSpan) const;
    template <typename OnSpan> void ScanShown(SjisView bytes, PageTextField field, bool wantBytes,
                                              Scratch& scratch, OnSpan&& onSpan) const;
    QString Expand(const QString& replacement, const Span& span, const Scratch& scratch) const;
    std::optional<SjisString> Splice(SjisView bytes, PageTextField field, const std::vector<Span>& spans,
                                     const std::vector<QString>& texts) const;

    QString pattern_;
    SearchOptions options_;
    QString error_;
    Folding folding_;
    QString searched_;           // the pattern as it is looked for (folded)
    QRegularExpression regex_;
    std::optional<SjisString> bytePattern_; // set when the plain pattern is looked for in bytes
};

#pragma once

#include <QStringView>

#include <cstdint>
#include <vector>

// The four classes of characters the editor shows in their own format.
enum class CharClass : std::uint8_t {
    Text,
    TagSymbol,    // "<", ">", blanks between tags, the space after a tag name
    TagDirective, // the tag name
    TagParameter, // what follows the name
};

// A range of the editor text in one class. Offsets count the editor's
// characters (UTF-16 units, one per line break).
struct ColourRun {
    int start = 0;
    int length = 0;
    CharClass cls = CharClass::Text;

    bool operator==(const ColourRun&) const = default;
};

// Colours a whole text: the sorted, non-overlapping runs that cover it,
// neighbouring characters of one class merged. Only "<", ">", blanks and
// line breaks steer it, so the result is the same whether line breaks are
// one character or two.
//
// Tag runs: a "<" up to the first ">" after it, with the blanks after it and
// any further tags reached over blanks only, is tag symbol; a "<" with no ">"
// after it is a run of its own. Inside each "<...>" the characters up to the
// first space are the directive and those after it the parameter; after a
// line break or tab instead of a space the whole inside is the directive.
std::vector<ColourRun> ComputeColourRuns(QStringView text);

// The class a character typed at the end of `before` gets. `key` "<" and
// ">" are tag symbol; otherwise the text up to the caret decides: no "<"
// open -> text, an open "<" followed by a space -> parameter, else directive.
CharClass TypingClass(QChar key, QStringView before);

// The same decision made piecewise, from the caret backwards, for editors
// that hold their text in lines: feed the pieces before the caret in reverse
// order until `decided()`, then read `result()`.
class BackwardTagScan {
public:
    // Scans `piece` from its end; returns true once the class is known.
    bool feed(QStringView piece);
    bool decided() const { return decided_; }
    // Text when the scan reached the start without finding "<" or ">".
    CharClass result() const { return result_; }

private:
    bool spaceSeen_ = false;
    bool decided_ = false;
    CharClass result_ = CharClass::Text;
};

#pragma once

#include "document/SjisString.h"

#include <QString>

// The editor holds a node body as Unicode with one '\n' per line break; the
// model holds Shift_JIS bytes with CR LF. Everything that crosses between the
// two - texts and positions - goes through here.
namespace EditorText {

// A body as the editor shows it: decoded, CR LF (or a lone CR) as '\n'.
QString FromBody(SjisView body);

// The editor's text as a body: '\n' as CR LF, characters that code page 932
// cannot hold as numeric character references.
SjisString ToBody(QStringView text);

// The byte offset in ToBody(text) of the editor position `pos`.
int ByteOffset(QStringView text, int pos);

// The editor position of byte offset `offset` of ToBody(text); an offset
// inside a character or a line break gives the position before it, one past
// the end gives the end.
int EditorPosition(QStringView text, int offset);

} // namespace EditorText

// Lines the paragraph command leaves alone: those that start with "<" after
// their leading blanks and controls, and blank ones. Every other line is put
// between "<P>" and "</P>". Lines are split at CR LF, CR or LF; the result
// has a '\n' after every line, the last one included.
QString AddParagraphTags(QStringView text);

// What Enter inserts with automatic indentation: a line break followed by
// every tab and space of `line`, in their order (not only the leading ones).
QString AutoIndentText(QStringView line);

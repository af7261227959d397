#pragma once

#include "document/SjisString.h"

#include <QString>
#include <optional>

// The one place that converts between the model's code page 932 bytes and
// Qt's Unicode strings.
namespace TextCodec {

// Decodes code page 932 bytes. Bytes that are not valid Shift_JIS (and the
// duplicate codes of the vendor extensions) come out as private-use
// characters of plane 15, U+F0000 plus the bytes, which encode back to the
// very same bytes: every byte string survives a decode and an encode.
QString ToUnicode(SjisView sjis);

// Encodes to code page 932, or nothing when a character has no code there.
std::optional<SjisString> FromUnicodeStrict(QStringView text);

// Encodes to code page 932; characters without a code become HTML numeric
// character references ("&#x1F600;"), so node bodies never lose them.
SjisString FromUnicodeWithReferences(QStringView text);

// The first character of the text that code page 932 cannot hold, if any.
std::optional<QString> FirstUnencodable(QStringView text);

// Program literals are written in UTF-8 in the sources; this gives their bytes.
SjisString Sjis(const char* utf8);

// A model path (Shift_JIS bytes of a native path) as a path Qt can open.
inline QString NativePath(SjisView path) { return ToUnicode(path); }

} // namespace TextCodec

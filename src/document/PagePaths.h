#pragma once

#include "document/SjisString.h"

struct PageProperties;

// Path helpers on Shift_JIS path bytes. Both '/' and '\' separate folders
// (pages made on Windows store backslashes); a '\' that is the second byte of
// a double-byte character is never taken for a separator.
namespace PagePaths {

// The local folder separator appended by IncludeTrailingPathDelimiter.
#ifdef _WIN32
inline constexpr char NativeSeparator = '\\';
#else
inline constexpr char NativeSeparator = '/';
#endif

// Position of the last folder separator, or npos.
size_t LastSeparator(SjisView path);
bool EndsWithSeparator(SjisView path);

// Appends the native separator unless the text already ends in one; an
// empty text stays empty. Only the native separator counts: on Linux a
// final '\' is part of a folder's name ("site\" is a folder of that name),
// so the folder still gets its '/'.
SjisString IncludeTrailingPathDelimiter(SjisView folder);
// Appends '/' unless the text already ends in one; an empty text stays empty.
SjisString IncludeTrailingSlash(SjisView remoteFolder);

// "D:\web\a.html" -> "a.html"
SjisString ExtractFileName(SjisView path);
// "D:\web\a.html" -> "D:\web\" (with its separator; empty without a folder)
SjisString ExtractFilePath(SjisView path);
// "D:\web\a.html" -> "D:\web" (without the separator)
SjisString ExtractFileDir(SjisView path);
// "a.b.html" -> ".html"; empty without an extension
SjisString ExtractFileExt(SjisView path);
// Replaces the last extension of the file name part (or appends one).
SjisString ChangeFileExt(SjisView path, SjisView extension);

// A path written on another system (a page made on Windows): it starts with
// a drive letter, a colon and a separator, or it holds a backslash as a
// separator. Such a path names no file here; writing to it would make a file
// with the whole path as its name. Always false where such paths are native.
bool IsForeignPath(SjisView path);

// DatabasePath + the base name of FileName + ".data": the page file lies in
// the document root and takes the HTML file's base name.
SjisString PageFilePath(const PageProperties& page);

} // namespace PagePaths

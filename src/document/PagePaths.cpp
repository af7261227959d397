#include "document/PagePaths.h"

#include "document/Page.h"

namespace PagePaths {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Position of the extension's dot in the file name part, or npos.
size_t ExtensionDot(SjisView path)
{
    size_t nameStart = LastSeparator(path);
    nameStart = nameStart == SjisView::npos ? 0 : nameStart + 1;
    size_t dot = SjisView::npos;
    for (size_t i = nameStart; i < path.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
            continue;
        }
        if (path[i] == '.')
            dot = i;
    }
    return dot;
}

} // namespace

size_t LastSeparator(SjisView path)
{
    size_t last = SjisView::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
            continue;
        }
        if (IsSeparator(path[i]))
            last = i;
    }
    return last;
}

bool EndsWithSeparator(SjisView path)
{
    return !path.empty() && LastSeparator(path) == path.size() - 1;
}

SjisString IncludeTrailingPathDelimiter(SjisView folder)
{
    SjisString out(folder);
#ifdef _WIN32
    const bool ends = EndsWithSeparator(out);
#else
    // '/' is never the second byte of a double-byte character (those start at 0x40).
    const bool ends = !out.empty() && out.back() == '/';
#endif
    if (!out.empty() && !ends)
        out += NativeSeparator;
    return out;
}

SjisString IncludeTrailingSlash(SjisView remoteFolder)
{
    SjisString out(remoteFolder);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

SjisString ExtractFileName(SjisView path)
{
    size_t sep = LastSeparator(path);
    return SjisString(sep == SjisView::npos ? path : path.substr(sep + 1));
}

SjisString ExtractFilePath(SjisView path)
{
    size_t sep = LastSeparator(path);
    return sep == SjisView::npos ? SjisString() : SjisString(path.substr(0, sep + 1));
}

SjisString ExtractFileDir(SjisView path)
{
    size_t sep = LastSeparator(path);
    return sep == SjisView::npos ? SjisString() : SjisString(path.substr(0, sep));
}

SjisString ExtractFileExt(SjisView path)
{
    size_t dot = ExtensionDot(path);
    return dot == SjisView::npos ? SjisString() : SjisString(path.substr(dot));
}

SjisString ChangeFileExt(SjisView path, SjisView extension)
{
    size_t dot = ExtensionDot(path);
    SjisString out(dot == SjisView::npos ? path : path.substr(0, dot));
    out += extension;
    return out;
}

bool IsForeignPath(SjisView path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return true;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i; // a trail byte 0x5C is part of its character
            continue;
        }
        if (path[i] == '\\')
            return true;
    }
    return false;
#endif
}

SjisString PageFilePath(const PageProperties& page)
{
    return page.DatabasePath + ChangeFileExt(ExtractFileName(page.FileName), ".data");
}

} // namespace PagePaths

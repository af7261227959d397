#pragma once

#include <QString>

#include <vector>

// Reloads the browser windows that show a page: every top-level window whose
// caption holds the given text is brought to the front and sent F5, one after
// the other, 300 ms apart. Works where an X display is present.
namespace BrowserLink {

// Whether windows can be found and sent keys here.
bool Available();

// Returns how many windows were reloaded. With `focusBack`, `ownWindow` (a
// native window id) is brought to the front again after each reload. The
// windows in `skipped` (the program's own, whose captions hold the page's
// title too) are never reloaded.
int ReloadMatching(const QString& captionPart, bool focusBack, unsigned long ownWindow,
                   const std::vector<unsigned long>& skipped = {});

// The caption text that identifies a page's browser windows:
// title + " - " + the browser's own name.
inline QString CaptionFor(const QString& title, const QString& browserWindowTitle)
{
    return title + QStringLiteral(" - ") + browserWindowTitle;
}

// The caption as it is compared: at most its first 199 characters.
inline bool CaptionMatches(const QString& caption, const QString& captionPart)
{
    return caption.left(199).contains(captionPart);
}

} // namespace BrowserLink

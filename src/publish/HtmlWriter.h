#pragma once

#include "document/Charset.h"
#include "document/SjisString.h"

#include <QString>

struct PageProperties;

// The ConvertJCode target for a page's character set.
int TargetCodeOf(Charset charset);

// The exact bytes of the HTML file: the generated text converted to the
// character set, then CR LF. Line breaks inside are left as they are.
std::string HtmlFileBytes(SjisView html, Charset charset);

// A FileName without a folder part lies in the start folder.
SjisString CompleteHtmlFileName(SjisView fileName, SjisView startFolder);

struct HtmlWriteResult {
    QString message; // empty on success; names the file otherwise
    bool ok() const { return message.isEmpty(); }
};

// Completes the page's FileName (the page keeps the completed path), then
// replaces that file with the converted text. The file is replaced
// atomically: after a failure the previous file is still there, unchanged.
// A FileName from another system (PagePaths::IsForeignPath) is refused and
// left as it is.
HtmlWriteResult WritePageHtml(PageProperties& page, SjisView html, SjisView startFolder);

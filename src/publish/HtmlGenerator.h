#pragma once

#include "document/SjisString.h"

#include <QDateTime>

class Page;

// The preferences that shape every generated page (the page itself carries
// the rest). Settings::generatorOptions() fills it from the preferences.
struct GeneratorOptions {
    SjisString Author;
    SjisString Email;
    SjisString SupportUrl;
    bool Generator = true;       // write the generator meta element
    int DefaultTagCase = 0;      // 0 capitalised tags, 1 lower-case tags; else the DOCTYPE line alone
    int DefaultFooterAction = 0; // 0 copyright + corrections, 1 copyright + author and support,
                                 // 2 DefaultFooter verbatim; else no footer lines
    SjisString DefaultFooter;
};

// Builds the page's HTML text (Shift_JIS, LF after each generated line, no
// line break after the html end tag) from its outline, its properties and
// the preferences. `now` is the local time shown in the last-modified stamp
// and the copyright year. Values are inserted exactly as stored: the user
// writes HTML, so nothing is escaped.
SjisString GeneratePageHtml(const Page& page, const GeneratorOptions& options, const QDateTime& now);

// The outline part of that text alone: each published node's heading and
// body, as the whole page has them. Empty for a tag case that writes no page.
SjisString GenerateOutlineHtml(const Page& page, const GeneratorOptions& options);

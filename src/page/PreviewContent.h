#pragma once

#include "document/PageFile.h"
#include "document/SjisString.h"
#include "publish/HtmlGenerator.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

class Node;
class Page;

// What a preview is made from, copied out of the page and the preferences on
// the GUI thread so that the bytes can be made on another thread while the
// page goes on changing.
struct PreviewSource {
    PageFileImage image;      // the page as it stands, the editor's typing included
    GeneratorOptions options; // as the save uses them
    SjisString startFolder;   // completes a FileName without a folder, as the save does
    QDateTime now;            // the time the page carries
    // A base element for relative addresses; a viewer that serves the
    // page under its output file's own path needs none.
    bool baseElement = true;
};

// The page as the preview shows it: the bytes of the HTML file, in the
// page's character set, plus two additions that exist only in this copy: a
// scroll target in each published heading, and a base element that makes
// relative style sheets, scripts and images resolve against the output
// file's folder, as they will on the server.
struct PreviewPage {
    QByteArray bytes;
    QString charsetName; // "iso-2022-jp", "Shift_JIS" or "EUC-JP": what a browser decodes
    QUrl baseUrl;        // the output file's folder; empty when it is not known here
};

PreviewPage MakePreviewPage(const PreviewSource& source);

// The id of the scroll target in the heading of the node at `nodeIndex`
// (document order, every node counted). Unpublished nodes have none.
QString PreviewAnchorId(int nodeIndex);
// Where the preview scrolls to for a selected node: its heading, or for an
// unpublished node (which has none) the nearest heading before it; empty
// when there is no such heading.
QString PreviewAnchorIdOf(const Page& page, const Node* node);

// The folder the HTML file will be written to, as a file URL ending in "/";
// empty for a path from another system or one that is not absolute.
QUrl PreviewBaseUrl(const PageProperties& page, SjisView startFolder);

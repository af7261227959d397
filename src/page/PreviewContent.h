#pragma once

#include "document/PageFile.h"
#include "document/SjisString.h"
#include "publish/HtmlGenerator.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

class Node;
class Page;

// What a preview is made from, copied out of the page and the preferences on
// the GUI thread so that the bytes can be made on another thread while the
// page goes on changing.
struct PreviewSource {
    PageFileImage image;      // the page as it stands, the editor's typing included
    GeneratorOptions options; // as the save uses them
    QDateTime now;            // the time the page carries
};

// The page as the preview shows it: the bytes of the HTML file, in the
// page's character set, plus what exists only in this copy: a scroll target
// in each published heading. The viewer serves it under the output file's
// own path, so relative addresses resolve as they will on the server.
struct PreviewPage {
    QByteArray bytes;
    QString charsetName; // "iso-2022-jp", "Shift_JIS" or "EUC-JP": what a browser decodes
};

PreviewPage MakePreviewPage(const PreviewSource& source);

// The id of the scroll target in the heading of the node at `nodeIndex`
// (document order, every node counted). Unpublished nodes have none.
QString PreviewAnchorId(int nodeIndex);
// Where the preview scrolls to for a selected node: its heading, or for an
// unpublished node (which has none) the nearest heading before it; empty
// when there is no such heading.
QString PreviewAnchorIdOf(const Page& page, const Node* node);

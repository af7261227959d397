#pragma once

#include "document/Node.h"
#include "document/SjisString.h"

#include <functional>

class Page;

// The outline as text: one line per node in document order, the node's depth
// in TABs, its name and CR LF. The page file stores the outline this way.
SjisString MakeOutlineText(const Page& page);
// The same, calling `visit` with each node in document order on the way,
// so that a caller that also needs the nodes walks the outline once.
SjisString MakeOutlineText(const Page& page, const std::function<void(const Node*)>& visit);

struct OutlineParseResult {
    Node::Children topLevel; // the nodes built, up to an error
    int nodeCount = 0;
    // 0 when the whole text was read; else the 1-based line that jumped more
    // than one level deeper than the line before it.
    int errorLine = 0;
};

// Rebuilds an outline. Lines end in CR LF, CR or LF; a last line without a
// break counts. Leading TABs and blanks give the depth, one level each.
OutlineParseResult ParseOutlineText(SjisView text);

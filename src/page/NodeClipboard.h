#pragma once

#include "document/Page.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

class QMimeData;
struct GeneratorOptions;

// Whole subtrees on the system clipboard. A copy offers three forms:
//   NodesMimeType  lossless: a version 1.4 page file that holds just the
//                  copied nodes (names, bodies, flags and carets, every byte
//                  as the page has it, valid Shift_JIS or not);
//   text/html      the nodes as the generated page shows them;
//   text/plain     the names, one a line, indented by depth with TABs.
// A paste takes the nodes back from the first form, or makes them from
// indented plain text. No widgets: the window hands the data to QClipboard.
namespace NodeClipboard {

inline constexpr char NodesMimeType[] = "application/x-tav-outliner-nodes";

struct Copied {
    std::unique_ptr<QMimeData> data; // null when nothing could be copied
    QString error;                   // why, for the user
};
// The nodes with their subtrees, in document order. The page file format
// has no way to hold the byte 0xFF (nor can a page that holds one be saved):
// a text holding it makes the copy fail.
Copied Copy(const std::vector<const Node*>& nodes, const GeneratorOptions& html);

struct Pasted {
    std::vector<std::unique_ptr<Node>> nodes; // top-level nodes with their subtrees
    QString error;                            // set when the data was refused
};
// Whether Paste finds nodes in the data (our own form, or any text).
bool CanPaste(const QMimeData& data);
// Our own form first; else plain text, as NodesFromIndentedText reads it.
Pasted Paste(const QMimeData& data);

// Nodes made from indented lines, one a line, named by the line without its
// indentation and trailing blanks; blank lines make none. Lines end in CR
// LF, CR or LF. Indentation counts in columns: a blank one, an ideographic
// space (U+3000) two, a TAB up to the next multiple of four, so that any
// consistent indenting reads as the writer meant it. A line indented more
// than the line before it is that line's child, however much more; a line
// indented less belongs beside the nearest line above it indented no more,
// as its sibling when their indentation is the same and as a child of it
// otherwise. Characters Shift_JIS lacks become numeric character references.
std::vector<std::unique_ptr<Node>> NodesFromIndentedText(QStringView text);

// A copy of the node and its subtree: names, records and expanded states.
std::unique_ptr<Node> CopyOfSubtree(const Node& node);

// Where pasted nodes go: right after the selected node, under its parent,
// or as its last child; with nothing selected, at the end of the top level.
NodePlace PastePlace(const Page& page, Node* selected, bool asChild);

// Which control the Edit menu's cut, copy and paste serve: the one that has
// the focus.
enum class ClipboardTarget { Editor, Tree, None };
struct ClipboardCommands {
    bool cut = false;
    bool copy = false;
    bool paste = false;
    bool pasteAsChild = false;
    bool duplicate = false;
    bool operator==(const ClipboardCommands&) const = default;
};
// Enabled exactly when they can act: in the tree, cut, copy and duplicate
// need a selected node and the pastes need nodes on the clipboard; the
// editor keeps its own cut, copy and paste.
ClipboardCommands EnabledCommands(ClipboardTarget target, bool nodeSelected, bool nodesOnClipboard);

} // namespace NodeClipboard

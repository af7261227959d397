#pragma once

#include "document/Charset.h"
#include "document/Node.h"
#include "document/SjisString.h"

#include <optional>
#include <vector>

// The properties of a page, as plain values. Names are those under which the
// oldest page file stored them; the rest are named by their role.
struct PageProperties {
    SjisString Title;
    SjisString FileName;     // full path of the generated HTML file
    SjisString DatabasePath; // document root: the folder holding the page file
    SjisString Category;
    SjisString CategoryUrl;
    bool Upload = false;     // every save queues the page for upload
    Charset CharacterSet = Charset::Iso2022Jp;
    SjisString Doctype;      // what follows "<!DOCTYPE "; empty selects the built-in line
    SjisString StyleSheetFileName;
    SjisString JavaScriptFileName;
    bool EnableStyleSheet = false;
    bool EnableJavaScript = false;
    SjisString FtpSettingName;
    SjisString RemoteFolder;
    SjisString UserHeader;

    bool operator==(const PageProperties&) const = default;
};

// The values a new page takes from the preferences.
struct NewPageDefaults {
    bool Upload = false;
    SjisString StyleSheetFileName = "untitled.css";
    SjisString JavaScriptFileName;
    bool EnableStyleSheet = true;
    bool EnableJavaScript = false;
    SjisString RemoteFolder = "public_html";
};

// Gives a page's options their new-page values: the upload flag, the
// character set (iso-2022-jp), the style sheet and script settings, the FTP
// setting (the default one) and the remote folder.
void ApplyNewPageOptions(PageProperties& page, const NewPageDefaults& defaults);

// Where a moved node goes, relative to the target.
enum class Placement {
    AsLastChild,   // the target's last child
    BeforeTarget,  // the target's previous sibling; last top-level node without a target
    AsLastSibling, // the last child of the target's parent
};

// Where a node stands: its parent (null at the top level) and its row among
// the parent's children.
struct NodePlace {
    Node* parent = nullptr;
    int row = 0;
    bool operator==(const NodePlace&) const = default;
};

// The moves of the outline's keys.
enum class KeyMove {
    Up,      // before its previous sibling
    Down,    // after its next sibling
    Indent,  // the last child of its previous sibling
    Outdent, // its parent's next sibling
};

// Views (the tree, the editor binding) follow the outline through this.
// Every call comes after the page is consistent again, except the
// "about to" calls, which come before the change.
class OutlineObserver {
public:
    virtual ~OutlineObserver() = default;
    virtual void nodeAboutToBeInserted(Node* /*parent*/, int /*row*/) {}
    virtual void nodeInserted(Node* /*node*/) {}
    virtual void nodeAboutToBeRemoved(Node* /*node*/) {}
    virtual void nodeRemoved() {}
    virtual void nodeAboutToBeMoved(Node* /*node*/, Node* /*newParent*/, int /*newRow*/) {}
    virtual void nodeMoved(Node* /*node*/) {}
    virtual void nodeRenamed(Node* /*node*/) {}
    virtual void recordChanged(Node* /*node*/) {}
    // The whole outline is about to be replaced (reset, a page file read).
    virtual void outlineAboutToBeReset() {}
    virtual void outlineReset() {}
};

// The one open page: its properties and its outline (an ordered forest).
// Document order is pre-order; node index 0 is the first top-level node.
class Page : public PageProperties {
public:
    Page() = default;
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    PageProperties& properties() { return *this; }
    const PageProperties& properties() const { return *this; }

    // Gives the page the new-page state. Title, FileName, DatabasePath and
    // Doctype keep their values.
    void ResetPage(const NewPageDefaults& defaults);

    // New nodes are named "新しいノード" and carry a fresh record.
    // A sibling goes right before `selected`; without a selection it is the
    // last top-level node. A child is the last child of `selected` (which is
    // then expanded); without a selection it is the last top-level node.
    Node* AddSiblingNode(Node* selected);
    Node* AddChildNode(Node* selected);
    // A sibling right after `selected`; without a selection the last
    // top-level node.
    Node* AddSiblingNodeAfter(Node* selected);
    void DeleteNode(Node* node);
    // Names are one line that does not start with a TAB or blank, so that
    // they survive the page file: leading TABs and blanks are dropped and
    // line breaks become blanks.
    void RenameNode(Node* node, SjisView name);
    // Moves the node with its subtree. Moving a node into itself or its own
    // subtree changes nothing.
    void MoveNode(Node* node, Node* target, Placement placement);
    // Where MoveNode would put the node (the row it has once moved); nothing
    // when the move is refused.
    std::optional<NodePlace> MoveDestination(Node* node, Node* target, Placement placement) const;
    // Where a key move puts the node; nothing at the edge (the first node
    // cannot go up or in, a top-level node cannot go out).
    std::optional<NodePlace> KeyMoveDestination(const Node* node, KeyMove move) const;

    // The primitives an undo history needs: every change of the outline can
    // be made, and made back, with these. A node taken out keeps its
    // subtree, and pointers into it stay valid while the caller owns it.
    NodePlace PlaceOf(const Node* node) const;
    std::unique_ptr<Node> TakeNode(Node* node);
    void PutNode(std::unique_ptr<Node> node, NodePlace place);
    // Moves the node so that it ends at `place` (its row once moved).
    void MoveNodeTo(Node* node, NodePlace place);
    // Gives the node exactly this name, as a page file or an undo has it.
    void SetName(Node* node, SjisString name);

    int NodeCount() const { return nodeCount_; }
    Node* NodeAt(int index) const;
    // Every node in document order.
    std::vector<Node*> NodesInDocumentOrder() const;

    const Node::Children& topLevelNodes() const { return topLevel_; }
    // Replaces the whole outline (used by the page file reader).
    void ReplaceOutline(Node::Children topLevel);
    // Moves the properties and the outline of `other` into this page, which
    // keeps its observers.
    void TakeContentFrom(Page& other);

    // Tells the views that a node's record changed (its icon may change).
    void NotifyRecordChanged(Node* node);
    void addObserver(OutlineObserver* observer);
    void removeObserver(OutlineObserver* observer);

    // Set when the page was read from a damaged page file: the first save to
    // that file keeps the damaged file as NAME.data.bak first.
    SjisString DamagedPageFile;

    static SjisString NewNodeName();

private:
    Node::Children& siblingsOf(Node* node);
    const Node::Children& siblingsOf(const Node* node) const;
    int rowOf(const Node* node) const;
    std::unique_ptr<Node> makeNode();
    void insertNode(std::unique_ptr<Node> node, Node* parent, int row);
    std::unique_ptr<Node> detachNode(Node* node);

    template <typename F> void notify(F&& f)
    {
        for (OutlineObserver* o : observers_)
            f(o);
    }

    Node::Children topLevel_;
    int nodeCount_ = 0;
    std::vector<OutlineObserver*> observers_;
};

#pragma once

#include "document/Page.h"
#include "page/PageHistory.h"

// The steps of the page's history, one class a kind of change. Each is
// made by its caller (PageDocument) and pushed once it is made; nodes are
// kept by pointer, and a node out of the outline (added, then undone; or
// deleted) is owned by its step, so that pointers stay valid. A step's size
// is fixed when it is made: the history adds and takes away the same.

// A node added at a place.
class AddNodeStep final : public PageStep {
public:
    AddNodeStep(Node* node, NodePlace place) : node_(node), place_(place) {}
    void Undo(Page& page) override;
    void Redo(Page& page) override;
    Node* ShownAfterUndo() const override { return place_.parent; }
    Node* ShownAfterRedo() const override { return node_; }
    // A new node: its name and an empty record.
    std::size_t Bytes() const override { return sizeof(*this) + sizeof(Node); }

private:
    Node* node_;
    NodePlace place_;
    std::unique_ptr<Node> owned_; // while undone
};

// A node deleted with its subtree; undoing puts the whole subtree back.
class DeleteNodeStep final : public PageStep {
public:
    DeleteNodeStep(std::unique_ptr<Node> node, NodePlace place);
    void Undo(Page& page) override;
    void Redo(Page& page) override;
    Node* ShownAfterUndo() const override { return node_; }
    Node* ShownAfterRedo() const override { return place_.parent; }
    std::size_t Bytes() const override { return bytes_; }

private:
    Node* node_;
    NodePlace place_;
    std::unique_ptr<Node> owned_; // while deleted
    std::size_t bytes_;
};

// Whole subtrees inserted side by side at one place (a paste, a duplicate).
class InsertNodesStep final : public PageStep {
public:
    // `nodes` are in the page already, at `place` and the rows after it.
    InsertNodesStep(std::vector<Node*> nodes, NodePlace place);
    void Undo(Page& page) override;
    void Redo(Page& page) override;
    Node* ShownAfterUndo() const override { return place_.parent; }
    Node* ShownAfterRedo() const override { return nodes_.front(); }
    std::size_t Bytes() const override { return bytes_; }

private:
    std::vector<Node*> nodes_;
    NodePlace place_;
    std::vector<std::unique_ptr<Node>> owned_; // while undone
    std::size_t bytes_;
};

class RenameNodeStep final : public PageStep {
public:
    RenameNodeStep(Node* node, SjisString before, SjisString after)
        : node_(node), before_(std::move(before)), after_(std::move(after)) {}
    void Undo(Page& page) override { page.SetName(node_, before_); }
    void Redo(Page& page) override { page.SetName(node_, after_); }
    Node* ShownAfterUndo() const override { return node_; }
    Node* ShownAfterRedo() const override { return node_; }
    std::size_t Bytes() const override { return sizeof(*this) + before_.size() + after_.size(); }

private:
    Node* node_;
    SjisString before_;
    SjisString after_;
};

class MoveNodeStep final : public PageStep {
public:
    MoveNodeStep(Node* node, NodePlace from, NodePlace to) : node_(node), from_(from), to_(to) {}
    void Undo(Page& page) override { page.MoveNodeTo(node_, from_); }
    void Redo(Page& page) override { page.MoveNodeTo(node_, to_); }
    Node* ShownAfterUndo() const override { return node_; }
    Node* ShownAfterRedo() const override { return node_; }
    std::size_t Bytes() const override { return sizeof(*this); }

private:
    Node* node_;
    NodePlace from_;
    NodePlace to_;
};

// The publish, hide and edit-source flags of a node.
struct NodeFlags {
    bool Publish = true;
    bool Hide = false;
    bool EditSource = true;
    bool operator==(const NodeFlags&) const = default;
};
NodeFlags FlagsOf(const TRecord& record);

class NodeFlagsStep final : public PageStep {
public:
    NodeFlagsStep(Node* node, NodeFlags before, NodeFlags after) : node_(node), before_(before), after_(after) {}
    void Undo(Page& page) override { Apply(page, before_); }
    void Redo(Page& page) override { Apply(page, after_); }
    Node* ShownAfterUndo() const override { return node_; }
    Node* ShownAfterRedo() const override { return node_; }
    std::size_t Bytes() const override { return sizeof(*this); }

private:
    void Apply(Page& page, NodeFlags flags);
    Node* node_;
    NodeFlags before_;
    NodeFlags after_;
};

// A change of a node's body: the bytes that differ (what both versions
// share at the start and the end is not kept) and the caret before and
// after.
class BodyStep final : public PageStep {
public:
    struct Caret {
        std::int32_t Start = 0;
        std::int32_t Length = 0;
    };
    BodyStep(Node* node, SjisView before, SjisView after, Caret caretBefore, Caret caretAfter);
    void Undo(Page& page) override;
    void Redo(Page& page) override;
    Node* ShownAfterUndo() const override { return node_; }
    Node* ShownAfterRedo() const override { return node_; }
    bool ChangesBody() const override { return true; }
    std::size_t Bytes() const override { return sizeof(*this) + removed_.size() + added_.size(); }

private:
    void Replace(Page& page, const SjisString& out, const SjisString& in, Caret caret);
    Node* node_;
    std::size_t offset_;
    SjisString removed_; // what `after` no longer has at offset_
    SjisString added_;   // what it has there instead
    Caret before_;
    Caret after_;
};

// The page's properties, as a dialog or the header editor left them.
class PropertiesStep final : public PageStep {
public:
    PropertiesStep(PageProperties before, PageProperties after)
        : before_(std::move(before)), after_(std::move(after)) {}
    void Undo(Page& page) override { page.properties() = before_; }
    void Redo(Page& page) override { page.properties() = after_; }
    Node* ShownAfterUndo() const override { return nullptr; }
    Node* ShownAfterRedo() const override { return nullptr; }
    std::size_t Bytes() const override;

private:
    PageProperties before_;
    PageProperties after_;
};

// Several texts changed at once (replace all): the steps of each text, made
// and undone together; undone in reverse order.
class TextsStep final : public PageStep {
public:
    explicit TextsStep(std::vector<std::unique_ptr<PageStep>> parts) : parts_(std::move(parts)) {}
    void Undo(Page& page) override;
    void Redo(Page& page) override;
    // The first text that changed in a node.
    Node* ShownAfterUndo() const override;
    Node* ShownAfterRedo() const override { return ShownAfterUndo(); }
    bool ChangesBody() const override;
    std::size_t Bytes() const override;

private:
    std::vector<std::unique_ptr<PageStep>> parts_;
};

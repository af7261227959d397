#pragma once

#include "document/SjisString.h"
#include "document/TRecord.h"

#include <memory>
#include <vector>

class Page;
struct OutlineParseResult;
OutlineParseResult ParseOutlineText(SjisView text);

// One node of the outline: a one-line name, its record and its children.
// Nodes are owned by their parent (top-level nodes by the page); a pointer to
// a node stays valid until the node is deleted.
class Node {
public:
    using Children = std::vector<std::unique_ptr<Node>>;

    explicit Node(SjisString name = {}) : name_(std::move(name)) {}
    ~Node(); // iterative, so that very deep outlines cannot exhaust the stack
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    const SjisString& name() const { return name_; }
    TRecord& record() { return record_; }
    const TRecord& record() const { return record_; }
    DisplayState displayState() const { return DisplayStateOf(record_); }

    // Null for a top-level node.
    Node* parent() const { return parent_; }
    const Children& children() const { return children_; }
    int childCount() const { return int(children_.size()); }
    Node* child(int row) const { return children_[size_t(row)].get(); }
    // Depth: 0 for a top-level node.
    int level() const;
    // Number of nodes in this subtree, the node included.
    int subtreeSize() const;
    // True if this node is `other` or one of its descendants.
    bool isInSubtreeOf(const Node* other) const;

    // Calls f(node) for this node and its descendants in document order
    // (pre-order), without recursion.
    template <typename F> void forEachInSubtree(F&& f);
    template <typename F> void forEachInSubtree(F&& f) const;

    // Whether the tree shows the children; kept here so the view can follow it.
    bool expanded = false;

private:
    friend class Page;
    friend OutlineParseResult ParseOutlineText(SjisView text);

    SjisString name_;
    TRecord record_;
    Node* parent_ = nullptr;
    Children children_;
};

template <typename F> void Node::forEachInSubtree(F&& f)
{
    std::vector<Node*> stack{this};
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        f(n);
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it)
            stack.push_back(it->get());
    }
}

template <typename F> void Node::forEachInSubtree(F&& f) const
{
    const_cast<Node*>(this)->forEachInSubtree([&f](const Node* n) { f(n); });
}

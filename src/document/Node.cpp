#include "document/Node.h"

Node::~Node()
{
    Children pending = std::move(children_);
    while (!pending.empty()) {
        std::unique_ptr<Node> n = std::move(pending.back());
        pending.pop_back();
        for (auto& c : n->children_)
            pending.push_back(std::move(c));
        n->children_.clear();
    }
}

int Node::level() const
{
    int depth = 0;
    for (const Node* p = parent_; p; p = p->parent_)
        ++depth;
    return depth;
}

int Node::subtreeSize() const
{
    int count = 0;
    forEachInSubtree([&count](const Node*) { ++count; });
    return count;
}

bool Node::isInSubtreeOf(const Node* other) const
{
    for (const Node* n = this; n; n = n->parent_)
        if (n == other)
            return true;
    return false;
}

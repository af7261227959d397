// The page the benchmarks share: 100,000 nodes of about 300 bytes each,
// made the same way every time (a fixed seed).
#pragma once

#include "document/Page.h"

#include <random>
#include <string>
#include <vector>

constexpr int PageNodes = 100000;
constexpr int SubtreeNodes = 10000;

// A node's body: a paragraph of Japanese and markup, about 300 bytes.
inline std::string Body(std::mt19937& rng)
{
    std::string body = "<p>\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd";
    const int lines = 3 + int(rng() % 4);
    for (int i = 0; i < lines; ++i)
        body += " <a href=\"page" + std::to_string(rng() % 1000) + ".html\">\x83\x8a\x83\x93\x83\x4e</a> text";
    return body + "</p>\r\n";
}

// `count` nodes under `parent` (null: the top level), a few levels deep.
inline void AddNodes(Page& page, Node* parent, int count, std::mt19937& rng)
{
    std::vector<Node*> made;
    made.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        Node* under = made.empty() || rng() % 4 == 0 ? parent : made[rng() % made.size()];
        Node* node = under ? page.AddChildNode(under) : page.AddSiblingNode(nullptr);
        page.RenameNode(node, "node " + std::to_string(i));
        node->record().Body = Body(rng);
        made.push_back(node);
    }
}

// The 100,000-node page: 90,000 nodes around one top-level node that holds
// the 10,000 the benchmarks delete. Returns that node.
inline Node* FillPage(Page& page)
{
    std::mt19937 rng(7);
    page.Title = "Benchmark";
    AddNodes(page, nullptr, (PageNodes - SubtreeNodes) / 2, rng);
    Node* subtree = page.AddSiblingNode(nullptr);
    page.RenameNode(subtree, "the subtree");
    AddNodes(page, subtree, SubtreeNodes - 1, rng);
    AddNodes(page, nullptr, (PageNodes - SubtreeNodes) / 2, rng);
    return subtree;
}

#include "document/OutlineText.h"

#include "document/Page.h"

SjisString MakeOutlineText(const Page& page)
{
    return MakeOutlineText(page, [](const Node*) {});
}

SjisString MakeOutlineText(const Page& page, const std::function<void(const Node*)>& visit)
{
    SjisString text;
    // (node, depth) pairs, so that deep outlines cost no more than flat ones.
    std::vector<std::pair<const Node*, size_t>> stack;
    const auto& top = page.topLevelNodes();
    for (auto it = top.rbegin(); it != top.rend(); ++it)
        stack.emplace_back(it->get(), 0);
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        visit(node);
        text.append(depth, '\t');
        text += node->name();
        text += "\r\n";
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.emplace_back(it->get(), depth + 1);
    }
    return text;
}

OutlineParseResult ParseOutlineText(SjisView text)
{
    OutlineParseResult result;
    // path[k] is the node most recently made at level k.
    std::vector<Node*> path;
    size_t pos = 0;
    int line = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        size_t next = end;
        if (end == SjisView::npos) {
            end = next = text.size();
        } else {
            next = end + 1;
            if (text[end] == '\r' && next < text.size() && text[next] == '\n')
                ++next;
        }
        ++line;
        SjisView lineText = text.substr(pos, end - pos);
        pos = next;

        size_t depth = 0;
        while (depth < lineText.size() && (lineText[depth] == '\t' || lineText[depth] == ' '))
            ++depth;
        auto node = std::make_unique<Node>(SjisString(lineText.substr(depth)));
        Node* raw = node.get();

        if (path.empty()) {
            depth = 0; // the first line is top-level whatever its depth
        } else if (depth > path.size()) {
            result.errorLine = line;
            return result;
        }
        Node* parent = depth == 0 ? nullptr : path[depth - 1];
        if (parent)
            parent->children_.push_back(std::move(node));
        else
            result.topLevel.push_back(std::move(node));
        raw->parent_ = parent;
        path.resize(depth);
        path.push_back(raw);
        ++result.nodeCount;
    }
    return result;
}

#include "document/Page.h"

#include "document/ProgramConstants.h"
#include "document/TextCodec.h"

#include <algorithm>

SjisString Page::NewNodeName()
{
    static const SjisString name = TextCodec::Sjis("新しいノード");
    return name;
}

void ApplyNewPageOptions(PageProperties& page, const NewPageDefaults& defaults)
{
    page.Upload = defaults.Upload;
    page.CharacterSet = Charset::Iso2022Jp;
    page.EnableStyleSheet = defaults.EnableStyleSheet;
    page.EnableJavaScript = defaults.EnableJavaScript;
    page.StyleSheetFileName = defaults.StyleSheetFileName;
    page.JavaScriptFileName = defaults.JavaScriptFileName;
    page.FtpSettingName = ProgramConstants::DefaultFtpSettingName();
    page.RemoteFolder = defaults.RemoteFolder;
}

void Page::ResetPage(const NewPageDefaults& defaults)
{
    notify([](OutlineObserver* o) { o->outlineAboutToBeReset(); });
    Category = ProgramConstants::NewPageCategory();
    CategoryUrl = ProgramConstants::HomePageAddress;
    UserHeader = ProgramConstants::NewPageUserHeader();
    ApplyNewPageOptions(*this, defaults);
    topLevel_.clear();
    nodeCount_ = 0;
    DamagedPageFile.clear();
    notify([](OutlineObserver* o) { o->outlineReset(); });
}

Node::Children& Page::siblingsOf(Node* node)
{
    return node->parent_ ? node->parent_->children_ : topLevel_;
}

const Node::Children& Page::siblingsOf(const Node* node) const
{
    return node->parent_ ? node->parent_->children_ : topLevel_;
}

int Page::rowOf(const Node* node) const
{
    const auto& siblings = siblingsOf(node);
    auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& p) { return p.get() == node; });
    return int(it - siblings.begin());
}

std::unique_ptr<Node> Page::makeNode()
{
    return std::make_unique<Node>(NewNodeName());
}

void Page::insertNode(std::unique_ptr<Node> node, Node* parent, int row)
{
    notify([&](OutlineObserver* o) { o->nodeAboutToBeInserted(parent, row); });
    Node* raw = node.get();
    raw->parent_ = parent;
    auto& siblings = parent ? parent->children_ : topLevel_;
    nodeCount_ += raw->subtreeSize();
    siblings.insert(siblings.begin() + row, std::move(node));
    notify([raw](OutlineObserver* o) { o->nodeInserted(raw); });
}

std::unique_ptr<Node> Page::detachNode(Node* node)
{
    auto& siblings = siblingsOf(node);
    auto it = siblings.begin() + rowOf(node);
    std::unique_ptr<Node> owned = std::move(*it);
    siblings.erase(it);
    nodeCount_ -= owned->subtreeSize();
    owned->parent_ = nullptr;
    return owned;
}

Node* Page::AddSiblingNode(Node* selected)
{
    auto node = makeNode();
    Node* raw = node.get();
    if (selected)
        insertNode(std::move(node), selected->parent_, rowOf(selected));
    else
        insertNode(std::move(node), nullptr, int(topLevel_.size()));
    return raw;
}

Node* Page::AddSiblingNodeAfter(Node* selected)
{
    auto node = makeNode();
    Node* raw = node.get();
    if (selected)
        insertNode(std::move(node), selected->parent_, rowOf(selected) + 1);
    else
        insertNode(std::move(node), nullptr, int(topLevel_.size()));
    return raw;
}

Node* Page::AddChildNode(Node* selected)
{
    auto node = makeNode();
    Node* raw = node.get();
    if (selected) {
        insertNode(std::move(node), selected, selected->childCount());
        selected->expanded = true;
    } else {
        insertNode(std::move(node), nullptr, int(topLevel_.size()));
    }
    return raw;
}

void Page::DeleteNode(Node* node)
{
    if (node)
        TakeNode(node); // destroyed here with its subtree
}

void Page::RenameNode(Node* node, SjisView name)
{
    if (!node)
        return;
    size_t start = 0;
    while (start < name.size() && (name[start] == '\t' || name[start] == ' '))
        ++start;
    SjisString clean(name.substr(start));
    // A CR LF pair becomes one blank, a lone CR or LF one blank.
    SjisString oneLine;
    oneLine.reserve(clean.size());
    for (size_t i = 0; i < clean.size(); ++i) {
        char c = clean[i];
        if (c == '\r' || c == '\n') {
            oneLine += ' ';
            if (c == '\r' && i + 1 < clean.size() && clean[i + 1] == '\n')
                ++i;
        } else {
            oneLine += c;
            if (IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < clean.size())
                oneLine += clean[++i];
        }
    }
    // A name made of blanks and line breaks only may now start with a blank.
    size_t lead = oneLine.find_first_not_of(" \t");
    node->name_ = lead == SjisString::npos ? SjisString() : oneLine.substr(lead);
    notify([node](OutlineObserver* o) { o->nodeRenamed(node); });
}

std::optional<NodePlace> Page::MoveDestination(Node* node, Node* target, Placement placement) const
{
    if (!node || (target && target->isInSubtreeOf(node)))
        return std::nullopt;
    // The row as counted before the node leaves its old place.
    NodePlace place;
    switch (placement) {
    case Placement::AsLastChild:
        if (!target)
            return std::nullopt;
        place = {target, target->childCount()};
        break;
    case Placement::BeforeTarget:
        place = target ? NodePlace{target->parent_, rowOf(target)} : NodePlace{nullptr, int(topLevel_.size())};
        break;
    case Placement::AsLastSibling: {
        Node* parent = target ? target->parent_ : nullptr;
        place = {parent, int((parent ? parent->children_ : topLevel_).size())};
        break;
    }
    }
    // It shifts down by one when the node leaves the same list ahead of it.
    if (node->parent_ == place.parent && rowOf(node) < place.row)
        --place.row;
    return place;
}

std::optional<NodePlace> Page::KeyMoveDestination(const Node* node, KeyMove move) const
{
    if (!node)
        return std::nullopt;
    const NodePlace place = PlaceOf(node);
    const int siblings = int((place.parent ? place.parent->children_ : topLevel_).size());
    const auto sibling = [&](int row) { return (place.parent ? place.parent->children_ : topLevel_)[size_t(row)].get(); };
    switch (move) {
    case KeyMove::Up:
        if (place.row == 0)
            return std::nullopt;
        return NodePlace{place.parent, place.row - 1};
    case KeyMove::Down:
        if (place.row + 1 >= siblings)
            return std::nullopt;
        return NodePlace{place.parent, place.row + 1};
    case KeyMove::Indent: {
        if (place.row == 0)
            return std::nullopt;
        Node* previous = sibling(place.row - 1);
        return NodePlace{previous, previous->childCount()};
    }
    case KeyMove::Outdent:
        if (!place.parent)
            return std::nullopt;
        return NodePlace{place.parent->parent_, rowOf(place.parent) + 1};
    }
    return std::nullopt;
}

void Page::MoveNode(Node* node, Node* target, Placement placement)
{
    if (const std::optional<NodePlace> place = MoveDestination(node, target, placement))
        MoveNodeTo(node, *place);
}

NodePlace Page::PlaceOf(const Node* node) const
{
    return {node->parent_, rowOf(node)};
}

std::unique_ptr<Node> Page::TakeNode(Node* node)
{
    notify([node](OutlineObserver* o) { o->nodeAboutToBeRemoved(node); });
    std::unique_ptr<Node> owned = detachNode(node);
    notify([](OutlineObserver* o) { o->nodeRemoved(); });
    return owned;
}

void Page::PutNode(std::unique_ptr<Node> node, NodePlace place)
{
    insertNode(std::move(node), place.parent, place.row);
}

void Page::MoveNodeTo(Node* node, NodePlace place)
{
    // Observers count the new row as it is before the node leaves.
    int rowBefore = place.row;
    if (node->parent_ == place.parent && rowOf(node) < place.row)
        ++rowBefore;
    notify([&](OutlineObserver* o) { o->nodeAboutToBeMoved(node, place.parent, rowBefore); });
    auto owned = detachNode(node);
    owned->parent_ = place.parent;
    nodeCount_ += owned->subtreeSize();
    auto& siblings = place.parent ? place.parent->children_ : topLevel_;
    siblings.insert(siblings.begin() + place.row, std::move(owned));
    notify([node](OutlineObserver* o) { o->nodeMoved(node); });
}

void Page::SetName(Node* node, SjisString name)
{
    node->name_ = std::move(name);
    notify([node](OutlineObserver* o) { o->nodeRenamed(node); });
}

Node* Page::NodeAt(int index) const
{
    if (index < 0 || index >= nodeCount_)
        return nullptr;
    Node* found = nullptr;
    int i = 0;
    for (const auto& top : topLevel_) {
        top->forEachInSubtree([&](Node* n) {
            if (i++ == index)
                found = n;
        });
        if (found)
            break;
    }
    return found;
}

std::vector<Node*> Page::NodesInDocumentOrder() const
{
    std::vector<Node*> nodes;
    nodes.reserve(size_t(nodeCount_));
    for (const auto& top : topLevel_)
        top->forEachInSubtree([&nodes](Node* n) { nodes.push_back(n); });
    return nodes;
}

void Page::ReplaceOutline(Node::Children topLevel)
{
    notify([](OutlineObserver* o) { o->outlineAboutToBeReset(); });
    topLevel_ = std::move(topLevel);
    nodeCount_ = 0;
    for (auto& top : topLevel_) {
        top->parent_ = nullptr;
        nodeCount_ += top->subtreeSize();
    }
    notify([](OutlineObserver* o) { o->outlineReset(); });
}

void Page::TakeContentFrom(Page& other)
{
    notify([](OutlineObserver* o) { o->outlineAboutToBeReset(); });
    properties() = other.properties();
    DamagedPageFile = std::move(other.DamagedPageFile);
    topLevel_ = std::move(other.topLevel_);
    nodeCount_ = other.nodeCount_;
    other.topLevel_.clear();
    other.nodeCount_ = 0;
    notify([](OutlineObserver* o) { o->outlineReset(); });
}

void Page::NotifyRecordChanged(Node* node)
{
    notify([node](OutlineObserver* o) { o->recordChanged(node); });
}

void Page::addObserver(OutlineObserver* observer)
{
    observers_.push_back(observer);
}

void Page::removeObserver(OutlineObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

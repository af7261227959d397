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

int Page::rowOf(Node* node)
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
    if (!node)
        return;
    notify([node](OutlineObserver* o) { o->nodeAboutToBeRemoved(node); });
    detachNode(node); // destroyed here with its subtree
    notify([](OutlineObserver* o) { o->nodeRemoved(); });
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

void Page::MoveNode(Node* node, Node* target, Placement placement)
{
    if (!node)
        return;
    if (target && target->isInSubtreeOf(node))
        return;

    Node* newParent = nullptr;
    int newRow = 0;
    switch (placement) {
    case Placement::AsLastChild:
        if (!target)
            return;
        newParent = target;
        newRow = target->childCount();
        break;
    case Placement::BeforeTarget:
        if (target) {
            newParent = target->parent_;
            newRow = rowOf(target);
        } else {
            newRow = int(topLevel_.size());
        }
        break;
    case Placement::AsLastSibling:
        newParent = target ? target->parent_ : nullptr;
        newRow = int((newParent ? newParent->children_ : topLevel_).size());
        break;
    }

    notify([&](OutlineObserver* o) { o->nodeAboutToBeMoved(node, newParent, newRow); });
    // The row counted before detaching shifts down by one when the node
    // leaves the same sibling list ahead of it.
    if (node->parent_ == newParent && rowOf(node) < newRow)
        --newRow;
    auto owned = detachNode(node);
    owned->parent_ = newParent;
    nodeCount_ += owned->subtreeSize();
    auto& siblings = newParent ? newParent->children_ : topLevel_;
    siblings.insert(siblings.begin() + newRow, std::move(owned));
    notify([node](OutlineObserver* o) { o->nodeMoved(node); });
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

#include "page/PageSteps.h"

#include <algorithm>
#include <cassert>

namespace {

std::size_t PropertiesBytes(const PageProperties& p)
{
    return sizeof(p) + p.Title.size() + p.FileName.size() + p.DatabasePath.size() + p.Category.size()
           + p.CategoryUrl.size() + p.Doctype.size() + p.StyleSheetFileName.size() + p.JavaScriptFileName.size()
           + p.FtpSettingName.size() + p.RemoteFolder.size() + p.UserHeader.size();
}

std::size_t SubtreeBytes(const Node& node)
{
    std::size_t bytes = 0;
    node.forEachInSubtree([&bytes](const Node* n) { bytes += sizeof(Node) + n->name().size() + n->record().Body.size(); });
    return bytes;
}

} // namespace

// --- adding and deleting -------------------------------------------------------

void AddNodeStep::Undo(Page& page)
{
    owned_ = page.TakeNode(node_);
}

void AddNodeStep::Redo(Page& page)
{
    page.PutNode(std::move(owned_), place_);
}

DeleteNodeStep::DeleteNodeStep(std::unique_ptr<Node> node, NodePlace place)
    : node_(node.get()), place_(place), owned_(std::move(node)), bytes_(sizeof(*this) + SubtreeBytes(*owned_))
{
}

void DeleteNodeStep::Undo(Page& page)
{
    page.PutNode(std::move(owned_), place_);
}

void DeleteNodeStep::Redo(Page& page)
{
    owned_ = page.TakeNode(node_);
}

InsertNodesStep::InsertNodesStep(std::vector<Node*> nodes, NodePlace place)
    : nodes_(std::move(nodes)), place_(place), bytes_(sizeof(*this))
{
    assert(!nodes_.empty());
    for (const Node* node : nodes_)
        bytes_ += SubtreeBytes(*node);
}

void InsertNodesStep::Undo(Page& page)
{
    // The last first, so that the rows of the others stay as they were.
    for (auto it = nodes_.rbegin(); it != nodes_.rend(); ++it)
        owned_.push_back(page.TakeNode(*it));
}

void InsertNodesStep::Redo(Page& page)
{
    for (int i = 0; !owned_.empty(); ++i) {
        page.PutNode(std::move(owned_.back()), {place_.parent, place_.row + i});
        owned_.pop_back();
    }
}

// --- a node's record -------------------------------------------------------------

NodeFlags FlagsOf(const TRecord& record)
{
    return {record.Publish, record.Hide, record.EditSource};
}

void NodeFlagsStep::Apply(Page& page, NodeFlags flags)
{
    TRecord& record = node_->record();
    record.Publish = flags.Publish;
    record.Hide = flags.Hide;
    record.EditSource = flags.EditSource;
    page.NotifyRecordChanged(node_);
}

BodyStep::BodyStep(Node* node, SjisView before, SjisView after, Caret caretBefore, Caret caretAfter)
    : node_(node), before_(caretBefore), after_(caretAfter)
{
    // Keystrokes change a few bytes of a long body: only those are kept.
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    offset_ = head;
    removed_ = SjisString(before.substr(head, before.size() - head - tail));
    added_ = SjisString(after.substr(head, after.size() - head - tail));
}

void BodyStep::Replace(Page& page, const SjisString& out, const SjisString& in, Caret caret)
{
    TRecord& record = node_->record();
    assert(record.Body.compare(offset_, out.size(), out) == 0);
    record.Body.replace(offset_, out.size(), in);
    record.SelStart = caret.Start;
    record.SelLength = caret.Length;
    page.NotifyRecordChanged(node_);
}

void BodyStep::Undo(Page& page)
{
    Replace(page, added_, removed_, before_);
}

void BodyStep::Redo(Page& page)
{
    Replace(page, removed_, added_, after_);
}

// --- the page's properties --------------------------------------------------------

std::size_t PropertiesStep::Bytes() const
{
    return sizeof(*this) + PropertiesBytes(before_) + PropertiesBytes(after_);
}

// --- several texts at once -----------------------------------------------------------

void TextsStep::Undo(Page& page)
{
    for (auto part = parts_.rbegin(); part != parts_.rend(); ++part)
        (*part)->Undo(page);
}

void TextsStep::Redo(Page& page)
{
    for (const auto& part : parts_)
        part->Redo(page);
}

Node* TextsStep::ShownAfterUndo() const
{
    for (const auto& part : parts_)
        if (Node* node = part->ShownAfterUndo())
            return node;
    return nullptr;
}

bool TextsStep::ChangesBody() const
{
    return std::any_of(parts_.begin(), parts_.end(), [](const auto& part) { return part->ChangesBody(); });
}

std::size_t TextsStep::Bytes() const
{
    std::size_t bytes = sizeof(*this);
    for (const auto& part : parts_)
        bytes += part->Bytes();
    return bytes;
}

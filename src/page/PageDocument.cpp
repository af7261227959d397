#include "page/PageDocument.h"

#include "page/PageSteps.h"

#include <algorithm>

PageDocument::PageDocument(QObject* parent) : QObject(parent) {}

void PageDocument::Push(std::unique_ptr<PageStep> step)
{
    const bool wasModified = IsModified();
    const bool couldUndo = CanUndo();
    const bool couldRedo = CanRedo();
    history_.Push(std::move(step));
    AfterChange(wasModified);
    if (couldUndo != CanUndo() || couldRedo != CanRedo())
        emit historyChanged();
}

void PageDocument::AfterChange(bool wasModified)
{
    emit changed();
    if (wasModified != IsModified())
        emit modifiedChanged(IsModified());
}

Node* PageDocument::AddSibling(Node* selected)
{
    Node* node = page_.AddSiblingNode(selected);
    Push(std::make_unique<AddNodeStep>(node, page_.PlaceOf(node)));
    return node;
}

Node* PageDocument::AddChild(Node* selected)
{
    Node* node = page_.AddChildNode(selected);
    Push(std::make_unique<AddNodeStep>(node, page_.PlaceOf(node)));
    return node;
}

Node* PageDocument::AddSiblingAfter(Node* selected)
{
    Node* node = page_.AddSiblingNodeAfter(selected);
    Push(std::make_unique<AddNodeStep>(node, page_.PlaceOf(node)));
    return node;
}

void PageDocument::Delete(Node* node)
{
    if (!node)
        return;
    const NodePlace place = page_.PlaceOf(node);
    Push(std::make_unique<DeleteNodeStep>(page_.TakeNode(node), place));
}

Node* PageDocument::Insert(std::vector<std::unique_ptr<Node>> nodes, NodePlace place)
{
    if (nodes.empty())
        return nullptr;
    std::vector<Node*> inserted;
    inserted.reserve(nodes.size());
    for (auto& node : nodes) {
        inserted.push_back(node.get());
        page_.PutNode(std::move(node), {place.parent, place.row + int(inserted.size()) - 1});
    }
    Push(std::make_unique<InsertNodesStep>(inserted, place));
    return inserted.front();
}

void PageDocument::Rename(Node* node, SjisView name)
{
    if (!node)
        return;
    SjisString before = node->name();
    page_.RenameNode(node, name);
    if (node->name() != before)
        Push(std::make_unique<RenameNodeStep>(node, std::move(before), node->name()));
}

void PageDocument::Move(Node* node, Node* target, Placement placement)
{
    const std::optional<NodePlace> to = page_.MoveDestination(node, target, placement);
    if (!to)
        return;
    const NodePlace from = page_.PlaceOf(node);
    if (*to == from)
        return;
    page_.MoveNodeTo(node, *to);
    Push(std::make_unique<MoveNodeStep>(node, from, *to));
}

bool PageDocument::MoveByKey(Node* node, KeyMove move)
{
    const std::optional<NodePlace> to = page_.KeyMoveDestination(node, move);
    if (!to)
        return false;
    const NodePlace from = page_.PlaceOf(node);
    page_.MoveNodeTo(node, *to);
    Push(std::make_unique<MoveNodeStep>(node, from, *to));
    return true;
}

void PageDocument::SetFlags(Node* node, bool publish, bool hide, bool editSource)
{
    if (!node)
        return;
    const NodeFlags before = FlagsOf(node->record());
    const NodeFlags after{publish, hide, editSource};
    if (after == before)
        return;
    TRecord& record = node->record();
    record.Publish = publish;
    record.Hide = hide;
    record.EditSource = editSource;
    page_.NotifyRecordChanged(node);
    Push(std::make_unique<NodeFlagsStep>(node, before, after));
}

void PageDocument::SetBody(Node* node, SjisView body, int selStart, int selLength)
{
    if (!node)
        return;
    TRecord& record = node->record();
    const BodyStep::Caret caretBefore{record.SelStart, record.SelLength};
    const BodyStep::Caret caretAfter{selStart, selLength};
    if (body == record.Body) {
        record.SelStart = selStart;
        record.SelLength = selLength;
        return;
    }
    auto step = std::make_unique<BodyStep>(node, record.Body, body, caretBefore, caretAfter);
    record.Body = SjisString(body);
    record.SelStart = selStart;
    record.SelLength = selLength;
    page_.NotifyRecordChanged(node);
    Push(std::move(step));
}

void PageDocument::PropertiesEdited(const PageProperties& before)
{
    if (page_.properties() != before)
        Push(std::make_unique<PropertiesStep>(before, page_.properties()));
}

void PageDocument::ReplaceTexts(const std::vector<PageTextChange>& changes)
{
    std::vector<std::unique_ptr<PageStep>> parts;
    for (const PageTextChange& change : changes) {
        Node* node = change.place.node;
        switch (change.place.field) {
        case PageTextField::Name: {
            SjisString before = node->name();
            page_.RenameNode(node, change.text);
            if (node->name() != before)
                parts.push_back(std::make_unique<RenameNodeStep>(node, std::move(before), node->name()));
            break;
        }
        case PageTextField::Body: {
            TRecord& record = node->record();
            if (change.text == record.Body)
                break;
            const BodyStep::Caret before{record.SelStart, record.SelLength};
            const auto size = std::int32_t(change.text.size());
            const std::int32_t start = std::clamp(before.Start, 0, size);
            const BodyStep::Caret after{start, std::clamp(before.Length, 0, size - start)};
            parts.push_back(std::make_unique<BodyStep>(node, record.Body, change.text, before, after));
            record.Body = change.text;
            record.SelStart = after.Start;
            record.SelLength = after.Length;
            page_.NotifyRecordChanged(node);
            break;
        }
        case PageTextField::UserHeader:
            if (change.text != page_.UserHeader) {
                const PageProperties before = page_.properties();
                page_.UserHeader = change.text;
                parts.push_back(std::make_unique<PropertiesStep>(before, page_.properties()));
            }
            break;
        }
    }
    if (parts.size() == 1)
        Push(std::move(parts.front()));
    else if (!parts.empty())
        Push(std::make_unique<TextsStep>(std::move(parts)));
}

void PageDocument::Undo()
{
    TakeStep(false);
}

void PageDocument::Redo()
{
    TakeStep(true);
}

void PageDocument::TakeStep(bool redo)
{
    const bool wasModified = IsModified();
    PageStep* step = redo ? history_.Redo(page_) : history_.Undo(page_);
    if (!step)
        return;
    AfterChange(wasModified);
    emit historyChanged();
    emit stepShown(redo ? step->ShownAfterRedo() : step->ShownAfterUndo(), step->ChangesBody());
}

void PageDocument::MarkSaved()
{
    const bool wasModified = IsModified();
    history_.MarkSaved();
    if (wasModified)
        emit modifiedChanged(false);
    emit saved();
}

void PageDocument::MarkUnsaved()
{
    const bool wasModified = IsModified();
    history_.ForgetSavedState();
    if (!wasModified)
        emit modifiedChanged(true);
}

void PageDocument::StartOver()
{
    const bool wasModified = IsModified();
    const bool hadHistory = CanUndo() || CanRedo();
    history_.Clear();
    if (wasModified)
        emit modifiedChanged(false);
    if (hadHistory)
        emit historyChanged();
}

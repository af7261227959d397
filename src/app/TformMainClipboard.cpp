// The main window's clipboard commands. Cut, copy and paste serve the
// control that has the focus: the editor's text, or the tree's nodes with
// their subtrees. Paste as child and duplicate act on nodes only.
#include "app/ErrorDisplay.h"
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/TformMain.h"
#include "editor/ColourEditor.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>

using NodeClipboard::ClipboardTarget;

void TformMain::createNodeClipboardItems()
{
    pmnuTreeView_->addSeparator();
    const struct {
        const char* name;
        QAction* mainItem; // gives the caption and the key
        const char* hint;  // null: the main item's
        std::function<void()> command;
    } items[] = {
        {"pmnuTreeView_X", ui_->MainMenu_EX, "選択しているノードを子や孫ごとクリップボードに切り取ります。",
         [this] { CutNode(); }},
        {"pmnuTreeView_C", ui_->MainMenu_EC, "選択しているノードを子や孫ごとクリップボードにコピーします。",
         [this] { CopyNode(); }},
        {"pmnuTreeView_V", ui_->MainMenu_EV, "クリップボードのノードを、選択しているノードのすぐ後に貼り付けます。",
         [this] { PasteNodes(false); }},
        {"pmnuTreeView_K", ui_->MainMenu_EK, nullptr, [this] { PasteNodes(true); }},
        {"pmnuTreeView_L", ui_->MainMenu_EL, nullptr, [this] { DuplicateNode(); }},
    };
    static_assert(std::size(items) == std::tuple_size_v<decltype(pmnuTreeViewClipboard_)>);
    for (size_t i = 0; i < std::size(items); ++i) {
        QAction* a = pmnuTreeView_->addAction(items[i].mainItem->text());
        a->setObjectName(QString::fromLatin1(items[i].name));
        a->setShortcut(items[i].mainItem->shortcut());
        a->setStatusTip(items[i].hint ? QString::fromUtf8(items[i].hint) : items[i].mainItem->statusTip());
        connect(a, &QAction::triggered, this, items[i].command);
        pmnuTreeViewClipboard_[i] = a;
    }
}

void TformMain::connectClipboardCommands()
{
    connect(ui_->MainMenu_EK, &QAction::triggered, this, &TformMain::MainMenu_EKClick);
    connect(ui_->MainMenu_EL, &QAction::triggered, this, &TformMain::MainMenu_ELClick);
    // Asking the clipboard what it holds is a round trip to its owner:
    // done once a change, not at every change of the focus.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto clipboardChanged = [this, clipboard] {
        const QMimeData* held = clipboard->mimeData();
        nodesOnClipboard_ = held && NodeClipboard::CanPaste(*held);
        updateClipboardCommands();
    };
    connect(clipboard, &QClipboard::dataChanged, this, clipboardChanged);
    connect(qApp, &QApplication::focusChanged, this, &TformMain::updateClipboardCommands);
    // The focus may have moved while the window was inactive, unannounced.
    connect(ui_->MainMenu_E, &QMenu::aboutToShow, this, &TformMain::updateClipboardCommands);
    clipboardChanged();
}

ClipboardTarget TformMain::clipboardTarget() const
{
    const QWidget* focus = focusWidget();
    if (focus == ui_->RichEdit)
        return ClipboardTarget::Editor;
    if (focus == tree_)
        return ClipboardTarget::Tree;
    return ClipboardTarget::None;
}

void TformMain::updateClipboardCommands()
{
    const bool selected = selectedNode() != nullptr;
    const auto main = NodeClipboard::EnabledCommands(clipboardTarget(), selected, nodesOnClipboard_);
    ui_->MainMenu_EX->setEnabled(main.cut);
    ui_->MainMenu_EC->setEnabled(main.copy);
    ui_->MainMenu_EV->setEnabled(main.paste);
    ui_->MainMenu_EK->setEnabled(main.pasteAsChild);
    ui_->MainMenu_EL->setEnabled(main.duplicate);
    // The tree's own popup always serves the tree.
    const auto popup = NodeClipboard::EnabledCommands(ClipboardTarget::Tree, selected, nodesOnClipboard_);
    const bool enabled[] = {popup.cut, popup.copy, popup.paste, popup.pasteAsChild, popup.duplicate};
    for (size_t i = 0; i < pmnuTreeViewClipboard_.size(); ++i)
        pmnuTreeViewClipboard_[i]->setEnabled(enabled[i]);
}

// --- The Edit menu's commands ------------------------------------------------

void TformMain::MainMenu_EXClick()
{
    switch (clipboardTarget()) {
    case ClipboardTarget::Editor: ui_->RichEdit->cut(); break;
    case ClipboardTarget::Tree: CutNode(); break;
    case ClipboardTarget::None: break;
    }
}

void TformMain::MainMenu_ECClick()
{
    switch (clipboardTarget()) {
    case ClipboardTarget::Editor: ui_->RichEdit->copy(); break;
    case ClipboardTarget::Tree: CopyNode(); break;
    case ClipboardTarget::None: break;
    }
}

void TformMain::MainMenu_EVClick()
{
    switch (clipboardTarget()) {
    case ClipboardTarget::Editor: ui_->RichEdit->paste(); break;
    case ClipboardTarget::Tree: PasteNodes(false); break;
    case ClipboardTarget::None: break;
    }
}

void TformMain::MainMenu_EKClick()
{
    if (clipboardTarget() == ClipboardTarget::Tree)
        PasteNodes(true);
}

void TformMain::MainMenu_ELClick()
{
    if (clipboardTarget() == ClipboardTarget::Tree)
        DuplicateNode();
}

// --- On nodes ------------------------------------------------------------------

bool TformMain::CopyNode()
{
    Node* selected = selectedNode();
    if (!selected)
        return false;
    FinishTyping(); // the copy holds what the editor shows
    NodeClipboard::Copied copied = NodeClipboard::Copy({selected}, settings_.generatorOptions());
    if (!copied.data) {
        ShowError(this, copied.error);
        return false;
    }
    QGuiApplication::clipboard()->setMimeData(copied.data.release());
    return true;
}

void TformMain::CutNode()
{
    // Nothing is deleted that did not reach the clipboard.
    if (CopyNode())
        pmnuTreeView_DClick();
}

void TformMain::PasteNodes(bool asChild)
{
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    if (!held)
        return;
    NodeClipboard::Pasted pasted = NodeClipboard::Paste(*held);
    if (!pasted.error.isEmpty()) {
        ShowError(this, pasted.error);
        return;
    }
    FinishTyping();
    const NodePlace place = NodeClipboard::PastePlace(page_, selectedNode(), asChild);
    const int count = int(pasted.nodes.size());
    document_.Insert(std::move(pasted.nodes), place);
    showInsertedNodes(place, count);
}

void TformMain::DuplicateNode()
{
    Node* selected = selectedNode();
    if (!selected)
        return;
    FinishTyping();
    std::vector<std::unique_ptr<Node>> copy;
    copy.push_back(NodeClipboard::CopyOfSubtree(*selected));
    const NodePlace place = NodeClipboard::PastePlace(page_, selected, false);
    document_.Insert(std::move(copy), place);
    showInsertedNodes(place, 1);
}

void TformMain::showInsertedNodes(NodePlace place, int count)
{
    if (count == 0)
        return;
    if (place.parent) {
        place.parent->expanded = true;
        tree_->expand(model_->indexOf(place.parent));
    }
    const auto at = [this, place](int row) {
        return place.parent ? place.parent->child(row) : page_.topLevelNodes()[size_t(row)].get();
    };
    // Copies of open nodes show open.
    for (int row = place.row; row < place.row + count; ++row)
        at(row)->forEachInSubtree([this](Node* n) {
            if (n->expanded)
                tree_->expand(model_->indexOf(n));
        });
    selectNode(at(place.row));
    tree_->scrollTo(model_->indexOf(at(place.row)));
}

// The main window's tree commands, drag and drop, view toggles and the
// editor's commands.
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/TformMain.h"
#include "editor/ColourEditor.h"
#include "editor/EditorText.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

#include <QMenu>
#include <QScrollBar>
#include <QThread>
#include <QTimer>

// --- Tree commands -------------------------------------------------------

// The new node is selected (and bound) before its name is edited, so that
// what follows the edit, F4 or typing, goes to it.
void TformMain::addNodeAndEdit(Node* node)
{
    const QModelIndex index = model_->indexOf(node);
    selectNode(node);
    tree_->scrollTo(index);
    tree_->setFocus();
    tree_->edit(index);
}

void TformMain::pmnuTreeView_NSClick()
{
    FinishTyping();
    addNodeAndEdit(document_.AddSibling(selectedNode()));
}

void TformMain::pmnuTreeView_NCClick()
{
    FinishTyping();
    Node* selected = selectedNode();
    Node* child = document_.AddChild(selected);
    if (selected)
        tree_->expand(model_->indexOf(selected));
    addNodeAndEdit(child);
}

void TformMain::pmnuTreeView_DClick()
{
    Node* selected = selectedNode();
    if (!NodeCommandEnabled(selected))
        return;
    // No question: the deletion is a step that Undo brings back whole.
    FinishTyping();
    document_.Delete(selected);
    // Bind the node the tree selects now, so that what the editor shows is
    // what gets stored; with nothing selected the editor stays read-only.
    Node* now = selectedNode();
    if (!now) {
        ClearBinding();
    } else {
        selectNode(now);
        if (bound_ != now) {
            LoadNode(now);
            bound_ = now;
        }
        updateEditorAvailability();
    }
    updateNodeCommands();
}

void TformMain::pmnuTreeView_MClick()
{
    Node* selected = selectedNode();
    if (!NodeCommandEnabled(selected))
        return;
    tree_->edit(model_->indexOf(selected));
}

void TformMain::pmnuTreeView_RClick()
{
    ui_->RichEdit->setFocus();
}

void TformMain::pmnuRichEdit_TClick()
{
    tree_->setFocus();
}

void TformMain::setAllExpanded(bool expanded)
{
    for (Node* node : page_.NodesInDocumentOrder())
        node->expanded = expanded && node->childCount() > 0;
}

void TformMain::MainMenu_TEClick()
{
    setAllExpanded(true);
    tree_->expandAll();
}

void TformMain::MainMenu_TCClick()
{
    setAllExpanded(false);
    tree_->collapseAll();
}

void TformMain::TreeViewMouseUp(Qt::MouseButton button, QPoint pos)
{
    if (button != Qt::RightButton)
        return;
    QModelIndex row;
    const DropZone zone = DropZoneAt(tree_->rowHitAt(pos, &row));
    if (row.isValid() && (zone == DropZone::Label || zone == DropZone::IconOrEmpty)) {
        tree_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        tree_->setFocus();
    }
}

void TformMain::TreeViewContextPopup(QPoint pos)
{
    // The popup opens on the press; select first so that it acts on the
    // node that was clicked.
    TreeViewMouseUp(Qt::RightButton, pos);
    updateNodeCommands();
    pmnuTreeView_->popup(tree_->viewport()->mapToGlobal(pos));
}

// --- Drag and drop -------------------------------------------------------

// The drop mark shows where a drop here would put the node; a drop that
// would change nothing (its own subtree) shows none.
DropZone TformMain::DropZoneFor(QPoint pos, QModelIndex* row) const
{
    DropZone zone = DropZoneAt(tree_->rowHitAt(pos, row));
    const Node* dragged = selectedNode();
    const Node* target = model_->nodeAt(*row);
    if (!dragged || (target && target->isInSubtreeOf(dragged)))
        zone = DropZone::Nothing;
    return zone;
}

void TformMain::TreeViewDragOver(QPoint pos)
{
    QModelIndex row;
    const DropZone zone = DropZoneFor(pos, &row);
    tree_->setDropTarget(row, zone);
    scrollDirection_ = ScrollDirection::None;
    if (row.isValid()) {
        const QRect r = tree_->visualRect(row);
        scrollDirection_ = DragScrollDirection(tree_->viewport()->height(), r.top(), r.top() + r.height(), r.height());
    }
    if (scrollDirection_ == ScrollDirection::None)
        Timer->stop();
    else if (!Timer->isActive())
        Timer->start();
}

void TformMain::TreeViewDragLeave()
{
    tree_->setDropTarget({});
    Timer->stop();
}

void TformMain::TimerTimer()
{
    // A drop target exists only while a drag is over the tree.
    if (!tree_->dropTarget().isValid() || scrollDirection_ == ScrollDirection::None) {
        Timer->stop();
        return;
    }
    const QModelIndex top = tree_->topRow();
    const QModelIndex next = scrollDirection_ == ScrollDirection::Up ? tree_->indexAbove(top) : tree_->indexBelow(top);
    QScrollBar* bar = tree_->verticalScrollBar();
    const int before = bar->value();
    if (next.isValid())
        tree_->scrollTo(next, QAbstractItemView::PositionAtTop);
    if (!next.isValid() || bar->value() == before) {
        Timer->stop();
        return;
    }
    const QPoint pointer = tree_->viewport()->mapFromGlobal(QCursor::pos());
    QModelIndex row;
    const DropZone zone = DropZoneFor(pointer, &row);
    if (row.isValid())
        tree_->setDropTarget(row, zone);
    tree_->viewport()->update();
}

void TformMain::TreeViewEndDrag()
{
    Timer->stop();
    scrollDirection_ = ScrollDirection::None;
    tree_->setDropTarget({});
}

void TformMain::TreeViewDragDrop(QPoint pos)
{
    Node* dragged = selectedNode();
    if (!dragged)
        return;
    QModelIndex row;
    const std::optional<Placement> placement = PlacementFor(DropZoneAt(tree_->rowHitAt(pos, &row)));
    if (!placement)
        return;
    Node* target = model_->nodeAt(row); // none below the last row
    if (target && target->isInSubtreeOf(dragged))
        return;
    FinishTyping();
    document_.Move(dragged, target, *placement);
}

// --- View toggles --------------------------------------------------------

void TformMain::MainMenu_TSClick()
{
    const bool on = ui_->MainMenu_TS->isChecked();
    settings_.TopMost = on;
    const QRect geometry = this->geometry();
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on); // hides the window
    setGeometry(geometry);
    if (visible)
        show();
}

int TformMain::treePaneSize() const
{
    return ui_->Splitter->sizes().value(0);
}

void TformMain::setTreePaneSize(int size)
{
    const QList<int> sizes = ui_->Splitter->sizes();
    int total = 0;
    for (int s : sizes)
        total += s;
    ui_->Splitter->setSizes({size, std::max(total - size, 1)});
}

void TformMain::MainMenu_TVClick()
{
    const bool sideBySide = ui_->MainMenu_TV->isChecked();
    PositionSettings& p = settings_.Position;
    if (sideBySide) {
        p.TreeViewHeight = treePaneSize();
        ui_->Splitter->setOrientation(Qt::Horizontal);
        setTreePaneSize(p.TreeViewWidth);
    } else {
        p.TreeViewWidth = treePaneSize();
        ui_->Splitter->setOrientation(Qt::Vertical);
        setTreePaneSize(p.TreeViewHeight);
    }
    settings_.SeparateHorizontal = sideBySide;
}

void TformMain::SplitterMoved()
{
    if (ui_->MainMenu_TV->isChecked())
        settings_.Position.TreeViewWidth = treePaneSize();
    else
        settings_.Position.TreeViewHeight = treePaneSize();
}

bool TformMain::propertyBarExpanded() const
{
    return ui_->panlNodeProperty->maximumHeight() == 49;
}

void TformMain::sbtnNodePropertyClick()
{
    const bool expand = !propertyBarExpanded();
    // Six frames, 30 ms each; the window takes no input meanwhile.
    for (int k = 0; k < 6; ++k) {
        ui_->sbtnNodeProperty->setIcon(QIcon(arrowFrames_[size_t(expand ? k : 5 - k)]));
        ui_->sbtnNodeProperty->repaint();
        QThread::msleep(30);
    }
    ui_->panlNodeProperty->setFixedHeight(expand ? 49 : 27);
    ui_->cboxPublish->setVisible(expand);
    ui_->cboxHide->setVisible(expand);
}

// --- Editor commands: they act only while the editor has the focus --------

bool TformMain::editorHasFocus() const
{
    return focusWidget() == ui_->RichEdit;
}

// Undo and Redo act on the page's history wherever the focus is: the
// editor's changes are steps of it like the tree's.
void TformMain::MainMenu_EUClick()
{
    UndoPage();
}

void TformMain::MainMenu_ERClick()
{
    RedoPage();
}

void TformMain::MainMenu_EAClick()
{
    if (editorHasFocus())
        ui_->RichEdit->selectAll();
}

void TformMain::pmnuRichEdit_PClick()
{
    if (!editorHasFocus() || !bound_)
        return;
    // What was typed before is a step of its own; the tags are one more.
    FinishTyping();
    loadingText_ = true;
    ui_->RichEdit->ReplaceColouredText(AddParagraphTags(ui_->RichEdit->text()));
    loadingText_ = false;
    StoreBoundNode();
}

#pragma once

#include "document/Page.h"
#include "page/PageHistory.h"
#include "page/PageTexts.h"

#include <QObject>

// The open page as a document: the page itself, the history of its changes
// and whether it differs from its file. Every change made through it is one
// step that can be undone and redone; the views (the tree, the editor, the
// window's caption) follow its signals. No widgets.
class PageDocument : public QObject {
    Q_OBJECT
public:
    explicit PageDocument(QObject* parent = nullptr);

    Page& page() { return page_; }
    const Page& page() const { return page_; }
    const PageHistory& history() const { return history_; }

    // --- changes, each one step -----------------------------------------------
    Node* AddSibling(Node* selected);
    Node* AddChild(Node* selected);
    Node* AddSiblingAfter(Node* selected);
    void Delete(Node* node);
    // Whole subtrees put in side by side, the first at `place` (a paste, a
    // duplicate): one step. Returns the first of them; null when none.
    Node* Insert(std::vector<std::unique_ptr<Node>> nodes, NodePlace place);
    void Rename(Node* node, SjisView name);
    void Move(Node* node, Node* target, Placement placement);
    // Up, down, in or out by the outline's keys; false at the edge.
    bool MoveByKey(Node* node, KeyMove move);
    void SetFlags(Node* node, bool publish, bool hide, bool editSource);
    // The body as the editor has it, and the caret in it. A body that
    // differs from the record's is one step; the caret alone is kept without
    // one (it is no change the user would undo).
    void SetBody(Node* node, SjisView body, int selStart, int selLength);
    // Something wrote into the page's properties (a dialog, the header
    // editor): one step from `before` to what the page holds now, when they
    // differ.
    void PropertiesEdited(const PageProperties& before);
    // New names, bodies or user header (find and replace): one step, however
    // many texts change. A name is cleaned as Rename cleans it; a body keeps
    // its caret where the new body still has room for it.
    void ReplaceTexts(const std::vector<PageTextChange>& changes);

    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    void Undo();
    void Redo();

    // --- the modified state -----------------------------------------------------
    // The page differs from its file.
    bool IsModified() const { return !history_.AtSavedState(); }
    // The page was just written to its file.
    void MarkSaved();
    // The page holds what its file lacks, though no step says so (restored
    // from a recovery copy).
    void MarkUnsaved();
    // A new page, or one just read: no history, and nothing to save.
    void StartOver();

signals:
    // Any change of the page, made, undone or redone.
    void changed();
    void modifiedChanged(bool modified);
    // The page was written to its file.
    void saved();
    // Undo or Redo became possible or impossible.
    void historyChanged();
    // Undo or redo changed this node (null: the page's properties or a
    // node now gone); views show it. `body`: its body changed.
    void stepShown(Node* node, bool body);

private:
    void Push(std::unique_ptr<PageStep> step);
    void AfterChange(bool wasModified);
    // Undoes or redoes one step and tells the views.
    void TakeStep(bool redo);

    Page page_;
    PageHistory history_;
};

#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class Node;
class Page;

// One change of the page that can be made back and made again. A step is
// pushed once it has been made; Undo and Redo always alternate from there,
// so each finds the page as the other left it.
class PageStep {
public:
    virtual ~PageStep() = default;
    virtual void Undo(Page& page) = 0;
    virtual void Redo(Page& page) = 0;
    // The node to show once the step is undone or redone; null: none.
    virtual Node* ShownAfterUndo() const = 0;
    virtual Node* ShownAfterRedo() const = 0;
    // The step changed a node's body (the editor must show it again).
    virtual bool ChangesBody() const { return false; }
    // Memory the step keeps, for the history's budget.
    virtual std::size_t Bytes() const = 0;
};

// The page's history: the steps made, a position in them, and the position
// at which the page was last saved. Bounded by a step count and a byte
// budget; the oldest steps go first.
class PageHistory {
public:
    static constexpr std::size_t MaxSteps = 1000;
    static constexpr std::size_t MaxBytes = std::size_t(64) << 20;

    PageHistory() = default;
    PageHistory(const PageHistory&) = delete;
    PageHistory& operator=(const PageHistory&) = delete;

    // Adds a step that has just been made; the steps that were undone are
    // dropped, since they can no longer be redone.
    void Push(std::unique_ptr<PageStep> step);
    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    // Undoes or redoes one step; returns it (null when there was none).
    PageStep* Undo(Page& page);
    PageStep* Redo(Page& page);

    // The page is as it was last saved.
    bool AtSavedState() const { return saved_ == position_; }
    void MarkSaved() { saved_ = position_; }
    // No position is the saved state any more (the page holds changes the
    // file lacks, though none of them is in the history).
    void ForgetSavedState() { saved_ = NoPosition; }
    // A new page or one read from a file: no steps, and it is saved.
    void Clear();

    std::size_t Size() const { return steps_.size(); }
    std::size_t Bytes() const { return bytes_; }

private:
    static constexpr std::size_t NoPosition = std::size_t(-1);
    void DropOldest();

    std::vector<std::unique_ptr<PageStep>> steps_;
    std::size_t position_ = 0; // steps_[0, position_) are made
    std::size_t saved_ = 0;
    std::size_t bytes_ = 0;
};

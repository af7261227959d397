#include "page/PageHistory.h"

void PageHistory::Push(std::unique_ptr<PageStep> step)
{
    // What was undone can no longer be redone; a saved state among it is
    // out of reach.
    while (steps_.size() > position_) {
        bytes_ -= steps_.back()->Bytes();
        steps_.pop_back();
    }
    if (saved_ != NoPosition && saved_ > position_)
        saved_ = NoPosition;
    bytes_ += step->Bytes();
    steps_.push_back(std::move(step));
    ++position_;
    while (steps_.size() > 1 && (steps_.size() > MaxSteps || bytes_ > MaxBytes))
        DropOldest();
}

void PageHistory::DropOldest()
{
    bytes_ -= steps_.front()->Bytes();
    steps_.erase(steps_.begin());
    --position_;
    if (saved_ == 0)
        saved_ = NoPosition; // the saved state was before the oldest step kept
    else if (saved_ != NoPosition)
        --saved_;
}

PageStep* PageHistory::Undo(Page& page)
{
    if (!CanUndo())
        return nullptr;
    PageStep* step = steps_[--position_].get();
    step->Undo(page);
    return step;
}

PageStep* PageHistory::Redo(Page& page)
{
    if (!CanRedo())
        return nullptr;
    PageStep* step = steps_[position_++].get();
    step->Redo(page);
    return step;
}

void PageHistory::Clear()
{
    steps_.clear();
    position_ = saved_ = bytes_ = 0;
}

// Undo history storage; see UndoStack.h for how entries are formed.
#include "platform/html/UndoStack.h"

namespace vellum::html {

namespace {

bool Joins(const UndoEntry& previous, const UndoEntry& next)
{
    return previous.label == "typing" && next.label == "typing" &&
           previous.selectionAfter == next.selectionBefore;
}

} // namespace

void UndoStack::Push(UndoEntry entry)
{
    entries_.erase(entries_.begin() + static_cast<long>(undoCount_), entries_.end());
    if (!entries_.empty() && Joins(entries_.back(), entry)) {
        UndoEntry& previous = entries_.back();
        previous.mutations.insert(previous.mutations.end(), entry.mutations.begin(),
                                  entry.mutations.end());
        previous.selectionAfter = entry.selectionAfter;
        return;
    }
    entries_.push_back(std::move(entry));
    undoCount_ = entries_.size();
}

void UndoStack::Clear()
{
    entries_.clear();
    undoCount_ = 0;
}

} // namespace vellum::html

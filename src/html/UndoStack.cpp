// Undo history storage; see UndoStack.h for how entries and typing runs are
// formed.
#include "html/UndoStack.h"

namespace vellum::html {

namespace {

constexpr char kTyping[] = "typing";

} // namespace

void UndoStack::Push(UndoEntry entry)
{
    entries_.erase(entries_.begin() + static_cast<long>(undoCount_), entries_.end());
    const bool typing = entry.label == kTyping;
    const bool joins = typing && typingRunOpen_ && !entries_.empty() &&
                       entries_.back().label == kTyping &&
                       entries_.back().selectionAfter == entry.selectionBefore;
    typingRunOpen_ = typing;
    if (joins) {
        UndoEntry& previous = entries_.back();
        previous.mutations.insert(previous.mutations.end(), entry.mutations.begin(),
                                  entry.mutations.end());
        previous.selectionAfter = entry.selectionAfter;
        return;
    }
    entries_.push_back(std::move(entry));
    undoCount_ = entries_.size();
}

// Entries above the boundary stay redoable: what follows from an entry
// touches nothing they replay (the head, a blank body).
void UndoStack::AmendLast(std::vector<Mutation> mutations, const Selection& selectionAfter)
{
    if (undoCount_ == 0)
        return;
    UndoEntry& last = entries_[undoCount_ - 1];
    last.mutations.insert(last.mutations.end(), mutations.begin(), mutations.end());
    last.selectionAfter = selectionAfter;
}

void UndoStack::MarkUndone()
{
    --undoCount_;
    typingRunOpen_ = false;
}

void UndoStack::MarkRedone()
{
    ++undoCount_;
    typingRunOpen_ = false;
}

void UndoStack::Clear()
{
    entries_.clear();
    undoCount_ = 0;
    typingRunOpen_ = false;
}

} // namespace vellum::html

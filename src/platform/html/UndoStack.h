// The document's undo and redo history.
//
// Every change to the tree is one of three primitive mutations (a child put
// in or taken out, an attribute value changed, a text changed); the Document
// records each as it happens. Mutations made during one edit step (a command,
// a paste, a typed character) form one undo entry together with the selection
// before and after, so one Undo reverts the whole step.
#pragma once

#include "platform/html/Selection.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vellum::html {

class Node;

struct Mutation
{
    enum class Kind { InsertChild, RemoveChild, SetAttribute, SetData };

    Kind kind;
    Node* target = nullptr;               // the parent, the element or the text node
    Node* child = nullptr;                // for InsertChild and RemoveChild
    std::size_t index = 0;                // the child's index in target, or the attribute's
    std::string name;                     // attribute name
    std::optional<std::u16string> before; // old attribute value or text
    std::optional<std::u16string> after;  // new attribute value or text
};

struct UndoEntry
{
    std::string label;
    std::vector<Mutation> mutations;
    Selection selectionBefore;
    Selection selectionAfter;
};

class UndoStack
{
public:
    // Adds an entry and forgets everything that could have been redone.
    // Consecutive "typing" entries whose selections join up merge into one,
    // so undo removes a typed word rather than a single character.
    void Push(UndoEntry entry);
    bool CanUndo() const { return undoCount_ > 0; }
    bool CanRedo() const { return undoCount_ < entries_.size(); }
    // The entry to revert or to replay next; the caller applies it and then
    // moves the boundary with the matching Mark call.
    const UndoEntry& NextUndo() const { return entries_[undoCount_ - 1]; }
    const UndoEntry& NextRedo() const { return entries_[undoCount_]; }
    void MarkUndone() { --undoCount_; }
    void MarkRedone() { ++undoCount_; }
    void Clear();

private:
    std::vector<UndoEntry> entries_;
    std::size_t undoCount_ = 0;
};

} // namespace vellum::html

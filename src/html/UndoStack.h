// The document's undo and redo history.
//
// Every change to the tree is one of three primitive mutations (a child put
// in or taken out, an attribute value changed, a text changed); the Document
// records each as it happens. Mutations made during one edit step (a command,
// a paste, a typed character) form one undo entry together with the selection
// before and after, so one Undo reverts the whole step.
//
// Typed characters form one entry per typing run, as in any editor: the run
// goes on while each character lands where the previous one left the caret,
// and ends at any other entry, an undo or redo, or a caret the user moved.
// There is deliberately no pause rule: a run is bounded by Enter (a new
// paragraph is an entry of its own) and by every caret move, so one Undo
// takes back at most the line being typed, and what it takes back never
// depends on how fast someone types.
#pragma once

#include "html/Selection.h"

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
    // Adds an entry and forgets everything that could have been redone. A
    // "typing" entry joins the open typing run when its selection before is
    // the run's selection after.
    void Push(UndoEntry entry);
    // The caret moved by itself (a click, an arrow key): the next typed text
    // starts an entry of its own.
    void EndTypingRun() { typingRunOpen_ = false; }
    // Mutations that follow from the entry last done (a style sheet made to
    // read a rule from, the empty DIV of a blank body) join it, so one undo
    // reverts both and an open typing run goes on. With no entry done (just
    // after a load) they belong to the loaded state and are kept nowhere.
    void AmendLast(std::vector<Mutation> mutations, const Selection& selectionAfter);
    bool CanUndo() const { return undoCount_ > 0; }
    bool CanRedo() const { return undoCount_ < entries_.size(); }
    // The entry to revert or to replay next; the caller applies it and then
    // moves the boundary with the matching Mark call.
    const UndoEntry& NextUndo() const { return entries_[undoCount_ - 1]; }
    const UndoEntry& NextRedo() const { return entries_[undoCount_]; }
    void MarkUndone();
    void MarkRedone();
    void Clear();

private:
    std::vector<UndoEntry> entries_;
    std::size_t undoCount_ = 0;
    bool typingRunOpen_ = false;
};

} // namespace vellum::html

// What is selected in a document.
//
// The selection is either nothing, a text range (a caret when collapsed), or
// a control selection of whole elements (an image, a table), as the editor's
// browser offered it. It is a value; the Document holds the current one,
// restores it with undo and repairs it when the nodes it names go away.
#pragma once

#include "html/Position.h"

#include <vector>

namespace vellum::html {

class Element;

enum class SelectionKind { None, Text, Control };

class Selection
{
public:
    static Selection NoSelection() { return {}; }
    static Selection Caret(const Position& position);
    static Selection TextRange(const Position& anchor, const Position& focus);
    static Selection Controls(std::vector<Element*> elements);

    SelectionKind Kind() const { return kind_; }
    bool IsNone() const { return kind_ == SelectionKind::None; }
    bool IsTextRange() const { return kind_ == SelectionKind::Text; }
    bool IsControl() const { return kind_ == SelectionKind::Control; }
    bool IsCaret() const { return IsTextRange() && range_.IsCollapsed(); }

    // The text range (null for the other kinds).
    const Range& GetRange() const { return range_; }
    // The selected elements of a control selection (empty otherwise).
    const std::vector<Element*>& ControlElements() const { return controls_; }

    bool operator==(const Selection&) const = default;

private:
    SelectionKind kind_ = SelectionKind::None;
    Range range_;
    std::vector<Element*> controls_;
};

} // namespace vellum::html

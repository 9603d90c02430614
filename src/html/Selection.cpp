// Constructors of the three kinds of selection.
#include "html/Selection.h"

namespace vellum::html {

Selection Selection::Caret(const Position& position)
{
    return TextRange(position, position);
}

Selection Selection::TextRange(const Position& anchor, const Position& focus)
{
    Selection selection;
    if (anchor.IsNull() || focus.IsNull())
        return selection;
    selection.kind_ = SelectionKind::Text;
    selection.range_ = MakeRange(anchor, focus);
    return selection;
}

Selection Selection::Controls(std::vector<Element*> elements)
{
    Selection selection;
    if (elements.empty())
        return selection;
    selection.kind_ = SelectionKind::Control;
    selection.controls_ = std::move(elements);
    return selection;
}

} // namespace vellum::html

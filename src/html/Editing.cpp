// Selection-level editing: deleting, inserting, splitting and copying.
//
// Every change goes through the recorded node operations, also those on
// nodes not yet in the tree, so an undo entry replays exactly. Copying
// builds its clones in a scratch document so it never touches the history.
#include "html/Editing.h"

#include "html/Document.h"
#include "html/Parser.h"
#include "html/PastedStyles.h"
#include "html/Serializer.h"

namespace vellum::html {

namespace {

bool IsLeaf(const Node* node)
{
    if (node->IsText())
        return node->AsCharacterData()->Length() > 0;
    return node->IsElement() && IsVoidElement(node->AsElement()->TagName());
}

// Blocks whose content may be joined with a neighbour's when the boundary
// between them is deleted; cells, lists and the body keep their shape.
bool IsJoinableBlock(const Element* block)
{
    if (!block)
        return false;
    for (const char* tag : {"BODY", "HTML", "TD", "TH", "TABLE", "TR", "TBODY", "THEAD", "TFOOT",
                            "CAPTION", "UL", "OL", "DL", "HR"})
        if (block->HasTagName(tag))
            return false;
    return true;
}

bool Intersects(const Range& range, const Node& node)
{
    return ComparePositions(PositionBefore(node), range.end) < 0 &&
           ComparePositions(PositionAfter(node), range.start) > 0;
}

// The deepest last descendant of a node (the node itself when childless).
Node* LastDescendant(Node* node)
{
    while (node->LastChild())
        node = node->LastChild();
    return node;
}

// The node before `node` in reverse document order, staying below `limit`.
Node* PreviousNode(Node* node, const Node* limit)
{
    if (node == limit)
        return nullptr;
    if (Node* previous = node->PreviousSibling())
        return LastDescendant(previous);
    Node* parent = node->Parent();
    return parent == limit ? nullptr : parent;
}

// The next node in document order, skipping the node's own descendants.
Node* NextNodeAfter(Node* node, const Node* limit)
{
    for (; node && node != limit; node = node->Parent())
        if (Node* next = node->NextSibling())
            return next;
    return nullptr;
}

Node* NextNode(Node* node, const Node* limit)
{
    return node->FirstChild() ? node->FirstChild() : NextNodeAfter(node, limit);
}

// The leaf just before a caret, within the body.
Node* PreviousLeaf(const Position& caret, const Node* limit)
{
    Node* node = nullptr;
    if (!caret.node->IsText() && caret.offset > 0)
        node = LastDescendant(caret.node->ChildAt(caret.offset - 1));
    else
        node = PreviousNode(caret.node, limit);
    while (node && !IsLeaf(node))
        node = PreviousNode(node, limit);
    return node;
}

Node* NextLeaf(const Position& caret, const Node* limit)
{
    Node* node = nullptr;
    if (!caret.node->IsText() && caret.offset < caret.node->ChildCount())
        node = caret.node->ChildAt(caret.offset);
    else
        node = NextNodeAfter(caret.node, limit);
    while (node && !IsLeaf(node))
        node = NextNode(node, limit);
    return node;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c < 0xE000;
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c < 0xDC00;
}

// The range Backspace removes at a caret; null when nothing lies before it.
Range BackwardRange(Document& document, const Position& caret)
{
    if (const CharacterData* text = caret.node->AsCharacterData(); text && caret.offset > 0) {
        std::size_t from = caret.offset - 1;
        if (from > 0 && IsLowSurrogate(text->Data()[from]) &&
            IsHighSurrogate(text->Data()[from - 1]))
            --from;
        return {{caret.node, from}, caret};
    }
    Node* limit = document.Body() ? static_cast<Node*>(document.Body()) : &document;
    Node* leaf = PreviousLeaf(caret, limit);
    if (!leaf)
        return {};
    bool sameBlock = EnclosingBlock(leaf) == EnclosingBlock(caret.node);
    if (leaf->IsText()) {
        std::size_t length = leaf->AsCharacterData()->Length();
        if (!sameBlock)
            return {{leaf, length}, caret};
        std::size_t from = length - 1;
        const std::u16string& data = leaf->AsCharacterData()->Data();
        if (from > 0 && IsLowSurrogate(data[from]) && IsHighSurrogate(data[from - 1]))
            --from;
        return {{leaf, from}, caret};
    }
    return {sameBlock ? PositionBefore(*leaf) : PositionAfter(*leaf), caret};
}

Range ForwardRange(Document& document, const Position& caret)
{
    if (const CharacterData* text = caret.node->AsCharacterData();
        text && caret.offset < text->Length()) {
        std::size_t to = caret.offset + 1;
        if (to < text->Length() && IsHighSurrogate(text->Data()[caret.offset]) &&
            IsLowSurrogate(text->Data()[to]))
            ++to;
        return {caret, {caret.node, to}};
    }
    Node* limit = document.Body() ? static_cast<Node*>(document.Body()) : &document;
    Node* leaf = NextLeaf(caret, limit);
    if (!leaf)
        return {};
    bool sameBlock = EnclosingBlock(leaf) == EnclosingBlock(caret.node);
    if (leaf->IsText())
        return {caret, {leaf, sameBlock ? std::size_t{1} : 0}};
    return {caret, sameBlock ? PositionAfter(*leaf) : PositionBefore(*leaf)};
}

bool HoldsRawText(const Element& element)
{
    for (const char* name : {"SCRIPT", "STYLE", "TEXTAREA", "TITLE", "XMP", "IFRAME", "NOEMBED",
                             "NOFRAMES", "PLAINTEXT"})
        if (element.HasTagName(name))
            return true;
    return false;
}

// Keeps insertions inside the body: a caret on the document, HTML or HEAD
// level moves to the end of the body.
Position InsideBody(Document& document, const Position& position)
{
    Element* body = document.Body();
    if (body && !body->Contains(position.node))
        return {body, body->ChildCount()};
    // Nothing goes inside an IMG or BR, nor inside a SCRIPT, STYLE or other
    // element whose content is raw text: markup cannot hold it there, so it
    // would be lost or turn into text when the body is saved. It goes after
    // the element.
    for (Node* node = position.node; node && node != body; node = node->Parent())
        if (const Element* element = node->AsElement();
            element && (IsVoidElement(element->TagName()) || HoldsRawText(*element)))
            return PositionAfter(*node);
    return position;
}

// Clears the selection's contents and gives the caret where new content
// goes; null when there is no selection to put it in.
Position PrepareInsertion(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl()) {
        Position at = PositionBefore(*selection.ControlElements().front());
        Node* before = at.offset > 0 ? at.node->ChildAt(at.offset - 1) : nullptr;
        Node* parent = at.node;
        for (Element* element : std::vector(selection.ControlElements()))
            element->Remove();
        at = before && before->Parent() == parent ? PositionAfter(*before) : Position{parent, 0};
        return InsideBody(document, at);
    }
    if (!selection.IsTextRange())
        return {};
    return InsideBody(document, DeleteContents(document, selection.GetRange()));
}

bool IsCell(const Node* node)
{
    const Element* element = node ? node->AsElement() : nullptr;
    return element && (element->HasTagName("TD") || element->HasTagName("TH"));
}

// A new table's cells hold one no-break space (inside a DIV in the cells
// of a new row or column) so that they keep their height. It is a
// placeholder, not text: what is typed or pasted into such a cell takes its
// place, at the cell's start. Returns where the new content goes.
Position TakeCellPlaceholder(const Position& at)
{
    Node* node = at.node && at.node->ChildCount() == 1 ? at.node->FirstChild() : at.node;
    CharacterData* text = node ? node->AsCharacterData() : nullptr;
    if (!text || !text->IsText() || text->Data() != u"\u00A0")
        return at;
    Element* holder = text->ParentElement();
    if (!holder || holder->ChildCount() != 1)
        return at;
    Element* cell = holder->ParentElement();
    bool placeholder = IsCell(holder) || (IsBlockElement(holder->TagName()) && IsCell(cell) &&
                                          cell->ChildCount() == 1);
    if (!placeholder)
        return at;
    text->Remove();
    return {holder, 0};
}

Element* CopyShallow(const Element& element, Document& target)
{
    Element* copy = target.CreateElement(element.TagName());
    for (const Attribute& attribute : element.Attributes())
        copy->SetAttribute(attribute.name, attribute.value);
    return copy;
}

Node* CopyDeep(const Node& node, Document& target)
{
    if (const CharacterData* data = node.AsCharacterData())
        return data->IsText() ? target.CreateTextNode(data->Data())
                              : target.CreateComment(data->Data());
    Element* copy = CopyShallow(*node.AsElement(), target);
    for (const Node* child : node.Children())
        copy->AppendChild(CopyDeep(*child, target));
    return copy;
}

// Copies the part of `source`'s subtree inside the range under `into`.
void CopyRangePart(const Node& source, const Range& range, Node& into, Document& target)
{
    for (const Node* child : source.Children()) {
        if (RangeContainsNode(range, *child)) {
            into.AppendChild(CopyDeep(*child, target));
            continue;
        }
        if (!Intersects(range, *child))
            continue;
        if (const CharacterData* text = child->AsCharacterData()) {
            std::size_t from = range.start.node == child ? range.start.offset : 0;
            std::size_t to = range.end.node == child ? range.end.offset : text->Length();
            if (to > from && text->IsText())
                into.AppendChild(target.CreateTextNode(text->Data().substr(from, to - from)));
            continue;
        }
        Element* copy = CopyShallow(*child->AsElement(), target);
        into.AppendChild(copy);
        CopyRangePart(*child, range, *copy, target);
    }
}

std::u16string RangeHtml(const Range& range)
{
    Node* common = CommonAncestor(range);
    if (!common || range.IsCollapsed())
        return {};
    Document scratch;
    Element* holder = scratch.CreateElement("DIV");
    if (const CharacterData* text = common->AsCharacterData()) {
        holder->AppendChild(scratch.CreateTextNode(
            text->Data().substr(range.start.offset, range.end.offset - range.start.offset)));
        common = common->Parent();
    } else {
        CopyRangePart(*common, range, *holder, scratch);
    }
    // Inline formatting above the copied part travels with it.
    for (const Node* up = common; up && up->IsElement(); up = up->Parent()) {
        if (IsBlockElement(up->AsElement()->TagName()))
            break;
        Element* wrapper = CopyShallow(*up->AsElement(), scratch);
        while (holder->ChildCount() > 0)
            wrapper->AppendChild(holder->FirstChild());
        holder->AppendChild(wrapper);
    }
    return SerializeChildren(*holder);
}

} // namespace

Element* EnclosingBlock(Node* node)
{
    for (; node; node = node->Parent())
        if (node->IsElement() && IsBlockElement(node->AsElement()->TagName()))
            return node->AsElement();
    return nullptr;
}

Position SplitAtPosition(const Position& position)
{
    CharacterData* text = position.node ? position.node->AsCharacterData() : nullptr;
    if (!text || !text->Parent())
        return position;
    if (position.offset == 0)
        return PositionBefore(*text);
    if (position.offset < text->Length())
        text->SplitText(position.offset);
    return PositionAfter(*text);
}

Element* SplitAncestorsAt(const Position& position, Element& ancestor)
{
    if (!position.node || !ancestor.Contains(position.node) || !ancestor.Parent())
        return nullptr;
    Position at = SplitAtPosition(position);
    Node* parent = at.node;
    std::size_t index = at.offset;
    while (parent && parent->IsElement() && parent->Parent()) {
        Element* half = parent->AsElement()->CloneShallow();
        parent->Parent()->InsertAfter(half, parent);
        while (parent->ChildCount() > index)
            half->AppendChild(parent->ChildAt(index));
        if (parent == &ancestor)
            return half;
        index = half->IndexInParent();
        parent = parent->Parent();
    }
    return nullptr;
}

Position InsertNodesAt(const Position& position, const std::vector<Node*>& nodes)
{
    Position at = SplitAtPosition(position);
    for (Node* node : nodes)
        if (at.node->InsertChild(node, at.offset))
            ++at.offset;
    return at;
}

namespace {

// Text left on both sides of a deletion becomes one node again, so the
// caret stands inside text (the input method reads the text around it)
// and the next deletion or paste sees one run, as after typing.
Position MergeTextAround(const Position& at)
{
    if (at.IsNull() || at.node->IsText() || at.offset == 0)
        return at;
    Node* before = at.node->ChildAt(at.offset - 1);
    Node* after = at.node->ChildAt(at.offset);
    if (!before || !after || !before->IsText() || !after->IsText())
        return at;
    CharacterData* left = before->AsCharacterData();
    std::size_t length = left->Length();
    left->InsertData(length, after->AsCharacterData()->Data());
    after->Remove();
    return {left, length};
}

} // namespace

Position DeleteContents(Document& document, const Range& input)
{
    if (input.IsNull() || input.IsCollapsed())
        return input.start;
    if (input.start.node == input.end.node && input.start.node->AsCharacterData()) {
        input.start.node->AsCharacterData()->DeleteData(input.start.offset,
                                                        input.end.offset - input.start.offset);
        return input.start;
    }
    Element* startBlock = EnclosingBlock(input.start.node);
    Element* endBlock = EnclosingBlock(input.end.node);
    // Remember the boundaries by their neighbours, which survive the splits.
    Position end = SplitAtPosition(input.end);
    Node* endParent = end.node;
    Node* endNext = end.node->ChildAt(end.offset);
    Position start = SplitAtPosition(input.start);
    Node* startParent = start.node;
    Node* startPrevious = start.offset > 0 ? start.node->ChildAt(start.offset - 1) : nullptr;
    end = endNext ? PositionBefore(*endNext) : Position{endParent, endParent->ChildCount()};
    Range range{start, end};

    std::vector<Node*> doomed;
    std::vector<Node*> pending{CommonAncestor(range)};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        for (Node* child : node->Children()) {
            if (RangeContainsNode(range, *child))
                doomed.push_back(child);
            else if (Intersects(range, *child))
                pending.push_back(child);
        }
    }
    for (Node* node : doomed)
        node->Remove();

    Position result = startPrevious && startPrevious->Parent() == startParent
                          ? PositionAfter(*startPrevious)
                          : Position{startParent, 0};
    bool join = startBlock != endBlock && IsJoinableBlock(startBlock) &&
                IsJoinableBlock(endBlock) && startBlock->IsConnected() && endBlock->IsConnected() &&
                !startBlock->Contains(endBlock) && !endBlock->Contains(startBlock);
    if (join) {
        while (endBlock->ChildCount() > 0)
            startBlock->AppendChild(endBlock->FirstChild());
        endBlock->Remove();
    }
    (void)document;
    return MergeTextAround(result);
}

bool InsertText(Document& document, std::u16string_view text)
{
    if (text.empty())
        return false;
    Document::EditStep step(document, "typing");
    Position at = TakeCellPlaceholder(PrepareInsertion(document));
    if (at.IsNull())
        return false;
    if (CharacterData* data = at.node->AsCharacterData(); data && data->IsText()) {
        data->InsertData(at.offset, text);
        document.SetSelection(Selection::Caret({data, at.offset + text.size()}));
        return true;
    }
    Node* previous = at.offset > 0 ? at.node->ChildAt(at.offset - 1) : nullptr;
    if (previous && previous->IsText()) {
        CharacterData* data = previous->AsCharacterData();
        data->InsertData(data->Length(), text);
        document.SetSelection(Selection::Caret({data, data->Length()}));
        return true;
    }
    CharacterData* node = document.CreateTextNode(text);
    if (!at.node->InsertChild(node, at.offset))
        return false;
    document.SetSelection(Selection::Caret({node, node->Length()}));
    return true;
}

bool DeleteSelection(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsControl() && !(selection.IsTextRange() && !selection.IsCaret()))
        return false;
    Document::EditStep step(document, "delete");
    document.SetSelection(Selection::Caret(PrepareInsertion(document)));
    return true;
}

bool DeleteBackward(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsCaret())
        return DeleteSelection(document);
    Range range = BackwardRange(document, selection.GetRange().start);
    if (range.IsNull())
        return false;
    Document::EditStep step(document, "delete");
    document.SetSelection(Selection::Caret(DeleteContents(document, range)));
    return true;
}

bool DeleteForward(Document& document)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsCaret())
        return DeleteSelection(document);
    Range range = ForwardRange(document, selection.GetRange().start);
    if (range.IsNull())
        return false;
    Document::EditStep step(document, "delete");
    document.SetSelection(Selection::Caret(DeleteContents(document, range)));
    return true;
}

bool InsertLineBreak(Document& document)
{
    Document::EditStep step(document, "line break");
    Position at = PrepareInsertion(document);
    if (at.IsNull())
        return false;
    document.SetSelection(Selection::Caret(InsertNodesAt(at, {document.CreateElement("BR")})));
    return true;
}

bool InsertParagraph(Document& document)
{
    Document::EditStep step(document, "paragraph");
    Position at = PrepareInsertion(document);
    if (at.IsNull())
        return false;
    Element* block = EnclosingBlock(at.node);
    if (!IsJoinableBlock(block)) {
        document.SetSelection(Selection::Caret(InsertNodesAt(at, {document.CreateElement("BR")})));
        return true;
    }
    Node* second = SplitAncestorsAt(at, *block);
    if (!second)
        return false;
    // Typing continues inside the inline formatting the split carried over.
    while (second->FirstChild() && second->FirstChild()->IsElement() &&
           !IsVoidElement(second->FirstChild()->AsElement()->TagName()))
        second = second->FirstChild();
    Node* first = second->FirstChild();
    document.SetSelection(
        Selection::Caret(first && first->IsText() ? Position{first, 0} : Position{second, 0}));
    return true;
}

bool PasteHtml(Document& document, std::u16string_view html)
{
    Document::EditStep step(document, "paste");
    Position at = TakeCellPlaceholder(PrepareInsertion(document));
    if (at.IsNull())
        return false;
    Node* container = at.node->IsElement() ? at.node : at.node->Parent();
    std::string context = container && container->IsElement() ? container->AsElement()->TagName()
                                                              : std::string("BODY");
    std::vector<Node*> nodes = ParseFragment(document, html, context);
    InlinePastedStyles(nodes);
    document.SetSelection(Selection::Caret(InsertNodesAt(at, nodes)));
    return true;
}

bool ReplaceSelection(Document& document, const std::vector<Node*>& nodes)
{
    Document::EditStep step(document, "insert");
    Position at = TakeCellPlaceholder(PrepareInsertion(document));
    if (at.IsNull())
        return false;
    document.SetSelection(Selection::Caret(InsertNodesAt(at, nodes)));
    return true;
}

bool SelectAll(Document& document)
{
    Element* body = document.Body();
    if (!body)
        return false;
    document.SetSelection(Selection::TextRange({body, 0}, {body, body->ChildCount()}));
    return true;
}

std::u16string SelectionHtml(const Document& document)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl()) {
        std::u16string html;
        for (const Element* element : selection.ControlElements())
            html += element->OuterHtml();
        return html;
    }
    return selection.IsTextRange() ? RangeHtml(selection.GetRange()) : std::u16string();
}

std::u16string SelectionText(const Document& document)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl()) {
        std::u16string text;
        for (const Element* element : selection.ControlElements())
            text += element->TextContent();
        return text;
    }
    return selection.IsTextRange() ? RangeText(selection.GetRange()) : std::u16string();
}

} // namespace vellum::html

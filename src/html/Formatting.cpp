// Character formatting works on "runs": after the text at the selection's
// ends is split off, the nodes wholly inside are grouped into runs of
// adjacent inline siblings, and each run is wrapped in one new carrier.
// Removal splits the carriers that stick out of the selection at its ends,
// so that every carrier left inside can simply be unwrapped.
#include "html/Formatting.h"

#include "html/Document.h"
#include "html/Editing.h"

#include <algorithm>

namespace vellum::html {

namespace {

bool HasAnyTag(const Node* node, std::initializer_list<const char*> tags)
{
    const Element* element = node ? node->AsElement() : nullptr;
    if (!element)
        return false;
    return std::any_of(tags.begin(), tags.end(),
                       [&](const char* tag) { return element->HasTagName(tag); });
}

// Parents whose direct text is only layout whitespace (between rows, items).
bool IsStructural(const Node* node)
{
    return !node || node->Type() == NodeType::Document ||
           HasAnyTag(node, {"TABLE", "TBODY", "THEAD", "TFOOT", "TR", "UL", "OL", "DL", "HTML",
                            "HEAD", "COLGROUP"});
}

bool IsSkipped(const Node* node)
{
    return HasAnyTag(node, {"SCRIPT", "STYLE", "HEAD", "TITLE"});
}

// Blocks that hold loose text without being a paragraph themselves.
bool IsContainerBlock(const Element* block)
{
    return HasAnyTag(block, {"BODY", "TD", "TH", "CAPTION", "BLOCKQUOTE", "DD", "FORM"});
}

bool IsWhitespaceText(const Node* node)
{
    if (!node->IsText())
        return false;
    const std::u16string& data = node->AsCharacterData()->Data();
    return std::all_of(data.begin(), data.end(), [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    });
}

Element* CarrierAbove(Node* node, const InlineFormat& format, bool outermost)
{
    Element* found = nullptr;
    for (; node; node = node->Parent()) {
        Element* element = node->AsElement();
        if (!element)
            continue;
        if (IsBlockElement(element->TagName()))
            break;
        if (format.IsCarriedBy(*element)) {
            found = element;
            if (!outermost)
                break;
        }
    }
    return found;
}

Element* NewCarrier(Document& document, const InlineFormat& format)
{
    Element* carrier = document.CreateElement(format.newTag);
    if (!format.attribute.empty())
        carrier->SetAttribute(format.attribute, format.value);
    if (!format.styleProperty.empty())
        carrier->SetStyleProperty(format.styleProperty, format.value);
    return carrier;
}

void Unwrap(Element& element)
{
    Node* parent = element.Parent();
    if (!parent)
        return;
    while (element.ChildCount() > 0)
        parent->InsertBefore(element.FirstChild(), &element);
    element.Remove();
}

// Takes the format off one carrier: its attribute or style, or the whole
// element when nothing else is left on it.
void StripCarrier(Element& element, const InlineFormat& format)
{
    if (!format.attribute.empty())
        element.RemoveAttribute(format.attribute);
    if (!format.styleProperty.empty())
        element.SetStyleProperty(format.styleProperty, u"");
    bool bare = format.attribute.empty() && format.styleProperty.empty();
    if (bare || (element.Attributes().empty() && HasAnyTag(&element, {"FONT", "SPAN"})))
        Unwrap(element);
}

void StripCarriersIn(Node& root, const InlineFormat& format, bool includeRoot)
{
    std::vector<Element*> carriers;
    if (includeRoot && root.IsElement() && format.IsCarriedBy(*root.AsElement()))
        carriers.push_back(root.AsElement());
    if (root.IsElement())
        for (Element* element : root.AsElement()->GetElementsByTagName("*"))
            if (format.IsCarriedBy(*element))
                carriers.push_back(element);
    for (Element* carrier : carriers)
        StripCarrier(*carrier, format);
}

// Splits text at both ends so the range runs between whole nodes. The start
// goes first: when both ends lie in one text node, the end moves into the
// tail that split made.
Range IsolateRange(const Range& range)
{
    Position start = range.start;
    Position end = range.end;
    CharacterData* text = start.node->AsCharacterData();
    if (text && text->Parent() && start.offset > 0 && start.offset < text->Length()) {
        CharacterData* tail = text->SplitText(start.offset);
        if (end.node == text)
            end = {tail, end.offset - start.offset};
        start = PositionBefore(*tail);
    } else {
        start = SplitAtPosition(start);
    }
    end = SplitAtPosition(end);
    // Ends at the edge of an inline element take the element in whole, so
    // a carrier covered exactly is replaced rather than nested.
    auto isInline = [](Node* node) {
        return node->IsElement() && !IsBlockElement(node->AsElement()->TagName()) && node->Parent();
    };
    while (start.offset == 0 && isInline(start.node) && start.node != end.node)
        start = PositionBefore(*start.node);
    while (end.offset == MaxOffset(*end.node) && isInline(end.node) && end.node != start.node)
        end = PositionAfter(*end.node);
    return {start, end};
}

// The nodes wholly inside the range whose parents are not.
std::vector<Node*> TopContainedNodes(const Range& range)
{
    std::vector<Node*> top;
    Node* common = CommonAncestor(range);
    if (!common)
        return top;
    std::vector<Node*> pending{common};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        std::vector<Node*> partial;
        for (Node* child : node->Children()) {
            if (RangeContainsNode(range, *child))
                top.push_back(child);
            else if (ComparePositions(PositionBefore(*child), range.end) < 0 &&
                     ComparePositions(PositionAfter(*child), range.start) > 0)
                partial.push_back(child);
        }
        pending.insert(pending.end(), partial.rbegin(), partial.rend());
    }
    std::sort(top.begin(), top.end(), [](Node* a, Node* b) {
        return ComparePositions(PositionBefore(*a), PositionBefore(*b)) < 0;
    });
    return top;
}

class RunWrapper
{
public:
    RunWrapper(Document& document, const InlineFormat& format)
        : document_(document), format_(format)
    {
    }

    void Process(const std::vector<Node*>& nodes)
    {
        std::vector<Node*> run;
        for (Node* node : nodes) {
            bool block = node->IsElement() &&
                         (IsBlockElement(node->AsElement()->TagName()) || IsStructural(node));
            if (block || IsSkipped(node) ||
                (IsWhitespaceText(node) && IsStructural(node->Parent()))) {
                Flush(run);
                if (block && !IsSkipped(node))
                    Process(std::vector<Node*>(node->Children()));
                continue;
            }
            if (!run.empty() && run.back()->NextSibling() != node)
                Flush(run);
            run.push_back(node);
        }
        Flush(run);
    }

private:
    void Flush(std::vector<Node*>& run)
    {
        if (run.empty())
            return;
        Node* parent = run.front()->Parent();
        bool valued = !format_.attribute.empty() || !format_.styleProperty.empty();
        Element* parentElement = parent ? parent->AsElement() : nullptr;
        if (valued && parentElement && parentElement->HasTagName(format_.newTag) &&
            run.size() == parent->ChildCount()) {
            // The run is a carrier's whole content: change the carrier itself.
            for (Node* node : run)
                StripCarriersIn(*node, format_, true);
            if (!format_.attribute.empty())
                parentElement->SetAttribute(format_.attribute, format_.value);
            if (!format_.styleProperty.empty())
                parentElement->SetStyleProperty(format_.styleProperty, format_.value);
        } else if (parent) {
            Element* carrier = NewCarrier(document_, format_);
            parent->InsertBefore(carrier, run.front());
            for (Node* node : run)
                carrier->AppendChild(node);
            StripCarriersIn(*carrier, format_, false);
        }
        run.clear();
    }

    Document& document_;
    const InlineFormat& format_;
};

// Selects from the start of the first text node to the end of the last.
void SelectTexts(Document& document, const std::vector<Node*>& texts, const Range& fallback)
{
    if (texts.empty()) {
        document.SetSelection(Selection::TextRange(fallback.start, fallback.end));
        return;
    }
    document.SetSelection(Selection::TextRange(
        {texts.front(), 0}, {texts.back(), texts.back()->AsCharacterData()->Length()}));
}

bool CarriesAll(const Range& range, const InlineFormat& format)
{
    std::vector<Node*> texts = TextNodesInRange(range);
    texts.erase(std::remove_if(texts.begin(), texts.end(), IsWhitespaceText), texts.end());
    if (texts.empty())
        return CarrierAbove(range.start.node, format, false) != nullptr;
    return std::all_of(texts.begin(), texts.end(),
                       [&](Node* text) { return CarrierAbove(text, format, false) != nullptr; });
}

Element* WrapLooseRun(Document& document, Element& container, Node* leaf, std::size_t offset)
{
    // The child of the container holding the leaf, or the caret's place.
    Node* top = leaf;
    while (top && top->Parent() != &container)
        top = top->Parent();
    auto isInline = [](Node* node) {
        return node && !(node->IsElement() && IsBlockElement(node->AsElement()->TagName()));
    };
    Node* first = top;
    Node* last = top;
    if (!top) {
        Node* before = offset > 0 ? container.ChildAt(offset - 1) : nullptr;
        Node* after = container.ChildAt(offset);
        first = isInline(before) ? before : isInline(after) ? after : nullptr;
        last = first;
    }
    Element* paragraph = document.CreateElement("P");
    if (!first) {
        container.InsertChild(paragraph, std::min(offset, container.ChildCount()));
        return paragraph;
    }
    while (isInline(first->PreviousSibling()))
        first = first->PreviousSibling();
    while (isInline(last->NextSibling()))
        last = last->NextSibling();
    container.InsertBefore(paragraph, first);
    for (Node* node = first; node;) {
        Node* next = node == last ? nullptr : node->NextSibling();
        paragraph->AppendChild(node);
        node = next;
    }
    return paragraph;
}

Element* ListItemOf(Element* block)
{
    for (Node* node = block; node; node = node->Parent())
        if (HasAnyTag(node, {"LI"}))
            return node->AsElement();
    return nullptr;
}

bool IsListOf(const Node* list, std::string_view tag)
{
    return list && list->IsElement() && list->AsElement()->HasTagName(tag);
}

bool HasItemsBesides(const Element& list, const Element& item, bool before)
{
    std::size_t index = item.IndexInParent();
    for (std::size_t i = 0; i < list.ChildCount(); ++i)
        if ((before ? i < index : i > index) && HasAnyTag(list.ChildAt(i), {"LI"}))
            return true;
    return false;
}

void ItemToParagraph(Document& document, Element& item)
{
    Element* list = item.ParentElement();
    if (!list || !list->Parent())
        return;
    Element* paragraph = document.CreateElement("P");
    if (!HasItemsBesides(*list, item, true)) {
        list->Parent()->InsertBefore(paragraph, list);
    } else {
        if (HasItemsBesides(*list, item, false))
            SplitAncestorsAt(PositionAfter(item), *list);
        list->Parent()->InsertAfter(paragraph, list);
    }
    while (item.ChildCount() > 0)
        paragraph->AppendChild(item.FirstChild());
    item.Remove();
    if (list->GetElementsByTagName("LI").empty())
        Unwrap(*list);
}

void RetagList(Document& document, Element& list, std::string_view tag)
{
    Element* replacement = document.CreateElement(tag);
    for (const Attribute& attribute : list.Attributes())
        replacement->SetAttribute(attribute.name, attribute.value);
    list.Parent()->InsertBefore(replacement, &list);
    while (list.ChildCount() > 0)
        replacement->AppendChild(list.FirstChild());
    list.Remove();
}

Node* PreviousElementSibling(Node* node)
{
    for (Node* previous = node->PreviousSibling(); previous; previous = previous->PreviousSibling())
        if (!IsWhitespaceText(previous))
            return previous;
    return nullptr;
}

} // namespace

bool InlineFormat::IsCarriedBy(const Element& element) const
{
    bool tagMatches = std::any_of(carrierTags.begin(), carrierTags.end(),
                                  [&](const std::string& tag) { return element.HasTagName(tag); });
    if (!tagMatches)
        return false;
    if (!attribute.empty() && !element.HasAttribute(attribute))
        return false;
    return styleProperty.empty() || !element.GetStyleProperty(styleProperty).empty();
}

bool IsFormatLatched(const Document& document, const InlineFormat& format)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsTextRange())
        return false;
    return CarriesAll(selection.GetRange(), format);
}

Element* FormatCarrierAtSelection(const Document& document, const InlineFormat& format)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl())
        return CarrierAbove(selection.ControlElements().front(), format, false);
    if (!selection.IsTextRange())
        return nullptr;
    const Range& range = selection.GetRange();
    Node* start = range.start.node;
    // A start just before a text node belongs to that text.
    if (!start->IsText() && range.start.offset < start->ChildCount() && !range.IsCollapsed())
        start = start->ChildAt(range.start.offset);
    return CarrierAbove(start, format, false);
}

bool ApplyFormat(Document& document, const InlineFormat& format)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsTextRange())
        return false;
    Document::EditStep step(document, "format");
    Range range = selection.GetRange();
    if (range.IsCollapsed()) {
        Element* carrier = NewCarrier(document, format);
        InsertNodesAt(range.start, {carrier});
        document.SetSelection(Selection::Caret({carrier, 0}));
        document.SetCaretCarrier(carrier);
        return true;
    }
    range = IsolateRange(range);
    std::vector<Node*> texts = TextNodesInRange(range);
    RunWrapper(document, format).Process(TopContainedNodes(range));
    SelectTexts(document, texts, range);
    return true;
}

bool RemoveFormat(Document& document, const InlineFormat& format)
{
    const Selection& selection = document.GetSelection();
    if (!selection.IsTextRange())
        return false;
    Document::EditStep step(document, "format");
    Range range = selection.GetRange();
    if (range.IsCollapsed()) {
        Position caret = range.start;
        bool changed = false;
        while (Element* carrier = CarrierAbove(caret.node, format, true)) {
            Element* right = SplitAncestorsAt(caret, *carrier);
            if (!right)
                break;
            caret = PositionAfter(*carrier);
            if (right->ChildCount() == 0)
                right->Remove();
            if (carrier->ChildCount() == 0) {
                caret = PositionBefore(*carrier);
                carrier->Remove();
            }
            changed = true;
        }
        document.SetSelection(Selection::Caret(caret));
        return changed;
    }
    range = IsolateRange(range);
    std::vector<Element*> pieces;
    if (Element* carrier = CarrierAbove(range.start.node, format, true)) {
        Node* endPrevious =
            range.end.offset > 0 ? range.end.node->ChildAt(range.end.offset - 1) : nullptr;
        if (Element* right = SplitAncestorsAt(range.start, *carrier)) {
            pieces.insert(pieces.end(), {carrier, right});
            range.start = PositionBefore(*right);
            if (endPrevious)
                range.end = PositionAfter(*endPrevious);
        }
    }
    if (Element* carrier = CarrierAbove(range.end.node, format, true)) {
        if (Element* right = SplitAncestorsAt(range.end, *carrier)) {
            pieces.insert(pieces.end(), {carrier, right});
            range.end = PositionAfter(*carrier);
        }
    }
    std::vector<Node*> texts = TextNodesInRange(range);
    for (Node* node : TopContainedNodes(range))
        StripCarriersIn(*node, format, true);
    for (Element* piece : pieces)
        if (piece->IsConnected() && piece->ChildCount() == 0)
            piece->Remove();
    SelectTexts(document, texts, range);
    return true;
}

std::vector<Element*> SelectedBlocks(Document& document, bool create)
{
    const Selection& selection = document.GetSelection();
    std::vector<Node*> leaves;
    std::size_t caretOffset = 0;
    if (selection.IsControl()) {
        leaves.assign(selection.ControlElements().begin(), selection.ControlElements().end());
    } else if (selection.IsTextRange()) {
        const Range& range = selection.GetRange();
        for (Node* text : TextNodesInRange(range))
            if (!IsWhitespaceText(text))
                leaves.push_back(text);
        if (leaves.empty()) {
            leaves.push_back(range.start.node);
            caretOffset = range.start.offset;
        }
    }
    std::vector<Element*> blocks;
    for (Node* leaf : leaves) {
        Element* block = EnclosingBlock(leaf);
        // Only the body's content has blocks to format (not HEAD, not HTML).
        Element* body = document.Body();
        if (!block || !body || !body->Contains(block))
            continue;
        if (create && IsContainerBlock(block)) {
            bool caretInContainer = leaf == block;
            block = WrapLooseRun(document, *block, caretInContainer ? nullptr : leaf, caretOffset);
            if (caretInContainer && block->ChildCount() == 0)
                document.SetSelection(Selection::Caret({block, 0}));
        }
        if (std::find(blocks.begin(), blocks.end(), block) == blocks.end())
            blocks.push_back(block);
    }
    return blocks;
}

std::u16string AlignmentAtSelection(const Document& document)
{
    std::vector<Element*> blocks = SelectedBlocks(const_cast<Document&>(document), false);
    for (Element* block = blocks.empty() ? nullptr : blocks.front(); block;
         block = block->ParentElement()) {
        if (block->HasTagName("CENTER"))
            return u"center";
        std::u16string align = block->GetAttribute("align").value_or(u"");
        if (align.empty())
            align = block->GetStyleProperty("text-align");
        for (char16_t& c : align)
            c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
        if (!align.empty())
            return align == u"middle" ? u"center" : align;
        if (!IsContainerBlock(block) && !block->HasTagName("DIV") && !block->HasTagName("P"))
            break;
    }
    return u"left";
}

bool SetAlignment(Document& document, std::u16string_view align)
{
    Document::EditStep step(document, "align");
    std::vector<Element*> blocks = SelectedBlocks(document, true);
    for (Element* block : blocks) {
        block->SetAttribute("align", align);
        block->SetStyleProperty("text-align", u"");
    }
    return !blocks.empty();
}

bool IsInList(const Document& document, std::string_view listTag)
{
    std::vector<Element*> blocks = SelectedBlocks(const_cast<Document&>(document), false);
    if (blocks.empty())
        return false;
    return std::all_of(blocks.begin(), blocks.end(), [&](Element* block) {
        Element* item = ListItemOf(block);
        return item && IsListOf(item->Parent(), listTag);
    });
}

bool ToggleList(Document& document, std::string_view listTag)
{
    Document::EditStep step(document, "list");
    if (IsInList(document, listTag)) {
        std::vector<Element*> items;
        for (Element* block : SelectedBlocks(document, false))
            if (Element* item = ListItemOf(block);
                item && std::find(items.begin(), items.end(), item) == items.end())
                items.push_back(item);
        for (Element* item : items)
            ItemToParagraph(document, *item);
        return !items.empty();
    }
    std::vector<Element*> blocks = SelectedBlocks(document, true);
    std::vector<std::vector<Element*>> groups;
    for (Element* block : blocks) {
        if (Element* item = ListItemOf(block)) {
            Element* list = item->ParentElement();
            if (list && (list->HasTagName("OL") || list->HasTagName("UL")) &&
                !list->HasTagName(listTag))
                RetagList(document, *list, listTag);
            continue;
        }
        if (!block->Parent() || IsContainerBlock(block))
            continue;
        if (!groups.empty() && PreviousElementSibling(block) == groups.back().back())
            groups.back().push_back(block);
        else
            groups.push_back({block});
    }
    for (const std::vector<Element*>& group : groups) {
        if (!group.front()->IsConnected() || !group.front()->ParentElement())
            continue;
        Element* list = document.CreateElement(listTag);
        group.front()->Parent()->InsertBefore(list, group.front());
        for (Element* block : group) {
            Element* item = document.CreateElement("LI");
            list->AppendChild(item);
            while (block->ChildCount() > 0)
                item->AppendChild(block->FirstChild());
            block->Remove();
        }
    }
    return !blocks.empty();
}

} // namespace vellum::html

// The document: node factory, loading, selection upkeep and the undo log.
//
// Every primitive change reaches Record(). Inside an edit step it joins the
// open undo entry; outside one it becomes an entry of its own. Undo and redo
// replay the primitives with the raw tree operations, so replay itself is
// never recorded.
#include "html/Document.h"

#include "html/Parser.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>

namespace vellum::html {

void DocumentObserver::NodeChanged(Node&, ChangeKind)
{
}
void DocumentObserver::EditFinished()
{
}
void DocumentObserver::DocumentReplaced()
{
}
void DocumentObserver::SelectionChanged()
{
}

Document::Document() : Node(*this, NodeType::Document)
{
}

Document::~Document()
{
    // The nodes die with the arena; unlink them first so no destructor walks
    // a half-destroyed tree.
    while (ChildCount() > 0)
        DetachChild(ChildCount() - 1);
}

template <typename T, typename... Args> T* Document::Adopt(Args&&... args)
{
    T* node = new (nodes_.Allocate(sizeof(T), alignof(T))) T(*this, std::forward<Args>(args)...);
    nodes_.Keep(node);
    return node;
}

Element* Document::CreateElement(std::string_view tagName)
{
    return Adopt<Element>(std::string(tagName.empty() ? "SPAN" : tagName));
}

CharacterData* Document::CreateTextNode(std::u16string_view text)
{
    return Adopt<CharacterData>(NodeType::Text, std::u16string(text));
}

CharacterData* Document::CreateComment(std::u16string_view text)
{
    return Adopt<CharacterData>(NodeType::Comment, std::u16string(text));
}

Element* Document::DocumentElement() const
{
    for (Node* child : Children())
        if (child->IsElement() && child->AsElement()->HasTagName("HTML"))
            return child->AsElement();
    return nullptr;
}

Element* Document::Head() const
{
    return FirstElementNamed("HEAD");
}

Element* Document::Body() const
{
    return FirstElementNamed("BODY");
}

// The search stops at the first match, which sits near the top: the view
// asks for the body on every keystroke, and a large document must not cost
// a walk over all of it each time.
Element* Document::FirstElementNamed(std::string_view name) const
{
    std::vector<Node*> stack(Children().rbegin(), Children().rend());
    while (!stack.empty()) {
        Node* node = stack.back();
        stack.pop_back();
        if (!node->IsElement())
            continue;
        if (node->AsElement()->HasTagName(name))
            return node->AsElement();
        stack.insert(stack.end(), node->Children().rbegin(), node->Children().rend());
    }
    return nullptr;
}

std::vector<Element*> Document::GetElementsByTagName(std::string_view name) const
{
    std::vector<Element*> found;
    for (Node* child : Children()) {
        if (!child->IsElement())
            continue;
        if (name == "*" || child->AsElement()->HasTagName(name))
            found.push_back(child->AsElement());
        std::vector<Element*> below = child->AsElement()->GetElementsByTagName(name);
        found.insert(found.end(), below.begin(), below.end());
    }
    return found;
}

// ---- loading ---------------------------------------------------------------

void Document::BeginLoad(std::u16string_view html, std::u16string_view url)
{
    BeginLoadUtf8(text::Utf16ToUtf8(html), url);
}

// A body that is already UTF-8 (all ASCII, as one carrying pictures nearly
// is) is taken over as it is: it may run to tens of megabytes.
void Document::BeginLoadFromBytes(std::string hostBytes, std::u16string_view url)
{
    text::MakeUtf8(hostBytes);
    BeginLoadUtf8(std::move(hostBytes), url);
}

// The text waits in UTF-8, the form gumbo reads, so a large body is held
// once, at its smallest.
void Document::BeginLoadUtf8(std::string html, std::u16string_view url)
{
    pendingHtml_ = std::move(html);
    url_ = std::u16string(url);
    readyState_ = ReadyState::Loading;
}

bool Document::Navigate(std::u16string_view url)
{
    if (url != u"about:blank")
        return false;
    BeginLoad(u"", url);
    return true;
}

bool Document::CompleteLoad()
{
    if (readyState_ != ReadyState::Loading)
        return false;
    ReplaceTree(std::exchange(pendingHtml_, std::string()));
    readyState_ = ReadyState::Complete;
    for (DocumentObserver* observer : std::vector(observers_))
        observer->DocumentReplaced();
    return true;
}

void Document::LoadHtml(std::u16string_view html, std::u16string_view url)
{
    BeginLoad(html, url);
    CompleteLoad();
}

void Document::ReplaceTree(std::string html)
{
    changeStamp_ = NextChangeStamp();
    while (ChildCount() > 0)
        DetachChild(ChildCount() - 1);
    caretCarrier_ = nullptr;
    nodes_.Clear();
    undo_.Clear();
    openStep_ = {};
    selection_ = Selection::NoSelection();
    for (Node* node : ParseDocumentUtf8(*this, std::move(html)))
        AttachChild(node, ChildCount());
}

// ---- design mode and selection --------------------------------------------

void Document::SetDesignMode(std::u16string_view value)
{
    if (NamesEqual(text::Utf16ToUtf8(value), "on"))
        designMode_ = u"On";
    else if (NamesEqual(text::Utf16ToUtf8(value), "off"))
        designMode_ = u"Off";
    else
        designMode_ = u"Inherit";
}

bool Document::IsDesignMode() const
{
    return designMode_ == u"On";
}

void Document::SetSelection(const Selection& selection)
{
    if (selection == selection_)
        return;
    Selection previous = selection_;
    selection_ = selection;
    RepairSelection();
    // Outside a step only the user (a click, a key) or the owner moves the
    // caret; typing after that is a new run.
    if (stepDepth_ == 0 && !replaying_)
        undo_.EndTypingRun();
    if (stepDepth_ == 0)
        DropLeftCaretCarrier(previous);
    NotifySelectionChanged();
}

// Undo and redo can bring the caret back into an empty carrier (undoing
// its removal); it is as disposable then as when it was made.
namespace {

// An inline element holding nothing but empty inline elements: Ctrl+B then
// Ctrl+I at a caret make <B><I></I></B>, which is still nothing to see.
bool IsEmptyCarrier(const Node& node)
{
    const Element* element = node.AsElement();
    if (!element || IsBlockElement(element->TagName()) || IsVoidElement(element->TagName()))
        return false;
    for (const Node* child : element->Children())
        if (!IsEmptyCarrier(*child))
            return false;
    return true;
}

} // namespace

Element* Document::EmptyInlineHoldingCaret() const
{
    if (!selection_.IsCaret() || !IsEmptyCarrier(*selection_.GetRange().start.node))
        return nullptr;
    Element* element = selection_.GetRange().start.node->AsElement();
    while (element->ParentElement() && element->ParentElement()->ChildCount() == 1 &&
           IsEmptyCarrier(*element->ParentElement()))
        element = element->ParentElement();
    return element;
}

void Document::SetCaretCarrier(Element* carrier)
{
    if (!caretCarrier_ || !caretCarrier_->Contains(carrier))
        caretCarrier_ = carrier;
}

void Document::DropLeftCaretCarrier(const Selection& previous)
{
    Element* carrier = caretCarrier_;
    if (!carrier || replaying_)
        return;
    bool empty = carrier->IsConnected() && IsEmptyCarrier(*carrier);
    bool holdsCaret = selection_.IsTextRange() &&
                      carrier->Contains(selection_.GetRange().start.node) &&
                      carrier->Contains(selection_.GetRange().end.node);
    if (empty && holdsCaret)
        return;
    caretCarrier_ = nullptr;
    if (!empty)
        return;
    // Outside any step (a click, an arrow key) the removal is a step of its
    // own; its undo returns to the caret in the carrier, as after Ctrl+B.
    bool own = stepDepth_ == 0;
    EditStep step(*this, "change");
    if (own)
        openStep_.selectionBefore = previous;
    carrier->Remove();
}

void Document::SetCaret(Node* node, std::size_t offset)
{
    if (!node || &node->OwnerDocument() != this)
        return;
    SetSelection(Selection::Caret({node, std::min(offset, MaxOffset(*node))}));
}

void Document::SetTextRange(Node* startNode, std::size_t startOffset, Node* endNode,
                            std::size_t endOffset)
{
    if (!startNode || !endNode || &startNode->OwnerDocument() != this ||
        &endNode->OwnerDocument() != this)
        return;
    SetSelection(Selection::TextRange({startNode, std::min(startOffset, MaxOffset(*startNode))},
                                      {endNode, std::min(endOffset, MaxOffset(*endNode))}));
}

// Keeps a boundary meaningful after its node left the document or shrank:
// a boundary inside a removed subtree moves to where the subtree was.
void Document::RepairSelection()
{
    if (selection_.IsControl()) {
        std::vector<Element*> kept;
        for (Element* element : selection_.ControlElements())
            if (element->IsConnected())
                kept.push_back(element);
        selection_ = kept.empty() ? Selection::NoSelection() : Selection::Controls(kept);
        return;
    }
    if (!selection_.IsTextRange())
        return;
    Range range = selection_.GetRange();
    auto repair = [&](Position& position, const Position& fallback) {
        if (!position.node->IsConnected()) {
            Element* body = Body();
            if (!fallback.IsNull() && fallback.node->IsConnected())
                position = fallback;
            else
                position = body ? Position{body, 0} : Position{this, 0};
        }
        position.offset = std::min(position.offset, MaxOffset(*position.node));
    };
    repair(range.start, fallbackStart_);
    repair(range.end, fallbackEnd_);
    fallbackStart_ = fallbackEnd_ = {};
    selection_ = Selection::TextRange(range.start, range.end);
}

void Document::AdjustSelectionForInsert(Node& parent, std::size_t index)
{
    if (!selection_.IsTextRange())
        return;
    Range range = selection_.GetRange();
    for (Position* position : {&range.start, &range.end})
        if (position->node == &parent && position->offset > index)
            ++position->offset;
    selection_ = Selection::TextRange(range.start, range.end);
}

void Document::AdjustSelectionForRemoval(Node& parent, std::size_t index, Node& child)
{
    if (!selection_.IsTextRange())
        return;
    Range range = selection_.GetRange();
    Position* fallbacks[] = {&fallbackStart_, &fallbackEnd_};
    Position* positions[] = {&range.start, &range.end};
    for (int i = 0; i < 2; ++i) {
        Position& position = *positions[i];
        // A boundary in text keeps its node: moved text (wrapping, lists)
        // must keep the selection. Repair falls back if it never returns.
        if (child.Contains(position.node) && position.node->IsText())
            *fallbacks[i] = {&parent, index};
        else if (child.Contains(position.node))
            position = {&parent, index};
        else if (position.node == &parent && position.offset > index)
            --position.offset;
    }
    selection_ = Selection::TextRange(range.start, range.end);
}

// ---- observers -------------------------------------------------------------

void Document::AddObserver(DocumentObserver* observer)
{
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void Document::RemoveObserver(DocumentObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

std::uint64_t Document::NextChangeStamp()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

void Document::NotifyChanged(Node& node, ChangeKind kind)
{
    changeStamp_ = NextChangeStamp();
    for (DocumentObserver* observer : std::vector(observers_))
        observer->NodeChanged(node, kind);
}

void Document::NotifySelectionChanged()
{
    for (DocumentObserver* observer : std::vector(observers_))
        observer->SelectionChanged();
}

void Document::NotifyEditFinished()
{
    for (DocumentObserver* observer : std::vector(observers_))
        observer->EditFinished();
}

// ---- undo ------------------------------------------------------------------

Document::EditStep::EditStep(Document& document, std::string label) : document_(document)
{
    document_.BeginStep(std::move(label));
}

Document::EditStep::~EditStep()
{
    document_.EndStep();
}

Document::FollowUpStep::FollowUpStep(Document& document) : document_(document)
{
    if (document_.stepDepth_ == 0)
        document_.followUpStep_ = true;
    document_.BeginStep("follow-up");
}

Document::FollowUpStep::~FollowUpStep()
{
    document_.EndStep();
}

void Document::BeginStep(std::string label)
{
    if (stepDepth_++ > 0)
        return;
    openStep_ = {std::move(label), {}, selection_, {}};
}

void Document::EndStep()
{
    // A step that took the caret out of its empty carrier removes it too.
    if (stepDepth_ == 1)
        DropLeftCaretCarrier(openStep_.selectionBefore);
    if (--stepDepth_ > 0)
        return;
    RepairSelection();
    bool changed = !openStep_.mutations.empty();
    if (changed && followUpStep_)
        undo_.AmendLast(std::move(openStep_.mutations), selection_);
    else if (changed) {
        openStep_.selectionAfter = selection_;
        undo_.Push(std::move(openStep_));
    }
    openStep_ = {};
    followUpStep_ = false;
    if (changed)
        NotifyEditFinished();
    NotifySelectionChanged();
}

void Document::Record(Mutation mutation)
{
    if (replaying_)
        return;
    if (mutation.kind == Mutation::Kind::InsertChild)
        AdjustSelectionForInsert(*mutation.target, mutation.index);
    else if (mutation.kind == Mutation::Kind::RemoveChild)
        AdjustSelectionForRemoval(*mutation.target, mutation.index, *mutation.child);
    if (stepDepth_ > 0) {
        openStep_.mutations.push_back(std::move(mutation));
        return;
    }
    BeginStep("change");
    openStep_.mutations.push_back(std::move(mutation));
    EndStep();
}

void Document::Apply(const Mutation& mutation, bool forward)
{
    bool insert = (mutation.kind == Mutation::Kind::InsertChild) == forward;
    switch (mutation.kind) {
    case Mutation::Kind::InsertChild:
    case Mutation::Kind::RemoveChild: {
        Node& parent = *mutation.target;
        if (insert) {
            if (Node* old = mutation.child->Parent())
                old->DetachChild(mutation.child->IndexInParent());
            parent.AttachChild(mutation.child, std::min(mutation.index, parent.ChildCount()));
        } else if (mutation.child->Parent() == &parent) {
            parent.DetachChild(mutation.child->IndexInParent());
        }
        NotifyChanged(parent, ChangeKind::Children);
        break;
    }
    case Mutation::Kind::SetAttribute:
        static_cast<Element*>(mutation.target)
            ->StoreAttribute(mutation.name, forward ? mutation.after : mutation.before,
                             mutation.index);
        NotifyChanged(*mutation.target, ChangeKind::Attributes);
        break;
    case Mutation::Kind::SetData:
        static_cast<CharacterData*>(mutation.target)
            ->StoreData((forward ? mutation.after : mutation.before).value_or(u""));
        NotifyChanged(*mutation.target, ChangeKind::Text);
        break;
    }
}

bool Document::Undo()
{
    if (stepDepth_ > 0 || !undo_.CanUndo())
        return false;
    const UndoEntry& entry = undo_.NextUndo();
    replaying_ = true;
    for (auto it = entry.mutations.rbegin(); it != entry.mutations.rend(); ++it)
        Apply(*it, false);
    replaying_ = false;
    selection_ = entry.selectionBefore;
    undo_.MarkUndone();
    RepairSelection();
    caretCarrier_ = EmptyInlineHoldingCaret();
    NotifyEditFinished();
    NotifySelectionChanged();
    return true;
}

bool Document::Redo()
{
    if (stepDepth_ > 0 || !undo_.CanRedo())
        return false;
    const UndoEntry& entry = undo_.NextRedo();
    replaying_ = true;
    for (const Mutation& mutation : entry.mutations)
        Apply(mutation, true);
    replaying_ = false;
    selection_ = entry.selectionAfter;
    undo_.MarkRedone();
    RepairSelection();
    caretCarrier_ = EmptyInlineHoldingCaret();
    NotifyEditFinished();
    NotifySelectionChanged();
    return true;
}

} // namespace vellum::html

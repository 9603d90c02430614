// An HTML document: the tree's root, its factory, its loading state, its
// selection, its undo history and its change notifications.
//
// This stands in for the browser control's document. Loading happens in two
// steps so that callers see a real busy state: BeginLoad* stores the text and
// reports busy; CompleteLoad (which a view runs from its event loop, and
// which every load-and-wait helper calls) parses it and reports ready. A load
// replaces the whole tree and frees the old nodes: observers hear
// DocumentReplaced and must drop handles they kept.
//
// Nothing in a document ever runs: scripts are text, event handler
// attributes are attributes, and nothing is fetched.
#pragma once

#include "html/Node.h"
#include "html/NodeArena.h"
#include "html/Selection.h"
#include "html/UndoStack.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

enum class ReadyState { Uninitialized, Loading, Complete };

// What about a node changed.
enum class ChangeKind { Children, Attributes, Text };

// A view's window on the document. All calls come synchronously from the
// change that caused them.
class DocumentObserver
{
public:
    virtual ~DocumentObserver() = default;
    // One node changed: its list of children, an attribute, or its text.
    virtual void NodeChanged(Node& node, ChangeKind kind);
    // An edit step (a command, a paste, typing, an undo) has finished; the
    // NodeChanged calls since the last one describe it. Relayout here.
    virtual void EditFinished();
    // A load finished and the tree is new: every handle from before is gone.
    virtual void DocumentReplaced();
    virtual void SelectionChanged();
};

class Document : public Node
{
public:
    Document();
    ~Document() override;

    // Factories: the nodes belong to this document and start detached.
    Element* CreateElement(std::string_view tagName);
    CharacterData* CreateTextNode(std::u16string_view text);
    CharacterData* CreateComment(std::u16string_view text);

    // The HTML, HEAD and BODY elements, or null when the document has none.
    Element* DocumentElement() const;
    Element* Head() const;
    Element* Body() const;
    std::vector<Element*> GetElementsByTagName(std::string_view name) const;

    // Loading. The document's address is "about:blank" for the blank page;
    // image sources resolve against it.
    void BeginLoad(std::u16string_view html, std::u16string_view url = u"about:blank");
    // The bytes are in the host code page (references such as "&#x4E2D;"
    // make any character safe in it).
    void BeginLoadFromBytes(std::string hostBytes, std::u16string_view url = u"about:blank");
    // Only "about:blank" can be navigated to: nothing is fetched. False for
    // any other address.
    bool Navigate(std::u16string_view url);
    // Parses a pending load; false when none was pending.
    bool CompleteLoad();

    // Different after every change of the tree and every load, and never
    // the same in two documents: a reader that kept the stamp of what it
    // read last knows, without reading again, that nothing changed since.
    std::uint64_t ChangeStamp() const { return changeStamp_; }
    // BeginLoad and CompleteLoad together.
    void LoadHtml(std::u16string_view html, std::u16string_view url = u"about:blank");
    bool IsBusy() const { return readyState_ == ReadyState::Loading; }
    ReadyState GetReadyState() const { return readyState_; }
    const std::u16string& Url() const { return url_; }

    // The design-mode property: "On" or "Off" ("Inherit" before it is set).
    // Editing commands work only while it is on.
    const std::u16string& DesignMode() const { return designMode_; }
    void SetDesignMode(std::u16string_view value);
    bool IsDesignMode() const;

    // The selection. Setting it tells observers; edits keep it valid.
    const Selection& GetSelection() const { return selection_; }
    void SetSelection(const Selection& selection);
    // Caret and range helpers for the view and for tests.
    void SetCaret(Node* node, std::size_t offset);
    void SetTextRange(Node* startNode, std::size_t startOffset, Node* endNode,
                      std::size_t endOffset);

    // An empty formatting element made for the caret (Ctrl+B with nothing
    // selected). If the caret leaves it before anything is typed into it,
    // it is removed again, as browsers do, in an undo step of its own whose
    // undo puts the caret back into it (and makes it disposable again).
    // A carrier made inside the current one (Ctrl+I after Ctrl+B) joins it.
    void SetCaretCarrier(Element* carrier);

    // Observers are not owned and must remove themselves before they die.
    void AddObserver(DocumentObserver* observer);
    void RemoveObserver(DocumentObserver* observer);

    // Undo history. Changes made while an EditStep is alive form one entry;
    // a change made outside any step is an entry of its own.
    class EditStep
    {
    public:
        EditStep(Document& document, std::string label);
        ~EditStep();
        EditStep(const EditStep&) = delete;
        EditStep& operator=(const EditStep&) = delete;

    private:
        Document& document_;
    };
    // Changes that follow from the last edit or load rather than being an
    // edit of their own (a style sheet made to read a rule from, the empty
    // DIV a blank body gets): made while a FollowUpStep is alive, they join
    // the undo entry last done, so no Undo ever reverts only them and a
    // typing run goes on across them. Inside another step they are part of
    // that step.
    class FollowUpStep
    {
    public:
        explicit FollowUpStep(Document& document);
        ~FollowUpStep();
        FollowUpStep(const FollowUpStep&) = delete;
        FollowUpStep& operator=(const FollowUpStep&) = delete;

    private:
        Document& document_;
    };
    bool CanUndo() const { return undo_.CanUndo(); }
    bool CanRedo() const { return undo_.CanRedo(); }
    bool Undo();
    bool Redo();

private:
    friend class Node;
    friend class CharacterData;
    friend class Element;

    template <typename T, typename... Args> T* Adopt(Args&&... args);
    std::uint64_t NextNodeId() { return nextNodeId_++; }

    // Called by the nodes after every change.
    void Record(Mutation mutation);
    void AdjustSelectionForInsert(Node& parent, std::size_t index);
    void AdjustSelectionForRemoval(Node& parent, std::size_t index, Node& child);
    void NotifyChanged(Node& node, ChangeKind kind);
    void BeginStep(std::string label);
    void EndStep();
    void Apply(const Mutation& mutation, bool forward);
    void RepairSelection();
    void DropLeftCaretCarrier(const Selection& previous);
    Element* EmptyInlineHoldingCaret() const;
    void NotifySelectionChanged();
    void NotifyEditFinished();
    void BeginLoadUtf8(std::string html, std::u16string_view url);
    Element* FirstElementNamed(std::string_view name) const;
    void ReplaceTree(std::string html);

    static std::uint64_t NextChangeStamp();

    NodeArena nodes_;
    std::uint64_t nextNodeId_ = 1;
    std::uint64_t changeStamp_ = NextChangeStamp();
    ReadyState readyState_ = ReadyState::Uninitialized;
    std::string pendingHtml_; // UTF-8
    std::u16string url_ = u"about:blank";
    std::u16string designMode_ = u"Inherit";
    Selection selection_;
    // Where each boundary of the selection was when its text node left the
    // tree; used if the node does not come back before the step ends.
    Position fallbackStart_;
    Position fallbackEnd_;
    std::vector<DocumentObserver*> observers_;
    UndoStack undo_;
    int stepDepth_ = 0;
    UndoEntry openStep_;
    bool followUpStep_ = false;
    Element* caretCarrier_ = nullptr;
    bool replaying_ = false;
    bool loading_ = false;
};

} // namespace vellum::html

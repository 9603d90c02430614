// The nodes of an HTML document: elements, text and comments.
//
// Nodes are created by their Document and live as long as it does, so a
// Node* is a stable handle: removing a node from the tree only detaches it
// (undo can put it back), it never frees it. Text is UTF-16, as the view and
// Qt count it; tag and attribute names are ASCII-ish UTF-8 compared without
// regard to case. Every change goes through the owning Document, which records
// it for undo and tells its observers which node changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

class Document;
class Element;
class CharacterData;

enum class NodeType { Document, Element, Text, Comment };

class Node
{
public:
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeType Type() const { return type_; }
    bool IsElement() const { return type_ == NodeType::Element; }
    bool IsText() const { return type_ == NodeType::Text; }
    bool IsComment() const { return type_ == NodeType::Comment; }

    // A number naming this node for the life of its document, never reused;
    // a view can key its layout boxes by it.
    std::uint64_t Id() const { return id_; }
    Document& OwnerDocument() const { return document_; }

    Node* Parent() const { return parent_; }
    Element* ParentElement() const;
    const std::vector<Node*>& Children() const { return children_; }
    std::size_t ChildCount() const { return children_.size(); }
    Node* ChildAt(std::size_t index) const;
    Node* FirstChild() const { return ChildAt(0); }
    Node* LastChild() const;
    Node* NextSibling() const;
    Node* PreviousSibling() const;
    // Position among the parent's children; npos for a detached node.
    std::size_t IndexInParent() const;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // True when `other` is this node or lies below it.
    bool Contains(const Node* other) const;
    // True when the node hangs, through its ancestors, below the document.
    bool IsConnected() const;

    Element* AsElement();
    const Element* AsElement() const;
    CharacterData* AsCharacterData();
    const CharacterData* AsCharacterData() const;

    // The concatenated text of every text node below (or of this one).
    std::u16string TextContent() const;

    // Tree changes. A node moves: inserting one that has a parent removes it
    // there first. They fail (false) on a node of another document, on a
    // cycle, on an index past the end, or on a child that is a Document.
    bool InsertChild(Node* child, std::size_t index);
    bool AppendChild(Node* child);
    bool InsertBefore(Node* child, Node* reference);
    bool InsertAfter(Node* child, Node* reference);
    bool RemoveChild(Node* child);
    // Detaches the node from its parent (nothing when it has none).
    void Remove();
    // Detaches every child.
    void RemoveAllChildren();

protected:
    Node(Document& document, NodeType type);

private:
    friend class Document;
    friend class TreeBuilder;
    // Raw tree edits without undo records; the Document's replay uses them.
    void AttachChild(Node* child, std::size_t index);
    void DetachChild(std::size_t index);

    Document& document_;
    NodeType type_;
    std::uint64_t id_;
    Node* parent_ = nullptr;
    std::vector<Node*> children_;
};

// Text and comment nodes: a run of UTF-16 characters.
class CharacterData : public Node
{
public:
    const std::u16string& Data() const { return data_; }
    std::size_t Length() const { return data_.size(); }
    void SetData(std::u16string data);
    // Offsets past the end are clamped, so these never fail.
    void InsertData(std::size_t offset, std::u16string_view text);
    void DeleteData(std::size_t offset, std::size_t count);
    // Splits a text node at `offset`: this node keeps the text before it, a
    // new sibling right after holds the rest and is returned (detached when
    // this node has no parent).
    CharacterData* SplitText(std::size_t offset);

private:
    friend class Document;
    CharacterData(Document& document, NodeType type, std::u16string data);
    void StoreData(std::u16string data) { data_ = std::move(data); }

    std::u16string data_;
};

// One attribute as written: the name keeps its spelling, lookups ignore case.
struct Attribute
{
    std::string name;
    std::u16string value;
};

class Element : public Node
{
public:
    // The tag name in upper case ("DIV", "TABLE"), as the editor compares it.
    const std::string& TagName() const { return tagName_; }
    // Compares the tag name without regard to case.
    bool HasTagName(std::string_view name) const;

    const std::vector<Attribute>& Attributes() const { return attributes_; }
    std::optional<std::u16string> GetAttribute(std::string_view name) const;
    // The value in place, without a copy; null when the attribute is absent.
    // Valid until the element's attributes change.
    const std::u16string* FindAttribute(std::string_view name) const;
    bool HasAttribute(std::string_view name) const;
    // Replaces the value in place when the attribute exists (keeping its
    // order), else appends it.
    void SetAttribute(std::string_view name, std::u16string_view value);
    void RemoveAttribute(std::string_view name);

    // Inline style properties (the "style" attribute), names such as
    // "font-size" or "background-color" compared without regard to case.
    // An empty result means the property is not set.
    std::u16string GetStyleProperty(std::string_view property) const;
    // An empty value removes the property; an empty style drops the attribute.
    void SetStyleProperty(std::string_view property, std::u16string_view value);

    // Markup of the children, and of the element itself with its children.
    std::u16string InnerHtml() const;
    std::u16string OuterHtml() const;
    // Parses `html` as this element's content and replaces the children with
    // it. For the HTML element this reloads the whole document body and head.
    void SetInnerHtml(std::u16string_view html);
    // Replaces the element by the nodes `html` parses into; fails when the
    // element has no parent.
    bool SetOuterHtml(std::u16string_view html);

    // Descendants (not the element itself) in document order with the given
    // tag name; "*" matches every element.
    std::vector<Element*> GetElementsByTagName(std::string_view name) const;

    // A copy without children and not in the tree.
    Element* CloneShallow() const;

private:
    friend class Document;
    friend class TreeBuilder;
    Element(Document& document, std::string tagName);
    // Stores or removes an attribute without recording it; a new one goes to
    // position `at` (undo puts a removed attribute back where it stood).
    // Returns the attribute's position, before a removal.
    std::size_t StoreAttribute(std::string_view name, std::optional<std::u16string> value,
                               std::size_t at = static_cast<std::size_t>(-1));

    std::string tagName_;
    std::vector<Attribute> attributes_;
};

// Case-insensitive comparison of ASCII names (tags, attributes, properties).
bool NamesEqual(std::string_view a, std::string_view b);

// The elements the HTML serializer writes without an end tag.
bool IsVoidElement(std::string_view tagName);

// The elements whose text the HTML serializer writes as it is, unescaped.
bool IsRawTextElement(std::string_view tagName);

// Elements that start a new line box: the editor's blocks for alignment,
// lists and paragraph commands.
bool IsBlockElement(std::string_view tagName);

} // namespace vellum::html

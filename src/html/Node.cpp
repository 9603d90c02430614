// Tree navigation and the primitive changes of nodes. Each change is handed
// to the owning Document first (for undo and for observers); only the
// Document's replay touches the raw Attach/Detach/Store functions directly.
#include "html/Node.h"

#include "html/Document.h"
#include "html/InlineStyle.h"
#include "html/Parser.h"
#include "html/Serializer.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vellum::html {

namespace {

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// A fixed set of upper-case names, looked up without regard to case. The
// serializer and the layout ask for every element, so a name is folded to
// upper case into two machine words and found by binary search among the
// set's names packed the same way: no hashing, no string compares.
class NameSet
{
public:
    NameSet(std::initializer_list<std::string_view> names)
    {
        for (std::string_view name : names)
            keys_.push_back(*KeyOf(name));
        std::sort(keys_.begin(), keys_.end());
    }

    bool Contains(std::string_view name) const
    {
        std::optional<Key> key = KeyOf(name);
        return key && std::binary_search(keys_.begin(), keys_.end(), *key);
    }

private:
    using Key = std::array<std::uint64_t, 2>;

    // No name in a set is longer than a key holds.
    static std::optional<Key> KeyOf(std::string_view name)
    {
        std::array<char, sizeof(Key)> folded{};
        if (name.size() > folded.size())
            return std::nullopt;
        std::transform(name.begin(), name.end(), folded.begin(), AsciiUpper);
        Key key;
        std::memcpy(key.data(), folded.data(), sizeof key);
        return key;
    }

    std::vector<Key> keys_;
};

} // namespace

bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

bool IsVoidElement(std::string_view tagName)
{
    static const NameSet voidElements{"AREA",  "BASE",  "BASEFONT", "BGSOUND", "BR",    "COL",
                                      "EMBED", "FRAME", "HR",       "IMG",     "INPUT", "KEYGEN",
                                      "LINK",  "META",  "PARAM",    "SOURCE",  "TRACK", "WBR"};
    return voidElements.Contains(tagName);
}

bool IsRawTextElement(std::string_view tagName)
{
    static const NameSet rawText{"SCRIPT",  "STYLE",    "XMP",      "IFRAME",
                                 "NOEMBED", "NOFRAMES", "PLAINTEXT"};
    return rawText.Contains(tagName);
}

bool IsBlockElement(std::string_view tagName)
{
    static const NameSet blocks{"ADDRESS", "BLOCKQUOTE", "BODY",     "CENTER",  "DD",     "DIV",
                                "DL",      "DT",         "FIELDSET", "FORM",    "H1",     "H2",
                                "H3",      "H4",         "H5",       "H6",      "HR",     "HTML",
                                "LI",      "OL",         "P",        "PRE",     "TABLE",  "TBODY",
                                "TD",      "TFOOT",      "TH",       "THEAD",   "TR",     "UL",
                                "CAPTION", "ARTICLE",    "SECTION",  "HEADER",  "FOOTER", "NAV",
                                "ASIDE",   "MAIN",       "FIGURE",   "LISTING", "XMP"};
    return blocks.Contains(tagName);
}

// ---- Node -----------------------------------------------------------------

Node::Node(Document& document, NodeType type)
    : document_(document), type_(type), id_(type == NodeType::Document ? 0 : document.NextNodeId())
{
}

Node::~Node() = default;

Element* Node::ParentElement() const
{
    return parent_ && parent_->IsElement() ? parent_->AsElement() : nullptr;
}

Node* Node::ChildAt(std::size_t index) const
{
    return index < children_.size() ? children_[index] : nullptr;
}

Node* Node::LastChild() const
{
    return children_.empty() ? nullptr : children_.back();
}

std::size_t Node::IndexInParent() const
{
    if (!parent_)
        return npos;
    const auto& siblings = parent_->children_;
    auto found = std::find(siblings.begin(), siblings.end(), this);
    return static_cast<std::size_t>(found - siblings.begin());
}

Node* Node::NextSibling() const
{
    std::size_t index = IndexInParent();
    return index == npos ? nullptr : parent_->ChildAt(index + 1);
}

Node* Node::PreviousSibling() const
{
    std::size_t index = IndexInParent();
    return index == npos || index == 0 ? nullptr : parent_->ChildAt(index - 1);
}

bool Node::Contains(const Node* other) const
{
    for (; other; other = other->parent_)
        if (other == this)
            return true;
    return false;
}

bool Node::IsConnected() const
{
    return document_.Contains(this);
}

Element* Node::AsElement()
{
    return IsElement() ? static_cast<Element*>(this) : nullptr;
}

const Element* Node::AsElement() const
{
    return IsElement() ? static_cast<const Element*>(this) : nullptr;
}

CharacterData* Node::AsCharacterData()
{
    return IsText() || IsComment() ? static_cast<CharacterData*>(this) : nullptr;
}

const CharacterData* Node::AsCharacterData() const
{
    return IsText() || IsComment() ? static_cast<const CharacterData*>(this) : nullptr;
}

std::u16string Node::TextContent() const
{
    if (IsText())
        return AsCharacterData()->Data();
    std::u16string text;
    for (const Node* child : children_)
        if (!child->IsComment())
            text += child->TextContent();
    return text;
}

bool Node::InsertChild(Node* child, std::size_t index)
{
    if (!child || &child->document_ != &document_ || child->type_ == NodeType::Document ||
        child->Contains(this) || IsText() || IsComment())
        return false;
    std::size_t limit = children_.size() - (child->parent_ == this ? 1 : 0);
    if (child->parent_ == this && child->IndexInParent() < index)
        --index; // the child leaves its old place first
    if (index > limit)
        return false;
    if (child->parent_)
        child->parent_->RemoveChild(child);
    AttachChild(child, index);
    document_.Record({Mutation::Kind::InsertChild, this, child, index, {}, {}, {}});
    document_.NotifyChanged(*this, ChangeKind::Children);
    return true;
}

bool Node::AppendChild(Node* child)
{
    return InsertChild(child, children_.size());
}

bool Node::InsertBefore(Node* child, Node* reference)
{
    if (!reference)
        return AppendChild(child);
    if (reference->parent_ != this || reference == child)
        return false;
    return InsertChild(child, reference->IndexInParent());
}

bool Node::InsertAfter(Node* child, Node* reference)
{
    if (!reference || reference->parent_ != this || reference == child)
        return false;
    return InsertChild(child, reference->IndexInParent() + 1);
}

bool Node::RemoveChild(Node* child)
{
    if (!child || child->parent_ != this)
        return false;
    std::size_t index = child->IndexInParent();
    DetachChild(index);
    document_.Record({Mutation::Kind::RemoveChild, this, child, index, {}, {}, {}});
    document_.NotifyChanged(*this, ChangeKind::Children);
    return true;
}

void Node::Remove()
{
    if (parent_)
        parent_->RemoveChild(this);
}

void Node::RemoveAllChildren()
{
    while (!children_.empty())
        RemoveChild(children_.back());
}

void Node::AttachChild(Node* child, std::size_t index)
{
    children_.insert(children_.begin() + static_cast<long>(index), child);
    child->parent_ = this;
}

void Node::DetachChild(std::size_t index)
{
    children_[index]->parent_ = nullptr;
    children_.erase(children_.begin() + static_cast<long>(index));
}

// ---- CharacterData --------------------------------------------------------

CharacterData::CharacterData(Document& document, NodeType type, std::u16string data)
    : Node(document, type), data_(std::move(data))
{
}

void CharacterData::SetData(std::u16string data)
{
    if (data == data_)
        return;
    Mutation mutation{Mutation::Kind::SetData, this, nullptr, 0, {}, data_, data};
    data_ = std::move(data);
    OwnerDocument().Record(std::move(mutation));
    OwnerDocument().NotifyChanged(*this, ChangeKind::Text);
}

void CharacterData::InsertData(std::size_t offset, std::u16string_view text)
{
    std::u16string data = data_;
    data.insert(std::min(offset, data.size()), text);
    SetData(std::move(data));
}

void CharacterData::DeleteData(std::size_t offset, std::size_t count)
{
    if (offset >= data_.size())
        return;
    std::u16string data = data_;
    data.erase(offset, count);
    SetData(std::move(data));
}

CharacterData* CharacterData::SplitText(std::size_t offset)
{
    offset = std::min(offset, data_.size());
    CharacterData* tail = IsText() ? OwnerDocument().CreateTextNode(data_.substr(offset))
                                   : OwnerDocument().CreateComment(data_.substr(offset));
    SetData(data_.substr(0, offset));
    if (Parent())
        Parent()->InsertAfter(tail, this);
    return tail;
}

// ---- Element --------------------------------------------------------------

Element::Element(Document& document, std::string tagName)
    : Node(document, NodeType::Element), tagName_(std::move(tagName))
{
    std::transform(tagName_.begin(), tagName_.end(), tagName_.begin(), AsciiUpper);
}

bool Element::HasTagName(std::string_view name) const
{
    return NamesEqual(tagName_, name);
}

const std::u16string* Element::FindAttribute(std::string_view name) const
{
    for (const Attribute& attribute : attributes_)
        if (NamesEqual(attribute.name, name))
            return &attribute.value;
    return nullptr;
}

std::optional<std::u16string> Element::GetAttribute(std::string_view name) const
{
    const std::u16string* value = FindAttribute(name);
    return value ? std::optional<std::u16string>(*value) : std::nullopt;
}

bool Element::HasAttribute(std::string_view name) const
{
    return FindAttribute(name) != nullptr;
}

void Element::SetAttribute(std::string_view name, std::u16string_view value)
{
    if (name.empty())
        return;
    std::optional<std::u16string> before = GetAttribute(name);
    if (before && *before == value)
        return;
    const std::size_t at = StoreAttribute(name, std::u16string(value));
    OwnerDocument().Record({Mutation::Kind::SetAttribute, this, nullptr, at, std::string(name),
                            before, std::u16string(value)});
    OwnerDocument().NotifyChanged(*this, ChangeKind::Attributes);
}

void Element::RemoveAttribute(std::string_view name)
{
    std::optional<std::u16string> before = GetAttribute(name);
    if (!before)
        return;
    const std::size_t at = StoreAttribute(name, std::nullopt);
    OwnerDocument().Record(
        {Mutation::Kind::SetAttribute, this, nullptr, at, std::string(name), before, {}});
    OwnerDocument().NotifyChanged(*this, ChangeKind::Attributes);
}

std::size_t Element::StoreAttribute(std::string_view name, std::optional<std::u16string> value,
                                    std::size_t at)
{
    auto found = std::find_if(attributes_.begin(), attributes_.end(),
                              [&](const Attribute& a) { return NamesEqual(a.name, name); });
    const auto position = static_cast<std::size_t>(found - attributes_.begin());
    if (!value) {
        if (found != attributes_.end())
            attributes_.erase(found);
        return position;
    }
    if (found != attributes_.end()) {
        found->value = std::move(*value);
        return position;
    }
    at = std::min(at, attributes_.size());
    attributes_.insert(attributes_.begin() + static_cast<std::ptrdiff_t>(at),
                       {std::string(name), std::move(*value)});
    return at;
}

std::u16string Element::GetStyleProperty(std::string_view property) const
{
    const std::u16string* style = FindAttribute("style");
    return style ? InlineStyle(*style).Get(property) : std::u16string();
}

void Element::SetStyleProperty(std::string_view property, std::u16string_view value)
{
    InlineStyle style(GetAttribute("style").value_or(u""));
    style.Set(property, value);
    std::u16string text = style.ToText();
    if (text.empty())
        RemoveAttribute("style");
    else
        SetAttribute("style", text);
}

std::u16string Element::InnerHtml() const
{
    return SerializeChildren(*this);
}

std::u16string Element::OuterHtml() const
{
    return SerializeNode(*this);
}

void Element::SetInnerHtml(std::u16string_view html)
{
    std::vector<Node*> nodes = ParseFragment(OwnerDocument(), html, tagName_);
    RemoveAllChildren();
    for (Node* node : nodes)
        AppendChild(node);
}

bool Element::SetOuterHtml(std::u16string_view html)
{
    Node* parent = Parent();
    if (!parent)
        return false;
    std::string context = parent->IsElement() ? parent->AsElement()->TagName() : "BODY";
    std::vector<Node*> nodes = ParseFragment(OwnerDocument(), html, context);
    for (Node* node : nodes)
        parent->InsertBefore(node, this);
    Remove();
    return true;
}

std::vector<Element*> Element::GetElementsByTagName(std::string_view name) const
{
    std::vector<Element*> found;
    std::vector<const Node*> stack(Children().rbegin(), Children().rend());
    bool all = name == "*";
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        if (!node->IsElement())
            continue;
        auto* element = const_cast<Element*>(node->AsElement());
        if (all || element->HasTagName(name))
            found.push_back(element);
        stack.insert(stack.end(), node->Children().rbegin(), node->Children().rend());
    }
    return found;
}

Element* Element::CloneShallow() const
{
    Element* copy = OwnerDocument().CreateElement(tagName_);
    copy->attributes_ = attributes_;
    return copy;
}

} // namespace vellum::html

// Converts gumbo's parse tree into ours. The walk uses an explicit stack, so
// hostile, deeply nested mail cannot overflow the call stack here, and no
// element is built deeper than kMaxNestingDepth: gumbo gets the text with
// the deepest tags left out, and what it still nests deeper (formatting
// elements it reopens) goes beside the element at the bound.
//
// Gumbo parses into a GumboHeap, and each of its nodes is handed back as
// soon as it has been copied, so gumbo's tree shrinks while ours grows.
#include "html/Parser.h"

#include "html/Document.h"
#include "html/GumboHeap.h"
#include "html/NestingBound.h"
#include "html/SetAsidePayloads.h"
#include "html/TagNameText.h"
#include "platform/text/CodePage.h"

#include <gumbo.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellum::html {

// Builds nodes with the raw tree operations (friend of Node and Element), so
// a 1 MiB body costs no undo records and no notifications.
class TreeBuilder
{
public:
    TreeBuilder(Document& document, GumboHeap& heap, const SetAsidePayloads& payloads)
        : document_(document), heap_(heap), payloads_(payloads)
    {
    }

    std::vector<Node*> Convert(const GumboVector& roots)
    {
        Element holder(document_, "HOLDER");
        struct Pending
        {
            const GumboNode* source;
            Node* parent;
            std::size_t depth; // of the node to be made
        };
        std::vector<Pending> stack;
        for (unsigned i = roots.length; i-- > 0;)
            stack.push_back({static_cast<const GumboNode*>(roots.data[i]), &holder, 1});
        while (!stack.empty()) {
            auto [source, parent, depth] = stack.back();
            stack.pop_back();
            Node* node = MakeNode(*source);
            if (node)
                parent->AttachChild(node, parent->ChildCount());
            if (node && node->IsElement()) {
                Pending child = depth < kMaxNestingDepth ? Pending{nullptr, node, depth + 1}
                                                         : Pending{nullptr, parent, depth};
                const GumboVector& children = source->v.element.children;
                child.parent->children_.reserve(child.parent->ChildCount() + children.length);
                for (unsigned i = children.length; i-- > 0;) {
                    child.source = static_cast<const GumboNode*>(children.data[i]);
                    stack.push_back(child);
                }
            }
            HandBack(*source);
        }
        std::vector<Node*> top = holder.Children();
        while (holder.ChildCount() > 0)
            holder.DetachChild(holder.ChildCount() - 1);
        return top;
    }

private:
    // Frees what gumbo allocated for this node alone (its children are
    // still to be copied); everything else the heap frees when it goes.
    void HandBack(const GumboNode& source)
    {
        switch (source.type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
            const GumboElement& element = source.v.element;
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                auto* attribute = static_cast<GumboAttribute*>(element.attributes.data[i]);
                heap_.Free(const_cast<char*>(attribute->name));
                heap_.Free(const_cast<char*>(attribute->value));
                heap_.Free(attribute);
            }
            heap_.Free(element.attributes.data);
            heap_.Free(element.children.data);
            break;
        }
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_COMMENT:
            heap_.Free(const_cast<char*>(source.v.text.text));
            break;
        default:
            return; // the document node stays with the heap
        }
        heap_.Free(const_cast<GumboNode*>(&source));
    }

    Node* MakeNode(const GumboNode& source)
    {
        switch (source.type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            return MakeElement(source.v.element);
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
            return document_.CreateTextNode(payloads_.Restore(source.v.text.text));
        case GUMBO_NODE_COMMENT:
            return document_.CreateComment(payloads_.Restore(source.v.text.text));
        default:
            return nullptr;
        }
    }

    Element* MakeElement(const GumboElement& source)
    {
        Element* element = document_.CreateElement(TagName(source));
        element->attributes_.reserve(source.attributes.length);
        for (unsigned i = 0; i < source.attributes.length; ++i) {
            auto* attribute = static_cast<const GumboAttribute*>(source.attributes.data[i]);
            element->StoreAttribute(attribute->name, payloads_.Restore(attribute->value));
        }
        return element;
    }

    // The names of the tags gumbo knows, in the upper case elements keep,
    // made once: a big body names the same few tags a million times.
    static std::string_view KnownTagName(GumboTag tag)
    {
        static const std::vector<std::string> names = [] {
            std::vector<std::string> upper(GUMBO_TAG_LAST);
            for (std::size_t tag = 0; tag < upper.size(); ++tag) {
                upper[tag] = gumbo_normalized_tagname(static_cast<GumboTag>(tag));
                for (char& c : upper[tag])
                    c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            }
            return upper;
        }();
        return names[static_cast<std::size_t>(tag)];
    }

    // An unknown tag's name comes from its original text, which gumbo can
    // start at an end tag it ignored ("</><v>" for the "<v>"), so the name is
    // read after the first '<' that a letter follows. The view is into
    // gumbo's text, which lives until the node is handed back.
    static std::string_view TagName(const GumboElement& source)
    {
        if (source.tag != GUMBO_TAG_UNKNOWN && source.tag < GUMBO_TAG_LAST)
            return KnownTagName(source.tag);
        std::string_view text(source.original_tag.data ? source.original_tag.data : "",
                              source.original_tag.length);
        std::size_t start = 0;
        while (start + 1 < text.size() && !(text[start] == '<' && IsAsciiLetter(text[start + 1])))
            ++start;
        if (start + 1 >= text.size())
            return "UNKNOWN";
        std::size_t end = start + 1;
        while (end < text.size() && !IsTagNameEnd(text[end]))
            ++end;
        return text.substr(start + 1, end - start - 1);
    }

    Document& document_;
    GumboHeap& heap_;
    const SetAsidePayloads& payloads_;
};

namespace {

std::vector<Node*> Parse(Document& document, std::string html, GumboTag context)
{
    // The HTML and BODY elements the parser always makes take two levels.
    BoundNesting(html, kMaxNestingDepth - 2);
    SetAsidePayloads payloads;
    payloads.SetAside(html);
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    options.fragment_context = context;
    GumboHeap heap;
    heap.Install(options);
    GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
    if (!output)
        return {};
    heap.Drain();
    TreeBuilder builder(document, heap, payloads);
    if (context == GUMBO_TAG_LAST)
        return builder.Convert(output->document->v.document.children);
    return builder.Convert(output->root->v.element.children);
}

GumboTag ContextTag(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    GumboTag tag = gumbo_tag_enum(lower.c_str());
    // A fragment needs a real context element; unknown ones parse as in a DIV.
    return tag == GUMBO_TAG_UNKNOWN || tag == GUMBO_TAG_LAST ? GUMBO_TAG_DIV : tag;
}

} // namespace

std::vector<Node*> ParseDocument(Document& document, std::u16string_view html)
{
    return Parse(document, text::Utf16ToUtf8(html), GUMBO_TAG_LAST);
}

std::vector<Node*> ParseDocumentUtf8(Document& document, std::string html)
{
    return Parse(document, std::move(html), GUMBO_TAG_LAST);
}

std::vector<Node*> ParseFragment(Document& document, std::u16string_view html,
                                 std::string_view contextTag)
{
    return Parse(document, text::Utf16ToUtf8(html), ContextTag(contextTag));
}

} // namespace vellum::html

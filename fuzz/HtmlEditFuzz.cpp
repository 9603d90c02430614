// Fuzz target: parse arbitrary bytes, serialize, then run a command sequence
// chosen by the remaining bytes at selections they choose. Beyond "never
// crash", it checks that a saved body keeps every character of its text, that
// undoing every step gives back exactly the markup the document was loaded
// with, and that redoing them all gives the edited markup again.
#include "FuzzInput.h"
#include "html/CommandTarget.h"
#include "html/Document.h"
#include "html/Editing.h"
#include "html/Serializer.h"
#include "html/Table.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace vellum::html;
using vellum::fuzz::Check;
using vellum::fuzz::FuzzInput;

std::vector<Node*> AllNodes(Document& document)
{
    std::vector<Node*> nodes;
    std::vector<Node*> stack{&document};
    while (!stack.empty()) {
        Node* node = stack.back();
        stack.pop_back();
        nodes.push_back(node);
        stack.insert(stack.end(), node->Children().begin(), node->Children().end());
    }
    return nodes;
}

Position PickPosition(Document& document, FuzzInput& reader)
{
    std::vector<Node*> nodes = AllNodes(document);
    Node* node = nodes[reader.Byte() % nodes.size()];
    return {node, reader.Byte() % (MaxOffset(*node) + 1)};
}

void RunStep(Document& document, CommandTarget& target, FuzzInput& reader)
{
    static const int commands[] = {15, 16, 17, 18,   19,   26,   51,   52,   55,   56,   57,
                                   59, 60, 63, 2124, 2150, 2168, 2184, 2185, 2400, 2410, 31};
    unsigned choice = reader.Byte() % 12;
    switch (choice) {
    case 0: {
        Position a = PickPosition(document, reader);
        Position b = PickPosition(document, reader);
        document.SetTextRange(a.node, a.offset, b.node, b.offset);
        break;
    }
    case 1: {
        Position a = PickPosition(document, reader);
        document.SetCaret(a.node, a.offset);
        break;
    }
    case 2: {
        std::vector<Element*> elements = document.GetElementsByTagName("*");
        if (!elements.empty())
            document.SetSelection(Selection::Controls({elements[reader.Byte() % elements.size()]}));
        break;
    }
    case 3:
        InsertText(document, std::u16string(1 + reader.Byte() % 3, u'\u4E2D'));
        break;
    case 4:
        (reader.Byte() % 2 ? DeleteBackward : DeleteForward)(document);
        break;
    case 5:
        (reader.Byte() % 2 ? InsertParagraph : InsertLineBreak)(document);
        break;
    case 6:
        PasteHtml(document, u"<B>p</B><TABLE><TR><TD>c</TD></TR></TABLE>");
        break;
    case 7: {
        std::vector<Element*> tables = document.GetElementsByTagName("TABLE");
        if (tables.empty())
            break;
        Element& table = *tables[reader.Byte() % tables.size()];
        int index = static_cast<int>(reader.Byte() % 4) - 1;
        if (reader.Byte() % 2)
            InsertRow(table, index);
        else
            DeleteRow(table, index);
        std::vector<Element*> rows = TableRows(table);
        if (!rows.empty())
            InsertCell(*rows[reader.Byte() % rows.size()], index);
        break;
    }
    default: {
        int id = commands[reader.Byte() % (sizeof commands / sizeof commands[0])];
        CommandValue argument = CommandValue::String(id == 19 ? u"5" : u"#00ff00");
        if (id == 18 || id == 2124 || id == 2168)
            argument = CommandValue::String(u"x");
        target.Exec(id, argument);
        target.QueryStatus(id);
        target.QueryValue(id);
        break;
    }
    }
}

// Formatting applied inside a SCRIPT or STYLE turns into text there when
// the body is loaded again; scripts and styles are never shown, so their
// content is left out of the comparison.
bool IsRawText(const Element& element)
{
    for (const char* name : {"SCRIPT", "STYLE", "TEXTAREA", "TITLE", "XMP", "IFRAME", "NOEMBED",
                             "NOFRAMES", "PLAINTEXT", "NOSCRIPT"})
        if (element.HasTagName(name))
            return true;
    return false;
}

// The characters of the document's text in order of value: a re-parse may
// move text (out of a table, from after the body into it), never drop or
// add any.
std::u16string SortedText(const Document& document)
{
    std::u16string text;
    std::vector<const Node*> stack{&document};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        if (node->IsText())
            text += node->AsCharacterData()->Data();
        if (const Element* element = node->AsElement(); element && IsRawText(*element))
            continue;
        stack.insert(stack.end(), node->Children().begin(), node->Children().end());
    }
    // Deleting one UTF-16 unit can split a surrogate pair; the half left
    // is saved as U+FFFD. Left out here (a known fault, not this check's).
    std::erase_if(text, [](char16_t c) { return c == 0xFFFD || (c >= 0xD800 && c < 0xE000); });
    std::sort(text.begin(), text.end());
    return text;
}

// Like Check, and shows both markups when they differ.
void CheckSame(const std::u16string& got, const std::u16string& expected, const char* what)
{
    if (got == expected)
        return;
    std::fprintf(stderr, "got:      %s\nexpected: %s\n", vellum::text::Utf16ToUtf8(got).c_str(),
                 vellum::text::Utf16ToUtf8(expected).c_str());
    vellum::fuzz::Fail(what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t split = 0;
    while (split < size && data[split] != 0)
        ++split;
    std::string html(reinterpret_cast<const char*>(data), split);
    Document document;
    document.BeginLoadFromBytes(html);
    document.CompleteLoad();
    document.SetDesignMode(u"On");
    const std::u16string loaded = SerializeNode(document);
    CommandTarget target(document);
    FuzzInput reader(data + split, size - split);
    for (int steps = 0; steps < 64 && !reader.Empty(); ++steps)
        RunStep(document, target, reader);
    const std::u16string edited = SerializeNode(document);
    ToHostBytes(edited);
    // Editing can nest what markup cannot express (a link in a link, a table
    // in a paragraph), and HTML's error recovery reshapes that when the body
    // is loaded again; what the reader gets must still hold every character.
    Document reparsed;
    reparsed.LoadHtml(edited);
    CheckSame(SortedText(reparsed), SortedText(document), "a saved body keeps its text");
    while (document.Undo()) {
    }
    CheckSame(SerializeNode(document), loaded, "undo gives back the loaded markup");
    while (document.Redo()) {
    }
    CheckSame(SerializeNode(document), edited, "redo gives back the edited markup");
    return 0;
}

// Fuzz target: parse arbitrary bytes, serialize, then run a command sequence
// chosen by the remaining bytes at selections they choose, and finally undo
// everything. Beyond "never crash", it checks that undoing every step gives
// back exactly the markup the document was loaded with.
#include "platform/html/CommandTarget.h"
#include "platform/html/Document.h"
#include "platform/html/Editing.h"
#include "platform/html/Serializer.h"
#include "platform/html/Table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace vellum::html;

class ByteReader
{
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return pos_ >= size_; }
    unsigned Next() { return pos_ < size_ ? data_[pos_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

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

Position PickPosition(Document& document, ByteReader& reader)
{
    std::vector<Node*> nodes = AllNodes(document);
    Node* node = nodes[reader.Next() % nodes.size()];
    return {node, reader.Next() % (MaxOffset(*node) + 1)};
}

void RunStep(Document& document, CommandTarget& target, ByteReader& reader)
{
    static const int commands[] = {15, 16, 17, 18,   19,   26,   51,   52,   55,   56,   57,
                                   59, 60, 63, 2124, 2150, 2168, 2184, 2185, 2400, 2410, 31};
    unsigned choice = reader.Next() % 12;
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
            document.SetSelection(Selection::Controls({elements[reader.Next() % elements.size()]}));
        break;
    }
    case 3:
        InsertText(document, std::u16string(1 + reader.Next() % 3, u'\u4E2D'));
        break;
    case 4:
        (reader.Next() % 2 ? DeleteBackward : DeleteForward)(document);
        break;
    case 5:
        (reader.Next() % 2 ? InsertParagraph : InsertLineBreak)(document);
        break;
    case 6:
        PasteHtml(document, u"<B>p</B><TABLE><TR><TD>c</TD></TR></TABLE>");
        break;
    case 7: {
        std::vector<Element*> tables = document.GetElementsByTagName("TABLE");
        if (tables.empty())
            break;
        Element& table = *tables[reader.Next() % tables.size()];
        int index = static_cast<int>(reader.Next() % 4) - 1;
        if (reader.Next() % 2)
            InsertRow(table, index);
        else
            DeleteRow(table, index);
        std::vector<Element*> rows = TableRows(table);
        if (!rows.empty())
            InsertCell(*rows[reader.Next() % rows.size()], index);
        break;
    }
    default: {
        int id = commands[reader.Next() % (sizeof commands / sizeof commands[0])];
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
    ByteReader reader(data + split, size - split);
    for (int steps = 0; steps < 64 && !reader.Empty(); ++steps)
        RunStep(document, target, reader);
    SerializeNode(document);
    ToHostBytes(SerializeNode(document));
    while (document.Undo()) {
    }
    if (SerializeNode(document) != loaded)
        std::abort(); // undo lost or invented something
    return 0;
}

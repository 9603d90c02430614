// Maps command identifiers onto the formatting and editing operations and
// answers status and value queries from the selection.
#include "html/CommandTarget.h"

#include "html/Document.h"
#include "html/Editing.h"
#include "html/Formatting.h"

#include <cstdio>

namespace vellum::html {

namespace {

class PrivateClipboard : public Clipboard
{
public:
    void SetContent(const ClipboardContent& content) override { content_ = content; }
    ClipboardContent Content() const override { return content_; }

private:
    ClipboardContent content_;
};

std::optional<InlineFormat> FormatFor(int commandId, std::u16string value = {})
{
    switch (commandId) {
    case command::Bold:
        return InlineFormat{{"B", "STRONG"}, "B", "", "", {}};
    case command::Italic:
        return InlineFormat{{"I", "EM"}, "I", "", "", {}};
    case command::Underline:
        return InlineFormat{{"U"}, "U", "", "", {}};
    case command::ForeColor:
        return InlineFormat{{"FONT"}, "FONT", "color", "", std::move(value)};
    case command::BackColor:
        return InlineFormat{{"FONT", "SPAN"}, "FONT", "", "background-color", std::move(value)};
    case command::FontName:
        return InlineFormat{{"FONT"}, "FONT", "face", "", std::move(value)};
    case command::FontSize:
        return InlineFormat{{"FONT"}, "FONT", "size", "", std::move(value)};
    case command::Hyperlink:
        return InlineFormat{{"A"}, "A", "href", "", std::move(value)};
    default:
        return std::nullopt;
    }
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// "#rrggbb", "#rgb" or a basic colour name to 0xRRGGBB; -1 when unreadable.
long ParseColor(std::u16string_view text)
{
    static const std::pair<const char*, long> names[] = {
        {"black", 0x000000},  {"white", 0xFFFFFF},  {"red", 0xFF0000},     {"green", 0x008000},
        {"blue", 0x0000FF},   {"yellow", 0xFFFF00}, {"gray", 0x808080},    {"silver", 0xC0C0C0},
        {"maroon", 0x800000}, {"navy", 0x000080},   {"purple", 0x800080},  {"teal", 0x008080},
        {"lime", 0x00FF00},   {"aqua", 0x00FFFF},   {"fuchsia", 0xFF00FF}, {"olive", 0x808000}};
    std::string ascii;
    for (char16_t c : text)
        ascii += c < 0x80 ? static_cast<char>(c) : '?';
    for (const auto& [name, value] : names)
        if (NamesEqual(ascii, name))
            return value;
    if (!text.empty() && text[0] == u'#')
        text.remove_prefix(1);
    if (text.size() != 3 && text.size() != 6)
        return -1;
    long value = 0;
    for (char16_t c : text) {
        int digit = HexDigit(c);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
        if (text.size() == 3)
            value = value * 16 + digit;
    }
    return value;
}

// The browser gave colours as 0x00BBGGRR.
int ToBgr(long rgb)
{
    return static_cast<int>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

std::u16string ColorArgument(const CommandValue& argument)
{
    long rgb = -1;
    if (argument.kind == CommandValue::Kind::String)
        rgb = ParseColor(argument.string);
    else if (argument.kind == CommandValue::Kind::Integer)
        rgb = ToBgr(argument.integer & 0xFFFFFF); // swapping is its own inverse
    if (rgb < 0)
        return {};
    char text[8];
    std::snprintf(text, sizeof text, "#%06lx", rgb & 0xFFFFFF);
    return std::u16string(text, text + 7);
}

std::u16string FontSizeArgument(const CommandValue& argument)
{
    int size = 0;
    if (argument.kind == CommandValue::Kind::Integer)
        size = argument.integer;
    else if (argument.kind == CommandValue::Kind::String && argument.string.size() == 1)
        size = argument.string[0] - u'0';
    if (size < 1 || size > 7)
        return {};
    return std::u16string(1, static_cast<char16_t>(u'0' + size));
}

// The node the selection starts in: a control, or the text a range starts
// just before.
const Node* SelectionStart(const Document& document)
{
    const Selection& selection = document.GetSelection();
    if (selection.IsControl())
        return selection.ControlElements().front();
    if (!selection.IsTextRange())
        return nullptr;
    const Range& range = selection.GetRange();
    const Node* start = range.start.node;
    if (!start->IsText() && range.start.offset < start->ChildCount() && !range.IsCollapsed())
        start = start->ChildAt(range.start.offset);
    return start;
}

// The face the text at a node is drawn in, as the view inherits it: the
// nearest font-family style or FONT face above it, in blocks and cells as
// well (a pasted mail sets its face on a DIV or a TD); empty when none.
std::u16string FaceAbove(const Node* node)
{
    for (; node; node = node->Parent()) {
        const Element* element = node->AsElement();
        if (!element)
            continue;
        if (std::u16string family = element->GetStyleProperty("font-family"); !family.empty())
            return family;
        if (element->HasTagName("FONT"))
            if (std::optional<std::u16string> face = element->GetAttribute("face");
                face && !face->empty())
                return *face;
    }
    return {};
}

std::u16string PlainTextAsHtml(std::u16string_view text)
{
    std::u16string html;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'&')
            html += u"&amp;";
        else if (c == u'<')
            html += u"&lt;";
        else if (c == u'>')
            html += u"&gt;";
        else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        else if (c == u'\n' || c == u'\r')
            html += u"<BR>";
        else
            html += c;
    }
    return html;
}

bool NeedsDesignMode(int commandId)
{
    return commandId != command::Copy && commandId != command::SelectAll &&
           commandId != command::AutoUrlDetect && commandId != command::KeepSelection;
}

} // namespace

CommandTarget::CommandTarget(Document& document)
    : document_(document), ownClipboard_(std::make_unique<PrivateClipboard>())
{
}

CommandTarget::~CommandTarget() = default;

void CommandTarget::SetClipboard(Clipboard* clipboard)
{
    clipboard_ = clipboard;
}

void CommandTarget::SetAddressPrompt(AddressPrompt* prompt)
{
    prompt_ = prompt;
}

Clipboard& CommandTarget::ActiveClipboard() const
{
    return clipboard_ ? *clipboard_ : *ownClipboard_;
}

bool CommandTarget::Exec(int commandId, const CommandValue& argument, bool prompt)
{
    if (QueryStatus(commandId) == 0)
        return false;
    if (NeedsDesignMode(commandId) && !document_.IsDesignMode())
        return false;
    switch (commandId) {
    case command::AutoUrlDetect:
        autoUrlDetect_ = argument.kind != CommandValue::Kind::Boolean || argument.boolean;
        return true;
    case command::KeepSelection:
        keepSelection_ = argument.kind != CommandValue::Kind::Boolean || argument.boolean;
        return true;
    case command::Copy:
        return Copy();
    case command::SelectAll:
        return SelectAll(document_);
    default:
        return ExecEditing(commandId, argument, prompt);
    }
}

bool CommandTarget::ExecEditing(int commandId, const CommandValue& argument, bool prompt)
{
    switch (commandId) {
    case command::Cut: {
        if (!Copy())
            return false;
        return DeleteSelection(document_);
    }
    case command::Delete:
        return DeleteForward(document_);
    case command::Paste:
        return Paste();
    case command::Undo:
        return document_.Undo();
    case command::Redo:
        return document_.Redo();
    case command::Bold:
    case command::Italic:
    case command::Underline:
        return ToggleInline(commandId);
    case command::ForeColor:
    case command::BackColor:
        return SetInline(commandId, ColorArgument(argument));
    case command::FontName:
        return SetInline(commandId,
                         argument.kind == CommandValue::Kind::String ? argument.string : u"");
    case command::FontSize:
        return SetInline(commandId, FontSizeArgument(argument));
    case command::JustifyCenter:
        return SetAlignment(document_, u"center");
    case command::JustifyLeft:
        return SetAlignment(document_, u"left");
    case command::JustifyRight:
        return SetAlignment(document_, u"right");
    case command::OrderList:
        return ToggleList(document_, "OL");
    case command::UnorderList:
        return ToggleList(document_, "UL");
    case command::HorizontalLine:
        return ReplaceSelection(document_, {document_.CreateElement("HR")});
    case command::Hyperlink:
        return InsertHyperlink(argument, prompt);
    case command::Image:
        return InsertImage(argument, prompt);
    default:
        return false;
    }
}

bool CommandTarget::ToggleInline(int commandId)
{
    InlineFormat format = *FormatFor(commandId);
    if (IsFormatLatched(document_, format))
        return RemoveFormat(document_, format);
    return ApplyFormat(document_, format);
}

bool CommandTarget::SetInline(int commandId, const std::u16string& value)
{
    if (value.empty())
        return false;
    return ApplyFormat(document_, *FormatFor(commandId, value));
}

bool CommandTarget::HasSelectedContent() const
{
    const Selection& selection = document_.GetSelection();
    return selection.IsControl() || (selection.IsTextRange() && !selection.IsCaret());
}

bool CommandTarget::Copy()
{
    if (!HasSelectedContent())
        return false;
    ActiveClipboard().SetContent({SelectionHtml(document_), SelectionText(document_)});
    return true;
}

bool CommandTarget::Paste()
{
    ClipboardContent content = ActiveClipboard().Content();
    if (!content.html.empty())
        return PasteHtml(document_, content.html);
    if (!content.text.empty())
        return PasteHtml(document_, PlainTextAsHtml(content.text));
    return false;
}

std::optional<std::u16string> CommandTarget::Address(const CommandValue& argument, bool prompt,
                                                     int purpose, const std::u16string& initial)
{
    std::u16string given = argument.kind == CommandValue::Kind::String ? argument.string : u"";
    if (!prompt || !prompt_)
        return given.empty() ? std::nullopt : std::optional(given);
    std::optional<std::u16string> answer = prompt_->AskAddress(
        static_cast<AddressPrompt::Purpose>(purpose), given.empty() ? initial : given);
    if (!answer || answer->empty())
        return std::nullopt;
    return answer;
}

bool CommandTarget::InsertHyperlink(const CommandValue& argument, bool prompt)
{
    if (document_.GetSelection().IsNone())
        return false;
    std::u16string current;
    if (Element* link = FormatCarrierAtSelection(document_, *FormatFor(command::Hyperlink)))
        current = link->GetAttribute("href").value_or(u"");
    std::optional<std::u16string> url =
        Address(argument, prompt, static_cast<int>(AddressPrompt::Purpose::Hyperlink),
                current.empty() ? u"http://" : current);
    if (!url)
        return false;
    const Selection& selection = document_.GetSelection();
    if (selection.IsTextRange() && !selection.IsCaret())
        return ApplyFormat(document_, *FormatFor(command::Hyperlink, *url));
    Document::EditStep step(document_, "hyperlink");
    Element* link = document_.CreateElement("A");
    link->SetAttribute("href", *url);
    if (selection.IsControl()) {
        Element* control = selection.ControlElements().front();
        control->Parent()->InsertBefore(link, control);
        link->AppendChild(control);
        return true;
    }
    link->AppendChild(document_.CreateTextNode(*url));
    return ReplaceSelection(document_, {link});
}

bool CommandTarget::InsertImage(const CommandValue& argument, bool prompt)
{
    std::optional<std::u16string> source =
        Address(argument, prompt, static_cast<int>(AddressPrompt::Purpose::Image), u"");
    if (!source)
        return false;
    Element* image = document_.CreateElement("IMG");
    image->SetAttribute("src", *source);
    return ReplaceSelection(document_, {image});
}

int CommandTarget::QueryStatus(int commandId) const
{
    const int available = status::Supported | status::Enabled;
    auto latched = [&](bool on) { return available | (on ? status::Latched : 0); };
    switch (commandId) {
    case command::Copy:
    case command::Cut:
    case command::Delete:
        return HasSelectedContent() || commandId == command::Delete ? available : status::Supported;
    case command::Undo:
        return document_.CanUndo() ? available : status::Supported;
    case command::Redo:
        return document_.CanRedo() ? available : status::Supported;
    case command::Bold:
    case command::Italic:
    case command::Underline:
        return latched(IsFormatLatched(document_, *FormatFor(commandId)));
    case command::JustifyCenter:
        return latched(AlignmentAtSelection(document_) == u"center");
    case command::JustifyLeft:
        return latched(AlignmentAtSelection(document_) == u"left");
    case command::JustifyRight:
        return latched(AlignmentAtSelection(document_) == u"right");
    case command::OrderList:
        return latched(IsInList(document_, "OL"));
    case command::UnorderList:
        return latched(IsInList(document_, "UL"));
    case command::AutoUrlDetect:
        return latched(autoUrlDetect_);
    case command::KeepSelection:
        return latched(keepSelection_);
    case command::Paste:
    case command::SelectAll:
    case command::FontName:
    case command::FontSize:
    case command::ForeColor:
    case command::BackColor:
    case command::Hyperlink:
    case command::HorizontalLine:
    case command::Image:
        return available;
    default:
        return 0;
    }
}

std::optional<CommandValue> CommandTarget::QueryValue(int commandId) const
{
    auto carrier = [&](int id) { return FormatCarrierAtSelection(document_, *FormatFor(id)); };
    switch (commandId) {
    case command::FontName: {
        std::u16string face = FaceAbove(SelectionStart(document_));
        return CommandValue::String(face.empty() ? defaultFontName_ : face);
    }
    case command::FontSize: {
        Element* font = carrier(commandId);
        std::u16string size = font ? font->GetAttribute("size").value_or(u"") : u"";
        int value = size.size() == 1 && size[0] >= u'1' && size[0] <= u'7' ? size[0] - u'0' : 3;
        return CommandValue::Integer(value);
    }
    case command::ForeColor: {
        Element* font = carrier(commandId);
        long rgb = font ? ParseColor(font->GetAttribute("color").value_or(u"")) : 0;
        return CommandValue::Integer(ToBgr(rgb < 0 ? 0 : rgb));
    }
    case command::BackColor: {
        Element* font = carrier(commandId);
        long rgb = font ? ParseColor(font->GetStyleProperty("background-color")) : 0xFFFFFF;
        return CommandValue::Integer(ToBgr(rgb < 0 ? 0xFFFFFF : rgb));
    }
    case command::Bold:
    case command::Italic:
    case command::Underline:
    case command::JustifyCenter:
    case command::JustifyLeft:
    case command::JustifyRight:
    case command::OrderList:
    case command::UnorderList:
    case command::AutoUrlDetect:
    case command::KeepSelection:
        return CommandValue::Boolean((QueryStatus(commandId) & status::Latched) != 0);
    default:
        return std::nullopt;
    }
}

} // namespace vellum::html

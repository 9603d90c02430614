// Commands, selection queries, HTML insertion and the body check. The
// engine's command target does the editing; what is here decides which
// commands reach it and turns its answers into the texts the toolbar reads.
#include "editor/HtmlDocument.h"

#include "html/Document.h"
#include "html/Editing.h"
#include "html/InlineStyle.h"
#include "html/Position.h"
#include "htmlview/HtmlView.h"
#include "platform/text/CodePage.h"

#include <cstdio>

using namespace vellum::html;

namespace {

constexpr char16_t kEmptyBodyContent[] = u"<DIV></DIV>";

std::string FormatInteger(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return buffer;
}

// True when the element's inner HTML, trimmed of spaces, tabs, carriage
// returns and line feeds, would be empty: only such text below it. Asked
// without serialising, since a body is usually large and never blank.
bool IsBlank(const Element& element)
{
    for (const Node* child : element.Children()) {
        if (!child->IsText() || !TrimSpace(child->AsCharacterData()->Data()).empty())
            return false;
    }
    return true;
}

} // namespace

void CHtmlDocument::Attach(HtmlView* view)
{
    view_ = view;
    baseFontSize_ = 0;
}

Document* CHtmlDocument::GetDocument() const
{
    return view_ ? &view_->GetDocument() : nullptr;
}

void CHtmlDocument::SetDesignMode(bool on)
{
    if (view_)
        view_->SetEditable(on);
}

bool CHtmlDocument::IsDesignMode() const
{
    return view_ && view_->IsEditable();
}

bool CHtmlDocument::ExecCommand(int commandId, const CommandValue& argument, bool prompt)
{
    if (!view_)
        return false;
    if (commandId == kFontSizePixels) {
        if (argument.kind != CommandValue::Kind::Integer)
            return false;
        return SetFontSizePixels(argument.integer);
    }
    return view_->Exec(commandId, argument, prompt);
}

std::optional<std::string> CHtmlDocument::QueryCommandValue(int commandId)
{
    if (!view_)
        return std::nullopt;
    if (commandId == kFontSizePixels)
        return FormatInteger(GetFontSizePixels());
    std::optional<CommandValue> value = view_->Commands().QueryValue(commandId);
    if (!value)
        return std::nullopt;
    switch (value->kind) {
    case CommandValue::Kind::Integer:
        return FormatInteger(value->integer);
    case CommandValue::Kind::Boolean:
        return FormatInteger(value->boolean ? -1 : 0);
    case CommandValue::Kind::String:
        return vellum::text::FromUtf16(value->string);
    case CommandValue::Kind::Empty:
        break;
    }
    return std::string();
}

int CHtmlDocument::QueryCommandStatus(int commandId) const
{
    switch (commandId) {
    case kBrowseMode:
        return IsDesignMode() ? 0 : status::Latched;
    case kEditMode:
        return IsDesignMode() ? status::Latched : 0;
    case kViewSource:
        return sourceViewShown_ ? status::Latched : 0;
    default:
        break;
    }
    if (!IsDesignMode())
        return 0;
    return view_->Commands().QueryStatus(commandId);
}

bool CHtmlDocument::InsertHTML(std::u16string_view html)
{
    Document* document = GetDocument();
    if (!document)
        return false;
    // A document nobody has clicked into yet has no caret; the browser's
    // range then sat at the start of the body.
    if (document->GetSelection().IsNone()) {
        Element* body = document->Body();
        if (!body)
            return false;
        document->SetCaret(body, 0);
    }
    return PasteHtml(*document, html);
}

Element* CHtmlDocument::GetSelectedElement(bool textRequired) const
{
    Document* document = GetDocument();
    if (!document)
        return nullptr;
    const Selection& selection = document->GetSelection();
    if (selection.IsControl())
        return selection.ControlElements().empty() ? nullptr : selection.ControlElements().front();
    if (!selection.IsTextRange())
        return nullptr;
    if (textRequired && RangeText(selection.GetRange()).empty())
        return nullptr;
    return RangeParentElement(selection.GetRange());
}

Element* CHtmlDocument::GetCurrentCell() const
{
    Element* element = GetSelectedElement(false);
    if (!element || element->HasTagName("TR") || element->HasTagName("TBODY") ||
        element->HasTagName("TABLE"))
        return nullptr;
    for (Node* node = element; node; node = node->Parent()) {
        Element* ancestor = node->AsElement();
        if (ancestor && ancestor->HasTagName("TD"))
            return ancestor;
    }
    return nullptr;
}

Element* CHtmlDocument::EnsureBody(bool create)
{
    Document* document = GetDocument();
    if (!document)
        return nullptr;
    // What the body needs after a load or a paste belongs to that step.
    Document::FollowUpStep followUp(*document);
    Element* body = document->Body();
    if (!body && create) {
        Element* root = document->DocumentElement();
        if (!root)
            return nullptr;
        body = document->CreateElement("BODY");
        root->AppendChild(body);
    }
    if (body && IsBlank(*body))
        body->SetInnerHtml(kEmptyBodyContent);
    return body;
}

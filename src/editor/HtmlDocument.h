// CHtmlDocument: the body editor's handle on the document its view shows.
// It runs the engine's editing commands by their numeric identifiers and
// adds the operations the engine leaves to the editor: replacing the
// selection by HTML, finding the selected element and the table cell at the
// caret, keeping the body non-empty, font sizes in pixels, and inserting and
// removing table rows and columns.
//
// The table operations live in HtmlDocumentTables.cpp, the font sizes and
// CssLengthToPixels in HtmlDocumentFontSize.cpp.
#pragma once

#include "html/CommandTarget.h"

#include <optional>
#include <string>
#include <string_view>

namespace vellum::html {
class Document;
class Element;
class HtmlView;
} // namespace vellum::html

// Pixels of a CSS length such as "12pt", "3mm" or "16px": the leading integer
// (as atol reads it) scaled by the first unit found after the first
// character, tested in the order pt, mm, cm, pc, in; anything else counts as
// pixels. Integer arithmetic throughout; 0 when the number is 0. Numbers
// beyond 16,777,216 count as that many.
long CssLengthToPixels(std::string_view length);

// Pixels of an HTML font size 1-7 (the Size of a FONT); 0 outside that range.
int HtmlFontSizeToPixels(int size);

class CHtmlDocument
{
public:
    // Commands not sent to the engine: the font size in pixels.
    static constexpr int kFontSizePixels = 5005;
    // Status queries answered by the editor's own state.
    static constexpr int kBrowseMode = 2126;
    static constexpr int kEditMode = 2127;
    static constexpr int kViewSource = 2139;

    // Attaches the document of the view (null detaches). The cached base
    // font size is forgotten: the document may be another one now.
    void Attach(vellum::html::HtmlView* view);
    vellum::html::Document* GetDocument() const;

    // Whether the editor shows its source view (status 2139).
    void SetSourceViewShown(bool shown) { sourceViewShown_ = shown; }

    void SetDesignMode(bool on);
    bool IsDesignMode() const;

    // Runs a command; 5005 sets the font size in pixels and needs an integer.
    bool ExecCommand(int commandId, const vellum::html::CommandValue& argument = {},
                     bool prompt = false);
    // The command's value as text (host code page): integers and booleans
    // with "%d" (true is -1), strings converted, anything else empty.
    std::optional<std::string> QueryCommandValue(int commandId);
    // Status bits (4 = latched); 0 for every command while design mode is off.
    int QueryCommandStatus(int commandId) const;

    // Replaces the selection by the HTML (a control selection goes first).
    bool InsertHTML(std::u16string_view html);
    // The first element of a control selection, or the element holding the
    // text range; none when text is required and the range holds none.
    vellum::html::Element* GetSelectedElement(bool textRequired) const;
    // The TD holding the caret; none when the caret sits directly in a TR,
    // TBODY or TABLE.
    vellum::html::Element* GetCurrentCell() const;
    // The BODY element (created inside HTML when missing and `create` is
    // set); an empty body gets "<DIV></DIV>".
    vellum::html::Element* EnsureBody(bool create);

    bool SetFontSizePixels(int pixels);
    // The size of the text at the selection, inherited sizes included.
    int GetFontSizePixels();

    // The quick table: rows x columns cells each holding an empty DIV.
    bool InsertTable(int rows, int columns);
    bool InsertRow(bool below);
    bool InsertColumn(bool right);
    bool DeleteRow();
    bool DeleteColumn();

private:
    // The size in pixels the text of `element` is shown in.
    int ShownFontSize(const vellum::html::Element* element);
    int BaseFontSizePixels();

    vellum::html::HtmlView* view_ = nullptr;
    int baseFontSize_ = 0;
    bool sourceViewShown_ = false;
};

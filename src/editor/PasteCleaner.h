// What a paste from a web page or a word processor may bring into a mail
// body: its text formatting, tables, lists and pictures, but no scripts, no
// event handler attributes, no script addresses and no style sheets (a sheet
// would restyle the whole body of the mail, not just the pasted part). The
// editor puts CleaningClipboard between its view and the desktop clipboard.
#pragma once

#include "html/CommandTarget.h"
#include "htmlview/SystemClipboard.h"

#include <string>
#include <string_view>

// The pasted markup without the parts above; a whole document (as a browser
// puts on the clipboard) gives only its body's content.
std::u16string CleanPastedHtml(std::u16string_view html);

class CleaningClipboard : public vellum::html::Clipboard
{
public:
    void SetContent(const vellum::html::ClipboardContent& content) override;
    vellum::html::ClipboardContent Content() const override;

private:
    vellum::html::SystemClipboard system_;
};

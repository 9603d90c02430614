// What a paste from a web page or a word processor may bring into a mail
// body: its text formatting, tables, lists and pictures, but no scripts, no
// event handler attributes, no script addresses and no style sheets (a sheet
// would restyle the whole body of the mail, not just the pasted part). The
// editor puts CleaningClipboard between its view and the desktop clipboard,
// and a drop onto the body takes the same way (PastedContent).
//
// Pictures go in as data URLs, as the mail will carry them: a picture alone
// on the clipboard (a screenshot, a copy from an image viewer) or dropped as
// a file becomes one IMG; pasted markup whose IMG names a local file gets the
// file's picture, and markup that brings one picture's bytes along (a
// browser's "copy image") gets those for its one IMG.
#pragma once

#include "editor/MailPicture.h"
#include "html/CommandTarget.h"
#include "htmlview/SystemClipboard.h"

#include <optional>
#include <string>
#include <string_view>

class QMimeData;

// The pasted markup without the parts above; a whole document (as a browser
// puts on the clipboard) gives only its body's content. IMGs naming local
// files are embedded, and `carried` goes into the one IMG of the markup that
// is not embedded yet (none, or more than one: nothing).
std::u16string CleanPastedHtml(std::u16string_view html,
                               const std::optional<MailPicture>& carried = std::nullopt);

// The markup and text a paste or drop of `data` puts into the body.
vellum::html::ClipboardContent PastedContent(const QMimeData& data);

class CleaningClipboard : public vellum::html::Clipboard
{
public:
    void SetContent(const vellum::html::ClipboardContent& content) override;
    vellum::html::ClipboardContent Content() const override;

private:
    vellum::html::SystemClipboard system_;
};

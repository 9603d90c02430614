// The editor's own questions behind the hyperlink and image commands, asked
// through the desktop services so that tests can answer them: a small input
// form for a link's address, and the file-open dialog for a picture. Nothing
// is ever fetched, so a picture comes from a local file and travels inside
// the mail as a data address: the recipient sees it without the writer's
// disk.
#pragma once

#include "html/CommandTarget.h"

#include <optional>
#include <string>

class QWidget;

class CEditorAddressPrompt : public vellum::html::AddressPrompt
{
public:
    explicit CEditorAddressPrompt(QWidget* parent) : parent_(parent) {}

    std::optional<std::u16string> AskAddress(Purpose purpose,
                                             const std::u16string& initial) override;

private:
    std::optional<std::u16string> AskLinkAddress(const std::u16string& initial);
    std::optional<std::u16string> AskPicture();

    QWidget* parent_;
};

// A data address ("data:image/gif;base64,...") holding the picture file;
// nothing when the file cannot be read. The path is host code page bytes.
std::optional<std::u16string> PictureDataAddress(const std::string& path);

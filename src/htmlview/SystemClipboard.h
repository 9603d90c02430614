// The engine's clipboard seam on the desktop clipboard, so that a copy in
// the HTML view pastes as formatted text in other programs and their copies
// paste here.
//
// Content goes out as both text/html and text/plain. Coming in, HTML is
// preferred; a plain-text-only clipboard gives the text alone and the engine
// turns it into HTML itself.
#pragma once

#include "html/CommandTarget.h"

namespace vellum::html {

class SystemClipboard : public Clipboard
{
public:
    void SetContent(const ClipboardContent& content) override;
    ClipboardContent Content() const override;
};

} // namespace vellum::html

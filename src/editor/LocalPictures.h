// Pictures a body names on the author's disk, put into the body itself.
// However a body came to name a local file (the image button, pasted HTML,
// the source view, a script's body), the file is on one desk only: saving,
// sending and pasting replace such a name by the picture's data URL, so no
// stored body names a path on the author's disk.
//
// A local name is what LocalFilePath reads as a file of this machine
// ("file:///p", "file://localhost/p", "/p", "\p") and a Windows drive path
// ("C:\p"), which can never be read here and so always counts as unreadable.
// Relative names, file URLs of other hosts and every other scheme are not
// the author's disk and stay as they are.
#pragma once

#include <string>

namespace vellum::html {
class Document;
}

// Embeds the picture of every IMG of `document` that names a local file.
// Returns the first name (as the IMG wrote it) that could not be read as a
// picture; that IMG keeps its source. Empty when every one went in.
std::u16string EmbedLocalPictures(vellum::html::Document& document);

// The same for a whole body in host code page bytes, written back as the
// editor writes it; a body naming no local file is left exactly as it was.
// False, with the name in host bytes in `unreadable`, when a file could not
// be read; `body` is then unchanged.
bool EmbedLocalPictures(std::string& body, std::string& unreadable);

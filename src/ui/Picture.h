// Picture files turned into bitmaps for the image buttons: the toolbar
// pictures under "images/" (GIF), and bitmaps, icons and JPEGs a caller may
// name.
#pragma once

#include "platform/ui/Color.h"

#include <QImage>

#include <optional>
#include <string>

// Picture types by file extension.
enum PictureType {
    kPictureBitmap = 0,
    kPictureIcon = 1,
    kPictureJpeg = 2,
    kPictureGif = 3,
    kPictureUnknown = 4,
};

// The type named by the path's extension, upper-cased first. An extension
// found at the very start of the path (".gif" alone) does not count.
int GetPictureType(const std::string& path);

// The picture at its natural size, or a null image when the type is unknown
// or the file cannot be read. Bitmaps have their grey 3-D shades mapped to
// the system colours. Other pictures are rendered into a fresh bitmap,
// filled first with the fill colour when one is given (else left black, as a
// fresh bitmap is), so transparent parts of a GIF show the fill.
QImage LoadPictureBitmap(const std::string& path,
                         std::optional<vellum::ui::ColorRef> fill = std::nullopt);

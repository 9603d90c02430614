// A picture as a mail body carries it: the bytes of a data URL and their
// type. Pictures travel inside the body, so every one is put into a form
// that any reader's desk decodes and that keeps the body a sane size: PNG,
// JPEG and GIF go in as they are, any other type Qt reads (BMP above all,
// which screenshot tools hand over uncompressed) becomes PNG, and a picture
// still over kLargestPictureBytes is re-encoded as JPEG at quality
// kReencodedQuality, no side longer than kLongestPictureSide.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

class QImage;

struct MailPicture
{
    std::string mimeType; // "image/png", "image/jpeg", "image/gif"
    std::string bytes;
};

inline constexpr std::size_t kLargestPictureBytes = 1u << 20;
inline constexpr int kLongestPictureSide = 2560;
inline constexpr int kReencodedQuality = 85;

// The picture in `bytes` (a file's or the clipboard's); nothing when they
// are no picture Qt can read.
std::optional<MailPicture> PictureForMail(std::string bytes);

// A picture given as pixels only, as a screenshot on the clipboard is: PNG,
// or JPEG when the PNG would be too large.
MailPicture PictureForMail(const QImage& image);

// "data:TYPE;base64,..." for an IMG's source.
std::u16string PictureDataUrl(const MailPicture& picture);

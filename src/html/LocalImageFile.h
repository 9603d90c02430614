// Reading the bytes of an image that a mail names by a local path.
//
// The path comes from another user's mail but is read from the reader's own
// disk, so it may name anything: a FIFO (opening it for reading would wait
// for a writer), a device (/dev/zero never ends, /dev/tty waits for a key),
// a directory, or a file of gigabytes. Only a regular file of sane size is
// read; everything else gives nothing, at once, and the view draws its
// placeholder.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vellum::html {

// Larger than any picture a mail should carry.
inline constexpr std::size_t kMaxLocalImageBytes = 32u << 20;

// The file's bytes, or nothing when it is missing, not a regular file, or
// larger than `maxBytes`.
std::optional<std::string> ReadLocalImageFile(const std::string& path,
                                              std::size_t maxBytes = kMaxLocalImageBytes);

} // namespace vellum::html

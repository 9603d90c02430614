// Files that belong to one user and must survive a crash whole: the user's
// state folder (XDG_STATE_HOME, by default ~/.local/state), and writing a
// file there so that a reader finds either the old bytes or the new ones,
// never a mixture, and no other user can read them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellum::fs {

// `application`'s folder in the user's state folder, ending in "/":
// $XDG_STATE_HOME/application/ when that is an absolute path, else
// $HOME/.local/state/application/. Empty when neither is known.
std::string UserStateFolder(std::string_view application);

// Writes the bytes under a temporary name beside `path`, flushes them to
// the disk and renames the file over `path`. The file gets mode 600 and its
// folder (created when missing) mode 700. False, with `path` untouched,
// when any step fails.
bool WritePrivateFileAtomically(const std::string& path, std::string_view bytes);

// The whole file, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Removes a file; true when it is gone afterwards.
bool RemoveFile(const std::string& path);

} // namespace vellum::fs

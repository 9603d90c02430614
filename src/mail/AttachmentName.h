// What an attachment field holds, seen from the download: a local path that
// is opened directly, or a name on the attachment server whose local copy
// goes under the home folder's "temp/".
#pragma once

#include <string>

// True for a local path: ":" at a position above 0 (a drive letter or other
// prefix), or a leading "\" or "/".
bool IsLocalAttachmentPath(const std::string& field);

// The file name the local copy of a server attachment gets: the name itself
// when it is a plain file name, else a safe name of its own (see the .cpp).
std::string LocalCopyName(const std::string& serverName);

// What an attachment field holds, seen from the download: a name on the
// attachment server, whose local copy goes under the home folder's "temp/". A server name of the
// current form is 32 lower-case hexadecimal digits (the unguessable part), "-" and the file's own
// name; older names (a time stamp, "-", a random part) are shown as they are.
#pragma once

#include <string>

// The file name the local copy of a server attachment gets: its display
// name when that is a plain file name, else a safe name of its own (see the
// .cpp).
std::string LocalCopyName(const std::string& serverName);

// The name a person reads for a server name: the file's own name for the
// current form (what follows the 33rd character), else the name itself.
std::string AttachmentDisplayName(const std::string& serverName);

// What tells one stored file from every other: the unguessable part of a
// name of the current form (the file's own name after it may be spelt in
// another code page), else the whole name.
std::string AttachmentIdentity(const std::string& serverName);

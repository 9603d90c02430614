// Where a downloaded attachment is kept: in "temp/" under the file's own
// name, unless a file of that name already holds other bytes. A person may
// have edited the earlier copy, and downloading the mail's attachment again
// must not quietly undo that: the new copy goes beside it as "name (2).ext"
// (the next free number), while the same bytes again simply keep the name.
#pragma once

#include <string>

class CHttpClient;

// Saves the client's response body in `folder` as `name` or a numbered name
// beside it (host code page both). The path it was saved under, or "" when
// it could not be saved (the client's last error text says why).
std::string SaveBesideOtherCopies(CHttpClient& client, const std::string& folder,
                                  const std::string& name);

// The tour: an offscreen walk along the road of one mail through the host
// window and the module's exports, with a scripted user at the desk, taking
// a picture of every folder and dialog on the way.
#pragma once

#include <string>

class CDbSession;
class VellumModule;

// li writes to wang with an attachment and sends; wang's inbox shows the
// mail unread; wang reads it (Enter on the row), downloads the attachment and
// replies; li's inbox shows the reply; li deletes the oldest notice with the
// Delete key. PNGs go into folder (UTF-8 path), which is created when
// missing. Returns the process exit code: 0 when every step did what it
// should, else 1 with the reason on stderr.
int RunTour(VellumModule& module, CDbSession& session, const std::string& connect,
            const std::string& folder);

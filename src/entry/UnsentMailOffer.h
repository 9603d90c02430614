// The compose export's second use: on its start the host asks with
// Recover=1, and the user is offered back the mail they were writing when
// the host last ended without closing the compose dialog.
#pragma once

#include <cstdint>

namespace vellum::entry {

// Nothing when the user (UserName) has no such mail. Else it asks
// "恢复未保存的邮件？" with the mail's subject and when it was written:
// taken, the compose dialog opens with the mail as it was (on a session
// opened as the compose export opens one); declined, the copy is removed.
// The results are the compose export's: 0 when there is no main window or
// the database could not be opened, else 1.
int32_t OfferUnsentMail(const char* params);

} // namespace vellum::entry

// Where a watch hears that a user's notices changed: the database's own
// announcements (ChangeListener) or the attachment server's live feed
// (FeedListener). The owner waits on SocketDescriptor and calls
// TakeNotices when it becomes readable; nothing here blocks.
#pragma once

#include <string>

namespace vellum::db {

class NoticeSource
{
public:
    virtual ~NoticeSource() = default;

    // The descriptor that becomes readable when notices (or a close)
    // arrive; -1 while closed.
    virtual int SocketDescriptor() const = 0;

    // Reads what the socket holds; how many notices arrived since the last
    // call. False when the connection is gone (LastError).
    [[nodiscard]] virtual bool TakeNotices(int& count) = 0;

    virtual const std::string& LastError() const = 0;
};

} // namespace vellum::db

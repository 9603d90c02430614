// The parts the compose and read dialogs build alike: the toolbar strip at
// the top (one row of image buttons showing "item.gif" from the home
// folder's "images/", white transparent), its row in the dialog's layout,
// the sender and time row, the body row, the attachment row and the runner
// of the attachment row's transfers.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

class CLayout;
class CLayoutCtrl;
class CTransferBar;
class QLineEdit;
class QWidget;
class TransferProgress;

struct MailToolbarButton
{
    const char* caption; // UTF-8 literal, converted to the host code page
    int id;
};

// Creates the strip over the dialog's client area, visible and a tab stop,
// with the buttons in order (row 24 high, flags 3; buttons 50 wide, flags 3).
CLayoutCtrl* CreateMailToolbar(QWidget& dialog, std::initializer_list<MailToolbarButton> buttons);

// Row 28/3: the strip (attached, not owned) 100/0 and a spacer 5/3.
void AddToolbarRow(CLayout& layout, CLayoutCtrl* toolbar);

// Row 24/3: "发信人:" 50/3, the sender edit 150/3, "创建时间:" 60/3 and the
// time edit 160/3, both edits read-only.
void AddSenderRow(CLayout& layout, int senderId, int timeId);

// A field the user reads but does not change: read-only rather than
// disabled, so its text stays as dark as any other, a long text can be
// scrolled and copied, and its grey ground says it takes no typing.
void MakeReadOnlyField(QLineEdit* field);

// Row 100/0: the body window 100/0 (owned by the layout, shown) and a
// spacer 2/3; then the empty row 2/3.
void AddBodyRows(CLayout& layout, QWidget* body);

// Row 20/3: "附件" 50/3, the attachment edit 100/0, the button 50/3 and a
// spacer 5/3. Returns the edit.
QLineEdit* AddAttachmentRow(CLayout& layout, int editId, const char* buttonCaption, int buttonId);

// The runner for the attachment row's button (`buttonId`): it shows the bar
// and locks the toolbar and the attachment field while a request runs.
std::unique_ptr<TransferProgress> CreateTransferProgress(QWidget& dialog, CTransferBar& bar,
                                                         CLayoutCtrl* toolbar, int attachmentId,
                                                         int buttonId);

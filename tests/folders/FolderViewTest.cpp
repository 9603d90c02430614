// The four folder views as real widgets, offscreen, on a real SQLite file,
// with the scripted person answering the questions and filling the forms:
// the creation on first show, delete, search, the grid notifications and
// the widths stored when a view goes.
#include "FolderTestHome.h"
#include "folders/FolderDefinitions.h"
#include "folders/MailDraftListView.h"
#include "folders/MailLogListView.h"
#include "folders/MailNewListView.h"
#include "folders/MailNotifyListView.h"
#include "grid/GridCtrl.h"
#include "mail/MailEditDlg.h"
#include "mail/MailReadDlg.h"
#include "net/TestHome.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowImage.h"
#include "platform/ui/WindowText.h"
#include "ui/ImageButton.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

using namespace vellum::ui;
using vellum::text::FromUtf8;

class FolderView : public FolderTestHome
{
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    template <typename View> std::unique_ptr<View> Show(const std::string& user)
    {
        auto view = std::make_unique<View>();
        view->m_pSession = &m_session;
        view->m_strUserName = user;
        view->resize(640, 300);
        view->show();
        QApplication::processEvents();
        return view;
    }

    void AddMail(const std::string& from, const std::string& to, const std::string& subject,
                 int status, const std::string& attachment = "")
    {
        Run("insert into SystemMail (MailFrom, MailTo, Subject, MailTime, Attachment, Status) "
            "values ('" +
            from + "', '" + to + "', '" + subject + "', '2026-03-01 08:00:00', '" + attachment +
            "', " + std::to_string(status) + ")");
    }

    void AddNotice(const std::string& from, const std::string& to, const std::string& subject,
                   int mailId, int status)
    {
        Run("insert into SystemMailNotify (MailFrom, MailTo, Subject, MailId, MailTime, Status) "
            "values ('" +
            from + "', '" + to + "', '" + subject + "', " + std::to_string(mailId) +
            ", '2026-03-01 08:00:00', " + std::to_string(status) + ")");
    }

    static Texts Column(const CGridCtrl& grid, int col)
    {
        Texts texts;
        for (int row = 1; row < grid.GetRowCount(); ++row)
            texts.push_back(grid.GetText(row, col));
        return texts;
    }

    static void SendMouse(CGridCtrl& grid, int row, QEvent::Type type, Qt::MouseButton button,
                          Qt::KeyboardModifiers modifiers)
    {
        QPoint at(grid.GetColumnWidth(0) + grid.GetColumnWidth(1) + 10,
                  grid.Viewport().RowTop(row) + 10);
        QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, modifiers);
        QApplication::sendEvent(grid.viewport(), &event);
    }

    static void ClickRow(CGridCtrl& grid, int row, Qt::KeyboardModifiers modifiers = {},
                         Qt::MouseButton button = Qt::LeftButton)
    {
        SendMouse(grid, row, QEvent::MouseButtonPress, button, modifiers);
        SendMouse(grid, row, QEvent::MouseButtonRelease, button, modifiers);
    }

    static void DoubleClickRow(CGridCtrl& grid, int row)
    {
        ClickRow(grid, row);
        SendMouse(grid, row, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::NoModifier);
        SendMouse(grid, row, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoModifier);
        QApplication::processEvents();
    }

    Texts MessageTexts() const
    {
        Texts texts;
        for (const ShownMessage& message : desktop.Messages())
            texts.push_back(message.text);
        return texts;
    }

    ScriptedDesktop desktop;
    ScopedDesktop installed{desktop};
};

TEST_F(FolderView, FirstShowBuildsToolbarAndGridAndFillsTheUsersRows)
{
    AddMail("li", "wang", "plan", 0, "plan.doc");
    AddMail("li", "wang", "sent one", 1);
    AddMail("zhao", "wang", "not li", 0);
    AddMail("li", "zhao", "lunch", 0);
    CMailDraftListView unshown;
    EXPECT_EQ(unshown.GetGrid(), nullptr) << "nothing is built before the first show";

    auto drafts = Show<CMailDraftListView>("li");
    CGridCtrl* grid = drafts->GetGrid();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->parentWidget(), drafts.get());
    EXPECT_EQ(ControlIdOf(grid), 8001);
    EXPECT_TRUE(grid->GetListMode());
    EXPECT_FALSE(grid->IsEditable());
    EXPECT_EQ(Column(*grid, 3), (Texts{"lunch", "plan"})) << "newest first";
    EXPECT_EQ(Column(*grid, 1), (Texts{"", "@"}));
    for (int command : {6001, 6002, 6003, 6004})
        EXPECT_NE(FindControl(drafts.get(), command), nullptr) << command;
    EXPECT_EQ(grid->geometry().top(), 2 + 24) << "below the strip's row";
    EXPECT_EQ(grid->height(), drafts->height() - 24) << "takes the rest";
    EXPECT_TRUE(desktop.Messages().empty());
}

TEST_F(FolderView, InboxHidesKeyAndMailIdAndShowsUnreadNoticesInBlue)
{
    AddNotice("li", "wang", "read one", 7, 1);
    AddNotice("li", "wang", "unread one", 8, 0);
    auto inbox = Show<CMailNewListView>("wang");
    CGridCtrl* grid = inbox->GetGrid();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(ControlIdOf(grid), 6011);
    EXPECT_EQ(grid->GetColumnWidth(0), 0);
    EXPECT_EQ(grid->GetColumnWidth(1), 0);
    EXPECT_EQ(Column(*grid, 3), (Texts{"unread one", "read one"}));
    for (int col : {2, 3}) {
        EXPECT_EQ(grid->GetTextColour(1, col), 0xFF0000u) << col;
        EXPECT_EQ(grid->GetTextColour(2, col), 0u) << col;
    }
}

TEST_F(FolderView, AFailingFirstFillShowsTheDatabaseMessageAndLeavesTheGridEmpty)
{
    Run("drop table SystemMailNotify");
    auto notify = Show<CMailNotifyListView>("wang");
    ASSERT_EQ(desktop.Messages().size(), 1u);
    EXPECT_NE(desktop.Messages()[0].text.find("SystemMailNotify"), std::string::npos)
        << desktop.Messages()[0].text;
    EXPECT_EQ(notify->GetGrid()->GetRowCount(), 1);
}

// A name whose bytes are no text would meet another user's on the
// database's side ("bob\xff" and "bob\xc3" both as bob and U+FFFD).
TEST_F(FolderView, AUserNameThatIsNotTextListsNothingAndSaysWhy)
{
    auto inbox = Show<CMailNotifyListView>("wang\xff");
    ASSERT_EQ(desktop.Messages().size(), 1u);
    EXPECT_EQ(desktop.Messages()[0].text, FromUtf8("用户名含有无效字符，无法列出邮件"));
    EXPECT_EQ(inbox->GetGrid()->GetRowCount(), 1);
}

// Five drafts, keys 1..5, listed as rows 1..5 = keys 5..1. Rows 2 and 4
// (keys 4 and 2) are selected with row 3 left out.
TEST_F(FolderView, DeleteWalksTheSelectedRowsBottomUp)
{
    using enum MessageAnswer;
    const struct
    {
        const char* name;
        int failingKey;                     // a trigger refuses to delete this key; 0: none
        std::vector<MessageAnswer> answers; // OK/Cancel, then Yes/No after a failure
        Texts gridKeysAfter;
        Texts storedKeysAfter;
        size_t messages;
    } cases[] = {
        {"both go", 0, {Ok}, {"5", "3", "1"}, {"1", "3", "5"}, 1},
        {"cancelled", 0, {Cancel}, {"5", "4", "3", "2", "1"}, {"1", "2", "3", "4", "5"}, 1},
        {"row 4 fails, No", 2, {Ok, No}, {"5", "4", "3", "1"}, {"1", "2", "3", "4", "5"}, 2},
        {"row 4 fails, Yes", 2, {Ok, Yes}, {"5", "3", "1"}, {"1", "2", "3", "5"}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Run("drop trigger if exists keep_one");
        Run("delete from SystemMail");
        for (int key = 1; key <= 5; ++key)
            Run("insert into SystemMail (KeyId, MailFrom, MailTo, Subject, Status) values (" +
                std::to_string(key) + ", 'li', 'wang', 's" + std::to_string(key) + "', 0)");
        if (c.failingKey)
            Run("create trigger keep_one before delete on SystemMail when old.KeyId = " +
                std::to_string(c.failingKey) + " begin select raise(abort, 'kept by rule'); end");
        ScriptedDesktop person;
        ScopedDesktop scripted(person);
        for (MessageAnswer answer : c.answers)
            person.AnswerMessage(answer);
        auto drafts = Show<CMailDraftListView>("li");
        CGridCtrl& grid = *drafts->GetGrid();
        ClickRow(grid, 2);
        ClickRow(grid, 4, Qt::ControlModifier);
        ASSERT_FALSE(grid.IsCellSelected(3, 1));
        ASSERT_TRUE(PressControl(*drafts, 6004));

        EXPECT_EQ(Column(grid, 0), c.gridKeysAfter);
        EXPECT_EQ(Query("select KeyId from SystemMail order by KeyId"), c.storedKeysAfter);
        ASSERT_EQ(person.Messages().size(), c.messages);
        EXPECT_EQ(person.Messages()[0].text, FromUtf8("确定要删除选择的信息吗?"));
        EXPECT_EQ(person.Messages()[0].buttons, MessageButtons::OkCancel);
        if (c.messages > 1) {
            EXPECT_NE(person.Messages()[1].text.find("kept by rule"), std::string::npos);
            EXPECT_TRUE(person.Messages()[1].text.ends_with(FromUtf8("\r\n\r\n是否继续?")));
            EXPECT_EQ(person.Messages()[1].buttons, MessageButtons::YesNo);
        }
        EXPECT_EQ(person.UnusedAnswers(), 0u);
    }
}

TEST_F(FolderView, InboxDeleteAsksForASelectionAndTakesAClickedRow)
{
    AddNotice("li", "wang", "hello", 1, 0);
    auto inbox = Show<CMailNewListView>("wang");
    ASSERT_TRUE(PressControl(*inbox, 6007));
    EXPECT_EQ(MessageTexts(), Texts{FromUtf8("请选择要删除的信息")});
    EXPECT_EQ(inbox->GetGrid()->GetRowCount(), 2);

    // The inbox's key and MailId columns are hidden, yet a clicked row is
    // selected across them and so can go.
    ClickRow(*inbox->GetGrid(), 1);
    desktop.AnswerMessage(MessageAnswer::Ok);
    ASSERT_TRUE(PressControl(*inbox, 6007));
    EXPECT_EQ(inbox->GetGrid()->GetRowCount(), 1);
    EXPECT_EQ(Query("select count(*) from SystemMailNotify"), Texts{"0"});
}

TEST_F(FolderView, SentLogSearchMatchesRecipientAndSubjectWithoutQuotes)
{
    AddMail("li", "ONeil;wang", "budget", 1, "b.xls");
    AddMail("li", "zhao", "budget again", 1);
    AddMail("li", "ONeil", "party", 1);
    AddMail("li", "ONeil", "draft, not sent", 0);
    struct
    {
        const char* mailTo;
        const char* subject;
        Texts subjects;
    } searches[] = {
        {"", "", {"party", "budget again", "budget"}},
        {"O'Neil", "", {"party", "budget"}},
        {"'", "budget", {"budget again", "budget"}},
        {"ONeil", "budg", {"budget"}},
        {"nobody", "", {}},
    };
    auto sent = Show<CMailLogListView>("li");
    for (const auto& search : searches) {
        SCOPED_TRACE(std::string(search.mailTo) + "/" + search.subject);
        desktop.ActInModal([&](QWidget& form) {
            EXPECT_TRUE(FillControl(form, 2001, search.mailTo));
            EXPECT_TRUE(FillControl(form, 2002, search.subject));
            EXPECT_TRUE(PressControl(form, 1));
        });
        ASSERT_TRUE(PressControl(*sent, 6005));
        EXPECT_EQ(Column(*sent->GetGrid(), 3), search.subjects);
        if (!search.subjects.empty() && search.subjects.back() == "budget") {
            EXPECT_EQ(Column(*sent->GetGrid(), 1).back(), "@") << "marks again after the search";
        }
    }
    EXPECT_EQ(desktop.ModalCaptions(), Texts(std::size(searches), FromUtf8("查找")));
    EXPECT_TRUE(desktop.Messages().empty());
}

TEST_F(FolderView, NotificationsSearchBySenderAlone)
{
    AddNotice("zhangsan", "wang", "one", 1, 0);
    AddNotice("lisi", "wang", "two", 2, 1);
    AddNotice("zhangwei", "wang", "three", 3, 1);
    AddNotice("zhangsan", "zhao", "not wang", 4, 0);
    auto notify = Show<CMailNotifyListView>("wang");
    EXPECT_EQ(ControlIdOf(notify->GetGrid()), 6012);
    desktop.ActInModal([](QWidget& form) {
        EXPECT_TRUE(FillControl(form, 2001, "zhang"));
        EXPECT_TRUE(PressControl(form, 1));
    });
    ASSERT_TRUE(PressControl(*notify, 6005));
    EXPECT_EQ(Column(*notify->GetGrid(), 2), (Texts{"zhangwei", "zhangsan"}));

    // A cancelled form keeps the searched rows.
    ASSERT_TRUE(PressControl(*notify, 6005));
    EXPECT_EQ(notify->GetGrid()->GetRowCount(), 3);
}

TEST_F(FolderView, ASearchThatFailsShowsTheErrorFollowedByTheStatement)
{
    auto sent = Show<CMailLogListView>("li");
    Run("drop table SystemMail");
    desktop.ActInModal([](QWidget& form) { EXPECT_TRUE(PressControl(form, 1)); });
    ASSERT_TRUE(PressControl(*sent, 6005));
    ASSERT_EQ(desktop.Messages().size(), 1u);
    const std::string& text = desktop.Messages()[0].text;
    EXPECT_TRUE(text.ends_with(sent->GetBinding().GetStatement())) << text;
    EXPECT_GT(text.size(), sent->GetBinding().GetStatement().size()) << "the error comes first";
}

TEST_F(FolderView, RightClickDoesNothingAndWidthsAreStoredAndComeBackWithHiddenColumnsHidden)
{
    AddNotice("li", "wang", "hello", 1, 0);
    auto inbox = Show<CMailNewListView>("wang");
    CGridCtrl& grid = *inbox->GetGrid();
    ClickRow(grid, 1, {}, Qt::RightButton);
    QApplication::processEvents();
    EXPECT_TRUE(desktop.Messages().empty());
    EXPECT_TRUE(desktop.ModalCaptions().empty());
    grid.SetColumnWidth(3, 222);
    inbox.reset();
    std::string stored = vellum::testing::ReadFile(m_home.Path() + "res/gridpos.ini");
    EXPECT_NE(stored.find("[CMailNewListView]"), std::string::npos) << stored;
    EXPECT_NE(stored.find("ColumnWidth=0,0,"), std::string::npos) << stored;
    EXPECT_NE(stored.find(",222,"), std::string::npos) << stored;

    auto again = Show<CMailNewListView>("wang");
    EXPECT_EQ(again->GetGrid()->GetColumnWidth(0), 0);
    EXPECT_EQ(again->GetGrid()->GetColumnWidth(1), 0);
    EXPECT_EQ(again->GetGrid()->GetColumnWidth(3), 222);
}

// The compose dialog run from the drafts: a saved new mail lands on row 1
// above the old rows, or as the only row of an empty grid; a closed one
// without a save adds nothing.
TEST_F(FolderView, ANewMailSavedInTheDraftsBecomesRowOne)
{
    struct
    {
        const char* name;
        bool oldRow;
        bool save;
        Texts subjectsAfter;
    } cases[] = {
        {"above the old row", true, true, {"fresh", "old"}},
        {"into the empty grid", false, true, {"fresh"}},
        {"closed unsaved", true, false, {"old"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Run("delete from SystemMail");
        if (c.oldRow)
            AddMail("li", "zhao", "old", 0);
        auto drafts = Show<CMailDraftListView>("li");
        std::string sender;
        desktop.ActInModal([&](QWidget& dialog) {
            sender = GetWindowText(FindControl(&dialog, CMailEditDlg::kSenderId));
            EXPECT_TRUE(FillControl(dialog, CMailEditDlg::kMailToId, "wang"));
            EXPECT_TRUE(FillControl(dialog, CMailEditDlg::kSubjectId, "fresh"));
            EXPECT_TRUE(FillControl(dialog, CMailEditDlg::kAttachmentId, "plan.doc"));
            if (c.save) {
                EXPECT_TRUE(PressControl(dialog, CMailEditDlg::kSaveId));
            }
        });
        ASSERT_TRUE(PressControl(*drafts, 6001));
        EXPECT_EQ(sender, "li");
        CGridCtrl& grid = *drafts->GetGrid();
        EXPECT_EQ(Column(grid, 3), c.subjectsAfter);
        if (c.save) {
            EXPECT_EQ(grid.GetText(1, 0), Query("select max(KeyId) from SystemMail")[0]);
            EXPECT_EQ(grid.GetText(1, 2), "wang");
            EXPECT_EQ(grid.GetText(1, 1), "@");
            EXPECT_EQ(grid.GetText(1, 5), "plan.doc");
        }
    }
}

TEST_F(FolderView, DoubleClickingADraftOpensItAndTheSavedTextsComeBackIntoTheRow)
{
    AddMail("li", "wang", "first", 0);
    AddMail("li", "wang", "second", 0);
    auto drafts = Show<CMailDraftListView>("li");
    std::string shownSubject;
    desktop.ActInModal([&](QWidget& dialog) {
        shownSubject = GetWindowText(FindControl(&dialog, CMailEditDlg::kSubjectId));
        EXPECT_TRUE(FillControl(dialog, CMailEditDlg::kSubjectId, "first, edited"));
        EXPECT_TRUE(PressControl(dialog, CMailEditDlg::kSaveId));
    });
    DoubleClickRow(*drafts->GetGrid(), 2);
    EXPECT_EQ(shownSubject, "first");
    EXPECT_EQ(Column(*drafts->GetGrid(), 3), (Texts{"second", "first, edited"}));
    EXPECT_EQ(Query("select Subject from SystemMail where KeyId = 1"), Texts{"first, edited"});
}

TEST_F(FolderView, CopyOpensANewMailWithTheFocusRowsTextsAndNeedsAFocusCell)
{
    AddMail("li", "wang", "template", 0, "form.doc");
    auto drafts = Show<CMailDraftListView>("li");
    ASSERT_TRUE(PressControl(*drafts, 6003));
    EXPECT_EQ(MessageTexts(), Texts{FromUtf8("请选择一个任务")});

    ClickRow(*drafts->GetGrid(), 1);
    Texts shown;
    desktop.ActInModal([&](QWidget& dialog) {
        for (int id :
             {CMailEditDlg::kMailToId, CMailEditDlg::kSubjectId, CMailEditDlg::kAttachmentId})
            shown.push_back(GetWindowText(FindControl(&dialog, id)));
        EXPECT_TRUE(PressControl(dialog, CMailEditDlg::kSaveId));
    });
    ASSERT_TRUE(PressControl(*drafts, 6003));
    EXPECT_EQ(shown, (Texts{"wang", "template", "form.doc"}));
    EXPECT_EQ(Column(*drafts->GetGrid(), 3), (Texts{"template", "template"}));
    EXPECT_EQ(Query("select count(*) from SystemMail where Subject = 'template'"), Texts{"2"});
}

// Reading from the inbox shows the delivered copy named by MailId and marks
// the notice read; the notifications show it and leave the notice alone.
TEST_F(FolderView, ReadingAnUnreadNoticeTurnsItBlackInTheInboxOnly)
{
    Run("insert into SystemMailCopy (KeyId, MailFrom, MailTo, Subject, Body, MailTime) values "
        "(41, 'li', 'wang', 'the copy', '<P>hi</P>', '2026-03-01 08:00:00')");
    AddNotice("li", "wang", "the notice", 41, 0);
    Texts shownSubjects;
    auto readCopy = [&](QWidget& dialog) {
        shownSubjects.push_back(GetWindowText(FindControl(&dialog, CMailReadDlg::kSubjectId)));
    };

    auto notify = Show<CMailNotifyListView>("wang");
    desktop.ActInModal(readCopy);
    DoubleClickRow(*notify->GetGrid(), 1);
    EXPECT_EQ(Query("select Status from SystemMailNotify"), Texts{"0"});

    auto inbox = Show<CMailNewListView>("wang");
    CGridCtrl& grid = *inbox->GetGrid();
    EXPECT_EQ(grid.GetTextColour(1, 2), 0xFF0000u);
    EXPECT_EQ(grid.GetTextColour(1, 3), 0xFF0000u);
    ASSERT_TRUE(PressControl(*inbox, 6002));
    EXPECT_EQ(MessageTexts(), Texts{FromUtf8("请选择要修改的任务!")}) << "nothing selected";
    ClickRow(grid, 1);
    desktop.ActInModal(readCopy);
    ASSERT_TRUE(PressControl(*inbox, 6002));
    EXPECT_EQ(shownSubjects, (Texts{"the copy", "the copy"}));
    EXPECT_EQ(grid.GetText(1, 5), "1");
    EXPECT_EQ(grid.GetTextColour(1, 2), 0u);
    EXPECT_EQ(grid.GetTextColour(1, 3), 0u);
    EXPECT_EQ(Query("select Status from SystemMailNotify"), Texts{"1"});
    EXPECT_EQ(desktop.ModalCaptions().size(), 2u);
}

TEST_F(FolderView, OpeningASentMailShowsTheWritersOwnRow)
{
    AddMail("li", "wang", "sent text", 1);
    auto sent = Show<CMailLogListView>("li");
    std::string shownSubject;
    desktop.ActInModal([&](QWidget& dialog) {
        shownSubject = GetWindowText(FindControl(&dialog, CMailReadDlg::kSubjectId));
    });
    DoubleClickRow(*sent->GetGrid(), 1);
    EXPECT_EQ(shownSubject, "sent text");
    EXPECT_TRUE(desktop.Messages().empty());
}

// Each view with the toolbar pictures in place, painted to a PNG in the
// build folder for a look.
TEST_F(FolderView, EveryViewPaintsItsToolbarPicturesAndRows)
{
    std::filesystem::path sources =
        std::filesystem::path(VELLUM_TEST_DATA).parent_path().parent_path();
    std::filesystem::copy(sources / "images", m_home.Path() + "images");
    AddMail("li", "wang;zhao", FromUtf8("周报"), 0, "report.doc");
    AddMail("li", "wang", "Quarterly report", 1, "q3.xls");
    AddMail("li", "O''Neil", FromUtf8("午餐"), 1);
    AddNotice("li", "wang", FromUtf8("周报"), 1, 1);
    AddNotice("zhao", "wang", FromUtf8("会议通知 Meeting on Thursday"), 2, 0);
    AddNotice("li", "wang", "Quarterly report", 3, 0);
    auto check = [&](QWidget& view, const FolderDefinition& folder) {
        for (const FolderButton& button : folder.buttons) {
            auto* control = dynamic_cast<CImageButton*>(FindControl(&view, button.command));
            ASSERT_NE(control, nullptr) << button.command;
            EXPECT_TRUE(control->HasImage()) << button.image;
            EXPECT_EQ(control->width(), button.width);
        }
        std::string png = std::string(VELLUM_BINARY_DIR) + "/view-" + folder.name + ".png";
        EXPECT_TRUE(RenderToPng(view, png)) << png;
    };
    check(*Show<CMailDraftListView>("li"), *FindFolder("drafts"));
    check(*Show<CMailLogListView>("li"), *FindFolder("sent"));
    check(*Show<CMailNewListView>("wang"), *FindFolder("inbox"));
    check(*Show<CMailNotifyListView>("wang"), *FindFolder("notify"));
}

} // namespace

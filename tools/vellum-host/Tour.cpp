// Every step goes the way a person at the host would go: the host window's
// folder list and 新邮件 action, keys on the grid, the buttons of the
// dialogs by control id. Only the answers (the file to upload, OK on the
// messages) come from the scripted user, who also records what the module
// showed, so the tour can tell whether each step worked.
#include "Tour.h"

#include "HostWindow.h"
#include "VellumModule.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowImage.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using vellum::text::FromUtf8;
using vellum::text::ToUtf8;
using vellum::ui::FillControl;
using vellum::ui::FindControl;
using vellum::ui::PressControl;

// Control ids of the dialogs.
constexpr int kComposeTo = 6011;
constexpr int kComposeSubject = 6012;
constexpr int kComposeAttachment = 6014;
constexpr int kComposeUpload = 6015;
constexpr int kComposeSend = 6004;
constexpr int kReadReply = 6002;
constexpr int kReadAttachment = 6009;
constexpr int kReadDownload = 6011;
constexpr int kEditingView = 5001; // inside the body editor
constexpr int kInboxGrid = 6011;
constexpr int kNoticesGrid = 6012;

const char kSentMessage[] = "邮件已经发送";
const char kDeleteQuestion[] = "确定要删除选择的信息吗?";
const char kAttachmentText[] = "第四季度计划：一月完成需求评审，二月联调，三月上线。\n";

class Tour
{
public:
    Tour(VellumModule& module, CDbSession& session, const std::string& connect, std::string folder)
        : m_module(module), m_session(session), m_connect(connect), m_folder(std::move(folder))
    {
    }

    int Run();

private:
    bool LiWritesToWang();
    bool WangReadsAndReplies();
    void LiDeletesTheOldestNotice();
    void ActivateHost();
    void Shot(QWidget& window, const char* name);
    void TypeBody(QWidget& dialog, const char* utf8);
    void TypeBelowQuote(QWidget& dialog, const char* utf8);
    bool Expect(bool condition, const std::string& what);
    bool SentMessageShown(size_t since) const;
    std::string Text(QWidget& dialog, int id) const;

    VellumModule& m_module;
    CDbSession& m_session;
    std::string m_connect;
    std::string m_folder;
    vellum::ui::ScriptedDesktop m_desk;
    HostWindow* m_window = nullptr;
    QTemporaryDir m_scratch;
    std::string m_uploadPath; // UTF-8
    bool m_ok = true;
};

bool Tour::Expect(bool condition, const std::string& what)
{
    if (!condition) {
        std::fprintf(stderr, "vellum-host --tour: %s\n", what.c_str());
        m_ok = false;
    }
    return condition;
}

void Tour::Shot(QWidget& window, const char* name)
{
    std::string path = m_folder + "/" + name;
    if (Expect(vellum::ui::RenderToPng(window, path), "cannot write " + path))
        std::printf("  %s\n", path.c_str());
}

std::string Tour::Text(QWidget& dialog, int id) const
{
    QWidget* control = FindControl(&dialog, id);
    return control ? ToUtf8(vellum::ui::FromQString(control->property("text").toString())) : "";
}

// Typed the way an input method delivers Chinese text: a committed string.
void Tour::TypeBody(QWidget& dialog, const char* utf8)
{
    QWidget* view = FindControl(&dialog, kEditingView);
    if (!Expect(view != nullptr, "the compose dialog has no body editor"))
        return;
    view->setFocus();
    QCoreApplication::processEvents();
    QInputMethodEvent typing;
    typing.setCommitString(QString::fromUtf8(utf8));
    QCoreApplication::sendEvent(view, &typing);
    QTest::keyClick(view, Qt::Key_Return);
}

// A reply starts with the quote header, in bold: the answer goes below the
// quoted mail.
void Tour::TypeBelowQuote(QWidget& dialog, const char* utf8)
{
    QWidget* view = FindControl(&dialog, kEditingView);
    if (!Expect(view != nullptr, "the reply has no body editor"))
        return;
    view->setFocus();
    QCoreApplication::processEvents(); // the quoted body loads
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Return);
    TypeBody(dialog, utf8);
}

bool Tour::SentMessageShown(size_t since) const
{
    const auto& messages = m_desk.Messages();
    return std::any_of(
        messages.begin() + static_cast<long>(since), messages.end(),
        [](const vellum::ui::ShownMessage& m) { return m.text == FromUtf8(kSentMessage); });
}

bool Tour::LiWritesToWang()
{
    std::printf("li writes to wang with an attachment and sends it\n");
    size_t before = m_desk.Messages().size();
    m_desk.AnswerOpenFile(FromUtf8(m_uploadPath));
    m_desk.ActInModal([this](QWidget& dialog) {
        FillControl(dialog, kComposeTo, "wang");
        FillControl(dialog, kComposeSubject, FromUtf8("第四季度计划"));
        TypeBody(dialog, "王工：第四季度计划在附件里，请在周五前看一下。");
        Expect(PressControl(dialog, kComposeUpload), "no upload button");
        Expect(!Text(dialog, kComposeAttachment).empty(), "the upload gave no attachment name");
        Shot(dialog, "02-li-compose.png");
        Expect(PressControl(dialog, kComposeSend), "no send button");
    });
    m_window->NewMail();
    Expect(!m_desk.ModalCaptions().empty(),
           "the module's dialog did not run through the host's desktop services");
    return Expect(SentMessageShown(before), "li's mail was not sent");
}

bool Tour::WangReadsAndReplies()
{
    std::printf("wang reads it, downloads the attachment and replies\n");
    QWidget* grid = FindControl(m_window->CurrentView(), kInboxGrid);
    if (!Expect(grid != nullptr, "the inbox has no grid"))
        return false;
    size_t before = m_desk.Messages().size();
    m_desk.ActInModal([this](QWidget& reading) {
        Shot(reading, "05-wang-read.png");
        Expect(PressControl(reading, kReadDownload), "no download button");
        Expect(!m_desk.OpenedPaths().empty(), "the attachment " + Text(reading, kReadAttachment) +
                                                  " was not downloaded and opened");
        m_desk.ActInModal([this](QWidget& reply) {
            TypeBelowQuote(reply, "收到，周五前给你意见。");
            Shot(reply, "06-wang-reply.png");
            Expect(PressControl(reply, kComposeSend), "no send button in the reply");
        });
        Expect(PressControl(reading, kReadReply), "no reply button");
    });
    ActivateHost();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down); // selects the newest row
    QTest::keyClick(grid, Qt::Key_Return);
    if (!Expect(m_desk.ModalCaptions().size() >= 3, "Enter did not open the mail"))
        return false;
    if (!m_desk.OpenedPaths().empty()) {
        std::ifstream in(std::filesystem::u8path(ToUtf8(m_desk.OpenedPaths().back())));
        std::string got(std::istreambuf_iterator<char>(in), {});
        Expect(got == kAttachmentText, "the downloaded attachment differs from the uploaded one");
    }
    return Expect(SentMessageShown(before), "wang's reply was not sent");
}

// Keys reach the window's shortcuts only while it is the active window;
// offscreen, nothing gives that back after a dialog closed.
void Tour::ActivateHost()
{
    m_window->activateWindow();
    Expect(QTest::qWaitForWindowActive(m_window), "the host window did not become active");
}

void Tour::LiDeletesTheOldestNotice()
{
    std::printf("li deletes the oldest notice with the Delete key\n");
    m_window->ShowFolder(HostFolder::Notices);
    QWidget* grid = FindControl(m_window->CurrentView(), kNoticesGrid);
    if (!Expect(grid != nullptr, "the notifications have no grid"))
        return;
    ActivateHost();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    size_t before = m_desk.Messages().size();
    m_desk.AnswerMessage(vellum::ui::MessageAnswer::Ok);
    QTest::keyClick(grid, Qt::Key_Delete);
    const auto& messages = m_desk.Messages();
    Expect(messages.size() == before + 1 && messages.back().text == FromUtf8(kDeleteQuestion),
           "Delete did not ask before deleting");
}

int Tour::Run()
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::u8path(m_folder), error);
    if (!Expect(!error && m_scratch.isValid(), "cannot create " + m_folder))
        return 1;
    m_uploadPath = m_scratch.filePath(QStringLiteral("第四季度计划.txt")).toStdString();
    std::ofstream(std::filesystem::u8path(m_uploadPath)) << kAttachmentText;

    vellum::ui::ScopedDesktop scripted(m_desk);
    HostWindow window(m_module, m_session, m_connect, "li");
    m_window = &window;
    window.Watch().Stop(); // the tour checks at its own steps
    window.show();
    std::printf("Road of one mail, screenshots in %s:\n", m_folder.c_str());
    Shot(window, "01-li-drafts.png");

    if (LiWritesToWang()) {
        window.ShowFolder(HostFolder::Sent);
        Shot(window, "03-li-sent.png");

        window.SetUser("wang");
        window.ShowFolder(HostFolder::Inbox);
        Shot(window, "04-wang-inbox.png");
        if (WangReadsAndReplies()) {
            window.Watch().Check();
            Shot(window, "07-wang-inbox-read.png");

            std::printf("li's inbox shows the reply\n");
            window.SetUser("li");
            window.ShowFolder(HostFolder::Inbox);
            Shot(window, "08-li-inbox.png");
            LiDeletesTheOldestNotice();
            Shot(window, "09-li-notices.png");
        }
    }
    m_window = nullptr;
    if (m_ok)
        return 0;
    for (const vellum::ui::ShownMessage& message : m_desk.Messages())
        std::fprintf(stderr, "  the module showed: %s\n", ToUtf8(message.text).c_str());
    return 1;
}

} // namespace

int RunTour(VellumModule& module, CDbSession& session, const std::string& connect,
            const std::string& folder)
{
    Tour tour(module, session, connect, folder);
    return tour.Run();
}

// A session keeps its SQLite database locked for as long as it is open, and
// POSIX drops every lock of a process on a file when the process closes any
// descriptor of that file. Here the compose dialog runs as a person uses it:
// its body shows a picture that names the database file, the real file
// dialog lists the database's folder (with types and icons) and the person
// picks the database itself as the attachment. Another process then connects
// and disconnects; a send is refused while the body names the database as a
// picture (it cannot be embedded unread), and once the picture is gone the
// mail is sent. A third process must see the copy,
// every notice and the draft's status: had the dialog read the file, the
// second process would have deleted the write-ahead log under the session.
#include "MailDialogTest.h"
#include "editor/HtmlEditor.h"
#include "mail/MailEditDlg.h"
#include "platform/text/CodePage.h"
#include "platform/ui/QtDesktopServices.h"
#include "support/RunCommand.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTimer>

#include <fstream>

namespace {

using namespace vellum::ui;
using vellum::testing::CommandResult;
using vellum::testing::RunCommand;
using vellum::text::FromUtf8;

// The scripted person, but with Qt's real file dialog.
class RealFileDialogDesktop : public ScriptedDesktop
{
public:
    std::optional<std::string> ChooseOpenFile(QWidget* parent, const std::string& filter) override
    {
        return QtDesktopServices().ChooseOpenFile(parent, filter);
    }
};

// Waits for the file dialog, lets it list the folder, asks its model for
// every row's type and icon as the view would, then picks the file.
void PickInFileDialog(const QString& folder, const QString& file)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, folder, file] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (dialog->directory().absolutePath() != folder)
            dialog->setDirectory(folder);
        auto* model = dialog->findChild<QFileSystemModel*>();
        QModelIndex root = model ? model->index(folder) : QModelIndex();
        if (!model || model->rowCount(root) < 2)
            return; // still listing
        for (int row = 0; row < model->rowCount(root); ++row) {
            model->data(model->index(row, 0, root), Qt::DecorationRole);
            model->data(model->index(row, 2, root), Qt::DisplayRole);
        }
        poll->stop();
        poll->deleteLater();
        dialog->selectFile(folder + "/" + file);
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(file);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, public in QDialog
    });
    poll->start(20);
}

// What a process of its own sees of the mail just sent.
std::string SeenByAnotherProcess(const std::string& database)
{
    return RunCommand("/usr/bin/sqlite3",
                      {database, "select (select count(*) from SystemMailCopy) || ' ' || "
                                 "(select count(*) from SystemMailNotify) || ' ' || "
                                 "(select Status from SystemMail)"})
        .out;
}

class DatabaseLocksTest : public MailDialogTest
{
protected:
    RealFileDialogDesktop m_person;
    ScopedDesktop m_installedPerson{m_person};
};

TEST_P(DatabaseLocksTest, NothingTheDialogShowsOrPicksReadsTheOpenDatabase)
{
    const std::string folder = m_folder.Path().substr(0, m_folder.Path().size() - 1);
    const std::string database = folder + "/mail.db";
    std::filesystem::create_directory(folder + "/data");
    std::ofstream(folder + "/data/tolvan.ini") << "[.]\r\nHttpServer=http://127.0.0.1:9/\r\n";

    CMailEditDlg dialog;
    dialog.m_pSession = &m_session;
    dialog.m_strUserName = "li";
    dialog.m_Exchange.Set(".", "Body", "<P>see <IMG src=\"file://" + database + "\"></P>");
    m_person.ActInModal([&](QWidget& window) {
        window.repaint();
        QApplication::processEvents();
        SetWindowText(FindControl(&window, CMailEditDlg::kMailToId), "wang;zhang");
        SetWindowText(FindControl(&window, CMailEditDlg::kSubjectId), "hello");
        PickInFileDialog(QString::fromStdString(folder), "mail.db");
        dialog.OnCommand(CMailEditDlg::kUploadId);
        EXPECT_EQ(GetWindowText(FindControl(&window, CMailEditDlg::kAttachmentId)), "");

        CommandResult other =
            RunCommand("/usr/bin/sqlite3", {database, "select count(*) from SystemMail"});
        EXPECT_EQ(other.exitCode, 0) << other.err;
        dialog.OnCommand(CMailEditDlg::kSendId);
        // The picture naming the database was not read, so it could not go in.
        dialog.GetEditor()->SetInitialHTML("<P>see</P>");
        dialog.OnCommand(CMailEditDlg::kSendId);
    });
    ASSERT_NE(m_connect.find(database), std::string::npos) << m_connect;
    EXPECT_EQ(dialog.DoModal(), kDialogOk);

    ASSERT_GE(m_person.Messages().size(), 3u);
    EXPECT_TRUE(m_person.Messages()[0].text.starts_with(FromUtf8("不能上传正在使用的数据库文件")))
        << m_person.Messages()[0].text;
    EXPECT_NE(m_person.Messages()[1].text.find(database), std::string::npos);
    EXPECT_EQ(m_person.Messages().back().text, FromUtf8("邮件已经发送"));
    EXPECT_EQ(m_person.Messages().back().icon, MessageIcon::Information);
    EXPECT_EQ(SeenByAnotherProcess(database), "1 2 1\n");
}

VELLUM_ON_SQLITE(DatabaseLocksTest);

} // namespace

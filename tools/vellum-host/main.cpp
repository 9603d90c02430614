// vellum-host: a host application for Vellum, and its demo.
//
//   vellum-host [--connect CONNECTION] [--listen-connect CONNECTION]
//               [--user NAME] [--library PATH]
//   vellum-host --tour DIR [--connect CONNECTION] [--library PATH]
//
// Loads libvellum with dlopen, opens the host's own database session and
// shows the four mail folders of the user. CONNECTION and NAME default to
// Connect and UserName of section "." in vellum-host.ini in the module's
// home folder. --listen-connect (ini: ListenConnect) is where the inbox
// watch listens on PostgreSQL when CONNECTION goes through a pooler in
// transaction mode, which cannot carry LISTEN: the server itself. --tour
// walks offscreen along the road of one mail (li writes to wang with an
// attachment, wang reads, downloads and replies) and writes a PNG of every
// folder and dialog on the way into DIR.
#include "HostWindow.h"
#include "Tour.h"
#include "VellumModule.h"
#include "base/IniDocument.h"
#include "base/TextHelpers.h"
#include "base/TraceLog.h"
#include "db/ConnectionString.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Translations.h"
#include "store/DbSession.h"
#include "store/PerUserAccess.h"

#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

using vellum::text::FromUtf8;
using vellum::text::ToUtf8;

const char kUsage[] =
    "usage: vellum-host [--connect CONNECTION] [--listen-connect CONNECTION] [--user NAME]\n"
    "                   [--library PATH] [--tour DIR]\n";

struct HostOptions
{
    std::string connect; // host code page
    std::string listenConnect;
    std::string userName;
    bool userNameIsText = true; // false when --user held bytes that are no UTF-8 text
    std::string library;
    std::optional<std::string> tourFolder; // UTF-8 path
};

std::optional<HostOptions> ParseOptions(int argc, char** argv)
{
    HostOptions options;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            return std::nullopt;
        const char* name = argv[i];
        char* value = argv[++i];
        // Once read, a password is masked where other users see the
        // arguments (/proc/PID/cmdline); vellum-host.ini keeps it better.
        if (!std::strcmp(name, "--connect")) {
            options.connect = FromUtf8(value);
            vellum::db::MaskPasswordsInPlace(value);
        } else if (!std::strcmp(name, "--listen-connect")) {
            options.listenConnect = FromUtf8(value);
            vellum::db::MaskPasswordsInPlace(value);
        } else if (!std::strcmp(name, "--user")) {
            options.userName = FromUtf8(value);
            options.userNameIsText = ToUtf8(options.userName) == value;
        } else if (!std::strcmp(name, "--library"))
            options.library = value;
        else if (!std::strcmp(name, "--tour"))
            options.tourFolder = value;
        else
            return std::nullopt;
    }
    return options;
}

// What the command line leaves open comes from vellum-host.ini.
void FillFromIni(HostOptions& options)
{
    CIniDocument ini;
    if (ini.Load(GetModuleDir() + "vellum-host.ini") != 1)
        return;
    if (options.connect.empty())
        options.connect = ini.Get(".", "Connect").value_or("");
    if (options.listenConnect.empty())
        options.listenConnect = ini.Get(".", "ListenConnect").value_or("");
    if (options.userName.empty())
        options.userName = ini.Get(".", "UserName").value_or("");
}

// A normal session prints nothing on the terminal it was started from. Qt's
// warnings (no runtime folder, no launcher for a file a user opens, window
// hints a platform cannot take) go to the trace log beside the module's own
// technical reasons, where whoever looks into a problem finds them; debug
// chatter is dropped. Only what ends or breaks the session still reaches
// standard error.
void RouteQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) +
                   " qt: " + qFormatLogMessage(type, context, text) + '\n';
    WriteTrace(FromUtf8(line.toStdString()));
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs(line.toLocal8Bit().constData(), stderr);
}

int Fail(const std::string& message, bool showBox)
{
    std::fprintf(stderr, "vellum-host: %s\n", message.c_str());
    if (showBox)
        QMessageBox::critical(nullptr, QStringLiteral("vellum-host"),
                              QString::fromStdString(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<HostOptions> options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    FillFromIni(*options);
    bool touring = options->tourFolder.has_value();
    if (touring)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(RouteQtMessages);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellum"));
    vellum::ui::InstallQtTranslations();

    if (std::string error = vellum::text::HostCodePageError(); !error.empty())
        return Fail(error, !touring);
    // A name with undecodable bytes would be folded into another user's.
    if (!options->userNameIsText || !vellum::text::IsValidHostText(options->userName))
        return Fail("the user name is not valid text in the code page " +
                        vellum::text::HostCodePage(),
                    !touring);

    VellumModule module;
    if (!module.Load(options->library))
        return Fail(module.Error(), !touring);
    if (options->connect.empty())
        return Fail("no database: give --connect or Connect in " + GetModuleDir() +
                        "vellum-host.ini",
                    !touring);
    CDbSession session;
    if (session.Open(options->connect.c_str()) != 1)
        return Fail(ToUtf8(session.GetLastErrorText()), !touring);

    if (touring)
        return RunTour(module, session, options->connect, *options->tourFolder);

    if (options->userName.empty())
        return Fail("no user: give --user or UserName in vellum-host.ini", true);
    // On a per-user database the desk must log in as its user's own role.
    if (std::string error; !SessionUser(session, options->userName, error))
        return Fail(ToUtf8(error), true);
    HostWindow window(module, session, options->connect, options->userName);
    if (!options->listenConnect.empty()) {
        window.Watch().SetListenConnect(options->listenConnect);
        window.Watch().Watch(options->userName);
    }
    window.show();
    QTimer::singleShot(0, &window, [&window] { window.OfferUnsentMail(); });
    return QApplication::exec();
}

// Upload and download of the one attachment of a mail, as the dialogs run
// them. Message titles are the system's own, the reasons under them are
// words (TransferFailure); "testup.txt" keeps the last request for whoever
// has to find out what an upload sent, as far as the file's bytes begin:
// a copy of the file itself would leave the last confidential attachment
// in the module home as plain text.
//
// Departures from the system's download, each because it lost data or let
// a sender act on the reader's machine: the field is only ever a server
// name (a path in it is not opened); a download that is not complete (short
// of its length, without Content-Disposition, or not written whole) saves
// and opens nothing; a copy the person changed is kept (LocalCopy); and
// only types that run no code are opened (OpenableTypes).
#include "mail/AttachmentTransfer.h"

#include "base/IniDocument.h"
#include "base/RequestParams.h"
#include "base/TextHelpers.h"
#include "base/TicketHeader.h"
#include "mail/AttachmentName.h"
#include "mail/LocalCopy.h"
#include "mail/OpenableTypes.h"
#include "mail/TransferFailure.h"
#include "net/HttpClient.h"
#include "net/MultipartForm.h"
#include "platform/fs/HeldOpenFiles.h"
#include "platform/fs/ModuleHome.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DesktopServices.h"
#include "store/PerUserAccess.h"

#include <cstdio>
#include <optional>

namespace {

using vellum::text::FromUtf8;

// The attachment server's pages, from "data/tolvan.ini" section ".", read
// each time a transfer starts.
struct ServerPages
{
    std::string base;
    std::string type;

    std::string Upload() const { return base + "upload" + type; }
    std::string Download() const { return base + "download" + type; }
};

CIniDocument ServerSettings()
{
    CIniDocument ini;
    ini.Load(GetModuleDir() + "data/tolvan.ini");
    return ini;
}

std::optional<ServerPages> ReadServerPages(QWidget* parent)
{
    CIniDocument ini = ServerSettings();
    ServerPages pages{ini.Get(".", "HttpServer").value_or(""),
                      ini.Get(".", "ServerType").value_or("")};
    if (pages.type.empty())
        pages.type = ".jsp";
    if (!pages.base.empty())
        return pages;
    vellum::ui::MessageBox(FromUtf8("未定义服务器地址(data\\tolvan.ini)[./HttpServer]"),
                           vellum::ui::MessageButtons::Ok, parent);
    return std::nullopt;
}

void Show(const std::string& text, QWidget* parent)
{
    vellum::ui::MessageBox(text, vellum::ui::MessageButtons::Ok, parent);
}

RequestOutcome RunTransfer(const AttachmentFields& fields, CHttpClient& client,
                           const std::function<int()>& work)
{
    if (fields.runner)
        return fields.runner->Run(client, work);
    vellum::ui::WaitCursor wait;
    return {work(), false};
}

// The title and the reason in words for the person; the technical text for
// the trace log. A server with per-user access answers 403 to a user who
// may not do what was asked, which `refused` says.
void ShowFailure(const char* title, const char* refused, const std::string& url,
                 const CHttpClient& client, int requestResult, QWidget* parent)
{
    TraceTransferFailure(FromUtf8(title), url, client);
    std::string reason = ResponseStatus(client) == 403
                             ? FromUtf8(refused) + " (HTTP 403)"
                             : DescribeTransferFailure(client, requestResult);
    Show(FromUtf8(title) + "\r\n" + reason, parent);
}

// Under per-user access the request carries a ticket, taken as the desk's
// own role just before it is sent; false after a message when none could
// be had.
bool AddTicket(const AttachmentFields& fields, CHttpClient& client, const char* title)
{
    if (!fields.session)
        return true;
    std::string error;
    std::optional<std::string> ticket = AttachmentTicket(*fields.session, error);
    if (!ticket) {
        Show(FromUtf8(title) + FromUtf8("\r\n无法从数据库取得附件服务器的通行凭据：") + error,
             fields.parent);
        return false;
    }
    if (!ticket->empty())
        client.m_extraHeaders += std::string(kTicketHeader) + ": " + *ticket + "\r\n";
    return true;
}

// Posts the chosen file; 1 when the reply named the stored file.
int PostAttachment(AttachmentFields& fields, const ServerPages& pages, const std::string& path)
{
    CMultipartForm form;
    form.AddPart("UserName", fields.userName, 0);
    form.AddPart("FileName1", fields.attachment, 0);
    form.AddPart("File1", path, 1);
    CHttpClient client;
    if (!AddTicket(fields, client, "上传失败"))
        return 0;
    client.m_contentType = "multipart/form-data; boundary=" + form.GetBoundary();
    const std::string address = pages.Upload();
    // The file goes from the disk to the socket as it is sent; measuring it
    // and writing "testup.txt" belong to the transfer, not to the window.
    RequestOutcome outcome = RunTransfer(fields, client, [&] {
        form.Start();
        client.m_bodySource = &form;
        WriteTextFile(GetModuleDir() + "testup.txt", form.TextBeforeFiles());
        return client.Request("POST", address);
    });
    if (outcome.cancelled)
        return 0;
    const std::string& reply = client.m_textBody;
    if (reply.empty() || IsErrorStatus(client)) {
        ShowFailure("上传失败", "没有权限上传附件", address, client, outcome.result, fields.parent);
        return 0;
    }
    // A refusal in the server's own words.
    if (reply.find("SUCCESS") == std::string::npos) {
        TraceTransferFailure(FromUtf8("上传失败"), address, client);
        Show(FromUtf8("上传失败\r\n") + reply, fields.parent);
        return 0;
    }
    CRequestParams params;
    params.Parse(reply);
    fields.attachment = params.Get("FileName1").value_or("");
    return 1;
}

// The desktop may have no program for the file, or the file may be of a
// type that runs code: the person learns where the copy is and may open its
// folder instead.
void OpenSavedCopy(const std::string& path, QWidget* parent)
{
    vellum::ui::DesktopServices& desktop = vellum::ui::CurrentDesktop();
    const bool openable = OpensWithoutRunningCode(vellum::text::ToUtf8(path));
    if (openable && desktop.ShellOpen(path))
        return;
    std::string text =
        FromUtf8("附件已保存到:\r\n") + path +
        FromUtf8(openable ? "\r\n没有找到可以打开它的程序。要打开它所在的文件夹吗?"
                          : "\r\n这种文件可能含有程序, 没有直接打开。要打开它所在的文件夹吗?");
    if (vellum::ui::MessageBox(text, vellum::ui::MessageButtons::YesNo, parent) ==
        vellum::ui::MessageAnswer::Yes)
        desktop.ShellOpen(path.substr(0, path.find_last_of('/') + 1));
}

} // namespace

std::string AttachmentServerAddress()
{
    return ServerSettings().Get(".", "HttpServer").value_or("");
}

int UploadAttachment(AttachmentFields& fields)
{
    std::optional<ServerPages> pages = ReadServerPages(fields.parent);
    if (!pages)
        return 0;
    if (fields.sender != fields.userName) {
        Show(FromUtf8("不可修改他人的上传文件"), fields.parent);
        return 0;
    }
    std::optional<std::string> path = vellum::ui::CurrentDesktop().ChooseOpenFile(
        fields.parent, FromUtf8("所有文件 (*.*)|*.*||"));
    if (!path)
        return 0;
    // The open database itself: reading it would drop this process's locks
    // on it, and other users would stop seeing what we write.
    if (vellum::fs::IsHeldOpenByThisProcess(vellum::text::ToUtf8(*path))) {
        Show(FromUtf8("不能上传正在使用的数据库文件：\r\n") + *path, fields.parent);
        return 0;
    }
    return PostAttachment(fields, *pages, *path);
}

int DownloadAttachment(const AttachmentFields& fields, std::string* localCopy)
{
    if (localCopy)
        localCopy->clear();
    const std::string& name = fields.attachment;
    if (name.empty())
        return 0;
    std::optional<ServerPages> pages = ReadServerPages(fields.parent);
    if (!pages)
        return 0;
    std::string address =
        pages->Download() + "?UserName=" + UrlEncode(fields.userName) + "&FileName=" + name;
    // Users expect the download to work on a fresh installation, where
    // "temp/" does not exist yet.
    std::string folder = GetModuleDir() + "temp/";
    vellum::fs::MakeFolders(vellum::text::ToUtf8(folder));

    CHttpClient client;
    if (!AddTicket(fields, client, "下载失败"))
        return 0;
    RequestOutcome outcome =
        RunTransfer(fields, client, [&] { return client.Request("GET", address); });
    if (outcome.cancelled)
        return 0;
    // An error page is no attachment: it must not replace a good earlier copy.
    if (client.m_bytesReceived < 1 || IsErrorStatus(client) ||
        client.LastFailure() == CHttpClient::Failure::WriteFailed) {
        ShowFailure("下载失败", "没有权限下载这个附件", address, client, outcome.result,
                    fields.parent);
        return 0;
    }
    // A connection lost before the announced length arrived leaves a torn
    // file: it would replace a good earlier copy and open as garbage.
    if (client.m_contentLength > client.m_bytesReceived) {
        TraceTransferFailure(FromUtf8("下载失败"), address, client);
        char counts[64];
        std::snprintf(counts, sizeof counts, " %lld/%lld\r\n",
                      static_cast<long long>(client.m_bytesReceived),
                      static_cast<long long>(client.m_contentLength));
        Show(FromUtf8("下载失败\r\n连接中断, 只收到字节") + counts, fields.parent);
        return 0;
    }
    std::string disposition;
    client.GetHeader("Content-Disposition", disposition);
    if (disposition.empty()) {
        TraceTransferFailure(FromUtf8("下载失败"), address, client);
        Show(FromUtf8("下载失败\r\n") + client.m_textBody, fields.parent);
        return 0;
    }
    std::string path = SaveBesideOtherCopies(client, folder, LocalCopyName(name));
    if (path.empty()) {
        TraceTransferFailure(FromUtf8("下载失败"), address, client);
        Show(FromUtf8("下载失败\r\n") + client.GetLastErrorText(), fields.parent);
        return 0;
    }
    if (localCopy)
        *localCopy = path;
    OpenSavedCopy(path, fields.parent);
    return 1;
}

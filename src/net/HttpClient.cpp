// The HTTP client's request, event loop and response storage. Every head
// line, message and trace line is the system's own and kept byte for byte;
// the order of the head lines matters to servers and tests alike.
#include "net/HttpClient.h"

#include "base/IniDocument.h"
#include "base/TextHelpers.h"
#include "base/TraceLog.h"
#include "net/HttpUrl.h"
#include "platform/fs/ModuleHome.h"
#include "platform/net/EventWait.h"
#include "platform/net/ProcessIds.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <thread>

using vellum::net::kEventClose;
using vellum::net::kEventRead;
using vellum::net::kEventWrite;
using vellum::net::WaitResult;

namespace {

// One read takes a whole TLS record (16 KiB) or, in clear, what many
// segments brought: with 4 KiB reads a download cost a tenth more CPU.
constexpr int kReceiveBuffer = 64 * 1024;
constexpr size_t kFileBuffer = 1 << 20;
// A body source's pieces: large enough that the socket, not the reads,
// sets the pace, small enough that a 4 GB upload stays a small process.
constexpr size_t kSendBuffer = 256 * 1024;
constexpr int64_t kLargestSend = 1 << 30;
constexpr int64_t kSendBeforeLooking = 4 << 20;
constexpr size_t kHeaderWindow = 2047;
constexpr size_t kHeaderPatternLimit = 255;
constexpr size_t kProxyServerLimit = 1023;
constexpr const char* kHeadEnd = "\r\n\r\n";
constexpr const char* kHeadTooLong = "CHttpClient 响应头超过 100 KB, 已停止接收";

std::string TempFilePath()
{
    std::string folder = vellum::fs::TempFolder();
    if (folder.empty())
        folder = GetModuleDir();
    char name[64];
    std::snprintf(name, sizeof name, "http%04x%d.tmp", vellum::net::CurrentProcessId(),
                  static_cast<int>(std::time(nullptr)));
    return folder + name;
}

std::string LowerCopy(std::string text)
{
    AsciiLower(text.data());
    return text;
}

std::FILE* OpenForWriting(const std::string& hostPath, bool fresh = false)
{
    std::string path = vellum::text::ToUtf8(hostPath);
    // A fresh file, not the old one truncated: an earlier SaveToFile may
    // have given the old one a second name (CopyFinishedFile).
    if (fresh)
        std::remove(path.c_str());
    return std::fopen(path.c_str(), "wb");
}

// Gives a finished temporary file a second name, `to`, which must not
// exist. On one file system that is a hard link: the temporary file is never
// written again (a new response makes a new one), so both names keep the
// body, and a large download is not written twice. 0 or the error.
int LinkOrCopy(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::create_hard_link(from, to, error);
    if (!error)
        return 0;
    error.clear();
    std::filesystem::copy_file(from, to, error);
    return error ? error.value() : 0;
}

int WriteAll(const std::string& path, const std::string& bytes)
{
    std::FILE* file = OpenForWriting(path, true);
    if (!file)
        return errno;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = written ? 0 : errno;
    if (std::fclose(file) != 0 && written)
        error = errno;
    return error;
}

// What a failed write means to the person, in words.
const char* WriteFailureWords(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "磁盘已满, 文件没有保存";
    case EFBIG:
        return "文件超过了系统允许的大小, 没有保存";
    case EACCES:
    case EPERM:
    case EROFS:
        return "没有写入这个文件夹的权限, 文件没有保存";
    default:
        return "写入磁盘时出错, 文件没有保存";
    }
}

// The leading decimal number of a Content-Length, in 64 bits; -1 when it is
// negative or does not fit (no length can be trusted then).
int64_t ParseLength(const std::string& text)
{
    size_t at = text.find_first_not_of(" \t");
    if (at != std::string::npos && text[at] == '+')
        ++at;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        int digit = text[at] - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return -1;
        value = value * 10 + digit;
    }
    return at < text.size() && text[at] == '-' ? -1 : value;
}

} // namespace

CHttpClient::CHttpClient() : m_tempFilePath(TempFilePath())
{
    ReadSettings();
}

// The body lives on only where SaveToFile put it (a second name of the same
// file, or a copy): the temporary file goes with the object that wrote it.
CHttpClient::~CHttpClient()
{
    Reset();
    if (m_wroteTempFile)
        std::remove(vellum::text::ToUtf8(m_tempFilePath).c_str());
}

static std::string ConfiguredCaFile(const CIniDocument& ini)
{
    // A relative name is taken beside the ini file, where the rest of the
    // installation lives.
    std::string caFile = ini.Get("HttpClient", "CAFile").value_or("");
    if (!caFile.empty() && caFile[0] != '/')
        caFile = GetModuleDir() + caFile;
    return caFile;
}

std::string ConfiguredCaFile()
{
    CIniDocument ini;
    ini.Load(GetModuleDir() + "httpclient.ini");
    return ConfiguredCaFile(ini);
}

void CHttpClient::ReadSettings()
{
    CIniDocument ini;
    ini.Load(GetModuleDir() + "httpclient.ini");
    m_caFile = ConfiguredCaFile(ini);
    int type = ini.GetInt("HttpClient", "ProxyType");
    if (type == 0)
        return;
    std::string server =
        ini.Get("HttpClient", "ProxyServer").value_or("").substr(0, kProxyServerLimit);
    if (server.empty())
        return;
    int port = ini.GetInt("HttpClient", "ProxyPort");
    if (port != 0)
        SetProxy(kHttpProxy, server, port);
}

void CHttpClient::Reset()
{
    Close();
    m_bodyBytesSent = 0;
    m_contentLength = -1;
    m_textBody.clear();
    m_responseHead.clear();
    m_bytesReceived = 0;
    m_refused = false;
    m_failure = Failure::None;
    m_writeFailed = false;
    m_sendAt = m_sendEnd = 0;
    if (m_tempFile) {
        std::fclose(m_tempFile);
        m_tempFile = nullptr;
        std::remove(vellum::text::ToUtf8(m_tempFilePath).c_str());
    }
    m_state = kIdle;
}

int CHttpClient::Request(const std::string& method, const std::string& url)
{
    Reset();
    HttpUrlParts parts;
    if (!SplitHttpUrl(url, parts))
        return -1;
    m_server = parts.server;
    m_object = parts.object;
    m_port = parts.port;
    m_secure = parts.secure;
    m_method = method;
    m_url = url;
    std::string cookieLine;
    if (m_useCookies)
        cookieLine = m_cookieJar.GetCookieLine(url);
    if (!Create())
        return 0;
    m_state = kConnecting;
    if (!(m_secure ? ConnectTls(m_server, m_port, m_caFile) : Connect(m_server, m_port)))
        return 0;
    if (m_object.empty())
        m_object = "/";
    std::string head = BuildHead(cookieLine);
    m_state = kSendingHead;
    TraceStep("CHttpClient::Request send header");
    if (Send(head.data(), static_cast<int>(head.size())) < 0) {
        m_failure = Failure::SendFailed;
        Close();
        return 1;
    }
    TraceStep("CHttpClient::Request send and recv header");
    if (IsPaced())
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    m_state = kHeadSent;
    // However the exchange ends, its failure is kept in m_failure.
    SendAndRecv();
    Close();
    TraceStep("CHttpClient::Request read ok");
    return 1;
}

std::string CHttpClient::BuildHead(const std::string& cookieLine)
{
    // Inside a tunnel the server is talked to as directly.
    bool absolute = m_proxyMode == kHttpProxy && !m_secure;
    std::string head = m_method + " " + (absolute ? m_url : m_object) + " HTTP/1.0\r\n";
    head += "Accept: */*\r\n";
    if (!m_referer.empty())
        head += "Referer: " + m_referer + "\r\n";
    head += "User-Agent: " + m_userAgent + "\r\n";
    if (!m_soapAction.empty())
        head += "SOAPAction: \"" + m_soapAction + "\"\r\n";
    head += m_extraHeaders;
    if (m_method == "GET")
        m_bodyLength = 0;
    else if (m_bodySource)
        m_bodyLength = m_bodySource->Length();
    if (m_method == "POST") {
        if (!m_contentType.empty())
            head += "Content-Type: " + m_contentType + "\r\n";
        if (!m_bodyText.empty()) {
            m_body = m_bodyText.data();
            m_bodySource = nullptr;
            m_bodyLength = static_cast<int64_t>(m_bodyText.size());
        }
        head += "Content-Length: " + std::to_string(m_bodyLength) + "\r\n";
    }
    if (!cookieLine.empty())
        head += "Cookie: " + cookieLine + "\r\n";
    head += "Host: " + m_server;
    if (m_port != (m_secure ? 443 : 80))
        head += ":" + std::to_string(m_port);
    head += "\r\n\r\n";
    return head;
}

bool CHttpClient::IsPaced() const
{
    size_t at = m_userAgent.find("SymbianOS");
    return at != std::string::npos && at > 0;
}

void CHttpClient::TraceStep(const char* step)
{
    if (!m_trace)
        return;
    char line[128];
    std::snprintf(line, sizeof line, "%08x %s\r\n", vellum::net::CurrentThreadId(), step);
    WriteTrace(line);
}

void CHttpClient::RecordWaitTimeout(int64_t sentByThisCall)
{
    char message[128];
    std::snprintf(message, sizeof message,
                  "SendAndRecv::WSA_WAIT_TIMEOUT failure(Send %lld/%lld/%lld)\r\n",
                  static_cast<long long>(sentByThisCall), static_cast<long long>(m_bodyLength),
                  static_cast<long long>(m_bytesSent));
    m_lastError = message;
    m_failure = Failure::TimedOut;
}

int CHttpClient::SendAndRecv()
{
    if (!IsOpen())
        return -1;
    const bool paced = IsPaced();
    int64_t sent = 0;
    uint32_t waitTime = m_timeout;
    for (;;) {
        if (paced)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        WaitResult waited = vellum::net::WaitForEvents(&m_socket, &m_abortEvent, waitTime);
        if (waited == WaitResult::Failed) {
            m_lastError = "SendAndRecv::WSAWaitForMultipleEvents(...) failure\r\n";
            m_failure = Failure::WaitFailed;
            Close();
            return -1;
        }
        // Data that keeps flowing always wins the wait; the abort is looked
        // at on every pass so that it still ends a download in full flow.
        if (waited != WaitResult::NetworkEvent || m_abortEvent.IsSignalled()) {
            RecordWaitTimeout(sent);
            Close();
            return -2;
        }
        uint32_t events = m_socket.EnumerateEvents();
        if (events == 0) {
            m_lastError = "SendAndRecv get event but not net event\r\n";
            continue;
        }
        m_lastNetworkEvents = events;
        if (events & kEventRead) {
            m_lastError = "SendAndRecv get read event\r\n";
            int read = ReadPieces(waitTime);
            if (read < 1)
                return read;
        } else if (m_connected == 0) {
            return EndAfterRemoteClose();
        }
        if (events & kEventClose) {
            m_lastError = "SendAndRecv::Get close event\r\n";
            m_connected = 0;
        }
        if ((events & kEventWrite) && m_bodyLength >= 1 && m_state == kHeadSent &&
            m_bodyLength - m_bodyBytesSent >= 0) {
            m_lastError = "SendAndRecv get write event\r\n";
            if (SendBodyPieces(sent) < 0)
                return -2;
        }
    }
}

// Sends until the socket takes no more (the next write event goes on) or
// the body is out; -1 when it cannot go on. A server that answers before
// the body is out (413 from the head alone) and then reads on to drain
// would keep the socket writable for as long as it drains: so every few
// pieces the answer is looked for, and once it has come nothing more is
// sent; the read event then takes it, before the server's close could
// discard it.
int CHttpClient::SendBodyPieces(int64_t& sentByThisCall)
{
    int64_t sinceLook = 0;
    while (m_bodyBytesSent < m_bodyLength) {
        if (sinceLook >= kSendBeforeLooking) {
            if (m_socket.HasInput()) {
                // Under TLS the input may be no answer at all (a session
                // ticket): once it is read, sending must be offered again.
                if (IsEncrypted())
                    m_socket.ReportWriteAgain();
                return 0;
            }
            sinceLook = 0;
        }
        const char* data = nullptr;
        size_t size = 0;
        if (!NextBodyPiece(data, size))
            return -1;
        int n = SendData(data, static_cast<int>(size));
        if (n < 0) {
            m_failure = Failure::SendFailed;
            return -1;
        }
        m_bodyBytesSent += n;
        sentByThisCall += n;
        sinceLook += n;
        m_sendAt += static_cast<size_t>(n);
        ReportProgress();
        if (static_cast<size_t>(n) < size)
            return 0;
    }
    return 0;
}

// The unsent rest of the body's current piece, reading the next one from
// the body source when the last went out.
bool CHttpClient::NextBodyPiece(const char*& data, size_t& size)
{
    const int64_t left = m_bodyLength - m_bodyBytesSent;
    if (!m_bodySource) {
        data = m_body + m_bodyBytesSent;
        size = static_cast<size_t>(std::min(left, kLargestSend));
        m_sendAt = m_sendEnd = 0;
        return true;
    }
    if (m_sendAt == m_sendEnd) {
        if (!m_sendBuffer)
            m_sendBuffer = std::make_unique_for_overwrite<char[]>(kSendBuffer);
        int64_t count = m_bodySource->ReadNext(
            m_sendBuffer.get(), static_cast<size_t>(std::min<int64_t>(left, kSendBuffer)));
        if (count <= 0) {
            m_lastError = m_bodySource->FailureText();
            if (m_lastError.empty())
                m_lastError = vellum::text::FromUtf8("请求体比它声明的长度短");
            m_failure = Failure::BodyUnreadable;
            Close();
            return false;
        }
        m_sendAt = 0;
        m_sendEnd = static_cast<size_t>(count);
    }
    data = m_sendBuffer.get() + m_sendAt;
    size = m_sendEnd - m_sendAt;
    return true;
}

// Reads until nothing is left: 1 to go on with the loop, otherwise the
// value SendAndRecv ends with.
int CHttpClient::ReadPieces(uint32_t& waitTime)
{
    char buffer[kReceiveBuffer];
    for (;;) {
        int n = RecvData(buffer, kReceiveBuffer - 1);
        if (n < 0) {
            m_failure = Failure::ReceiveFailed;
            return n;
        }
        if (n == 0)
            return 1;
        buffer[n] = '\0';
        int more = OnData(buffer, n);
        if (more < 1)
            return more;
        waitTime = m_flowTimeout;
    }
}

int CHttpClient::EndAfterRemoteClose()
{
    m_lastError = "Close socket for remote close event\r\n";
    char buffer[kReceiveBuffer];
    int n = RecvData(buffer, kReceiveBuffer - 1);
    if (n > 0) {
        buffer[n] = '\0';
        m_lastError = "read bytes before close socket\r\n";
        OnData(buffer, n);
    }
    Close();
    return -1;
}

int CHttpClient::OnData(char* buffer, int length)
{
    if (length < 0)
        return 1;
    if (m_refused)
        return -1;
    buffer[length] = '\0';
    const char* body = buffer;
    if (m_state < kReceivingBody) {
        m_state = kReceivingHead;
        // The marker may straddle two pieces: look at the head's last three
        // bytes together with this piece.
        size_t carried = std::min<size_t>(3, m_responseHead.size());
        std::string window = m_responseHead.substr(m_responseHead.size() - carried) + buffer;
        size_t at = window.find(kHeadEnd);
        if (at == std::string::npos) {
            // Refused before it is kept: the head stays within its bound
            // whatever the size of a read.
            if (m_responseHead.size() + (window.size() - carried) > kHeadLimit)
                return RefuseResponse(kHeadTooLong);
            m_responseHead += buffer;
            return 1;
        }
        if (at < carried)
            m_responseHead.resize(m_responseHead.size() - carried + at);
        else
            m_responseHead.append(buffer, at - carried);
        if (m_responseHead.size() > kHeadLimit)
            return RefuseResponse(kHeadTooLong);
        m_state = kReceivingBody;
        if (!ParseHead())
            return RefuseResponse("CHttpClient 响应的 Content-Length 无法识别");
        body = buffer + (at + 4 - carried);
        if (body >= buffer + length)
            return 1;
    }
    if (!StoreBody(body, static_cast<int>(buffer + length - body)))
        return -1;
    return m_contentLength == -1 || m_bytesReceived < m_contentLength ? 1 : 0;
}

// False when the head announces a length no body can have.
bool CHttpClient::ParseHead()
{
    std::string value;
    bool lengthValid = true;
    if (GetHeader("Content-Length", value)) {
        m_contentLength = ParseLength(value);
        lengthValid = m_contentLength >= 0;
    }
    GetHeader("Content-Type", value);
    m_responseContentType = value;
    m_nonTextBody = 1;
    if (value.find("text") != std::string::npos)
        m_nonTextBody = 0;
    if (value.find("xml") != std::string::npos)
        m_nonTextBody = 0;
    m_cookieJar.TakeSite(m_url);
    static const std::string kSetCookie = "Set-Cookie: ";
    for (size_t at = m_responseHead.find(kSetCookie); at != std::string::npos;
         at = m_responseHead.find(kSetCookie, at + 1))
        m_cookieJar.TakeSetCookie(m_responseHead.substr(at + kSetCookie.size()));
    return lengthValid;
}

int CHttpClient::RefuseResponse(const char* utf8Message, Failure failure)
{
    m_lastError = vellum::text::FromUtf8(utf8Message);
    m_failure = failure;
    m_refused = true;
    Close();
    return -1;
}

int CHttpClient::WriteFailure(int error)
{
    m_writeFailed = true;
    return RefuseResponse(WriteFailureWords(error), Failure::WriteFailed);
}

// Keeps the piece; false when the exchange has to end (a text body past its
// bound, a failed write), with the reason recorded.
bool CHttpClient::StoreBody(const char* data, int length)
{
    if (m_bodySink) {
        if (!m_bodySink(data, static_cast<size_t>(length))) {
            RefuseResponse("CHttpClient 响应体已被拒收");
            return false;
        }
        m_bytesReceived += length;
        ReportProgress();
        return true;
    }
    if (!m_nonTextBody) {
        size_t text = strnlen(data, static_cast<size_t>(length));
        if (m_textBody.size() + text > kTextBodyLimit) {
            RefuseResponse("CHttpClient 文本响应超过 16 MB, 已停止接收");
            return false;
        }
        m_textBody.append(data, text);
        m_bytesReceived += length;
        ReportProgress();
        return true;
    }
    if (!m_tempFile) {
        m_tempFile = OpenForWriting(m_tempFilePath, true);
        if (!m_tempFile) {
            m_lastError = vellum::text::FromUtf8("CHttpClient 创建临时文件失败!");
            m_writeFailed = true; // this piece is lost: the body can no longer be whole
            return true;
        }
        m_wroteTempFile = true;
        // Pieces are 4095 bytes; written one by one they would cost one
        // system call (and a partial page) each. A large buffer of whole
        // pages makes the file writes few and aligned for one memory copy.
        if (!m_fileBuffer)
            m_fileBuffer = std::make_unique_for_overwrite<char[]>(kFileBuffer);
        std::setvbuf(m_tempFile, m_fileBuffer.get(), _IOFBF, kFileBuffer);
    }
    if (std::fwrite(data, 1, static_cast<size_t>(length), m_tempFile) !=
        static_cast<size_t>(length)) {
        WriteFailure(errno);
        return false;
    }
    m_bytesReceived += length;
    ReportProgress();
    return true;
}

void CHttpClient::ReportProgress()
{
    if (m_onProgress)
        m_onProgress(*this);
}

int CHttpClient::GetHeader(const std::string& name, std::string& value) const
{
    value.clear();
    std::string pattern = LowerCopy(("\r\n" + name + ": ").substr(0, kHeaderPatternLimit));
    std::string window = LowerCopy(m_responseHead.substr(0, kHeaderWindow));
    size_t at = window.find(pattern);
    if (at == std::string::npos)
        return 0;
    size_t start = at + pattern.size();
    size_t end = m_responseHead.find("\r\n", start);
    value =
        m_responseHead.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return 1;
}

// The buffered end of the body reaches the disk only here, so this close
// can be the write that fails.
bool CHttpClient::CloseTempFile()
{
    if (!m_tempFile)
        return true;
    bool flushed = std::fflush(m_tempFile) == 0;
    int error = flushed ? 0 : errno;
    if (std::fclose(m_tempFile) != 0 && flushed) {
        flushed = false;
        error = errno;
    }
    m_tempFile = nullptr;
    if (!flushed)
        WriteFailure(error);
    return flushed;
}

int CHttpClient::SaveToFile(const std::string& path)
{
    if (!CloseTempFile() || m_writeFailed)
        return 0; // a body that did not reach the disk whole is no body
    const std::string target = vellum::text::ToUtf8(path);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%x.part", vellum::net::CurrentProcessId());
    const std::string staging = target + suffix;
    std::remove(staging.c_str());
    int error = m_nonTextBody ? LinkOrCopy(vellum::text::ToUtf8(m_tempFilePath), staging)
                              : WriteAll(staging, m_textBody);
    if (error == 0 && std::rename(staging.c_str(), target.c_str()) != 0)
        error = errno;
    if (error == 0)
        return 1;
    std::remove(staging.c_str());
    bool notCreated = error == ENOENT || error == ENOTDIR || error == EISDIR;
    m_lastError =
        vellum::text::FromUtf8(notCreated ? "无法创建目标文件" : WriteFailureWords(error));
    m_failure = Failure::WriteFailed;
    return 0;
}

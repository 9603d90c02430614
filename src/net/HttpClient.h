// CHttpClient: one HTTP/1.0 request at a time over the event socket. Each
// request opens a fresh connection, sends the head, then sends the body and
// reads the response in one event loop (SendAndRecv). The response head is
// kept as text; the body goes to a string when the response is text and to
// a temporary file otherwise, and SaveToFile stores it under a name (or, when
// the caller set a body sink, to the sink alone). The temporary file goes
// when the object does.
//
// Callers set the request members and read the response members directly.
// The HTTP status is never examined: an error page is a response like any
// other, and redirections are not followed.
//
// An https URL is fetched the same way inside a TLS session whose server
// certificate is verified (net/TlsSession.h); through a proxy, inside its
// tunnel.
//
// A peer may send without end: a head longer than kHeadLimit or a text body
// longer than kTextBodyLimit ends the exchange with a message instead of
// filling memory. Non-text bodies go to disk and have no such bound.
//
// Lengths are 64-bit throughout: a file above 2 GiB is an ordinary upload or
// download, and a count that wraps would announce or accept a wrong length.
// A failed write of the body to disk ends the exchange too, and SaveToFile
// never puts a partial body where a good file was.
#pragma once

#include "net/BodySource.h"
#include "net/CookieJar.h"
#include "net/ProxySocket.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

// The extra CA file that httpclient.ini names (section HttpClient, key
// CAFile), as every https connection trusts it; empty when none is named.
std::string ConfiguredCaFile();

class CHttpClient : public CProxySocket
{
public:
    // Progress of the current request (m_state).
    // Bounds on what is kept in memory (bytes). A head of 100 KiB is far
    // beyond any real server's, as curl's bound of 100 KiB per header line is.
    static constexpr size_t kHeadLimit = 100 * 1024;
    static constexpr size_t kTextBodyLimit = 16 * 1024 * 1024;

    enum State {
        kIdle = 0,
        kConnecting = 1,
        kSendingHead = 2,
        kHeadSent = 3,
        kReceivingHead = 4,
        kReceivingBody = 5
    };

    // How a request went wrong, for the code to decide on; the last error
    // text keeps the system's words for the person and the trace log.
    enum class Failure {
        None,
        WaitFailed,      // the wait itself failed
        TimedOut,        // no event in time, or the abort event
        BodyUnreadable,  // the body source could not go on as announced
        SendFailed,      // the socket refused the body
        ReceiveFailed,   // the socket failed while receiving
        ResponseRefused, // the response went past a bound or had no valid length
        WriteFailed,     // the body could not be written to disk
    };

    // Reads "httpclient.ini" once, for the life of the object: the proxy,
    // and the extra CA file trusted for https.
    CHttpClient();
    ~CHttpClient() override;

    // -1: not an http or https URL; 0: no socket or no connection (the last error
    // text says why); 1: the request went out and the exchange ran, however
    // it ended.
    [[nodiscard]] int Request(const std::string& method, const std::string& url);

    // One received piece, with room for a zero byte after it. Returns 1 to
    // go on reading, 0 when the body is complete, -1 when the response went
    // past a bound (the last error text says which).
    virtual int OnData(char* buffer, int length);

    // 1 and the value when the response head holds the header, else 0 and
    // an empty value. Only the head's first 2047 characters are searched,
    // and the header must have exactly one space after its colon.
    int GetHeader(const std::string& name, std::string& value) const;

    // Stores the response body under `path` (host code page): written under
    // a name of its own beside it, then renamed over it, so that a failure
    // (a full disk above all) leaves what was there. 1 or 0 (the last error
    // text says why).
    [[nodiscard]] int SaveToFile(const std::string& path);

    [[nodiscard]] Failure LastFailure() const { return m_failure; }

    // Closes the connection and empties the response members.
    void Reset();

    // Sends the body and reads the response: 0 when the body completed by
    // its length, -1 after failures and the remote-close ending, -2 when a
    // wait ran out or the body could not be sent.
    int SendAndRecv();

    int m_useCookies = 1;
    int m_state = kIdle;
    int m_nonTextBody = 0;
    int64_t m_contentLength = -1;
    int64_t m_bytesReceived = 0;
    int64_t m_bodyBytesSent = 0;
    const char* m_body = nullptr; // owned by the caller during Request
    int64_t m_bodyLength = 0;
    // When set, the body is read from here as it goes out, and its length
    // is the source's; owned by the caller during Request.
    BodySource* m_bodySource = nullptr;
    std::string m_url;
    unsigned short m_port = 0;
    std::string m_server = "127.0.0.1";
    bool m_secure = false; // the current request is https
    // An extra certificate authority's file (PEM) trusted for https besides
    // the system's store; "" for none.
    std::string m_caFile;
    std::string m_method = "GET";
    std::string m_object = "/";
    std::string m_referer;
    std::string m_contentType = "text/html";
    std::string m_userAgent = "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+SV1)";
    std::string m_soapAction;
    std::string m_extraHeaders; // each line ends with "\r\n"
    std::string m_bodyText;     // with POST, replaces m_body and m_bodyLength
    std::string m_responseHead; // without the blank line that ends it
    std::string m_responseContentType;
    std::string m_textBody;
    std::string m_tempFilePath;
    CCookieJar m_cookieJar;
    // How long the loop waits once response data flows (the first wait is
    // m_timeout). Tests shorten it; nothing else changes it.
    uint32_t m_flowTimeout = 15000;
    // Called, on the thread running the request, after each piece of the
    // body went out and each piece of the response body came in; a window
    // shows the transfer's progress from it.
    std::function<void(const CHttpClient&)> m_onProgress;
    // When set, the response body goes here piece by piece instead of to
    // m_textBody or the temporary file: a caller that wants a small body in
    // memory, bounded as it likes. Returning false ends the exchange as
    // refused (Failure::ResponseRefused).
    std::function<bool(const char* data, size_t size)> m_bodySink;

private:
    void ReadSettings();
    std::string BuildHead(const std::string& cookieLine);
    bool IsPaced() const;
    void TraceStep(const char* step);
    [[nodiscard]] int ReadPieces(uint32_t& waitTime);
    [[nodiscard]] int EndAfterRemoteClose();
    void RecordWaitTimeout(int64_t sentByThisCall);
    [[nodiscard]] int SendBodyPieces(int64_t& sentByThisCall);
    [[nodiscard]] bool NextBodyPiece(const char*& data, size_t& size);
    [[nodiscard]] bool ParseHead();
    [[nodiscard]] bool StoreBody(const char* data, int length);
    void ReportProgress();
    int RefuseResponse(const char* utf8Message, Failure failure = Failure::ResponseRefused);
    int WriteFailure(int error);
    [[nodiscard]] bool CloseTempFile();

    Failure m_failure = Failure::None;
    bool m_writeFailed = false;           // some of the body never reached the disk
    std::unique_ptr<char[]> m_sendBuffer; // the body source's pieces on their way out
    size_t m_sendAt = 0;
    size_t m_sendEnd = 0;

    std::FILE* m_tempFile = nullptr;
    bool m_wroteTempFile = false;         // the file at m_tempFilePath is this object's
    bool m_refused = false;               // the response went past a bound; the rest is not read
    std::unique_ptr<char[]> m_fileBuffer; // the temporary file's write buffer
};

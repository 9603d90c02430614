// The TLS session's BIO over the event socket, its handshake and the words
// for a certificate that could not be verified.
#include "net/TlsSession.h"

#include "platform/net/EventWait.h"
#include "platform/net/Ipv4Address.h"
#include "platform/net/ManualEvent.h"

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

using vellum::net::EventSocket;
using vellum::net::IoResult;
using vellum::net::WaitResult;

namespace {

EventSocket& SocketOf(BIO* bio)
{
    return *static_cast<EventSocket*>(BIO_get_data(bio));
}

int WriteToSocket(BIO* bio, const char* data, int length)
{
    BIO_clear_retry_flags(bio);
    IoResult result = SocketOf(bio).Send(data, length);
    if (!result.Failed())
        return result.count;
    if (result.WouldBlock())
        BIO_set_retry_write(bio);
    errno = result.error;
    return -1;
}

int ReadFromSocket(BIO* bio, char* buffer, int size)
{
    BIO_clear_retry_flags(bio);
    IoResult result = SocketOf(bio).Receive(buffer, size);
    if (!result.Failed())
        return result.count;
    if (result.WouldBlock())
        BIO_set_retry_read(bio);
    errno = result.error;
    return -1;
}

long ControlSocket(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

// One method for every session; OpenSSL keeps it for the process's life.
BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "event socket");
        BIO_meth_set_write(made, WriteToSocket);
        BIO_meth_set_read(made, ReadFromSocket);
        BIO_meth_set_ctrl(made, ControlSocket);
        return made;
    }();
    return method;
}

// What the person is told when the certificate failed, after the common
// opening; OpenSSL's own words for the rare cases.
std::string CertificateWords(long result, const std::string& host)
{
    switch (result) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return "证书是服务器自己签发的, 不受信任";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "签发证书的机构不受信任";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "证书已过期";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "证书尚未生效";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "证书上的名称不是 " + host;
    case X509_V_ERR_CERT_REVOKED:
        return "证书已被吊销";
    default:
        return std::string("证书无效 (") + X509_verify_cert_error_string(result) + ")";
    }
}

// A send or receive that moved nothing: one that waits for the socket, or a
// failure. Only the system's own failure keeps its code; errno is stale
// after a protocol failure and could pass for one that would block.
IoResult Unfinished(int error)
{
    int code = errno;
    ERR_clear_error();
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
        return {-1, EWOULDBLOCK};
    bool systemFailure =
        error == SSL_ERROR_SYSCALL && code != 0 && code != EAGAIN && code != EWOULDBLOCK;
    return {-1, systemFailure ? code : EPROTO};
}

std::string OpenSslError()
{
    char text[256] = "";
    if (unsigned long error = ERR_get_error())
        ERR_error_string_n(error, text, sizeof text);
    ERR_clear_error();
    return text;
}

using Context = std::shared_ptr<SSL_CTX>;

Context NewClientContext(const std::string& caFile, std::string& words)
{
    Context context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context) {
        words = "无法建立加密连接: " + OpenSslError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context.get());
    if (!caFile.empty() &&
        SSL_CTX_load_verify_locations(context.get(), caFile.c_str(), nullptr) != 1) {
        words = "无法读取证书颁发机构文件 " + caFile;
        ERR_clear_error();
        return nullptr;
    }
    // A server that renegotiates would make a send wait for a receive,
    // which the event loop cannot express; HTTP/1.0 bodies that end with
    // the connection are judged by their length, as in clear text.
    SSL_CTX_set_options(context.get(), SSL_OP_NO_RENEGOTIATION | SSL_OP_IGNORE_UNEXPECTED_EOF);
    // The client hands the unsent rest of a piece back after a send that
    // would block, from wherever its buffer now is.
    SSL_CTX_set_mode(context.get(),
                     SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_read_ahead(context.get(), 1);
    return context;
}

// One context per CA file for the life of the process, shared by every
// request: making one reads the system's whole certificate store. The map
// is never destroyed, so no context is freed after OpenSSL's own clean-up
// at exit.
Context ClientContext(const std::string& caFile, std::string& words)
{
    static std::mutex mutex;
    static auto* contexts = new std::map<std::string, Context>;
    std::lock_guard lock(mutex);
    if (auto found = contexts->find(caFile); found != contexts->end())
        return found->second;
    Context context = NewClientContext(caFile, words);
    if (context)
        contexts->emplace(caFile, context);
    return context;
}

} // namespace

TlsClient NewVerifyingClient(const std::string& host, const std::string& caFile, std::string& words)
{
    TlsClient ssl(nullptr, SSL_free);
    Context context = ClientContext(caFile, words);
    if (!context)
        return ssl;
    ssl.reset(SSL_new(context.get()));
    // An address is checked against the certificate's addresses and is no
    // server name to send; a name is both.
    X509_VERIFY_PARAM* check = ssl ? SSL_get0_param(ssl.get()) : nullptr;
    bool isAddress = vellum::net::DottedAddress(host) != vellum::net::kNoAddress;
    bool named = check && (isAddress ? X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) == 1
                                     : SSL_set_tlsext_host_name(ssl.get(), host.c_str()) == 1 &&
                                           SSL_set1_host(ssl.get(), host.c_str()) == 1);
    if (!named) {
        words = "无法建立加密连接: " + OpenSslError();
        ssl.reset();
    }
    return ssl;
}

std::string HandshakeFailureWords(SSL* ssl, const std::string& host, bool& refused)
{
    long verified = SSL_get_verify_result(ssl);
    refused = verified != X509_V_OK;
    if (refused) {
        ERR_clear_error();
        return "服务器证书无法验证：" + CertificateWords(verified, host);
    }
    std::string detail = OpenSslError();
    return "无法与服务器建立加密连接" + (detail.empty() ? std::string() : ": " + detail);
}

TlsSession::TlsSession(EventSocket& socket) : m_socket(socket), m_ssl(nullptr, SSL_free)
{
}

TlsSession::~TlsSession() = default;

TlsSession::Outcome TlsSession::Configure(const std::string& host, const std::string& caFile,
                                          std::string& words)
{
    m_ssl = NewVerifyingClient(host, caFile, words);
    if (!m_ssl)
        return Outcome::Failed;
    BIO* bio = BIO_new(SocketMethod());
    if (!bio) {
        words = "无法建立加密连接: " + OpenSslError();
        return Outcome::Failed;
    }
    BIO_set_data(bio, &m_socket);
    BIO_set_init(bio, 1);
    SSL_set_bio(m_ssl.get(), bio, bio);
    return Outcome::Ready;
}

TlsSession::Outcome TlsSession::Handshake(const std::string& host, const std::string& caFile,
                                          const vellum::net::ManualEvent& abort, uint32_t timeout,
                                          std::string& words)
{
    if (Outcome configured = Configure(host, caFile, words); configured != Outcome::Ready)
        return configured;
    for (;;) {
        int result = SSL_connect(m_ssl.get());
        if (result == 1)
            break;
        int error = SSL_get_error(m_ssl.get(), result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return HandshakeFailure(host, words);
        WaitResult waited = vellum::net::WaitForEvents(&m_socket, &abort, timeout);
        if (waited == WaitResult::Failed) {
            words = "等待加密连接时出错";
            return Outcome::Failed;
        }
        if (waited != WaitResult::NetworkEvent || abort.IsSignalled()) {
            words = "建立加密连接超时或被取消";
            return Outcome::TimedOut;
        }
        m_socket.EnumerateEvents();
    }
    m_established = true;
    // The handshake used up the write readiness a fresh connection reports
    // once; the request's body waits for it.
    m_socket.ReportWriteAgain();
    return Outcome::Ready;
}

TlsSession::Outcome TlsSession::HandshakeFailure(const std::string& host, std::string& words) const
{
    bool refused = false;
    words = HandshakeFailureWords(m_ssl.get(), host, refused);
    return refused ? Outcome::CertificateRefused : Outcome::Failed;
}

IoResult TlsSession::Send(const char* data, int length)
{
    int sent = SSL_write(m_ssl.get(), data, length);
    if (sent > 0)
        return {sent, 0};
    return Unfinished(SSL_get_error(m_ssl.get(), sent));
}

IoResult TlsSession::Receive(char* buffer, int size)
{
    int received = SSL_read(m_ssl.get(), buffer, size);
    if (received > 0)
        return {received, 0};
    int error = SSL_get_error(m_ssl.get(), received);
    return error == SSL_ERROR_ZERO_RETURN ? IoResult{0, 0} : Unfinished(error);
}

void TlsSession::Shutdown()
{
    if (m_established && SSL_shutdown(m_ssl.get()) < 0)
        ERR_clear_error();
    m_established = false;
}

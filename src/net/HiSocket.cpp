// The event socket's send and receive steps. The messages are the system's
// own and are kept byte for byte, including the one that names RecvBlock in
// SendBlock's abort path.
#include "net/HiSocket.h"

#include "net/TlsSession.h"
#include "platform/net/EventWait.h"
#include "platform/net/Ipv4Address.h"
#include "platform/text/CodePage.h"

#include <algorithm>
#include <cstdio>

using vellum::net::kEventClose;
using vellum::net::kEventRead;
using vellum::net::kEventWrite;
using vellum::net::WaitResult;

namespace {

constexpr int kSendPiece = 4096;
// One full TLS record: smaller pieces would each cost a record's overhead.
constexpr int kTlsSendPiece = 16384;
constexpr uint32_t kSelectedEvents = 0x33; // read, write, connect, close

} // namespace

// A socket the system could not make now is made again, or its failure
// reported, when a request starts.
CHiSocket::CHiSocket()
{
    static_cast<void>(Create());
}

CHiSocket::~CHiSocket()
{
    Close();
}

bool CHiSocket::Create()
{
    if (m_socket.IsOpen())
        Close();
    m_abortEvent.Reset();
    m_socket.ResetEvent();
    return m_socket.Open();
}

int CHiSocket::Connect(const std::string& host, unsigned short port)
{
    uint32_t address = vellum::net::DottedAddress(host);
    if (address == vellum::net::kNoAddress && !vellum::net::LookupIpv4(host, address)) {
        m_lastError = vellum::text::FromUtf8("解析主机地址失败\r\n");
        m_connectFailure = ConnectFailure::HostNotFound;
        return 0;
    }
    if (!m_socket.Connect(address, port, &m_abortEvent)) {
        m_lastError = "CHiSocket::Connect error\r\n";
        m_connectFailure = ConnectFailure::NotConnected;
        return 0;
    }
    if (!m_socket.SelectEvents(kSelectedEvents)) {
        m_lastError = "CHiSocket::Connect WSAEventSelect(...) failure\r\n";
        m_connectFailure = ConnectFailure::EventsNotSelected;
        return 0;
    }
    m_connectFailure = ConnectFailure::None;
    m_connected = 1;
    return 1;
}

int CHiSocket::StartTls(const std::string& host, const std::string& caFile)
{
    m_tls = std::make_unique<TlsSession>(m_socket);
    std::string words;
    TlsSession::Outcome outcome = m_tls->Handshake(host, caFile, m_abortEvent, m_timeout, words);
    if (outcome == TlsSession::Outcome::Ready)
        return 1;
    m_lastError = vellum::text::FromUtf8(words);
    m_connectFailure = outcome == TlsSession::Outcome::CertificateRefused
                           ? ConnectFailure::CertificateRefused
                           : ConnectFailure::TlsFailed;
    Close();
    return 0;
}

void CHiSocket::Close()
{
    if (m_tls) {
        m_tls->Shutdown();
        m_tls.reset();
    }
    m_socket.Close();
    m_connected = 0;
    m_abortEvent.Reset();
    m_socket.ResetEvent();
}

int CHiSocket::SendData(const char* buffer, int length)
{
    if (!m_socket.IsOpen())
        return -1;
    int sent = 0;
    vellum::net::IoResult result;
    while (sent < length) {
        // Pieces stay small, but only the last one of the buffer ends a
        // packet: a big body then costs the system far fewer packets.
        int piece = std::min(m_tls ? kTlsSendPiece : kSendPiece, length - sent);
        result = SendPiece(buffer + sent, piece, sent + piece < length);
        if (result.Failed() || result.count == 0)
            break;
        sent += result.count;
        m_bytesSent += result.count;
    }
    if (!result.Failed() || result.WouldBlock())
        return sent;
    char message[80];
    std::snprintf(message, sizeof message, "SendData:: WSASend(...) failure,err=0x%x\r\n",
                  static_cast<unsigned>(result.error));
    m_lastError = message;
    Close();
    return -1;
}

vellum::net::IoResult CHiSocket::SendPiece(const char* data, int length, bool moreFollows)
{
    return m_tls ? m_tls->Send(data, length) : m_socket.Send(data, length, moreFollows);
}

int CHiSocket::SendBlock(const char* buffer, int length)
{
    if (!m_socket.IsOpen())
        return -1;
    int sent = 0;
    while (!m_abortEvent.IsSignalled()) {
        WaitResult waited = vellum::net::WaitForEvents(&m_socket, nullptr, m_timeout);
        if (waited == WaitResult::Failed) {
            m_lastError = "SendBlock::WSAWaitForMultipleEvents(...) failure\r\n";
            Close();
            return -1;
        }
        if (waited != WaitResult::NetworkEvent) {
            char message[120];
            std::snprintf(message, sizeof message,
                          "SendBlock::WSA_WAIT_TIMEOUT failure(Send %d/%d/%lld)\r\n", sent, length,
                          static_cast<long long>(m_bytesSent));
            m_lastError = message;
            Close();
            return -2;
        }
        uint32_t events = m_socket.EnumerateEvents();
        if (events == 0) {
            m_lastError = "SendBlock get event but not net event\r\n";
            continue;
        }
        m_lastNetworkEvents = events;
        if (events & kEventClose) {
            m_lastError = "SendBlock::Get close event\r\n";
            m_connected = 0;
            return sent;
        }
        if (events & kEventRead)
            m_lastError = "SendBlock get read event\r\n";
        if (!(events & kEventWrite)) {
            m_lastError = "SendBlock get event but not write event\r\n";
            continue;
        }
        int n = SendData(buffer + sent, length - sent);
        if (n < 0)
            return n;
        sent += n;
        if (sent >= length)
            return sent;
    }
    m_lastError = "CHiSocket::RecvBlock get abort event\r\n";
    Close();
    return -1;
}

int CHiSocket::Send(const char* buffer, int length)
{
    if (!m_socket.IsOpen())
        return -1;
    int n = SendData(buffer, length);
    if (n < 0 || n >= length)
        return n;
    int m = SendBlock(buffer + n, length - n);
    return m < 0 ? m : n + m;
}

int CHiSocket::RecvData(char* buffer, int size)
{
    vellum::net::IoResult result =
        m_tls ? m_tls->Receive(buffer, size) : m_socket.Receive(buffer, size);
    if (!result.Failed())
        return result.count;
    if (result.WouldBlock())
        return 0;
    m_lastError = "CHiSocket::RecvData(...) failure\r\n";
    Close();
    return -1;
}

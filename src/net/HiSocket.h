// CHiSocket: the module's TCP client connection in the event-select model.
// After Connect one network event watches the socket for read, write,
// connect and close; every blocking step is a wait on it with a timeout.
// Failures (and a few notable non-failures) are kept as the last error text,
// which callers show when a transfer yields nothing.
//
// StartTls turns the connection into a TLS session (net/TlsSession.h);
// from then on every send and receive goes through it, with the same events
// and results, until Close.
//
// Results are plain integers: a byte count or 1 for success, 0 or a negative
// code for failure. Nothing here throws.
#pragma once

#include "platform/net/EventSocket.h"
#include "platform/net/ManualEvent.h"

#include <cstdint>
#include <memory>
#include <string>

class TlsSession;

class CHiSocket
{
public:
    CHiSocket();
    virtual ~CHiSocket();
    CHiSocket(const CHiSocket&) = delete;
    CHiSocket& operator=(const CHiSocket&) = delete;

    // Closes an open socket first, resets both events and opens a new one.
    [[nodiscard]] bool Create();
    // Why the last Connect failed, for the code to decide on (the last error
    // text keeps the system's words).
    enum class ConnectFailure {
        None,
        HostNotFound,
        NotConnected,
        EventsNotSelected,
        CertificateRefused, // StartTls: the server's certificate could not be verified
        TlsFailed,          // StartTls: no TLS session for another reason
    };

    // Resolves, connects (blocking, but the abort event ends the attempt)
    // and binds the network event. 1 or 0 (LastConnectFailure says why).
    [[nodiscard]] virtual int Connect(const std::string& host, unsigned short port);
    [[nodiscard]] ConnectFailure LastConnectFailure() const { return m_connectFailure; }
    // After Connect: the TLS handshake for `host`, trusting the system's
    // store and `caFile` (may be empty). 1 or 0; the last error text then
    // says why in words, and LastConnectFailure tells a refused certificate
    // from the rest.
    [[nodiscard]] int StartTls(const std::string& host, const std::string& caFile);
    void Close();

    // Sends without waiting: the bytes the system accepted (maybe fewer than
    // asked, maybe 0), or -1 after a real failure (the socket is closed).
    [[nodiscard]] int SendData(const char* buffer, int length);
    // Waits for write readiness and sends the rest: bytes sent, -1 or -2
    // (the wait ran out).
    [[nodiscard]] int SendBlock(const char* buffer, int length);
    // SendData, then SendBlock for whatever it left.
    [[nodiscard]] int Send(const char* buffer, int length);
    // One receive without waiting: bytes received, 0 (nothing there or the
    // peer closed in order) or -1.
    [[nodiscard]] int RecvData(char* buffer, int size);

    bool IsOpen() const { return m_socket.IsOpen(); }
    bool IsEncrypted() const { return m_tls != nullptr; }

    const std::string& GetLastErrorText() const { return m_lastError; }
    void SetLastErrorText(std::string text) { m_lastError = std::move(text); }

    uint32_t m_timeout = 90000; // milliseconds, bound of every single wait
    int64_t m_bytesSent = 0;    // accepted by the system since construction
    int m_trace = 0;            // non-zero: the HTTP client writes trace lines

protected:
    vellum::net::EventSocket m_socket; // also the network event
    ConnectFailure m_connectFailure = ConnectFailure::None;

private:
    [[nodiscard]] vellum::net::IoResult SendPiece(const char* data, int length, bool moreFollows);

    std::unique_ptr<TlsSession> m_tls;

public:
    std::string m_lastError;
    uint32_t m_lastNetworkEvents = 0;
    // The one object another thread may touch: signalling it stops a
    // transfer at its next check.
    vellum::net::ManualEvent m_abortEvent;
    int m_connected = 0;
};

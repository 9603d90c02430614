// TlsSession: TLS over the event socket, for https. OpenSSL reads and writes
// through the socket itself (a BIO of our own), so every receive and send it
// makes arms the socket's events exactly as the client's own would: a record
// that wants more bytes leaves read readiness armed, a record the system
// would not take leaves write readiness armed. The client's loops therefore
// wait on the same events, with the same abort event and time-outs, whether
// the bytes are encrypted or not.
//
// The server's certificate is verified against the system's store and an
// optional extra CA file, and must name the host the client asked for; the
// handshake fails otherwise and says why in words.
#pragma once

#include "platform/net/EventSocket.h"

#include <cstdint>
#include <memory>
#include <string>

typedef struct ssl_st SSL;

namespace vellum::net {
class ManualEvent;
}

using TlsClient = std::unique_ptr<SSL, void (*)(SSL*)>;

// A client TLS object for `host` that verifies the server as every https
// request does (the system's store, `caFile` beside it, the host's name or
// address); the caller gives it its transport. Null, with `words`, on
// failure.
TlsClient NewVerifyingClient(const std::string& host, const std::string& caFile,
                             std::string& words);

// Why a client handshake with `host` on `ssl` failed, in words; `refused`
// when the server's certificate could not be verified.
std::string HandshakeFailureWords(SSL* ssl, const std::string& host, bool& refused);

class TlsSession
{
public:
    enum class Outcome {
        Ready,
        CertificateRefused, // the server's certificate could not be verified
        Failed,             // no TLS session: the CA file, the peer or the connection failed
        TimedOut,           // no event in time, or the abort event
    };

    explicit TlsSession(vellum::net::EventSocket& socket);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Runs the handshake on the connected, non-blocking socket, each step a
    // wait on its events. `caFile` (may be empty) is trusted beside the
    // system's store. On failure `words` (UTF-8) says why.
    [[nodiscard]] Outcome Handshake(const std::string& host, const std::string& caFile,
                                    const vellum::net::ManualEvent& abort, uint32_t timeout,
                                    std::string& words);

    // As the socket's own Send and Receive: a count, 0 on receive for the
    // peer's end, or a failure that may be one that would block.
    vellum::net::IoResult Send(const char* data, int length);
    vellum::net::IoResult Receive(char* buffer, int size);

    // Tells the peer the session ends, without waiting for its answer.
    void Shutdown();

private:
    [[nodiscard]] Outcome Configure(const std::string& host, const std::string& caFile,
                                    std::string& words);
    Outcome HandshakeFailure(const std::string& host, std::string& words) const;

    vellum::net::EventSocket& m_socket;
    TlsClient m_ssl;
    bool m_established = false;
};

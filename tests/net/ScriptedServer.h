// A one-connection HTTP peer for the client tests, running on its own
// thread on 127.0.0.1. It reads the request (the head, then as many body
// bytes as Content-Length says), keeps the exact bytes, and then runs the
// test's script on the connection: answer, split, stall, close, reset...
#pragma once

#include "platform/net/LoopbackListener.h"

#include <functional>
#include <future>
#include <string>
#include <thread>

namespace vellum::testing {

class ScriptedServer
{
public:
    // Gets the accepted descriptor and the request bytes; the server closes
    // the descriptor after the script unless the script returns false
    // (it closed or handed it on itself).
    using Script = std::function<bool(int fd, const std::string& request)>;

    explicit ScriptedServer(Script script, bool readBody = true);
    ~ScriptedServer();

    uint16_t Port() const { return m_listener.Port(); }
    std::string Url(const std::string& object = "/") const;
    // The request as received (waits for the server to finish).
    std::string Request();

private:
    LoopbackListener m_listener;
    std::promise<std::string> m_request;
    std::future<std::string> m_requestFuture;
    std::thread m_thread;
};

// Reads an HTTP request head and its Content-Length body.
std::string ReadHttpRequest(int fd, bool readBody = true);

// A script that writes `response` and lets the server close.
ScriptedServer::Script Answer(std::string response);

// A canned response: status 200, the given extra head lines, Content-Length
// when `withLength`, then the body.
std::string Response(const std::string& body, const std::string& headLines = "",
                     bool withLength = true);

} // namespace vellum::testing

// The scripted peer's thread and request reading.
#include "net/ScriptedServer.h"

#include <cstdlib>

namespace vellum::testing {

std::string ReadHttpRequest(int fd, bool readBody)
{
    std::string request = ReadUntil(fd, "\r\n\r\n");
    size_t headEnd = request.find("\r\n\r\n");
    if (!readBody || headEnd == std::string::npos)
        return request;
    size_t length = 0;
    size_t at = request.find("\r\nContent-Length: ");
    if (at != std::string::npos && at < headEnd)
        length = std::strtoul(request.c_str() + at + 18, nullptr, 10);
    size_t have = request.size() - headEnd - 4;
    if (have < length)
        request += ReadCount(fd, length - have);
    return request;
}

std::string Response(const std::string& body, const std::string& headLines, bool withLength)
{
    std::string head = "HTTP/1.0 200 OK\r\n" + headLines;
    if (withLength)
        head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

ScriptedServer::Script Answer(std::string response)
{
    return [response = std::move(response)](int fd, const std::string&) {
        WriteAll(fd, response);
        return true;
    };
}

ScriptedServer::ScriptedServer(Script script, bool readBody)
    : m_requestFuture(m_request.get_future())
{
    m_thread = std::thread([this, script = std::move(script), readBody] {
        int fd = m_listener.Accept(10000);
        if (fd < 0) {
            m_request.set_value("");
            return;
        }
        std::string request = ReadHttpRequest(fd, readBody);
        m_request.set_value(request);
        if (script(fd, request))
            CloseConnection(fd);
    });
}

ScriptedServer::~ScriptedServer()
{
    m_thread.join();
}

std::string ScriptedServer::Url(const std::string& object) const
{
    return "http://127.0.0.1:" + std::to_string(Port()) + object;
}

std::string ScriptedServer::Request()
{
    return m_requestFuture.get();
}

} // namespace vellum::testing

// The attachment server: Boost.Beast on Asio, a few threads sharing one
// io_context, each connection running on its own strand. The pages are
// the ones the module's attachment transfer expects: POST "/upload<type>"
// with the multipart fields UserName, FileName1 and File1, answered
// "SUCCESS?FileName1=NAME"; GET "/download<type>?UserName=U&FileName=NAME",
// answered with the file.
#pragma once

#include "ServerOptions.h"

#include <functional>

class AttachmentStore;
class PostgresStore;

// Serves until `stop` is asked to (it is handed a function that stops the
// server, callable from any thread). Prints "listening on
// http://HOST:PORT/" once connections are accepted. False when the server
// could not listen.
// `tickets`: the database that says who asks, under per-user access; null
// when anyone may ask.
bool RunAttachmentServer(const ServerOptions& options, AttachmentStore& store,
                         PostgresStore* tickets,
                         const std::function<void(std::function<void()> stop)>& started);

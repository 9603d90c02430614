// The upload and download pages of the attachment server, as the module's
// attachment transfer expects them: POST "/upload<type>" with the multipart
// fields UserName, FileName1 and File1, answered "SUCCESS?FileName1=NAME";
// GET "/download<type>?UserName=U&FileName=NAME", answered with the file.
#pragma once

#include "AttachmentStore.h"

#include <cstdint>
#include <string>

namespace httplib {
class Server;
}

struct ServerOptions
{
    std::string root;
    std::string listen = "127.0.0.1";
    int port = 8080; // 0: any free port
    std::string type = ".jsp";
    uint64_t maxSize = 1ull << 30;
};

// Installs the pages and the per-request log line on `server`.
void InstallAttachmentPages(httplib::Server& server, AttachmentStore& store,
                            const ServerOptions& options);

// Request handling. Uploads stream to a file under the store's incoming
// folder as they arrive (the fields may come in any order), so the server
// never holds a whole attachment in memory; downloads stream from the file.
// A refusal is a short text without "SUCCESS", since that word is all the
// client's reply test looks for.
#include "AttachmentServer.h"

#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <memory>

namespace {

constexpr size_t kFieldLimit = 4096;
constexpr size_t kDownloadPiece = 256 * 1024;

struct Upload
{
    std::string part; // name of the part being received
    std::string userName;
    std::string replaces;
    std::string clientFileName;
    bool fileSeen = false;
    uint64_t fileSize = 0;
    bool tooLarge = false;
    std::filesystem::path incoming;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
};

void Refuse(httplib::Response& res, int status, const std::string& why)
{
    res.status = status;
    res.set_content("upload refused: " + why + "\r\n", "text/plain");
}

bool TakePiece(Upload& upload, uint64_t maxSize, const char* data, size_t length)
{
    if (upload.part == "UserName" && upload.userName.size() < kFieldLimit)
        upload.userName.append(data, length);
    else if (upload.part == "FileName1" && upload.replaces.size() < kFieldLimit)
        upload.replaces.append(data, length);
    else if (upload.part == "File1" && upload.file) {
        upload.fileSize += length;
        if (upload.fileSize > maxSize)
            upload.tooLarge = true;
        if (!upload.tooLarge && std::fwrite(data, 1, length, upload.file.get()) != length)
            return false;
    }
    return true;
}

bool StartPart(Upload& upload, AttachmentStore& store, const httplib::MultipartFormData& part)
{
    upload.part = part.name;
    if (part.name != "File1" || upload.fileSeen)
        return true;
    upload.fileSeen = true;
    upload.clientFileName = part.filename;
    upload.incoming = store.NewIncomingPath();
    upload.file.reset(std::fopen(upload.incoming.c_str(), "wb"));
    return upload.file != nullptr;
}

bool IsBadClientName(const std::string& name)
{
    if (name.empty())
        return true;
    for (unsigned char c : name) {
        if (c < 0x20)
            return true;
    }
    return false;
}

void HandleUpload(const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader, AttachmentStore& store,
                  const ServerOptions& options)
{
    if (!req.is_multipart_form_data())
        return Refuse(res, 400, "the body is not a multipart form");
    Upload upload;
    bool read = reader(
        [&](const httplib::MultipartFormData& part) { return StartPart(upload, store, part); },
        [&](const char* data, size_t length) {
            return TakePiece(upload, options.maxSize, data, length);
        });
    bool written = upload.file && std::fflush(upload.file.get()) == 0;
    upload.file.reset();
    std::error_code ignored;
    auto discard = [&] {
        if (!upload.incoming.empty())
            std::filesystem::remove(upload.incoming, ignored);
    };
    if (!read) {
        discard();
        return Refuse(res, 400, "the form could not be read");
    }
    if (!upload.fileSeen) {
        discard();
        return Refuse(res, 400, "no file (field File1)");
    }
    if (upload.tooLarge) {
        discard();
        return Refuse(res, 413,
                      "the file is larger than " + std::to_string(options.maxSize) + " bytes");
    }
    if (IsBadClientName(upload.clientFileName) || upload.userName.empty()) {
        discard();
        return Refuse(res, 400, upload.userName.empty() ? "no user name" : "bad file name");
    }
    std::optional<std::string> name =
        written ? store.Keep(upload.incoming, upload.userName,
                             AttachmentStore::ExtensionOf(upload.clientFileName), upload.replaces)
                : std::nullopt;
    if (!name) {
        discard();
        return Refuse(res, 500, "the file could not be stored");
    }
    res.set_content("SUCCESS?FileName1=" + *name, "text/plain");
}

void HandleDownload(const httplib::Request& req, httplib::Response& res, AttachmentStore& store)
{
    std::string name = req.get_param_value("FileName");
    std::optional<std::filesystem::path> path = store.Find(name);
    auto file = path ? std::make_shared<std::ifstream>(*path, std::ios::binary) : nullptr;
    if (!file || !*file) {
        res.status = 404;
        res.set_content("file not found\r\n", "text/plain");
        return;
    }
    uint64_t size = std::filesystem::file_size(*path);
    res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    res.set_content_provider(
        size, "application/octet-stream",
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
            std::vector<char> buffer(std::min(length, kDownloadPiece));
            file->seekg(static_cast<std::streamoff>(offset));
            file->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            std::streamsize got = file->gcount();
            return got > 0 && sink.write(buffer.data(), static_cast<size_t>(got));
        });
}

} // namespace

void InstallAttachmentPages(httplib::Server& server, AttachmentStore& store,
                            const ServerOptions& options)
{
    server.set_payload_max_length(options.maxSize + (1u << 20));
    server.Post("/upload" + options.type,
                [&store, &options](const httplib::Request& req, httplib::Response& res,
                                   const httplib::ContentReader& reader) {
                    HandleUpload(req, res, reader, store, options);
                });
    server.Get("/download" + options.type,
               [&store](const httplib::Request& req, httplib::Response& res) {
                   HandleDownload(req, res, store);
               });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return;
        std::string reason = res.status == 413 ? "upload refused: the request is too large"
                                               : "error " + std::to_string(res.status);
        res.set_content(reason + "\r\n", "text/plain");
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "vellum-attachd: %s %s %s %d %s\n", req.remote_addr.c_str(),
                     req.method.c_str(), req.path.c_str(), res.status,
                     req.get_param_value("FileName").c_str());
    });
}

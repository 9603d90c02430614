// `vellum http`: runs HTTP requests one after another on one CHttpClient
// object, exactly as the module would (so cookies carry over), and prints
// what the client kept of each response.
#include "Command.h"
#include "net/BodyFile.h"
#include "net/HttpClient.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <memory>

namespace {

// The last error text on one line: CR and LF written as \r and \n.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void PrintResult(const CHttpClient& client, int result)
{
    std::printf("result\t%d\nreceived\t%lld\ncontent-length\t%lld\ncontent-type\t%s\nerror\t%s\n",
                result, static_cast<long long>(client.m_bytesReceived),
                static_cast<long long>(client.m_contentLength),
                client.m_responseContentType.c_str(), Escaped(client.GetLastErrorText()).c_str());
    std::fwrite(client.m_responseHead.data(), 1, client.m_responseHead.size(), stdout);
    std::printf("\n--\n");
    std::fwrite(client.m_textBody.data(), 1, client.m_textBody.size(), stdout);
    if (!client.m_textBody.empty() && client.m_textBody.back() != '\n')
        std::printf("\n");
}

int RunHttp(const CommandArgs& given)
{
    CommandArgs args = given;
    std::string bodyFile, contentType, savePath;
    bool hasBody = TakeOption(args, "body-file", bodyFile);
    bool hasType = TakeOption(args, "content-type", contentType);
    bool save = TakeOption(args, "save", savePath);
    if (args.empty() || args.size() % 2 != 0)
        return CommandFailure("http needs METHOD URL pairs (vellum http --help)");
    const std::string bodyPath = vellum::text::FromUtf8(bodyFile);
    if (hasBody && !BodyFile(bodyPath).IsOpen())
        return CommandFailure("cannot read " + bodyFile);
    CHttpClient client;
    int status = 0;
    for (size_t i = 0; i < args.size(); i += 2) {
        if (hasType)
            client.m_contentType = contentType;
        // Read from the disk as it goes out, afresh for every request.
        std::unique_ptr<BodyFile> body;
        if (hasBody)
            body = std::make_unique<BodyFile>(bodyPath);
        client.m_bodySource = body.get();
        int result = client.Request(args[i], args[i + 1]);
        PrintResult(client, result);
        if (result != 1)
            status = 1;
    }
    if (save && !client.SaveToFile(vellum::text::FromUtf8(savePath)))
        return CommandFailure("cannot save to " + savePath);
    return status;
}

const VellumCommand
    kHttp("http", "run HTTP requests with the module's client and print the responses",
          "usage: vellum http [--body-file F] [--content-type T] [--save PATH] METHOD URL "
          "[METHOD URL ...]\n\n"
          "Runs the requests one after another on one client object, so cookies carry over, with\n"
          "the proxy of \"httpclient.ini\" in the module home. For each it prints tab-separated\n"
          "lines result, received, content-length, content-type and error (the last error text,\n"
          "CR and LF written as \\r and \\n), then the response head, a line \"--\" and the text\n"
          "body. --body-file sends the file as body of every request (POST adds Content-Length),\n"
          "--content-type sets the request's content type, --save stores the last response body\n"
          "under PATH. Exit status 1 when a request did not run (result other than 1).",
          RunHttp);

} // namespace

// vellum-attachd run as a process and spoken to over raw sockets, for what
// a well-behaved client never does: heads past the limit, bodies past the
// limit (announced or chunked), pipelined requests, control characters in
// the log, a full disk; and the PostgreSQL store with two servers sharing
// one database, across a restart of it. Timing and load figures are bench/attachd's.
#include "mail/AttachServerProcess.h"
#include "net/FeedListener.h"
#include "support/PostgresServer.h"
#include "support/RunCommand.h"
#include "support/ScratchFolder.h"
#include "support/TcpRelay.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::PostgresConnInfo;
using vellum::testing::ScratchFolder;
namespace fs = std::filesystem;

constexpr char kBoundary[] = "xYzZY";

class Socket
{
public:
    // From `from`, one of the loopback addresses, when given.
    explicit Socket(int port, const char* from = nullptr) : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        if (from && (inet_pton(AF_INET, from, &source.sin_addr) != 1 ||
                     bind(m_fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0)) {
            close(m_fd);
            m_fd = -1;
            return;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~Socket()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    bool Send(const std::string& bytes)
    {
        return m_fd >= 0 && send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                                static_cast<ssize_t>(bytes.size());
    }

    // Everything the server sends until it closes (or 5 s pass).
    std::string ReadToEnd()
    {
        std::string got;
        char piece[65536];
        pollfd p{m_fd, POLLIN, 0};
        while (poll(&p, 1, 5000) == 1) {
            ssize_t n = recv(m_fd, piece, sizeof piece, 0);
            if (n <= 0)
                break;
            got.append(piece, static_cast<size_t>(n));
        }
        return got;
    }

    int Fd() const { return m_fd; }

    void Abort()
    {
        linger hard{1, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

std::string FormHead(const std::string& fileName)
{
    std::string b = std::string("--") + kBoundary + "\r\n";
    return b + "Content-Disposition: form-data; name=\"UserName\"\r\n\r\nli\r\n" + b +
           "Content-Disposition: form-data; name=\"FileName1\"\r\n\r\n\r\n" + b +
           "Content-Disposition: form-data; name=\"File1\"; filename=\"" + fileName +
           "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
}

std::string FormTail()
{
    return std::string("\r\n--") + kBoundary + "--\r\n";
}

std::string UploadHead(size_t length, const std::string& extra = "",
                       const std::string& version = "HTTP/1.0")
{
    return "POST /upload.jsp " + version +
           "\r\nContent-Type: multipart/form-data; boundary=" + std::string(kBoundary) + "\r\n" +
           (length ? "Content-Length: " + std::to_string(length) + "\r\n" : "") + extra + "\r\n";
}

// Uploads `content` as `fileName` and returns the whole reply.
std::string Upload(int port, const std::string& fileName, const std::string& content)
{
    std::string body = FormHead(fileName) + content + FormTail();
    Socket client(port);
    client.Send(UploadHead(body.size()) + body);
    return client.ReadToEnd();
}

std::string StoredNameIn(const std::string& reply)
{
    size_t at = reply.find("SUCCESS?FileName1=");
    return at == std::string::npos ? "" : reply.substr(at + 18);
}

std::string Download(int port, const std::string& name, const char* from = nullptr)
{
    Socket client(port, from);
    client.Send("GET /download.jsp?UserName=u&FileName=" + name + " HTTP/1.0\r\n\r\n");
    return client.ReadToEnd();
}

std::string BodyOf(const std::string& reply)
{
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

// One figure of the server's /metrics page; -1 when the page lacks it.
long Figure(int port, const std::string& series)
{
    Socket client(port);
    client.Send("GET /metrics HTTP/1.0\r\n\r\n");
    std::string page = BodyOf(client.ReadToEnd());
    size_t at = page.find("\n" + series + " ");
    return at == std::string::npos ? -1 : std::stol(page.substr(at + series.size() + 2));
}

// The names visible in a folder store's root.
std::vector<std::string> VisibleNames(const std::string& root)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root)) {
        std::string name = entry.path().filename();
        if (name[0] != '.')
            names.push_back(name);
    }
    return names;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

TEST(AttachServerTest, HeadsOverTheLimitGet431AndTheConnectionCloses)
{
    ScratchFolder folder;
    AttachServerProcess server(folder.Path() + "store");
    ASSERT_GT(server.Port(), 0);
    const std::string request = "GET /download.jsp?FileName=x HTTP/1.1\r\n";
    struct Case
    {
        const char* what;
        std::string head;
        const char* status;
    };
    for (const Case& c : {
             Case{"one long line", request + "X-Long: " + std::string(70000, 'a') + "\r\n\r\n",
                  "HTTP/1.1 431 "},
             Case{"many short lines",
                  request +
                      [] {
                          std::string lines;
                          for (int i = 0; i < 20000; ++i)
                              lines += "a: b\r\n";
                          return lines;
                      }() +
                      "\r\n",
                  "HTTP/1.1 431 "},
             Case{"just under the limit",
                  request + "X-Long: " + std::string(60000, 'a') + "\r\nConnection: close\r\n\r\n",
                  "HTTP/1.1 404 "},
         }) {
        Socket client(server.Port());
        client.Send(c.head);
        std::string reply = client.ReadToEnd(); // ends: the server closed
        EXPECT_TRUE(StartsWith(reply, c.status)) << c.what << ": " << reply.substr(0, 60);
    }
}

TEST(AttachServerTest, AHeadStillTricklingInIsDroppedAtTheHeadTimeout)
{
    ScratchFolder folder;
    AttachServerProcess server(folder.Path() + "store", {"--head-timeout", "1"});
    ASSERT_GT(server.Port(), 0);
    Socket client(server.Port());
    const std::string head = "GET /download.jsp?FileName=x HTTP/1.1\r\nX-Slow: aaaaaaaaaaaaaaaaa";
    auto start = std::chrono::steady_clock::now();
    bool cut = false;
    // A byte every 100 ms: a timer that restarted with every byte would
    // never fire.
    for (char c : head) {
        if (!client.Send(std::string(1, c))) {
            cut = true;
            break;
        }
        usleep(100 * 1000);
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(3))
            break;
    }
    std::string reply = client.ReadToEnd();
    EXPECT_TRUE(cut || reply.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(reply, "") << "dropped without an answer";
}

TEST(AttachServerTest, UploadsOverTheLimitGet413WithoutTheirBodyAndLeaveNothing)
{
    ScratchFolder folder;
    std::string root = folder.Path() + "store";
    AttachServerProcess server(root, {"--max-size", "1000"});
    ASSERT_GT(server.Port(), 0);

    // Announced: the answer comes although not one byte of the body was sent.
    Socket announced(server.Port());
    announced.Send(UploadHead(2000000000));
    std::string early = announced.ReadToEnd();
    EXPECT_TRUE(StartsWith(early, "HTTP/1.1 413 ")) << early;
    EXPECT_NE(early.find("larger than 1000 bytes"), std::string::npos);

    // Chunked: cut at the limit, while the client is still sending.
    Socket chunked(server.Port());
    std::string piece = FormHead("big.bin") + std::string(1500, 'z');
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    chunked.Send(UploadHead(0, "Transfer-Encoding: chunked\r\n", "HTTP/1.1") + size + piece +
                 "\r\n");
    std::string cut = chunked.ReadToEnd();
    EXPECT_TRUE(StartsWith(cut, "HTTP/1.1 413 ")) << cut;
    EXPECT_EQ(cut.find("SUCCESS"), std::string::npos);

    EXPECT_TRUE(VisibleNames(root).empty());
    EXPECT_TRUE(fs::is_empty(root + "/.incoming"));
    EXPECT_FALSE(StoredNameIn(Upload(server.Port(), "small.txt", "fits")).empty());
}

TEST(AttachServerTest, PipelinedRequestsAreAnsweredInOrder)
{
    ScratchFolder folder;
    AttachServerProcess server(folder.Path() + "store");
    ASSERT_GT(server.Port(), 0);
    std::string first = StoredNameIn(Upload(server.Port(), "one.txt", "first file"));
    std::string second = StoredNameIn(Upload(server.Port(), "two.txt", "second"));
    ASSERT_FALSE(first.empty());
    auto get = [](const std::string& name, const std::string& extra = "") {
        return "GET /download.jsp?UserName=u&FileName=" + name + " HTTP/1.1\r\nHost: h\r\n" +
               extra + "\r\n";
    };
    Socket client(server.Port());
    client.Send(get(first) + get("20200101000000-00000000.txt") + get(second) +
                get(first, "Connection: close\r\n"));
    std::string replies = client.ReadToEnd();
    std::vector<std::string> order;
    for (size_t at = 0; (at = replies.find("HTTP/1.1 ", at)) != std::string::npos; ++at)
        order.push_back(replies.substr(at + 9, 3));
    EXPECT_EQ(order, (std::vector<std::string>{"200", "404", "200", "200"})) << replies;
    size_t a = replies.find("first file"), b = replies.find("file not found"),
           c = replies.find("second"), d = replies.rfind("first file");
    EXPECT_TRUE(a < b && b < c && c < d && d != a) << replies;
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_requests_total{status=\"200\"}"), 5);
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_requests_total{status=\"404\"}"), 1);
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_sent_bytes_total"), 26);
}

TEST(AttachServerTest, StoredNamesAreRandomWithTheSafeNameAndOldNamesStillDownload)
{
    ScratchFolder folder;
    std::string root = folder.Path() + "store";
    AttachServerProcess server(root);
    ASSERT_GT(server.Port(), 0);
    std::string client = "C:\\docs\\..hidden a&b?c\x01 报告.txt";
    std::string one = StoredNameIn(Upload(server.Port(), client, "x"));
    std::string two = StoredNameIn(Upload(server.Port(), client, "y"));
    EXPECT_TRUE(std::regex_match(one, std::regex("[0-9a-f]{32}-hidden_a_b_c_报告\\.txt"))) << one;
    EXPECT_NE(one.substr(0, 32), two.substr(0, 32));
    EXPECT_EQ(BodyOf(Download(server.Port(), two)), "y");

    // GBK, as the module sends names in its host code page: "\xb1\x5c" is
    // one character whose second byte looks like a backslash.
    std::string gbk = StoredNameIn(Upload(server.Port(), "D:\\\xb1\x5c\xb5\xda.txt", "z"));
    EXPECT_EQ(gbk.substr(32), "-\xb1\x5c\xb5\xda.txt");
    EXPECT_EQ(BodyOf(Download(server.Port(), gbk)), "z");

    std::ofstream(root + "/20261206232751-8e951b51.bin") << "old";
    EXPECT_EQ(BodyOf(Download(server.Port(), "20261206232751-8e951b51.bin")), "old");
    for (const std::string& forged : {std::string(32, 'a') + "-.owners", std::string(32, 'a'),
                                      std::string(31, 'a') + "-x.txt", std::string(".owners")})
        EXPECT_TRUE(StartsWith(Download(server.Port(), forged), "HTTP/1.1 404 ")) << forged;
}

TEST(AttachServerTest, LogLinesEscapeControlCharacters)
{
    ScratchFolder folder;
    std::string root = folder.Path() + "store";
    {
        AttachServerProcess server(root);
        ASSERT_GT(server.Port(), 0);
        Download(server.Port(), "x%0avellum-attachd:%20127.0.0.1%20GET%20/forged%20200%0d");
        server.Stop();
    }
    std::ifstream log(root + ".log");
    std::string line, all;
    while (std::getline(log, line)) {
        EXPECT_FALSE(StartsWith(line, "vellum-attachd: 127.0.0.1 GET /forged")) << line;
        all += line + "\n";
    }
    EXPECT_NE(all.find("x\\x0avellum-attachd: 127.0.0.1 GET /forged 200\\x0d"), std::string::npos)
        << all;
}

// A 1 MiB tmpfs stands in for a full disk; mounting needs root.
TEST(AttachServerTest, AFullDiskGets507AndLeavesNothing)
{
    ScratchFolder folder;
    std::string root = folder.Path() + "small";
    fs::create_directories(root);
    if (mount("tmpfs", root.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs (needs root)";
    {
        AttachServerProcess server(root);
        ASSERT_GT(server.Port(), 0);
        std::string reply = Upload(server.Port(), "big.bin", std::string(3 << 20, 'f'));
        EXPECT_TRUE(StartsWith(reply, "HTTP/1.1 507 ")) << reply.substr(0, 80);
        EXPECT_TRUE(VisibleNames(root).empty());
        EXPECT_TRUE(fs::is_empty(root + "/.incoming"));
        EXPECT_FALSE(StoredNameIn(Upload(server.Port(), "small.txt", "fits")).empty())
            << "the space is given back";
    }
    umount(root.c_str());
}

long CountRows(const std::string& conninfo, const char* table)
{
    PGconn* connection = PQconnectdb(conninfo.c_str());
    PGresult* result = PQexec(connection, (std::string("SELECT count(*) FROM ") + table).c_str());
    long count =
        PQresultStatus(result) == PGRES_TUPLES_OK ? std::atol(PQgetvalue(result, 0, 0)) : -1;
    PQclear(result);
    PQfinish(connection);
    return count;
}

// One address holding all the connections it may cannot keep others out:
// its next ones are closed at once, another address is served, and it is
// served again once it lets some go.
TEST(AttachServerTest, OneAddressCannotTakeEveryConnection)
{
    ScratchFolder folder;
    AttachServerProcess server(folder.Path() + "store", {"--max-per-address", "20"});
    ASSERT_GT(server.Port(), 0);
    std::vector<std::unique_ptr<Socket>> flood;
    std::vector<pollfd> watched;
    for (int i = 0; i < 25; ++i) {
        flood.push_back(std::make_unique<Socket>(server.Port(), "127.0.0.2"));
        ASSERT_GE(flood.back()->Fd(), 0);
        watched.push_back({flood.back()->Fd(), POLLIN, 0});
    }
    // The refused ones read as closed; the admitted ones wait for a head.
    size_t closed = 0;
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
         closed < 5 && std::chrono::steady_clock::now() < until;) {
        poll(watched.data(), watched.size(), 100);
        closed = static_cast<size_t>(std::count_if(watched.begin(), watched.end(),
                                                   [](const pollfd& p) { return p.revents; }));
    }
    EXPECT_EQ(closed, 5u);
    EXPECT_TRUE(StartsWith(Download(server.Port(), "20200101000000-00000000.bin", "127.0.0.1"),
                           "HTTP/1.1 404 "));
    // The server learns of the closed ones as their reads end.
    flood.resize(10);
    std::string again;
    int refusedAgain = 0; // tries before the server learnt of the closed ones
    for (int attempt = 0; attempt < 20 && again.empty(); ++attempt, usleep(100 * 1000)) {
        again = Download(server.Port(), "20200101000000-00000000.bin", "127.0.0.2");
        refusedAgain += again.empty();
    }
    EXPECT_TRUE(StartsWith(again, "HTTP/1.1 404 ")) << again;
    EXPECT_EQ(
        Figure(server.Port(), "vellum_attachd_connections_refused_total{reason=\"per_address\"}"),
        5 + refusedAgain);
}

TEST(AttachServerTest, TwoServersShareOnePostgresDatabase)
{
    std::string conninfo = PostgresConnInfo();
    ASSERT_FALSE(conninfo.empty()) << vellum::testing::PostgresStartError();
    ScratchFolder folder;
    // The connection string comes from the environment for one server and
    // from a file only its owner reads for the other, never from the
    // arguments, which every user sees.
    const std::string secret = folder.Path() + "database";
    std::ofstream(secret) << conninfo << "\n";
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
    setenv("VELLUM_ATTACHD_DATABASE", conninfo.c_str(), 1);
    AttachServerProcess one(folder.Path() + "one", {"--storage", "postgres"});
    unsetenv("VELLUM_ATTACHD_DATABASE");
    const std::string stage = folder.Path() + "stage";
    fs::create_directory(stage);
    AttachServerProcess two(folder.Path() + "two", {"--storage", "postgres", "--database-file",
                                                    secret, "--stage-folder", stage});
    ASSERT_GT(one.Port(), 0);
    ASSERT_GT(two.Port(), 0);
    // A crash and restart of the database kills the connections both
    // servers keep idle since their first request: the upload and the
    // download below must get new ones, not fail (a download would say 404).
    EXPECT_EQ(Download(one.Port(), "00000000000000000000000000000000-none").rfind("HTTP/1.1 404"),
              0u);
    EXPECT_EQ(Download(two.Port(), "00000000000000000000000000000000-none").rfind("HTTP/1.1 404"),
              0u);
    ASSERT_TRUE(vellum::testing::StopPostgres(true));
    ASSERT_TRUE(vellum::testing::RestartPostgres());

    std::string content;
    for (int i = 0; content.size() < 700000; ++i)
        content += std::to_string(i) + ",";
    std::string name = StoredNameIn(Upload(one.Port(), "数据.csv", content));
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(BodyOf(Download(two.Port(), name)), content);
    EXPECT_GE(Figure(two.Port(), "vellum_attachd_database_connections_dropped_total"), 1);
    long pieces = CountRows(conninfo, "vellum_attachment_piece");
    EXPECT_EQ(pieces, 3) << "700 kB in 256 KiB pieces";

    // An upload cut off halfway leaves nothing any server can see, and
    // held no database connection while it waited for the client.
    std::string body = FormHead("cut.bin") + std::string(600000, 'c') + FormTail();
    {
        Socket client(two.Port());
        client.Send(UploadHead(body.size()) + body.substr(0, body.size() / 2));
        usleep(200 * 1000);
        EXPECT_EQ(Figure(two.Port(), "vellum_attachd_database_connections{state=\"in_use\"}"), 0);
        client.Abort();
    }
    usleep(200 * 1000);
    EXPECT_TRUE(fs::is_empty(stage));
    EXPECT_EQ(CountRows(conninfo, "vellum_attachment"), 1);
    EXPECT_EQ(CountRows(conninfo, "vellum_attachment_piece"), pieces);
    EXPECT_TRUE(StartsWith(Download(one.Port(), "20200101000000-00000000.bin"), "HTTP/1.1 404 "));

    // No mail names the file: the administrator's sweep of the database's
    // store lists it, then takes it from both servers.
    const std::string& odbc = vellum::testing::PostgresOdbcConnectString();
    const std::string vellum = VELLUM_BINARY_DIR "/tools/vellum/vellum";
    ASSERT_EQ(vellum::testing::RunCommand(vellum, {"init-db", "--connect", odbc}).exitCode, 0);
    std::vector<std::string> sweep = {"sweep", "--connect", odbc, "--older-than", "0s"};
    vellum::testing::CommandResult dry = vellum::testing::RunCommand(vellum, sweep);
    EXPECT_NE(dry.out.find("1 files, " + std::to_string(content.size()) + " bytes would be"),
              std::string::npos)
        << dry.out << dry.err;
    sweep.push_back("--remove");
    EXPECT_EQ(vellum::testing::RunCommand(vellum, sweep).exitCode, 0);
    EXPECT_EQ(CountRows(conninfo, "vellum_attachment_piece"), 0);
    EXPECT_TRUE(StartsWith(Download(two.Port(), name), "HTTP/1.1 404 "));

    // With the database stopped the servers cannot tell whether a file is
    // stored: they say so and ask to be tried again, never "not found".
    ASSERT_TRUE(vellum::testing::StopPostgres());
    std::string unavailable = Download(one.Port(), name);
    EXPECT_TRUE(StartsWith(unavailable, "HTTP/1.1 503 ")) << unavailable;
    EXPECT_NE(unavailable.find("Retry-After: 5\r\n"), std::string::npos) << unavailable;
    EXPECT_TRUE(StartsWith(Upload(two.Port(), "later.txt", "later"), "HTTP/1.1 503 "));
    EXPECT_GE(Figure(one.Port(), "vellum_attachd_database_connects_total{result=\"failed\"}"), 1);
    ASSERT_TRUE(vellum::testing::RestartPostgres());
}

// One worker held by a locked table: its statement is cut off at the
// statement timeout, the request queued behind it is refused once it has
// waited its limit, both as 503 (the file may well exist), and the worker
// serves again as soon as the lock goes.
TEST(AttachServerTest, ABusyPostgresStoreAnswers503NotNotFound)
{
    std::string conninfo = PostgresConnInfo();
    ASSERT_FALSE(conninfo.empty()) << vellum::testing::PostgresStartError();
    ScratchFolder folder;
    AttachServerProcess server(folder.Path() + "store",
                               {"--storage", "postgres", "--database", conninfo,
                                "--database-workers", "1", "--database-wait", "1",
                                "--statement-timeout", "2"});
    ASSERT_GT(server.Port(), 0);
    PGconn* locker = PQconnectdb(conninfo.c_str());
    PQclear(PQexec(locker, "BEGIN; LOCK TABLE vellum_attachment IN ACCESS EXCLUSIVE MODE"));
    const std::string request =
        "GET /download.jsp?FileName=20200101000000-00000000.bin HTTP/1.0\r\n\r\n";
    Socket first(server.Port()), second(server.Port());
    ASSERT_TRUE(first.Send(request));
    usleep(100 * 1000);
    ASSERT_TRUE(second.Send(request));
    for (Socket* client : {&first, &second}) {
        std::string reply = client->ReadToEnd();
        EXPECT_TRUE(StartsWith(reply, "HTTP/1.1 503 ")) << reply;
        EXPECT_NE(reply.find("Retry-After: 5\r\n"), std::string::npos) << reply;
    }
    PQclear(PQexec(locker, "COMMIT"));
    PQfinish(locker);
    EXPECT_TRUE(
        StartsWith(Download(server.Port(), "20200101000000-00000000.bin"), "HTTP/1.1 404 "));
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_database_waits_total{result=\"refused\"}"), 1);
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_requests_total{status=\"503\"}"), 2);
}

// A cut network looks like a missing database, not a missing file, and
// the server reconnects by itself once the link is back.
TEST(AttachServerTest, APostgresStoreBehindACutLinkAnswers503UntilItIsBack)
{
    std::string conninfo = PostgresConnInfo();
    ASSERT_FALSE(conninfo.empty()) << vellum::testing::PostgresStartError();
    vellum::testing::TcpRelay relay(std::stoi(conninfo.substr(conninfo.rfind('=') + 1)));
    ScratchFolder folder;
    AttachServerProcess server(
        folder.Path() + "store",
        {"--storage", "postgres", "--database",
         conninfo.substr(0, conninfo.rfind('=') + 1) + std::to_string(relay.Port())});
    ASSERT_GT(server.Port(), 0);
    const std::string name = "20200101000000-00000000.bin";
    relay.Cut();
    EXPECT_TRUE(StartsWith(Download(server.Port(), name), "HTTP/1.1 503 "));
    ASSERT_TRUE(relay.Restore());
    EXPECT_TRUE(StartsWith(Download(server.Port(), name), "HTTP/1.1 404 "));
}

// The feed tells each desk of its own user's mail only, and after a
// database restart tells every desk to look, since mail that came
// meanwhile was announced to nobody.
TEST(AttachServerTest, TheFeedTellsOnlyItsUserAndEveryoneAfterARestart)
{
    std::string conninfo = PostgresConnInfo();
    ASSERT_FALSE(conninfo.empty()) << vellum::testing::PostgresStartError();
    ScratchFolder folder;
    setenv("VELLUM_ATTACHD_DATABASE", conninfo.c_str(), 1);
    AttachServerProcess server(folder.Path() + "store", {"--storage", "postgres"});
    unsetenv("VELLUM_ATTACHD_DATABASE");
    FeedListener li, wang;
    ASSERT_TRUE(li.Open(server.BaseUrl(), "li", "")) << li.LastError();
    ASSERT_TRUE(wang.Open(server.BaseUrl(), "wang", "")) << wang.LastError();
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_feed_subscribers"), 2);
    auto eventsWithin = [](FeedListener& feed, int ms) {
        pollfd readable{feed.SocketDescriptor(), POLLIN, 0};
        int events = 0;
        if (poll(&readable, 1, ms) == 1) {
            EXPECT_TRUE(feed.TakeNotices(events)) << feed.LastError();
        }
        return events;
    };
    PGconn* announcer = PQconnectdb(conninfo.c_str());
    PQclear(PQexec(announcer, "SELECT pg_notify('mail_' || md5('li'), '')"));
    PQfinish(announcer);
    EXPECT_EQ(eventsWithin(li, 2000), 1);
    EXPECT_EQ(eventsWithin(wang, 200), 0);

    ASSERT_TRUE(vellum::testing::StopPostgres(true));
    ASSERT_TRUE(vellum::testing::RestartPostgres());
    EXPECT_EQ(eventsWithin(li, 10000), 1);
    EXPECT_EQ(eventsWithin(wang, 10000), 1);
    EXPECT_EQ(Figure(server.Port(), "vellum_attachd_feed_reconnects_total"), 1);
    server.Stop();
    pollfd readable{li.SocketDescriptor(), POLLIN, 0};
    int events = 0;
    EXPECT_EQ(poll(&readable, 1, 2000), 1);
    EXPECT_FALSE(li.TakeNotices(events)) << "a desk sees its feed server go";
}

} // namespace

// CHiSocket's send steps and their messages against real loopback peers.
#include "net/HiSocket.h"

#include "net/ProxySocket.h"
#include "platform/net/LoopbackListener.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using vellum::testing::CloseConnection;
using vellum::testing::LoopbackListener;

struct Connected
{
    LoopbackListener listener;
    CHiSocket socket;
    int peer = -1;

    Connected()
    {
        EXPECT_EQ(socket.Connect("127.0.0.1", listener.Port()), 1);
        peer = listener.Accept();
    }
    ~Connected()
    {
        if (peer >= 0)
            CloseConnection(peer);
    }

    // Sends until the system takes nothing more; the total.
    int FillSendBuffer()
    {
        std::string chunk(1 << 20, 'f');
        int total = 0;
        for (int n; (n = socket.SendData(chunk.data(), static_cast<int>(chunk.size()))) > 0;)
            total += n;
        return total;
    }
};

TEST(HiSocketTest, ConnectFailuresGiveTheirMessages)
{
    CHiSocket socket;
    EXPECT_TRUE(socket.IsOpen()) << "construction creates the socket";
    EXPECT_EQ(socket.Connect(std::string(70, 'x') + ".invalid", 80), 0);
    EXPECT_EQ(socket.GetLastErrorText(), vellum::text::FromUtf8("解析主机地址失败\r\n"));
    EXPECT_EQ(socket.LastConnectFailure(), CHiSocket::ConnectFailure::HostNotFound);
    EXPECT_EQ(socket.Connect("127.0.0.1", vellum::testing::FreePort()), 0);
    EXPECT_EQ(socket.GetLastErrorText(), "CHiSocket::Connect error\r\n");
    EXPECT_EQ(socket.LastConnectFailure(), CHiSocket::ConnectFailure::NotConnected);
    EXPECT_TRUE(socket.IsOpen()) << "a failed connect leaves the socket open";
    EXPECT_EQ(socket.m_connected, 0);
    EXPECT_TRUE(socket.Create());

    socket.Close();
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.SendData("x", 1), -1);
    EXPECT_EQ(socket.Send("x", 1), -1);
    EXPECT_EQ(socket.SendBlock("x", 1), -1);
}

TEST(HiSocketTest, AFullSendBufferTakesWhatItCanWithoutClosingAndSendBlockTimesOut)
{
    Connected c;
    int total = c.FillSendBuffer();
    EXPECT_GT(total, 0);
    EXPECT_EQ(c.socket.m_bytesSent, total);
    EXPECT_EQ(c.socket.SendData("more", 4), 0);
    EXPECT_TRUE(c.socket.IsOpen());
    EXPECT_EQ(c.socket.SendData("x", 0), 0);

    c.socket.m_timeout = 100;
    std::string hundred(100, 'h');
    EXPECT_EQ(c.socket.SendBlock(hundred.data(), 100), -2);
    EXPECT_EQ(c.socket.GetLastErrorText(),
              "SendBlock::WSA_WAIT_TIMEOUT failure(Send 0/100/" + std::to_string(total) + ")\r\n");
    EXPECT_FALSE(c.socket.IsOpen());
}

TEST(HiSocketTest, SendBlockFinishesOnceThePeerReadsAndStopsAtItsClose)
{
    {
        Connected c;
        int total = c.FillSendBuffer();
        std::string rest(300000, 'r');
        std::thread reader([&] { vellum::testing::ReadCount(c.peer, total + rest.size()); });
        EXPECT_EQ(c.socket.Send(rest.data(), static_cast<int>(rest.size())),
                  static_cast<int>(rest.size()));
        reader.join();
        EXPECT_EQ(c.socket.m_bytesSent, total + static_cast<int>(rest.size()));
    }
    {
        Connected c;
        c.FillSendBuffer();
        CloseConnection(c.peer, true);
        c.peer = -1;
        EXPECT_EQ(c.socket.SendBlock(std::string(1000, 'r').data(), 1000), 0);
        EXPECT_EQ(c.socket.GetLastErrorText(), "SendBlock::Get close event\r\n");
        EXPECT_EQ(c.socket.m_connected, 0);
        EXPECT_TRUE(c.socket.IsOpen()) << "the close event leaves the socket open";
        EXPECT_TRUE(c.socket.m_lastNetworkEvents & vellum::net::kEventClose);
    }
}

// Another thread's abort ends a SendBlock and a connect that nobody answers
// (the listener's queue is full, so the system drops the handshake and
// would retry it for minutes).
TEST(HiSocketTest, AbortEventStopsSendBlockAndAConnectNobodyAnswers)
{
    Connected c;
    c.FillSendBuffer();
    c.socket.m_abortEvent.Signal();
    EXPECT_EQ(c.socket.SendBlock("x", 1), -1);
    EXPECT_EQ(c.socket.GetLastErrorText(), "CHiSocket::RecvBlock get abort event\r\n");
    EXPECT_FALSE(c.socket.IsOpen());
    EXPECT_FALSE(c.socket.m_abortEvent.IsSignalled()) << "Close resets it";

    int full = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(full, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(full, 0), 0);
    getsockname(full, reinterpret_cast<sockaddr*>(&address), &size);
    CHiSocket queued;
    ASSERT_EQ(queued.Connect("127.0.0.1", ntohs(address.sin_port)), 1);
    CHiSocket unanswered;
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        unanswered.m_abortEvent.Signal();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(unanswered.Connect("127.0.0.1", ntohs(address.sin_port)), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(unanswered.GetLastErrorText(), "CHiSocket::Connect error\r\n");
    aborter.join();
    close(full);
}

TEST(HiSocketTest, ReceiveReportsNothingTheCloseAndAReset)
{
    Connected c;
    char buffer[16];
    EXPECT_EQ(c.socket.RecvData(buffer, 15), 0) << "nothing there yet";
    vellum::testing::WriteAll(c.peer, "abc");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(c.socket.RecvData(buffer, 15), 3);
    CloseConnection(c.peer, true);
    c.peer = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(c.socket.RecvData(buffer, 15), -1);
    EXPECT_EQ(c.socket.GetLastErrorText(), "CHiSocket::RecvData(...) failure\r\n");
    EXPECT_FALSE(c.socket.IsOpen());
}

TEST(HiSocketTest, ProxyModeConnectsToTheProxyInsteadOfTheTarget)
{
    LoopbackListener proxy;
    CProxySocket socket;
    socket.SetProxy(CProxySocket::kHttpProxy, "127.0.0.1", proxy.Port());
    // The target does not resolve; in proxy mode it is never looked up.
    EXPECT_EQ(socket.Connect(std::string(70, 'x') + ".invalid", 80), 1);
    EXPECT_GE(proxy.Accept(1000), 0);
}

} // namespace

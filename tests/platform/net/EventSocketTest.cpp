// The event model against real loopback peers: which readiness becomes a bit
// and when, that nothing is reported twice, and the abort event.
#include "platform/net/EventSocket.h"

#include "platform/net/EventWait.h"
#include "platform/net/Ipv4Address.h"
#include "platform/net/LoopbackListener.h"
#include "platform/net/ManualEvent.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <string>
#include <thread>

namespace vellum::net {
namespace {

using testing::CloseConnection;
using testing::LoopbackListener;
using testing::WriteAll;

constexpr uint32_t kAllEvents = kEventRead | kEventWrite | kEventConnect | kEventClose;
const uint32_t kLoopback = htonl(0x7F000001);

// A connected pair: our event socket and the accepted peer descriptor.
struct Connection
{
    LoopbackListener listener;
    EventSocket socket;
    int peer = -1;

    Connection()
    {
        EXPECT_TRUE(socket.Open());
        EXPECT_TRUE(socket.Connect(kLoopback, listener.Port()));
        peer = listener.Accept();
        EXPECT_GE(peer, 0);
        EXPECT_TRUE(socket.SelectEvents(kAllEvents));
    }
    ~Connection()
    {
        if (peer >= 0)
            CloseConnection(peer);
    }

    // The bits of the next wait, or 0 when the wait timed out.
    uint32_t NextBits(uint32_t timeoutMs = 2000)
    {
        WaitResult result = WaitForEvents(&socket, nullptr, timeoutMs);
        return result == WaitResult::NetworkEvent ? socket.EnumerateEvents() : 0;
    }
};

TEST(EventSocketTest, AResetPeerIsReportedAsCloseAndSendsThenFail)
{
    Connection c;
    c.NextBits();
    CloseConnection(c.peer, true);
    c.peer = -1;
    EXPECT_TRUE(c.NextBits() & kEventClose);
    EXPECT_EQ(WaitForEvents(&c.socket, nullptr, 100), WaitResult::Timeout);
    IoResult sent = c.socket.Send("x", 1);
    EXPECT_TRUE(sent.Failed());
    EXPECT_FALSE(sent.WouldBlock());
}

TEST(EventSocketTest, AbortEventEndsAWaitFromAnotherThreadAndStaysSetUntilReset)
{
    Connection c;
    c.NextBits();
    ManualEvent abort;
    EXPECT_FALSE(abort.IsSignalled());
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        abort.Signal();
    });
    EXPECT_EQ(WaitForEvents(&c.socket, &abort, 5000), WaitResult::Abort);
    signaller.join();
    EXPECT_TRUE(abort.IsSignalled());
    EXPECT_EQ(WaitForEvents(nullptr, &abort, 5000), WaitResult::Abort) << "manual reset";

    ASSERT_TRUE(WriteAll(c.peer, "x"));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(WaitForEvents(&c.socket, &abort, 5000), WaitResult::NetworkEvent)
        << "the network event is first in the wait set";
    c.socket.EnumerateEvents();

    abort.Reset();
    EXPECT_FALSE(abort.IsSignalled());
    EXPECT_EQ(WaitForEvents(&c.socket, &abort, 30), WaitResult::Timeout);
}

TEST(EventSocketTest, ClosingForgetsPendingBitsAndAClosedSocketNeverSignals)
{
    Connection c;
    ASSERT_EQ(WaitForEvents(&c.socket, nullptr, 2000), WaitResult::NetworkEvent);
    c.socket.Close();
    EXPECT_FALSE(c.socket.IsOpen());
    EXPECT_FALSE(c.socket.HasPendingEvents());
    EXPECT_EQ(WaitForEvents(&c.socket, nullptr, 30), WaitResult::Timeout);

    ASSERT_TRUE(c.socket.Open());
    ASSERT_TRUE(c.socket.Connect(kLoopback, c.listener.Port()));
    EXPECT_EQ(WaitForEvents(&c.socket, nullptr, 30), WaitResult::Timeout)
        << "no bits before events are selected";
}

TEST(EventSocketTest, DottedAddressesAndNameLookup)
{
    EXPECT_EQ(DottedAddress("127.0.0.1"), kLoopback);
    EXPECT_EQ(DottedAddress("255.255.255.255"), kNoAddress);
    EXPECT_EQ(DottedAddress("localhost"), kNoAddress);
    EXPECT_EQ(DottedAddress("1.2.3.4.5"), kNoAddress);

    uint32_t address = 0;
    EXPECT_TRUE(LookupIpv4("localhost", address));
    EXPECT_EQ(address, kLoopback);
    EXPECT_TRUE(LookupIpv4("255.255.255.255", address));
    EXPECT_EQ(address, kNoAddress);
    // A label longer than 63 bytes cannot be put in a query, so this fails
    // without any packet leaving the machine.
    EXPECT_FALSE(LookupIpv4(std::string(70, 'a') + ".invalid", address));
}

} // namespace
} // namespace vellum::net

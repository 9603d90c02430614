// The trace log: appends exactly what it is given to "trace.log" in the module
// folder, survives a folder it cannot write to, and keeps whole writes apart
// when several threads trace at once.
#include "base/TraceLog.h"

#include "base/FileBytes.h"
#include "net/TestHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

class TraceLogTest : public ::testing::Test
{
protected:
    void SetUp() override { CloseTrace(); }
    void TearDown() override { CloseTrace(); }

    vellum::testing::TestHome m_home{"trace"};
};

TEST_F(TraceLogTest, FailsWhileTheFolderIsMissingAndRecoversLater)
{
    setenv("VELLUM_HOME", (m_home.Home() + "missing").c_str(), 1);
    EXPECT_FALSE(WriteTrace("lost\r\n"));
    setenv("VELLUM_HOME", m_home.Home().c_str(), 1);
    EXPECT_TRUE(WriteTrace("kept\r\n"));
    EXPECT_EQ(FileBytes(m_home.Home() + "trace.log"), "kept\r\n");
}

TEST_F(TraceLogTest, ConcurrentWritesStayWhole)
{
    const int threads = 6;
    const int linesEach = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            std::string line = std::string(200, static_cast<char>('a' + t)) + "\r\n";
            for (int i = 0; i < linesEach; ++i)
                WriteTrace(line);
        });
    }
    for (std::thread& writer : writers)
        writer.join();

    std::istringstream content(FileBytes(m_home.Home() + "trace.log"));
    std::string line;
    int count = 0;
    while (std::getline(content, line)) {
        ASSERT_EQ(line.size(), 201u);
        EXPECT_EQ(line.back(), '\r');
        EXPECT_EQ(line.find_first_not_of(line[0]), 200u);
        ++count;
    }
    EXPECT_EQ(count, threads * linesEach);
}

} // namespace

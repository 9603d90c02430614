// A mail being written outlives a crash of the host: a real vellum-host on a
// real X server (Xvfb), the mail typed into its compose dialog with real key
// presses (xdotool), the host killed with SIGKILL. The next start of the host
// as that user offers the mail back once; the killed host printed nothing on
// its terminal.
#include "HostWindow.h"
#include "VellumModule.h"
#include "folders/FolderTestHome.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowText.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using namespace vellum::ui;
namespace fs = std::filesystem;

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A process started for the test, killed when the test ends however it ends.
struct Started
{
    pid_t pid;
    int signal = SIGKILL; // the X server is stopped, so it cleans up after itself
    ~Started() { KillAndWait(); }
    int KillAndWait()
    {
        int status = 0;
        if (pid > 0 && kill(pid, signal) == 0)
            waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }
};

template <typename Condition> bool WaitFor(Condition done, std::chrono::seconds limit)
{
    for (auto until = std::chrono::steady_clock::now() + limit; !done();
         std::this_thread::sleep_for(50ms))
        if (std::chrono::steady_clock::now() > until)
            return false;
    return true;
}

using HostCrashTest = FolderTestHome;

TEST_F(HostCrashTest, AMailBeingWrittenOutlivesASigkillAndIsOfferedOnceOnTheNextStart)
{
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/xdotool"))
        GTEST_SKIP() << "needs Xvfb and xdotool";
    // An X server killed by an earlier run leaves its lock and socket
    // behind: a display with a lock is skipped, and the server counts as up
    // only once it answers.
    int number = 100 + getpid() % 400;
    while (fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
        number = 100 + (number - 99) % 400;
    const std::string display = ":" + std::to_string(number);
    const std::string state = m_home.Path() + "state", copy = state + "/vellum/unsent-li.mail";
    auto xdo = [&](std::vector<std::string> args) {
        std::string out =
            vellum::testing::RunCommand("/usr/bin/xdotool", args, {{"DISPLAY", display}}).out;
        return out.substr(0, out.find('\n'));
    };
    auto window = [&](const std::string& title) {
        std::string id;
        WaitFor(
            [&] {
                return !(id = xdo({"search", "--onlyvisible", "--name", title})).empty();
            },
            20s);
        return id;
    };
    Started xserver{
        vellum::testing::StartCommand(
            "/usr/bin/Xvfb", {display, "-nolisten", "tcp", "-screen", "0", "1024x768x24"}, {}),
        SIGTERM};
    ASSERT_TRUE(WaitFor([&] { return !xdo({"getdisplaygeometry"}).empty(); }, 10s));
    const std::string hostErrors = m_home.Path() + "host-stderr.txt";
    Started host{vellum::testing::StartCommand(
        VELLUM_HOST, {"--connect", Connect(), "--user", "li", "--library", VELLUM_BUILD_LIBRARY},
        {{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}, {"XDG_STATE_HOME", state}}, hostErrors)};
    std::string main = window("Vellum");
    ASSERT_FALSE(main.empty()) << FileText(hostErrors);
    xdo({"windowfocus", "--sync", main});
    xdo({"key", "ctrl+n"}); // 新邮件
    std::string compose = window("编辑邮件");
    ASSERT_FALSE(compose.empty());
    // A click into each field of the 800 x 600 dialog (recipients, subject,
    // body), then the typing.
    for (auto [y, text] : {std::pair{68, "wang"}, {99, "plan"}, {280, "first words"}}) {
        xdo({"mousemove", "--window", compose, "400", std::to_string(y), "click", "1"});
        xdo({"type", "--delay", "20", text});
    }
    ASSERT_TRUE(
        WaitFor([&] { return FileText(copy).find("first words") != std::string::npos; }, 8s))
        << "the copy follows the typing within 5 s";
    int status = host.KillAndWait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(FileText(hostErrors), "") << "a normal session prints nothing";
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    const std::string lost = FileText(copy);

    // The next start as li, in this process: taken, the compose dialog shows
    // the mail; closed with 不保存, it is gone. Declined, it is gone too.
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    EnsureApplication();
    VellumModule module;
    ASSERT_TRUE(module.Load(VELLUM_BUILD_LIBRARY)) << module.Error();
    ScriptedDesktop desk;
    ScopedDesktop scoped(desk);
    HostWindow next(module, m_session, Connect(), "li");
    next.Watch().Stop();
    next.show();
    std::string mailTo, subject;
    desk.AnswerMessage(MessageAnswer::Yes);
    desk.ActInModal([&](QWidget& dialog) {
        mailTo = GetWindowText(FindControl(&dialog, 6011));
        subject = GetWindowText(FindControl(&dialog, 6012));
        dialog.close();
    });
    desk.AnswerMessage(MessageAnswer::No);
    EXPECT_EQ(next.OfferUnsentMail(), 1);
    ASSERT_EQ(desk.Messages().size(), 2u);
    EXPECT_EQ(desk.Messages()[0].text.find(vellum::text::FromUtf8("恢复未保存的邮件")), 0u);
    EXPECT_NE(desk.Messages()[0].text.find("plan"), std::string::npos);
    EXPECT_EQ(mailTo + "|" + subject, "wang|plan");
    EXPECT_FALSE(fs::exists(copy));

    std::ofstream(copy, std::ios::binary) << lost;
    desk.AnswerMessage(MessageAnswer::No);
    EXPECT_EQ(next.OfferUnsentMail(), 1);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(next.OfferUnsentMail(), 1);
    EXPECT_EQ(desk.Messages().size(), 3u) << "without a copy nothing is asked";
    unsetenv("XDG_STATE_HOME");
}

} // namespace

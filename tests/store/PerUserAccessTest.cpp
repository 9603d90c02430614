// Per-user access on a real PostgreSQL server that asks for passwords: li,
// wang and zhao each log in as their own role, and li, with li's own
// credentials, tries every way into wang's mail it can think of. Each
// attempt must fail: an error, nothing read, or nothing changed (the
// administrator's fingerprint of the tables stays the same). The same goes
// for the attachment server with per-user access, spoken to with curl and
// through vellum's own commands.
#include "db/ChangeListener.h"
#include "mail/AttachServerProcess.h"
#include "net/FeedListener.h"
#include "net/TestHome.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"
#include "support/PgCluster.h"
#include "support/RunCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <poll.h>
#include <thread>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::CommandResult;
using vellum::testing::PgCluster;
using vellum::testing::RunCommand;

const std::string kVellum = VELLUM_BINARY_DIR "/tools/vellum/vellum";

class PerUserAccess : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        cluster_ = new PgCluster();
        if (!cluster_->Running())
            return;
        admin_ = cluster_->OdbcConnect();
        ASSERT_TRUE(cluster_->RequirePasswords());
        ASSERT_EQ(Vellum({"init-db", "--per-user", "--connect", admin_}).exitCode, 0);
        for (const char* user : {"li", "wang", "zhao"})
            ASSERT_EQ(Vellum({"user", "add", user, "--connect", admin_}, PasswordOf(user) + "\n")
                          .exitCode,
                      0);
        Send("wang", "li", "to-li");
        Send("wang", "zhao", "SECRET-wang-to-zhao");
        Send("zhao", "wang", "SECRET-zhao-to-wang");
        Send("li", "wang", "li-to-wang");
        ASSERT_EQ(Vellum({"sql", "--connect", Connect("wang"),
                          "insert into SystemMail (MailFrom, Subject, Body) values ('wang', "
                          "'SECRET-draft', 'SECRET-body')"})
                      .exitCode,
                  0);
        Admin("analyze");
    }
    static void TearDownTestSuite() { delete cluster_; }

    void SetUp() override
    {
        if (!cluster_->Running())
            GTEST_SKIP() << cluster_->Error();
    }

    static std::string PasswordOf(const std::string& user) { return user + "-pass"; }

    static std::string Connect(const std::string& user, const std::string& password = "")
    {
        std::string connect = admin_;
        connect.replace(connect.find("Uid=postgres;Pwd=;"), 18,
                        "Uid=" + user + ";Pwd=" + (password.empty() ? PasswordOf(user) : password) +
                            ";");
        return connect;
    }

    static CommandResult Vellum(const std::vector<std::string>& args, const std::string& input = "")
    {
        std::vector<std::string> shell = {"-c", "printf '%s' \"$0\" | \"$@\"", input, kVellum};
        shell.insert(shell.end(), args.begin(), args.end());
        return RunCommand("/bin/sh", shell, {{"VELLUM_CODEPAGE", "UTF-8"}});
    }

    static void Send(const std::string& from, const std::string& to, const std::string& subject,
                     const std::vector<std::string>& more = {})
    {
        std::vector<std::string> args = {"send",  "--connect", Connect(from),
                                         "--to",  to,          "--subject",
                                         subject, "--body",    subject + "-body"};
        args.insert(args.end(), more.begin(), more.end());
        CommandResult sent = Vellum(args);
        ASSERT_EQ(sent.exitCode, 0) << sent.err;
    }

    static std::string Admin(const std::string& sql)
    {
        return Vellum({"sql", "--connect", admin_, sql}).out;
    }

    // What the administrator sees of every row of the three tables.
    static std::string Fingerprint()
    {
        return Admin("select (select md5(string_agg(t::text, ',' order by KeyId)) from SystemMail "
                     "t) || (select md5(string_agg(t::text, ',' order by KeyId)) from "
                     "SystemMailCopy t) || (select md5(string_agg(t::text, ',' order by KeyId)) "
                     "from SystemMailNotify t)");
    }

    static inline PgCluster* cluster_ = nullptr;
    static inline std::string admin_;
};

// The first field of the first row `vellum sql` printed.
std::string FirstValue(const std::string& printed)
{
    size_t start = printed.find('\n') + 1;
    return printed.substr(start, printed.find_first_of("\t\n", start) - start);
}

// The first value of a query run as li; nothing when the server refused it.
std::optional<std::string> AsLi(CDbSession& li, const std::string& sql)
{
    CDbRecordset row;
    row.Attach(&li);
    if (!row.Open(sql.c_str()))
        return std::nullopt;
    const char* value = row.IsEOF() ? nullptr : row.GetFieldValueAt(0);
    return std::string(value ? value : "");
}

TEST_F(PerUserAccess, LiCannotReadWangsMailNorLearnItsSizeOrCount)
{
    CDbSession li;
    ASSERT_EQ(li.Open(Connect("li").c_str()), 1) << li.GetLastErrorText();
    EXPECT_EQ(AsLi(li, "select count(*) from SystemMailCopy"), "2") << "what li sent and got";
    EXPECT_EQ(AsLi(li, "select count(*) from SystemMailNotify"), "1");
    const char* reads[] = {
        "select count(*) from SystemMail where MailFrom <> 'li'",
        "select count(*) from SystemMail where Subject like 'SECRET%'",
        "select count(*) from SystemMailCopy where Subject like 'SECRET%'",
        "select count(*) from SystemMailNotify where MailTo <> 'li'",
        "select sum(length(Body)) from SystemMailCopy where MailTo <> 'li' and MailFrom <> 'li'",
        "select max(KeyId) from SystemMailNotify where MailTo = 'wang'",
        "select count(*) from SystemMailCopy c where exists (select 1 from SystemMailNotify n "
        "where n.MailId = c.KeyId and n.MailTo = 'wang')",
        "select count(*) from pg_stats where tablename like 'systemmail%'",
        "select last_value from systemmail_keyid_seq",
        "select Channel from vellum_mail_channel where UserName = 'wang'",
        "select SystemMailNotify_Channel('wang')",
        "select count(*) from (select * from SystemMailCopy union all select KeyId, MailFrom, "
        "MailTo, Subject, Body, Attachment, MailTime from SystemMail) t where Subject like "
        "'SECRET%'",
    };
    for (const char* sql : reads) {
        std::optional<std::string> value = AsLi(li, sql);
        EXPECT_TRUE(!value || *value == "" || *value == "0") << sql << ": " << *value;
    }
}

TEST_F(PerUserAccess, LiCannotChangeForgeOrUnlockAnything)
{
    CDbSession li;
    ASSERT_EQ(li.Open(Connect("li").c_str()), 1) << li.GetLastErrorText();
    const std::string wangToZhao =
        FirstValue(Admin("select KeyId from SystemMailCopy where MailTo = 'zhao'"));
    const std::string writes[] = {
        "update SystemMail set Subject = 'x' where MailFrom = 'wang'",
        "delete from SystemMail where MailFrom = 'wang'",
        "update SystemMailNotify set Status = 1 where MailTo = 'wang'",
        "delete from SystemMailNotify where MailTo = 'wang'",
        "update SystemMailNotify set MailId = " + wangToZhao + " where MailTo = 'li'",
        "insert into SystemMailNotify (MailFrom, MailTo, MailId) values ('li', 'wang', " +
            wangToZhao + ")",
        "insert into SystemMailNotify (MailFrom, MailTo, MailId) values ('li', 'li', " +
            wangToZhao + ")",
        "insert into SystemMailNotify (MailFrom, MailTo, MailId) select 'wang', 'li', KeyId from "
        "SystemMailCopy where MailFrom = 'li'",
        "insert into SystemMail (MailFrom, Subject) values ('wang', 'forged')",
        "insert into SystemMailCopy (MailFrom, MailTo, Subject) values ('wang', 'li', 'forged')",
        "insert into SystemMail (KeyId, MailFrom) values (1, 'li')",
        "update SystemMail set Body = 'rewritten' where MailFrom = 'li' and Status = 1",
        "update SystemMail set MailFrom = 'wang' where MailFrom = 'li'",
        "truncate SystemMailCopy",
        "alter table SystemMail disable row level security",
        "drop policy SystemMail_Read on SystemMail",
        "create policy open on SystemMailCopy using (true)",
        "update vellum_mail_channel set Channel = 'x'",
        "create or replace function SystemMailNotify_Channel(name text) returns text language "
        "sql as $$ select 'x' $$",
        "grant vellum_users to li",
    };
    for (const std::string& sql : writes) {
        const std::string before = Fingerprint();
        static_cast<void>(li.Execute(sql.c_str())); // refused, or changing nothing
        EXPECT_EQ(Fingerprint(), before) << sql;
    }
    EXPECT_EQ(li.Execute("set role wang"), 0);
    EXPECT_EQ(AsLi(li, "select current_user"), "li");
}

TEST_F(PerUserAccess, TheCommandsActOnlyAsTheRoleThatLoggedIn)
{
    EXPECT_NE(Vellum({"send", "--connect", Connect("li"), "--user", "wang", "--to", "zhao",
                      "--subject", "forged"})
                  .exitCode,
              0);
    EXPECT_NE(Vellum({"list", "inbox", "--connect", Connect("li"), "--user", "wang"}).exitCode, 0);
    EXPECT_NE(Vellum({"list", "inbox", "--connect", Connect("wang", PasswordOf("li"))}).exitCode, 0)
        << "li's password is not wang's";
    CommandResult inbox = Vellum({"list", "inbox", "--connect", Connect("wang")});
    EXPECT_NE(inbox.out.find("SECRET-zhao-to-wang"), std::string::npos) << inbox.err;
    EXPECT_EQ(inbox.out.find("li-to-wang") == std::string::npos, false);
}

// li listens where wang's announcements went before per-user access, and on
// li's own secret channel: only li's own mail is heard.
TEST_F(PerUserAccess, AnnouncementsReachOnlyTheirUser)
{
    vellum::db::ChangeListener guess, own;
    std::vector<std::optional<std::string>> channel, md5;
    ASSERT_TRUE(own.Open(Connect("li")) &&
                own.Query("select SystemMailNotify_Channel($1)", {"li"}, channel));
    ASSERT_TRUE(channel[0] && own.Listen(*channel[0]));
    ASSERT_TRUE(guess.Open(Connect("li")) &&
                guess.Query("select 'mail_' || md5($1)", {"wang"}, md5) && guess.Listen(*md5[0]));
    Send("zhao", "wang", "SECRET-again");
    Send("zhao", "li", "hello-li");
    int heard = 0, overheard = 0;
    for (int i = 0; i < 50 && heard == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_TRUE(own.TakeNotices(heard));
    }
    ASSERT_TRUE(guess.TakeNotices(overheard));
    EXPECT_GE(heard, 1);
    EXPECT_EQ(overheard, 0);
}

// The HTTP status curl got for a request to the server: the arguments are
// curl's, after the address's page.
std::string Curl(const std::string& base, const std::string& ticket,
                 std::vector<std::string> request)
{
    std::vector<std::string> args = {"-s", "-o", "/dev/null", "-w", "%{http_code}"};
    if (!ticket.empty())
        args.insert(args.end(), {"-H", "X-Vellum-Ticket: " + ticket});
    request[0] = base + request[0];
    args.insert(args.end(), request.begin(), request.end());
    return RunCommand("/usr/bin/curl", args).out;
}

// li tries wang's attachment every way it can: wang uploaded it and mailed
// it to zhao. Only wang and zhao may read it; nobody may upload as someone
// else or replace a file of theirs.
TEST_F(PerUserAccess, TheAttachmentServerServesOnlyTheSenderAndRecipients)
{
    vellum::testing::TestHome home("per-user-attachd");
    setenv("VELLUM_ATTACHD_DATABASE",
           ("host=127.0.0.1 dbname=postgres user=postgres port=" + std::to_string(cluster_->Port()))
               .c_str(),
           1);
    AttachServerProcess server(home.Temp() + "store",
                               {"--storage", "postgres", "--access", "per-user"});
    unsetenv("VELLUM_ATTACHD_DATABASE");
    ASSERT_GT(server.Port(), 0);
    home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server.BaseUrl() + "\n");
    home.WriteFile("secret.txt", "SECRET-attachment");
    home.WriteFile("li.txt", "li's own");
    CommandResult up = Vellum({"upload", "--connect", Connect("wang"), home.Home() + "secret.txt"});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    const std::string name = up.out.substr(0, up.out.find('\n'));
    Send("wang", "zhao", "with-file", {"--attachment", name});

    std::map<std::string, std::string> ticket;
    for (const char* user : {"li", "wang", "zhao"}) {
        CDbSession session;
        ASSERT_EQ(session.Open(Connect(user).c_str()), 1);
        ticket[user] = AsLi(session, "select vellum_attachment_ticket()").value_or("");
        ASSERT_EQ(ticket[user].size(), 64u);
    }
    Admin("update vellum_attachment_ticket set Expires = now() - interval '1 second' where "
          "UserName = 'zhao'");
    const std::string page = "download.jsp?FileName=" + name;
    const std::string asWang = "-FUserName=wang", file = "-FFile1=@" + home.Home() + "li.txt";
    struct Attack
    {
        std::string what, ticket;
        std::vector<std::string> request;
        std::string status;
    };
    const Attack attacks[] = {
        {"download with li's ticket", ticket["li"], {page}, "403"},
        {"download with li's ticket naming wang", ticket["li"], {page + "&UserName=wang"}, "403"},
        {"download without a ticket", "", {page}, "403"},
        {"download with a made-up ticket", std::string(64, 'a'), {page}, "403"},
        {"download with zhao's expired ticket", ticket["zhao"], {page}, "403"},
        {"upload without a ticket", "", {"upload.jsp", asWang, file}, "403"},
        {"upload replacing wang's file",
         ticket["li"],
         {"upload.jsp", asWang, "-FFileName1=" + name, file},
         "200"},
        {"download by wang, who sent it", ticket["wang"], {page}, "200"},
    };
    for (const Attack& attack : attacks)
        EXPECT_EQ(Curl(server.BaseUrl(), attack.ticket, attack.request), attack.status)
            << attack.what;
    EXPECT_EQ(Admin("select string_agg(convert_from(owner, 'UTF8'), ',' order by stored) from "
                    "vellum_attachment"),
              "string_agg\nwang,li\n")
        << "li's upload naming wang and wang's file is li's own";

    CDbSession li;
    ASSERT_EQ(li.Open(Connect("li").c_str()), 1);
    for (const char* sql : {"select count(*) from vellum_attachment_ticket",
                            "select sum(size) from vellum_attachment",
                            "select count(*) from vellum_attachment_piece"})
        EXPECT_EQ(AsLi(li, sql), std::nullopt) << sql;
    // The live feed subscribes the ticket's user, whoever the desk names.
    FeedListener liAsWang, wang, nobody;
    ASSERT_TRUE(liAsWang.Open(server.BaseUrl(), "wang", ticket["li"])) << liAsWang.LastError();
    ASSERT_TRUE(wang.Open(server.BaseUrl(), "wang", ticket["wang"])) << wang.LastError();
    EXPECT_FALSE(nobody.Open(server.BaseUrl(), "wang", "")) << "no ticket, no feed";
    Send("zhao", "wang", "SECRET-heard");
    int heard = 0, overheard = 0;
    pollfd wangs{wang.SocketDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&wangs, 1, 3000), 1);
    EXPECT_TRUE(wang.TakeNotices(heard) && heard > 0);
    pollfd lis{liAsWang.SocketDescriptor(), POLLIN, 0};
    poll(&lis, 1, 300);
    EXPECT_TRUE(liAsWang.TakeNotices(overheard));
    EXPECT_EQ(overheard, 0);

    CommandResult byLi = Vellum({"download", "--connect", Connect("li"), name});
    EXPECT_NE(byLi.exitCode, 0);
    EXPECT_NE(byLi.err.find("没有权限下载这个附件"), std::string::npos) << byLi.err;
    // A copy or a draft li makes naming the file, as its own sender, grants
    // nothing; zhao's forward to li does.
    for (const char* table : {"SystemMailCopy (MailFrom, MailTo, Subject, Attachment)",
                              "SystemMail (MailFrom, MailTo, Subject, Attachment)"})
        ASSERT_EQ(li.Execute(("insert into " + std::string(table) + " values ('li', 'li', 'x', '" +
                              name + "')")
                                 .c_str()),
                  1);
    EXPECT_EQ(Curl(server.BaseUrl(), ticket["li"], {page}), "403") << "a forged copy";
    Send("zhao", "li", "fwd", {"--attachment", name});
    CommandResult byLiNow = Vellum({"download", "--connect", Connect("li"), name});
    ASSERT_EQ(byLiNow.exitCode, 0) << byLiNow.err;
    EXPECT_EQ(vellum::testing::ReadFile(byLiNow.out.substr(0, byLiNow.out.find('\n'))),
              "SECRET-attachment");
}

} // namespace

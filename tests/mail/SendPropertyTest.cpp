// Random sequences of what people do with mail, through the real sender on
// the real databases and the real attachment server: three compose windows,
// each on a session of its own, type, upload a file (replacing the one the
// field names), save, send, open a stored draft in a second window, send one
// draft from two windows at the same moment, start a new mail from a
// delivered one (as forward and copy do, attachment name included), delete
// a draft from the drafts folder and download a delivered mail's file, while
// the attachment server stops and starts again. A model says what must be
// stored; after every step the database must hold exactly that: every mail
// delivered once or not at all (one copy, one notice per recipient), a sent
// draft never unsent again, a saved draft holding what was typed. Every
// file a delivered mail names downloads byte for byte after every upload and
// restart, and nothing is opened but the copies the person downloaded.
//
// The run in the suite is short and repeatable (a fixed seed and a bounded
// count, unless RC_PARAMS says otherwise); the "property" test preset runs
// it long with fresh seeds.
#include "AttachServerProcess.h"
#include "MailDbTest.h"
#include "base/IniDocument.h"
#include "mail/AttachmentTransfer.h"
#include "mail/MailSender.h"
#include "net/TestHome.h"
#include "platform/text/CodePage.h"
#include "platform/ui/ScriptedDesktop.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <rapidcheck.h>
#include <rapidcheck/state.h>
#include <thread>

namespace {

using vellum::testing::AttachServerProcess;
using vellum::testing::ReadFile;
using vellum::testing::TestHome;
using vellum::text::FromUtf8;

constexpr int kWindows = 3;

struct Typed
{
    std::string mailTo, subject, body;
    int attachment = -1; // the model file the attachment field names, -1 for none
    bool operator==(const Typed&) const = default;
};

struct ModelDraft
{
    Typed saved;
    bool sent = false;
    bool deleted = false;
};

struct Model
{
    std::array<int, kWindows> draftOf{-1, -1, -1}; // the model draft each window holds
    std::array<Typed, kWindows> typed;
    std::vector<ModelDraft> drafts;
    std::vector<int> delivered;     // the attachment of each stored copy
    std::vector<std::string> files; // the bytes of each upload the server took
    int notices = 0;
    bool serverUp = true;

    // The outcome a send from `window` must have, applied to the model.
    SendOutcome Send(int window)
    {
        int& draft = draftOf[window];
        if (draft >= 0 && drafts[draft].sent) {
            Close(window);
            return SendOutcome::AlreadySent;
        }
        if (draft >= 0 && drafts[draft].deleted)
            return SendOutcome::SaveFailed;
        if (draft < 0) {
            draft = static_cast<int>(drafts.size());
            drafts.push_back({});
        }
        ModelDraft& stored = drafts[draft];
        stored.saved = typed[window];
        if (stored.saved.mailTo.empty())
            return SendOutcome::NoRecipients;
        if (stored.saved.subject.empty())
            return SendOutcome::NoSubject;
        stored.sent = true;
        delivered.push_back(stored.saved.attachment);
        notices += static_cast<int>(SplitRecipients(stored.saved.mailTo).size());
        Close(window);
        return SendOutcome::Sent;
    }

    // A window whose mail went out closes; the next step there is a new mail.
    void Close(int window)
    {
        draftOf[window] = -1;
        typed[window] = {};
    }
};

struct Window
{
    CDbSession session;
    int key = -1;
    CIniDocument exchange;
    std::string shown; // the last message the window showed
};

struct Desk
{
    std::string connect;
    CDbSession* checker;
    TestHome& home;
    vellum::ui::ScriptedDesktop& desktop;
    std::optional<AttachServerProcess> server;
    std::array<std::unique_ptr<Window>, kWindows> windows;
    std::vector<int> keyOf;              // the database key of each model draft
    std::vector<std::string> storedName; // the server's name of each model file
    std::vector<std::string> copies;     // every copy a download saved

    Window& Open(int window)
    {
        auto& slot = windows[static_cast<size_t>(window)];
        if (!slot) {
            slot = std::make_unique<Window>();
            RC_ASSERT(slot->session.Open(connect.c_str()) == 1);
        }
        return *slot;
    }

    std::string NameOf(int file) const { return file < 0 ? "" : storedName[file]; }

    // Save (asSave) or send what `window` shows, as its buttons do.
    int Press(int window, const Typed& typed, bool asSave)
    {
        Window& open = Open(window);
        open.shown.clear();
        MailSender sender(&open.session, "li", open.key, open.exchange,
                          [&open](const std::string& text) { open.shown = text; });
        MailFields fields{"li",          "",         typed.mailTo,
                          typed.subject, typed.body, NameOf(typed.attachment)};
        return asSave ? sender.Save(fields) : static_cast<int>(sender.Send(fields));
    }
    SendOutcome Send(int window, const Typed& typed)
    {
        return static_cast<SendOutcome>(Press(window, typed, false));
    }

    // The server on its folder store; the module's "data/tolvan.ini"
    // follows its port.
    void StartServer()
    {
        server.emplace(home.Temp() + "store");
        RC_ASSERT(server->Port() > 0);
        home.WriteFile("data/tolvan.ini", "[.]\nHttpServer=" + server->BaseUrl() + "\n");
    }

    // The compose dialog's 上传 with a file of `bytes` chosen, replacing
    // the file the field names: 1 and the server's new name in `name`.
    int Upload(const Typed& typed, const std::string& bytes, std::string& name)
    {
        home.WriteFile("local/report.txt", bytes);
        desktop.AnswerOpenFile(home.Home() + "local/report.txt");
        AttachmentFields fields;
        fields.userName = fields.sender = "li";
        fields.attachment = name = NameOf(typed.attachment);
        int uploaded = UploadAttachment(fields);
        RC_ASSERT(uploaded == 1 || fields.attachment == name);
        name = fields.attachment;
        return uploaded;
    }

    // The read dialog's 下载 of a delivered file at wang's desk: the bytes
    // of the copy it saved, none when it saved none.
    std::optional<std::string> Download(int file)
    {
        std::filesystem::remove_all(home.Home() + "temp");
        AttachmentFields fields;
        fields.userName = fields.sender = "wang";
        fields.attachment = storedName[file];
        std::string copy;
        if (!DownloadAttachment(fields, &copy))
            return std::nullopt;
        copies.push_back(copy);
        return ReadFile(copy);
    }

    // What the database holds against what the model says it must, and
    // nothing opened but downloaded copies.
    void Check(const Model& model)
    {
        std::string expected = std::to_string(model.notices);
        for (int file : model.delivered)
            expected += "\n" + NameOf(file);
        for (size_t d = 0; d < model.drafts.size(); ++d) {
            const ModelDraft& draft = model.drafts[d];
            if (!draft.deleted)
                expected += "\n" + std::to_string(keyOf[d]) + "|" + (draft.sent ? "1|" : "0|") +
                            draft.saved.mailTo + "|" + draft.saved.subject + "|" +
                            draft.saved.body + "|" + NameOf(draft.saved.attachment);
        }
        std::string stored = QueryRows(*checker, "select count(*) from SystemMailNotify").at(0);
        for (const char* query : {"select Attachment from SystemMailCopy order by KeyId",
                                  "select KeyId, Status, MailTo, Subject, Body, Attachment "
                                  "from SystemMail order by KeyId"})
            for (const std::string& row : QueryRows(*checker, query))
                stored += "\n" + row;
        RC_ASSERT(stored == expected);
        for (const std::string& opened : desktop.OpenedPaths())
            RC_ASSERT(std::find(copies.begin(), copies.end(), opened) != copies.end());
    }

    // Every file a delivered mail names downloads byte for byte.
    void CheckDelivered(const Model& model)
    {
        if (!model.serverUp)
            return;
        for (int file : model.delivered)
            if (file >= 0)
                RC_ASSERT(Download(file) == model.files[file]);
    }

    // A window that saved a new draft learned its key.
    void Learn(const Model& before, int window)
    {
        if (before.draftOf[window] < 0 && windows[window]->key > 0 &&
            keyOf.size() < before.drafts.size() + 1)
            keyOf.push_back(windows[window]->key);
    }
};

using Command = rc::state::Command<Model, Desk>;

rc::Gen<int> AnyWindow()
{
    return rc::gen::inRange(0, kWindows);
}

struct TypeMail : Command
{
    int window = *AnyWindow();
    Typed typed{
        *rc::gen::element<std::string>("wang", "wang;zhao", "a,b;c", "a;;b", ""),
        *rc::gen::element<std::string>("s1", FromUtf8("会议"), "it's", ""),
        *rc::gen::element<std::string>("<P>x</P>", "", "<P>'\\</P>", FromUtf8("<P>明天</P>"))};

    // Typing leaves the attachment field as it is.
    void apply(Model& model) const override
    {
        int attachment = model.typed[window].attachment;
        model.typed[window] = typed;
        model.typed[window].attachment = attachment;
    }
    void show(std::ostream& os) const override
    {
        os << "type in window " << window << ": " << typed.mailTo << " / " << typed.subject;
    }
};

struct SaveMail : Command
{
    int window = *AnyWindow();

    void apply(Model& model) const override
    {
        int& draft = model.draftOf[window];
        if (draft < 0) {
            draft = static_cast<int>(model.drafts.size());
            model.drafts.push_back({});
        }
        if (!model.drafts[draft].sent && !model.drafts[draft].deleted)
            model.drafts[draft].saved = model.typed[window];
    }
    void run(const Model& model, Desk& desk) const override
    {
        int draft = model.draftOf[window];
        bool goneMeanwhile =
            draft >= 0 && (model.drafts[draft].sent || model.drafts[draft].deleted);
        RC_ASSERT(desk.Press(window, model.typed[window], true) == (goneMeanwhile ? 0 : 1));
        if (goneMeanwhile)
            RC_ASSERT(desk.windows[window]->shown ==
                      FromUtf8(model.drafts[draft].sent
                                   ? "邮件已经发送，这次的修改没有保存"
                                   : "这封邮件已经不在草稿箱中，这次的修改没有保存"));
        desk.Learn(model, window);
        desk.Check(nextState(model));
    }
    void show(std::ostream& os) const override { os << "save in window " << window; }
};

struct SendMail : Command
{
    int window = *AnyWindow();

    void apply(Model& model) const override { model.Send(window); }
    void run(const Model& model, Desk& desk) const override
    {
        Model after = model;
        SendOutcome expected = after.Send(window);
        SendOutcome outcome = desk.Send(window, model.typed[window]);
        desk.Learn(model, window);
        RC_ASSERT(outcome == expected);
        if (outcome == SendOutcome::Sent || outcome == SendOutcome::AlreadySent)
            desk.windows[window]->key = -1; // the dialog closed
        desk.Check(after);
    }
    void show(std::ostream& os) const override { os << "send from window " << window; }
};

// A draft from the drafts folder opened in a window: what was saved.
struct OpenDraft : Command
{
    int window = *AnyWindow();
    int draft = *rc::gen::inRange(0, 1000);

    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(!model.drafts.empty());
        RC_PRE(!model.drafts[Draft(model)].sent && !model.drafts[Draft(model)].deleted);
    }
    size_t Draft(const Model& model) const
    {
        return static_cast<size_t>(draft) % model.drafts.size();
    }
    void apply(Model& model) const override
    {
        model.draftOf[window] = static_cast<int>(Draft(model));
        model.typed[window] = model.drafts[Draft(model)].saved;
    }
    void run(const Model& model, Desk& desk) const override
    {
        desk.Open(window).key = desk.keyOf[Draft(model)];
        desk.Check(model);
    }
    void show(std::ostream& os) const override
    {
        os << "open draft " << draft << " in window " << window;
    }
};

// A second window opens the draft the first one holds, and both press 发送
// at the same moment.
struct SendTogether : Command
{
    int first = *AnyWindow();
    int second = *AnyWindow();

    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(first != second);
        RC_PRE(model.draftOf[first] >= 0);
    }
    void apply(Model& model) const override
    {
        model.draftOf[second] = model.draftOf[first];
        model.typed[second] = model.typed[first];
        model.Send(first);
        model.Close(second);
    }
    void run(const Model& model, Desk& desk) const override
    {
        Model after = model;
        after.draftOf[second] = after.draftOf[first];
        SendOutcome expected = after.Send(first);
        desk.Open(second).key = desk.keyOf[model.draftOf[first]];
        desk.Open(first);
        SendOutcome outcomes[2];
        std::thread other([&] { outcomes[1] = desk.Send(second, model.typed[first]); });
        outcomes[0] = desk.Send(first, model.typed[first]);
        other.join();
        if (expected == SendOutcome::Sent) {
            RC_ASSERT((outcomes[0] == SendOutcome::Sent) != (outcomes[1] == SendOutcome::Sent));
            RC_ASSERT(outcomes[0] == SendOutcome::AlreadySent ||
                      outcomes[1] == SendOutcome::AlreadySent);
        } else {
            RC_ASSERT(outcomes[0] == expected && outcomes[1] == expected);
        }
        if (after.draftOf[first] < 0)
            desk.windows[first]->key = -1;
        after.Close(second);
        desk.windows[second]->key = -1;
        desk.Check(after);
    }
    void show(std::ostream& os) const override
    {
        os << "open window " << first << "'s draft in window " << second
           << " and send from both at once";
    }
};

// The compose dialog's 上传 in a window, replacing the file its field
// names. The bytes may hold the multipart boundary the client once always
// used, with a closing delimiter or a fake part head after it.
struct UploadFile : Command
{
    int window = *AnyWindow();
    std::string bytes =
        "f" + *rc::gen::container<std::string>(rc::gen::arbitrary<char>()) +
        *rc::gen::element<std::string>("", "\r\n--#BOUNDARAY1234567890#--\r\n",
                                       "\r\n--#BOUNDARAY1234567890#\r\nContent-Disposition: "
                                       "form-data; name=\"File1\"; filename=\"x\"\r\n\r\nspliced") +
        *rc::gen::container<std::string>(rc::gen::arbitrary<char>());

    void apply(Model& model) const override
    {
        if (!model.serverUp)
            return;
        model.files.push_back(bytes);
        model.typed[window].attachment = static_cast<int>(model.files.size()) - 1;
    }
    void run(const Model& model, Desk& desk) const override
    {
        std::string name;
        RC_ASSERT(desk.Upload(model.typed[window], bytes, name) == (model.serverUp ? 1 : 0));
        if (model.serverUp) {
            RC_ASSERT(name != desk.NameOf(model.typed[window].attachment));
            desk.storedName.push_back(name);
        }
        Model after = nextState(model);
        desk.Check(after);
        desk.CheckDelivered(after);
    }
    void show(std::ostream& os) const override
    {
        os << "upload " << bytes.size() << " bytes in window " << window;
    }
};

// 转发 or 复制 on a delivered mail: a new mail in `window` (whatever it held
// is dropped, as 不保存 drops it) whose attachment field names the
// delivered mail's file.
struct StartFromDelivered : Command
{
    int window = *AnyWindow();
    int pick = *rc::gen::inRange(0, 1000);

    void checkPreconditions(const Model& model) const override { RC_PRE(!model.delivered.empty()); }
    void apply(Model& model) const override
    {
        model.Close(window);
        model.typed[window] = {"zhao", "Fw: s1", "<P>fw</P>",
                               model.delivered[static_cast<size_t>(pick) % model.delivered.size()]};
    }
    void run(const Model& model, Desk& desk) const override
    {
        desk.Open(window).key = -1;
        desk.Check(nextState(model));
    }
    void show(std::ostream& os) const override
    {
        os << "forward delivered mail " << pick << " in window " << window;
    }
};

// The drafts folder's 删除 on an unsent draft, with the view's statement.
struct DeleteDraft : Command
{
    int pick = *rc::gen::inRange(0, 1000);

    size_t Draft(const Model& model) const
    {
        return static_cast<size_t>(pick) % model.drafts.size();
    }
    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(!model.drafts.empty());
        RC_PRE(!model.drafts[Draft(model)].sent && !model.drafts[Draft(model)].deleted);
    }
    void apply(Model& model) const override { model.drafts[Draft(model)].deleted = true; }
    void run(const Model& model, Desk& desk) const override
    {
        std::string sql =
            "delete from SystemMail where KeyId =" + std::to_string(desk.keyOf[Draft(model)]);
        RC_ASSERT(desk.checker->Execute(sql.c_str()));
        desk.Check(nextState(model));
    }
    void show(std::ostream& os) const override { os << "delete draft " << pick; }
};

// The read dialog's 下载 at wang's desk, on a delivered mail with a file.
struct DownloadFile : Command
{
    int pick = *rc::gen::inRange(0, 1000);

    std::vector<int> Files(const Model& model) const
    {
        std::vector<int> files;
        std::copy_if(model.delivered.begin(), model.delivered.end(), std::back_inserter(files),
                     [](int file) { return file >= 0; });
        return files;
    }
    void checkPreconditions(const Model& model) const override { RC_PRE(!Files(model).empty()); }
    void run(const Model& model, Desk& desk) const override
    {
        std::vector<int> files = Files(model);
        int file = files[static_cast<size_t>(pick) % files.size()];
        std::optional<std::string> copy = desk.Download(file);
        if (model.serverUp)
            RC_ASSERT(copy == model.files[file]);
        else
            RC_ASSERT(!copy);
        desk.Check(model);
    }
    void show(std::ostream& os) const override { os << "download delivered file " << pick; }
};

// The attachment server stops, or starts again on the same store.
struct StopOrStartServer : Command
{
    void apply(Model& model) const override { model.serverUp = !model.serverUp; }
    void run(const Model& model, Desk& desk) const override
    {
        if (model.serverUp)
            desk.server.reset();
        else
            desk.StartServer();
        Model after = nextState(model);
        desk.Check(after);
        desk.CheckDelivered(after);
    }
    void show(std::ostream& os) const override { os << "stop or start the attachment server"; }
};

class SendPropertyTest : public MailDbTest
{
protected:
    void SetUp() override
    {
        MailDbTest::SetUp();
        // A repeatable, bounded run unless the caller asked for another.
        setenv("RC_PARAMS", "seed=20261207 max_success=25 max_size=40", 0);
    }

    void EmptyTables()
    {
        for (const char* table : {"SystemMail", "SystemMailCopy", "SystemMailNotify"})
            Run(std::string("delete from ") + table);
    }
};

TEST_P(SendPropertyTest, EveryMailIsDeliveredOnceAndEveryFileItNamesDownloadsWhole)
{
    bool held = rc::check("random sequences of what people do with mail in three windows", [this] {
        EmptyTables();
        TestHome home("send-model");
        vellum::ui::ScriptedDesktop desktop;
        vellum::ui::ScopedDesktop installed(desktop);
        Desk desk{m_connect, &m_session, home, desktop, {}, {}, {}, {}, {}};
        desk.StartServer();
        rc::state::check(
            Model{}, desk,
            rc::state::gen::execOneOfWithArgs<
                TypeMail, TypeMail, SaveMail, SendMail, OpenDraft, SendTogether, SendTogether,
                UploadFile, StartFromDelivered, DeleteDraft, DownloadFile, StopOrStartServer>());
    });
    EXPECT_TRUE(held);
}

VELLUM_ON_SQLITE_AND_POSTGRES(SendPropertyTest);

} // namespace
